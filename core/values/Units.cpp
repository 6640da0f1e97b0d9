#include "core/values/Units.h"

#include "core/rates/Currencies.h"
#include "core/values/UnitsRegistry.h"

#include <algorithm>

namespace VexilCore::Units {

namespace {

detail::Registry& registry() {
    static detail::Registry r = [] {
        detail::Registry built;
        detail::build(built);
        return built;
    }();
    return r;
}

bool isAsciiUpper(QChar c) {
    return c >= u'A' && c <= u'Z';
}
bool isAsciiLetter(QChar c) {
    return isAsciiUpper(c) || (c >= u'a' && c <= u'z');
}

// The fixed fiat codes and the coins in one set: one lookup instead of two.
const QSet<QString>& fixedCodes() {
    static const QSet<QString> codes = Currencies::codeSet() + Currencies::cryptoCodes();
    return codes;
}

bool isCurrencyCode(const QString& code) {
    return fixedCodes().contains(code) || Currencies::dynamicCodes().contains(code);
}

UnitRef codeUnit(detail::Registry& r, const QString& code) {
    if (UnitRef u = r.byId.value(code)) return u;
    return currencyUnit(code);
}

// Room for the words that are mapped without allocating.
constexpr qsizetype kShortWord = 32;

// The word lower- or upper-cased. A short ASCII word is mapped into buf and the result borrows
// it (valid while buf lives, not to be kept); any other word goes through QString's own mapping.
QString caseMapped(const QString& word, char16_t (&buf)[kShortWord], bool upper) {
    const qsizetype n = word.size();
    if (n > kShortWord) return upper ? word.toUpper() : word.toLower();
    for (qsizetype k = 0; k < n; ++k) {
        const char16_t c = word[k].unicode();
        if (c >= 0x80) return upper ? word.toUpper() : word.toLower();
        if (upper && c >= u'a' && c <= u'z')
            buf[k] = char16_t(c - 32);
        else if (!upper && c >= u'A' && c <= u'Z')
            buf[k] = char16_t(c + 32);
        else
            buf[k] = c;
    }
    return QString::fromRawData(reinterpret_cast<const QChar*>(buf), n);
}

int powerSuffix(QChar c) {
    if (c == u'2' || c == QChar(0x00B2)) return 2;
    if (c == u'3' || c == QChar(0x00B3)) return 3;
    return 0;
}

} // namespace

namespace detail {

std::shared_ptr<UnitDef> makeCurrency(const QString& code) {
    auto def = std::make_shared<UnitDef>();
    def->id = def->symbol = def->singular = def->plural = code;
    def->dim = Dimension::money;
    def->kind = UnitDef::Currency{};
    return def;
}

} // namespace detail

const Table& byId() {
    return registry().byId;
}
const Table& exact() {
    return registry().exact;
}
const Table& folded() {
    return registry().folded;
}
const Table& phrases() {
    return registry().phrases;
}
const QSet<QString>& foldedCollisions() {
    return registry().foldedCollisions;
}

QStringList words(const QStringList& list) {
    QStringList out;
    out.reserve(list.size() * 2);
    for (const QString& w : list) {
        out.append(w);
        out.append(w + u's');
    }
    return out;
}

std::optional<UnitPower> lookupWord(const QString& word, bool ptAsPint) {
    detail::Registry& r = registry();
    const qsizetype n = word.size();

    // A currency code in capitals ("CUP" is money, "cup" the volume).
    if (n >= 3 && n <= 5 && std::all_of(word.begin(), word.end(), isAsciiUpper) && isCurrencyCode(word))
        return UnitPower(codeUnit(r, word), 1);

    if (n == 2 && word == u"pt")
        return UnitPower(r.byId.value(ptAsPint ? QStringLiteral("pint") : QStringLiteral("pt")), 1);

    if (UnitRef u = r.exact.value(word)) return UnitPower(u, 1);

    if (n > 1) {
        if (const int power = powerSuffix(word.back())) {
            const QString base = word.first(n - 1);
            UnitRef u = r.exact.value(base);
            if (!u && base.size() >= 2) u = r.folded.value(base.toLower());
            if (u && !u->isCurrency() && (u->dim == Dimension::length || u->dim == Dimension::time))
                return UnitPower(u, power);
        }
    }

    if (n < 2) return std::nullopt;
    // Most words are no unit: the case mappings below borrow buffers instead of allocating.
    char16_t lowerBuf[kShortWord];
    const QString lower = caseMapped(word, lowerBuf, false);
    if (UnitRef u = r.folded.value(lower)) return UnitPower(u, 1);

    // A currency code in any case, unless it is also an ordinary word ("all", "top").
    if (n >= 3 && n <= 5 && std::all_of(word.begin(), word.end(), isAsciiLetter)) {
        char16_t upperBuf[kShortWord];
        const QString code = caseMapped(word, upperBuf, true);
        if (isCurrencyCode(code) && !Currencies::wordLikeCodes().contains(lower))
            return UnitPower(codeUnit(r, QString(code.constData(), code.size())), 1);
    }
    return std::nullopt;
}

UnitRef unit(const QString& id) {
    UnitRef u = registry().byId.value(id);
    if (!u) qFatal("Unknown built-in unit id %s", qPrintable(id));
    return u;
}

UnitRef currencyUnit(const QString& code) {
    detail::Registry& r = registry();
    auto it = r.byId.constFind(code);
    if (it != r.byId.cend()) return it.value();
    UnitRef def = detail::makeCurrency(code);
    r.byId.insert(code, def);
    return def;
}

} // namespace VexilCore::Units
