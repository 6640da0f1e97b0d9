#include "core/parser/Parser.h"

#include "core/values/Arith.h"
#include "core/values/Units.h"

// The unit tables are final; the readers are stand-ins (one unit word, no powers or products)
// until unit expressions are built.

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
             {u"hex",        u"hexadecimal", u"binary", u"bin",     u"octal",  u"oct",
              u"base",       u"decimal",     u"dec",    u"number",  u"plain",  u"percent",
              u"percentage", u"duration",    u"hms",    u"iso8601", u"iso",    u"timestamp",
              u"unix",       u"date",        u"factor", u"nearest", u"weekday"})
            w.insert(QString::fromUtf16(x));
        return w;
    }();
    return s;
}

const QStringList& LineParser::decimalPlaceWords() {
    static const QStringList l{QStringLiteral("dp"), QStringLiteral("decimal"), QStringLiteral("decimals"),
                               QStringLiteral("digits"), QStringLiteral("digit")};
    return l;
}

const QHash<QString, int>& LineParser::unitPowerPrefixes() {
    static const QHash<QString, int> m{{QStringLiteral("sq"), 2},
                                       {QStringLiteral("square"), 2},
                                       {QStringLiteral("cubic"), 3},
                                       {QStringLiteral("cu"), 3}};
    return m;
}

std::optional<std::pair<CompoundUnit, int>> LineParser::unitTermAt(int i) {
    if (i < 0 || i >= t.size() || t[i].kind != TokenKind::Word) return std::nullopt;
    if (stopWords.contains(t[i].lower)) return std::nullopt;
    auto up = Units::lookupWord(t[i].text, env.ptAsPint);
    if (!up) return std::nullopt;
    if (t[i].text == u"pt") usedPt_ = true;
    return std::pair{CompoundUnit(up->unit, up->power), i + 1};
}

std::optional<std::pair<CompoundUnit, int>> LineParser::unitExprAt(int i) {
    return unitTermAt(i);
}

bool LineParser::isBoundary(int i) const {
    return i >= t.size() || t[i].atEnd();
}

bool LineParser::isSpecialTarget(int) const {
    return false;
}

void LineParser::absorbMixedUnits(Quantity&) {}

Value LineParser::convert(const Value& v, const CompoundUnit& target, const QString&) const {
    const Quantity* q = asQuantity(v);
    if (!q) throw CalcError(QStringLiteral("Can't convert that to ") + target.display(true));
    if (q->unit.isNone()) return Quantity(q->value, target);
    return Arith::convert(*q, target, env.ctx);
}

} // namespace VexilCore
