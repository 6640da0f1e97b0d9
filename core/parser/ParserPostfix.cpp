#include "core/parser/Parser.h"

#include "core/values/Arith.h"

namespace VexilCore {

Value LineParser::parsePostfix() {
    lastWasPercent = false;
    Value v = parsePrimary();
    for (;;) {
        const Token& tok = t[p];
        if (tok.atEnd()) return v;

        if (tok.isSym(u"%")) {
            const Quantity* q = asQuantity(v);
            if (!q || !q->unit.isNone()) throw CalcError(QStringLiteral("% applies to plain numbers"));
            mark(p, Role::Op);
            advance();
            v = Quantity(q->value / 100, CompoundUnit::none());
            lastWasPercent = true;
            continue;
        }

        // A "!" after a blank is no factorial.
        if (tok.isSym(u"!") && !tok.spaceBefore) {
            mark(p, Role::Op);
            advance();
            const qint64 n = integer(v, QStringLiteral("Factorial"));
            if (n < 0 || n > 170)
                throw CalcError(QStringLiteral("Factorial needs a whole number from 0 to 170"));
            double r = 1;
            for (qint64 k = 2; k <= n; ++k)
                r *= double(k);
            v = Quantity(r, CompoundUnit::none());
            continue;
        }

        if ((tok.isWord(u"squared") || tok.isWord(u"cubed")) && !stopWords.contains(tok.lower)) {
            const double n = tok.lower == u"squared" ? 2 : 3;
            mark(p, Role::Op);
            advance();
            const Quantity* q = asQuantity(v);
            if (!q) throw CalcError(QStringLiteral("Can't square that"));
            v = Arith::power(*q, Quantity(n, CompoundUnit::none()));
            continue;
        }

        if (tok.isWord(u"ago")) {
            eat({u"ago"}, Role::Keyword);
            v = relativeToNow(v, -1);
            continue;
        }
        if (matches({u"from", u"now"})) {
            eat({u"from"}, Role::Keyword);
            eat({u"now"}, Role::Keyword);
            v = relativeToNow(v, +1);
            continue;
        }

        if (const CalendarDate* d = std::get_if<CalendarDate>(&v)) {
            if (std::optional<ClockTime> k = clockFollowing()) {
                v = combine(*d, *k);
                continue;
            }
        }

        // A remark in brackets: "12 kg (for the cake)".
        if (tok.isSym(u"(") && word(p + 1) && (isProseWord(p + 1) || *word(p + 1) == u"for")) {
            int depth = 0;
            while (!t[p].atEnd()) {
                if (t[p].isSym(u"("))
                    ++depth;
                else if (t[p].isSym(u")"))
                    --depth;
                mark(p, Role::Comment);
                advance();
                if (depth == 0) break;
            }
            continue;
        }

        if (isProseWord(p)) {
            mark(p, Role::Text);
            // After a clock a word before "in" stands where a place was expected.
            if (std::holds_alternative<ClockTime>(v)) {
                const std::optional<QString> next = word(p + 1);
                if (next && isConversionWord(*next))
                    throw CalcError(QStringLiteral("Unknown place '") + tok.text + QStringLiteral("'"));
            }
            // After a plain number a word before a unit target stands where a unit was expected:
            // skipped, "10 foo in km" would silently be 10 km.
            if (const Quantity* q = asQuantity(v); q && q->unit.isNone()) {
                const std::optional<QString> next = word(p + 1);
                if (next && isConversionWord(*next) && !stopWords.contains(*next) && conversionTarget(p + 1))
                    throw CalcError(QStringLiteral("Unknown unit '") + tok.text + QStringLiteral("'"));
            }
            advance();
            continue;
        }

        return v;
    }
}

} // namespace VexilCore
