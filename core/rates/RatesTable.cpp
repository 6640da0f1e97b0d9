#include "core/rates/RatesTable.h"

#include <cmath>

namespace VexilCore {

namespace {

bool allPositiveFinite(const QMap<QString, double>& map) {
    for (double v : map)
        if (!(std::isfinite(v) && v > 0)) return false;
    return true;
}

std::optional<QJsonObject> encodeMap(const QMap<QString, double>& map) {
    QJsonObject obj;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (!std::isfinite(it.value())) return std::nullopt;
        obj.insert(it.key(), it.value());
    }
    return obj;
}

// Reads a JSON object of numbers; any member that is not a number fails the whole map.
std::optional<QMap<QString, double>> decodeMap(const QJsonValue& value) {
    if (!value.isObject()) return std::nullopt;
    const QJsonObject obj = value.toObject();
    QMap<QString, double> map;
    for (auto it = obj.constBegin(); it != obj.constEnd(); ++it) {
        if (!it.value().isDouble()) return std::nullopt;
        map.insert(it.key(), it.value().toDouble());
    }
    return map;
}

std::optional<double> decodeTime(const QJsonValue& value) {
    if (!value.isDouble()) return std::nullopt;
    return value.toDouble();
}

} // namespace

QString RatesTable::ValidationError::description() const {
    switch (kind) {
    case Kind::NotSuccess:
        return QStringLiteral("Provider error (") + payload + QStringLiteral(")");
    case Kind::WrongBase:
        return QStringLiteral("Unexpected base ") + payload;
    case Kind::Malformed:
        return QStringLiteral("Unreadable response");
    case Kind::BadRates:
        return QStringLiteral("Invalid rate values");
    case Kind::BadTimestamp:
        return QStringLiteral("Missing data timestamp");
    }
    return QStringLiteral("Unreadable response");
}

std::optional<double> RatesTable::rate(const QString& code) const {
    auto it = rates.constFind(code);
    if (it == rates.cend()) return std::nullopt;
    return it.value();
}

bool RatesTable::ageIsFetchTime() const {
    return source && *source == u"Coinbase";
}

bool RatesTable::isValid() const {
    if (base != u"USD") return false;
    if (rates.isEmpty()) return false;
    auto usd = rates.constFind(QStringLiteral("USD"));
    if (usd == rates.cend() || !(usd.value() == 1.0)) return false;
    if (rates.size() < 20) return false;
    return allPositiveFinite(rates);
}

bool RatesTable::isCurrencyCode(const QString& code) {
    if (code.size() != 3) return false;
    for (QChar c : code)
        if (c.unicode() < u'A' || c.unicode() > u'Z') return false;
    return true;
}

bool RatesTable::isUsableRate(double value) {
    // Beyond these a converted amount shows as infinity or as zero.
    return std::isfinite(value) && value >= 1e-12 && value <= 1e12;
}

void RatesTable::dropUnusableRates() {
    rates.removeIf([](QMap<QString, double>::iterator it) {
        return !isCurrencyCode(it.key()) || !isUsableRate(it.value());
    });
}

std::optional<QJsonObject> RatesTable::toJson() const {
    auto encodedRates = encodeMap(rates);
    if (!encodedRates || !std::isfinite(providerTimestamp) || !std::isfinite(fetchedAt)) return std::nullopt;
    QJsonObject obj;
    obj.insert(QStringLiteral("base"), base);
    obj.insert(QStringLiteral("rates"), *encodedRates);
    obj.insert(QStringLiteral("providerTimestamp"), providerTimestamp);
    obj.insert(QStringLiteral("fetchedAt"), fetchedAt);
    if (source) obj.insert(QStringLiteral("source"), *source);
    return obj;
}

std::optional<RatesTable> RatesTable::fromJson(const QJsonValue& json) {
    if (!json.isObject()) return std::nullopt;
    const QJsonObject obj = json.toObject();
    const QJsonValue base = obj.value(QStringLiteral("base"));
    if (!base.isString()) return std::nullopt;
    auto rates = decodeMap(obj.value(QStringLiteral("rates")));
    auto provider = decodeTime(obj.value(QStringLiteral("providerTimestamp")));
    auto fetched = decodeTime(obj.value(QStringLiteral("fetchedAt")));
    if (!rates || !provider || !fetched) return std::nullopt;
    RatesTable table{base.toString(), *rates, *provider, *fetched, std::nullopt};
    const QJsonValue source = obj.value(QStringLiteral("source"));
    if (source.isString())
        table.source = source.toString();
    else if (!source.isUndefined() && !source.isNull())
        return std::nullopt;
    return table;
}

std::optional<double> CryptoTable::price(const QString& code) const {
    auto it = pricesUSD.constFind(code);
    if (it == pricesUSD.cend()) return std::nullopt;
    return it.value();
}

bool CryptoTable::isValid() const {
    if (pricesUSD.size() < 5) return false;
    if (!pricesUSD.contains(QStringLiteral("BTC"))) return false;
    return allPositiveFinite(pricesUSD);
}

void CryptoTable::dropUnusablePrices() {
    pricesUSD.removeIf(
        [](QMap<QString, double>::iterator it) { return !RatesTable::isUsableRate(it.value()); });
}

std::optional<QJsonObject> CryptoTable::toJson() const {
    auto prices = encodeMap(pricesUSD);
    if (!prices || !std::isfinite(providerTimestamp) || !std::isfinite(fetchedAt)) return std::nullopt;
    QJsonObject obj;
    obj.insert(QStringLiteral("pricesUSD"), *prices);
    obj.insert(QStringLiteral("providerTimestamp"), providerTimestamp);
    obj.insert(QStringLiteral("fetchedAt"), fetchedAt);
    obj.insert(QStringLiteral("source"), source);
    return obj;
}

std::optional<CryptoTable> CryptoTable::fromJson(const QJsonValue& json) {
    if (!json.isObject()) return std::nullopt;
    const QJsonObject obj = json.toObject();
    auto prices = decodeMap(obj.value(QStringLiteral("pricesUSD")));
    auto provider = decodeTime(obj.value(QStringLiteral("providerTimestamp")));
    auto fetched = decodeTime(obj.value(QStringLiteral("fetchedAt")));
    const QJsonValue source = obj.value(QStringLiteral("source"));
    if (!prices || !provider || !fetched || !source.isString()) return std::nullopt;
    return CryptoTable{*prices, *provider, *fetched, source.toString()};
}

} // namespace VexilCore
