#include "core/parser/Parser.h"

#include "core/values/Units.h"

#include <cmath>

namespace VexilCore {

namespace {

struct Magnitude {
    QStringView text; // its length known when compiled: most words differ from it in length
    double factor;
};

// Letters, matched as written; the last five only after a currency amount ("$5m"), since
// after a plain number they are units ("5m" is five metres).
constexpr Magnitude magnitudeSuffixes[] = {
    {u"k", 1e3}, {u"M", 1e6}, {u"G", 1e9}, {u"T", 1e12}, {u"bn", 1e9}, {u"tn", 1e12},
    {u"K", 1e3}, {u"m", 1e6}, {u"B", 1e9}, {u"b", 1e9},  {u"t", 1e12},
};
constexpr int kPlainSuffixes = 6;

// Matched lower-cased.
constexpr Magnitude magnitudeWords[] = {
    {u"thousand", 1e3},  {u"million", 1e6}, {u"billion", 1e9},
    {u"trillion", 1e12}, {u"lakh", 1e5},    {u"crore", 1e7},
};

bool isWholeDay(double x) {
    return x >= 1 && x <= 31 && x == std::floor(x);
}

} // namespace

Value LineParser::attachUnit(double x) {
    if (std::optional<double> m = magnitudeSuffix(false)) {
        x *= *m;
        if (!std::isfinite(x)) throw CalcError(QStringLiteral("Number is too large"));
    }

    const Token& tok = t[p];
    if (tok.kind == TokenKind::Word) {
        const QString& lw = tok.lower;
        const auto month = months().constFind(lw);
        if (month != months().cend() && isWholeDay(x) && !Units::lookupWord(tok.text, false)) {
            mark(p, Role::Number);
            advance();
            const qint64 year = parseOptionalYear();
            return CalendarDate::make(year, *month, qint64(x), m_env.ctx.calendar);
        }
        if (lw == u"x") return Quantity(x, CompoundUnit::none());
        // "5 in cm" and "255 in hex" are conversions; "5 in" is five inches.
        if (isConversionWord(lw) && (conversionTarget(p) || isSpecialTarget(p + 1)))
            return Quantity(x, CompoundUnit::none());
        if (auto unit = unitAt(p)) {
            markUnitTokens(p, unit->second);
            p = unit->second;
            Quantity q(x, unit->first);
            absorbMixedUnits(q);
            return q;
        }
    }

    // "5€", but not "5 €".
    if (tok.kind == TokenKind::Currency && !tok.spaceBefore) {
        mark(p, Role::Unit);
        const QString code = tok.text;
        advance();
        return Quantity(x, CompoundUnit(Units::currencyUnit(code)));
    }
    return Quantity(x, CompoundUnit::none());
}

std::optional<double> LineParser::magnitudeSuffix(bool allowB) {
    const Token& tok = t[p];
    if (tok.kind != TokenKind::Word) return std::nullopt;
    if (!tok.spaceBefore) {
        const int n = allowB ? int(std::size(magnitudeSuffixes)) : kPlainSuffixes;
        for (int i = 0; i < n; ++i) {
            if (tok.text == magnitudeSuffixes[i].text) {
                mark(p, Role::Number);
                advance();
                return magnitudeSuffixes[i].factor;
            }
        }
    }
    for (const Magnitude& m : magnitudeWords) {
        if (tok.lower == m.text) {
            mark(p, Role::Number);
            advance();
            return m.factor;
        }
    }
    return std::nullopt;
}

std::optional<std::pair<CompoundUnit, int>> LineParser::unitAt(int i) {
    if (i < 0 || i >= t.size()) return std::nullopt;
    const Token& tok = t[i];
    if (tok.kind == TokenKind::Word) {
        const QString& lw = tok.lower;
        // "per", "x", "of" and "at" join operands; "in" may be the inch.
        if ((isConversionWord(lw) && lw != u"in") || operatorWords().contains(lw) || stopWords.contains(lw))
            return std::nullopt;
        return unitTermAt(i);
    }
    if (tok.kind == TokenKind::Currency) return unitTermAt(i);
    return std::nullopt;
}

bool LineParser::isUnitWord(int i) const {
    if (i < 0 || i >= t.size() || t[i].kind != TokenKind::Word) return false;
    return Units::lookupWord(t[i].text, false) || m_env.customUnits.contains(t[i].lower);
}

} // namespace VexilCore
