#include "core/parser/Parser.h"

#include "core/values/Arith.h"
#include "core/values/Units.h"

#include <cmath>

namespace VexilCore {

const QSet<QString>& LineParser::boundaryWords() {
    static const QSet<QString> s = [] {
        QSet<QString> w = conversionWords();
        for (const char16_t* x : {u"rounded", u"if", u"unless", u"relabel", u"then", u"else"})
            w.insert(QString::fromUtf16(x));
        return w;
    }();
    return s;
}

const QSet<QString>& LineParser::specialTargetWords() {
    static const QSet<QString> s = [] {
        QSet<QString> w;
        for (const char16_t* x :
             {u"hex",        u"hexadecimal", u"binary", u"bin",     u"octal",   u"oct",
              u"base",       u"decimal",     u"dec",    u"number",  u"plain",   u"percent",
              u"percentage", u"duration",    u"hms",    u"iso8601", u"iso",     u"timestamp",
              u"unix",       u"date",        u"factor", u"nearest", u"weekday", u"scalar"})
            w.insert(QString::fromUtf16(x));
        return w;
    }();
    return s;
}

const QStringList& LineParser::decimalPlaceWords() {
    static const QStringList l{QStringLiteral("dp"),       QStringLiteral("decimal"),
                               QStringLiteral("decimals"), QStringLiteral("digits"),
                               QStringLiteral("digit"),    QStringLiteral("places")};
    return l;
}

const QHash<QString, int>& LineParser::unitPowerPrefixes() {
    static const QHash<QString, int> m{{QStringLiteral("sq"), 2},
                                       {QStringLiteral("square"), 2},
                                       {QStringLiteral("cubic"), 3},
                                       {QStringLiteral("cu"), 3}};
    return m;
}

// The first words of the registry's names of two or more words.
const QSet<QString>& LineParser::phraseStarts() {
    static const QSet<QString> s = [] {
        QSet<QString> w;
        for (auto it = Units::phrases().cbegin(); it != Units::phrases().cend(); ++it)
            if (const qsizetype blank = it.key().indexOf(u' '); blank > 0) w.insert(it.key().left(blank));
        return w;
    }();
    return s;
}

std::optional<std::pair<CompoundUnit, int>> LineParser::unitTermAt(int i) {
    if (i < 0 || i >= t.size()) return std::nullopt;
    if (t[i].kind == TokenKind::Currency)
        return std::pair{CompoundUnit(Units::currencyUnit(t[i].text)), i + 1};

    int words = 0;
    while (words < 4 && i + words < t.size() && t[i + words].kind == TokenKind::Word)
        ++words;
    if (words == 0) return std::nullopt;
    const Token& first = t[i];
    if (stopWords.contains(first.lower)) return std::nullopt;

    std::optional<CompoundUnit> term;
    int end = i + 1;
    if (const auto custom = m_env.customUnits.constFind(first.lower); custom != m_env.customUnits.cend()) {
        term = CompoundUnit(*custom);
    } else {
        // The longest registry phrase first: "fl oz", "nautical miles". Most words start none, and
        // then no names are put together.
        if (words >= 2 && phraseStarts().contains(first.lower)) {
            longestName(i, words, 2, true, [&](const QString& name, int n) {
                const auto found = Units::phrases().constFind(name);
                if (found == Units::phrases().cend()) return false;
                term = CompoundUnit(*found);
                end = i + n;
                return true;
            });
        }
        if (!term && words >= 2) {
            // "sq ft", "cubic cm": a length to a power.
            if (const auto prefix = unitPowerPrefixes().constFind(first.lower);
                prefix != unitPowerPrefixes().cend()) {
                const std::optional<UnitPower> length = Units::lookupWord(t[i + 1].text, false);
                if (length && length->power == 1 && length->unit->dim == Dimension::length) {
                    term = CompoundUnit(length->unit, *prefix);
                    end = i + 2;
                }
            }
        }
        if (!term) {
            const std::optional<UnitPower> found = Units::lookupWord(first.text, m_env.ptAsPint);
            if (!found) return std::nullopt;
            term = CompoundUnit(found->unit, found->power);
            if (first.text == u"pt") tookPt = true;
        }
    }

    // A power suffix from 1 to 9: "m^2", "s^-1".
    if (end + 1 < t.size() && t[end].isSym(u"^")) {
        int j = end + 1;
        qint64 sign = 1;
        if (t[j].isSym(u"-")) {
            sign = -1;
            ++j;
        }
        if (j < t.size() && t[j].kind == TokenKind::Number) {
            const double n = t[j].number;
            if (n > 0 && n < 10 && n == std::round(n)) return std::pair{term->power(sign * qint64(n)), j + 1};
        }
    }
    return std::pair{std::move(*term), end};
}

std::optional<std::pair<CompoundUnit, int>> LineParser::unitExprAt(int i) {
    auto first = unitTermAt(i);
    if (!first) return std::nullopt;
    auto [unit, j] = std::move(*first);
    while (j < t.size()) {
        const Token& tok = t[j];
        const bool divide = tok.isSym(u"/") || tok.isWord(u"per");
        if (!divide && !tok.isSym(u"*")) break;
        auto next = unitTermAt(j + 1);
        if (!next) break;
        unit = unit.multiplied(divide ? next->first.power(-1) : next->first);
        j = next->second;
    }
    return std::pair{std::move(unit), j};
}

bool LineParser::isBoundary(int i) const {
    if (i < 0 || i >= t.size()) return true;
    const Token& tok = t[i];
    switch (tok.kind) {
    case TokenKind::Eof:
    case TokenKind::Comment:
        return true;
    case TokenKind::Sym:
        return tok.text == u")" || tok.text == u"," || comparisons().contains(tok.text);
    case TokenKind::Word:
        return boundaryWords().contains(tok.lower) || stopWords.contains(tok.lower);
    default:
        return false;
    }
}

bool LineParser::isSpecialTarget(int i) const {
    if (i < 0 || i >= t.size()) return false;
    const Token& tok = t[i];
    if (tok.isSym(u"%")) return true;
    if (tok.kind == TokenKind::Word) {
        if (specialTargetWords().contains(tok.lower)) return true;
        return tok.lower == u"the" && word(i + 1) == QStringLiteral("nearest");
    }
    if (tok.kind == TokenKind::Number) {
        const std::optional<QString> next = word(i + 1);
        return next && decimalPlaceWords().contains(*next);
    }
    return false;
}

void LineParser::absorbMixedUnits(Quantity& q) {
    const UnitRef u = q.unit.single();
    if (!u || u->isCurrency() || u->isOffsetTemperature()) return;
    // Made once a second amount is found: most quantities have none.
    QList<Quantity::Term> terms;
    // "5 ft 3 in", "1 h 30 min": further amounts of the same kind, each in a unit not yet used.
    while (t[p].kind == TokenKind::Number) {
        const auto next = unitAt(p + 1);
        if (!next) break;
        const UnitRef u2 = next->first.single();
        if (!u2 || u2->dim != u->dim || u2->isCurrency()) break;
        bool repeated = u2->id == u->id;
        for (const Quantity::Term& term : terms)
            repeated = repeated || term.unit->id == u2->id;
        if (repeated) break;
        const double v = t[p].number;
        if (!std::isfinite(v)) throw CalcError(QStringLiteral("Number is too large"));
        mark(p, Role::Number);
        markUnitTokens(p + 1, next->second);
        p = next->second;
        if (terms.isEmpty()) terms.append(Quantity::Term{q.value, u});
        terms.append(Quantity::Term{v, u2});
        q = Arith::add(q, Quantity(v, next->first), m_env.ctx);
    }
    if (terms.size() >= 2) q.terms = terms;
}

Value LineParser::convert(const Value& v, const CompoundUnit& target, const QString& keyword) const {
    const Quantity* q = asQuantity(v);
    if (!q) throw CalcError(QStringLiteral("Can't convert that to ") + target.display(true));
    if (q->unit.isNone()) {
        // A plain number "in" a length is read as inches: "5 in cm".
        if (keyword == u"in" && target.dim() == Dimension::length)
            return Arith::convert(Quantity(q->value, CompoundUnit(Units::unit(QStringLiteral("in")))), target,
                                  m_env.ctx);
        return Quantity(q->value, target);
    }
    Quantity r = Arith::convert(*q, target, m_env.ctx);
    if (q->style.kind == DisplayStyle::Breakdown || q->style.kind == DisplayStyle::Hms)
        r.style = DisplayStyle::Plain;
    return r;
}

} // namespace VexilCore
