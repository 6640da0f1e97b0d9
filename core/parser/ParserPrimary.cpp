#include "core/parser/Parser.h"

#include <cmath>

// Stand-ins until the primaries are built: numbers, bracket groups, stray text before the first
// value and the end of the line.

namespace VexilCore {

Value LineParser::parsePrimary() {
    for (;;) {
        const Token& tok = t[p];
        switch (tok.kind) {
        case TokenKind::Number: {
            if (!std::isfinite(tok.number)) throw CalcError(QStringLiteral("Number is too large"));
            mark(p, Role::Number);
            const double x = tok.number;
            advance();
            sawValue = true;
            return Quantity(x, CompoundUnit::none());
        }
        case TokenKind::Sym: {
            if (tok.text != u"(") throw unexpected();
            Nesting nest(*this);
            mark(p, Role::Op);
            advance();
            Value v = [&] {
                StopWords none(*this, {}, StopWords::Replace);
                return parseConversion();
            }();
            if (t[p].isSym(u")")) {
                mark(p, Role::Op);
                advance();
                return v;
            }
            if (t[p].atEnd()) throw CalcError(QStringLiteral("Missing ')'"), true);
            throw unexpected();
        }
        case TokenKind::Other:
            if (sawValue) throw unexpected();
            mark(p, Role::Text);
            advance();
            continue; // stray text before the first value: a loop, not recursion
        case TokenKind::Comment:
        case TokenKind::Eof:
            if (!sawValue) throw NoValue{};
            throw CalcError(QStringLiteral("Expected a value"), true);
        default:
            throw unexpected();
        }
    }
}

Value LineParser::relativeToNow(const Value&, int) const {
    throw CalcError(QStringLiteral("Use a duration, e.g. 3 days ago"));
}

std::optional<ClockTime> LineParser::clockFollowing() {
    return std::nullopt;
}

Instant LineParser::combine(const CalendarDate&, const ClockTime&) const {
    return Instant{};
}

bool LineParser::isProseWord(int) const {
    return false;
}

} // namespace VexilCore
