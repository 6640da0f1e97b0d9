#include "core/rates/Providers.h"

#include "core/rates/Currencies.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace VexilCore {

namespace {

using Error = RatesTable::ValidationError;

const QString kCoinbase = QStringLiteral("Coinbase");
const QString kCoinGecko = QStringLiteral("CoinGecko");
const QString kUSD = QStringLiteral("USD");

// Data times must be after 2001-09-09 (one billion seconds).
constexpr double kMinDataTime = 1'000'000'000.0;

QJsonObject parseObject(const QByteArray& data) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) throw Error::malformed();
    return doc.object();
}

// The string member, or the fallback text when the member is absent or of another type.
QString stringOr(const QJsonObject& obj, const QString& key, const QString& fallback) {
    const QJsonValue v = obj.value(key);
    return v.isString() ? v.toString() : fallback;
}

bool positiveFinite(double v) {
    return std::isfinite(v) && v > 0;
}

// The provider-side map check shared by both fiat shapes.
void checkFiatMap(const QMap<QString, double>& rates) {
    if (rates.isEmpty()) throw Error::badRates();
    auto usd = rates.constFind(kUSD);
    if (usd == rates.cend()) throw Error::badRates();
    if (!(std::abs(usd.value() - 1.0) < 1e-9)) throw Error::badRates();
    if (rates.size() < 20) throw Error::badRates();
}

// The C locale for number reading: the process locale follows the user's once Qt starts.
locale_t cNumericLocale() {
    static const locale_t loc = newlocale(LC_NUMERIC_MASK, "C", locale_t(nullptr));
    return loc;
}

std::optional<double> readNumberString(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    if (bytes.isEmpty()) return std::nullopt;
    const char first = bytes.front();
    if (first == ' ' || first == '\t' || first == '\n' || first == '\v' || first == '\f' || first == '\r')
        return std::nullopt;
    const char* begin = bytes.constData();
    char* end = nullptr;
    const double value = strtod_l(begin, &end, cNumericLocale());
    // The whole string must be the number; comparing with the byte length also catches embedded NULs.
    if (end != begin + bytes.size()) return std::nullopt;
    return value;
}

RatesTable parseCoinbaseFiat(const QJsonObject& data, double fetchedAt) {
    const QString base = stringOr(data, QStringLiteral("currency"), QStringLiteral("?"));
    if (base != kUSD) throw Error::wrongBase(base);
    const QJsonValue ratesValue = data.value(QStringLiteral("rates"));
    if (!ratesValue.isObject()) throw Error::badRates();
    const QJsonObject rates = ratesValue.toObject();
    QMap<QString, double> map;
    for (const QString& code : Currencies::codes()) {
        const auto it = rates.constFind(code);
        if (it == rates.constEnd()) continue;
        const auto rate = RatesProvider::readRate(it.value());
        if (rate && positiveFinite(*rate)) map.insert(code, *rate);
    }
    checkFiatMap(map);
    return RatesTable{kUSD, map, fetchedAt, fetchedAt, kCoinbase};
}

RatesTable parseDailyFiat(const QJsonObject& top, double fetchedAt) {
    const QString result = stringOr(top, QStringLiteral("result"), QStringLiteral("missing"));
    if (result != u"success") throw Error::notSuccess(result);
    const QString base = stringOr(top, QStringLiteral("base_code"), QStringLiteral("?"));
    if (base != kUSD) throw Error::wrongBase(base);
    const QJsonValue time = top.value(QStringLiteral("time_last_update_unix"));
    if (!time.isDouble() || !(time.toDouble() > kMinDataTime)) throw Error::badTimestamp();
    const QJsonValue ratesValue = top.value(QStringLiteral("rates"));
    if (!ratesValue.isObject()) throw Error::badRates();
    const QJsonObject rates = ratesValue.toObject();
    const QSet<QString>& coins = Currencies::cryptoCodes();
    QMap<QString, double> map;
    for (auto it = rates.constBegin(); it != rates.constEnd(); ++it) {
        const QString code = it.key();
        if (!RatesTable::isCurrencyCode(code) || coins.contains(code)) continue;
        if (!it.value().isDouble()) continue;
        const double rate = it.value().toDouble();
        if (positiveFinite(rate)) map.insert(code, rate);
    }
    checkFiatMap(map);
    return RatesTable{kUSD, map, time.toDouble(), fetchedAt, RatesProvider::dailyLabel()};
}

CryptoTable parseCoinbaseCrypto(const QJsonObject& data, double fetchedAt) {
    const QJsonValue currency = data.value(QStringLiteral("currency"));
    const QJsonValue ratesValue = data.value(QStringLiteral("rates"));
    if (!(currency.isString() && currency.toString() == kUSD) || !ratesValue.isObject())
        throw Error::wrongBase(currency.isString() ? currency.toString() : QStringLiteral("?"));
    const QJsonObject rates = ratesValue.toObject();
    QMap<QString, double> prices;
    for (const Currencies::Coin& coin : Currencies::crypto()) {
        const auto it = rates.constFind(coin.code);
        if (it == rates.constEnd()) continue;
        const auto rate = RatesProvider::readRate(it.value());
        // A subnormal rate gives an infinite price; the table check below then refuses the table.
        if (rate && std::isfinite(*rate) && *rate > 0) prices.insert(coin.code, 1.0 / *rate);
    }
    return CryptoTable{prices, fetchedAt, fetchedAt, kCoinbase};
}

CryptoTable parseCoinGecko(const QJsonObject& top, double fetchedAt) {
    QMap<QString, double> prices;
    std::optional<double> earliest;
    std::optional<double> btcTime;
    for (const Currencies::Coin& coin : Currencies::crypto()) {
        const QJsonValue entryValue = top.value(coin.geckoId);
        if (!entryValue.isObject()) continue;
        const QJsonObject entry = entryValue.toObject();
        if (entry.isEmpty()) continue;
        const QJsonValue usd = entry.value(QStringLiteral("usd"));
        if (!usd.isDouble() || !positiveFinite(usd.toDouble())) continue;
        prices.insert(coin.code, usd.toDouble());
        const QJsonValue updated = entry.value(QStringLiteral("last_updated_at"));
        if (!updated.isDouble() || !(updated.toDouble() > kMinDataTime)) continue;
        const double time = updated.toDouble();
        if (!earliest || time < *earliest) earliest = time;
        if (coin.code == u"BTC") btcTime = time;
    }
    const std::optional<double> dataTime = btcTime ? btcTime : earliest;
    if (!dataTime) throw Error::badTimestamp();
    return CryptoTable{prices, *dataTime, fetchedAt, kCoinGecko};
}

} // namespace

namespace RatesProvider {

const QString& dailyLabel() {
    static const QString label = QStringLiteral("open.er-api.com");
    return label;
}

const QUrl& coinbaseURL() {
    static const QUrl url(QStringLiteral("https://api.coinbase.com/v2/exchange-rates?currency=USD"));
    return url;
}

std::optional<double> readRate(const QJsonValue& value) {
    if (value.isString()) return readNumberString(value.toString());
    if (value.isDouble()) return value.toDouble();
    return std::nullopt;
}

RatesTable parseProvider(const QByteArray& data, double fetchedAt) {
    const QJsonObject top = parseObject(data);
    const QJsonValue coinbaseData = top.value(QStringLiteral("data"));
    if (coinbaseData.isObject()) return parseCoinbaseFiat(coinbaseData.toObject(), fetchedAt);
    return parseDailyFiat(top, fetchedAt);
}

} // namespace RatesProvider

namespace CryptoProvider {

const QUrl& coinGeckoURL() {
    static const QUrl url = [] {
        QString ids;
        for (const Currencies::Coin& coin : Currencies::crypto()) {
            if (!ids.isEmpty()) ids += u',';
            ids += coin.geckoId;
        }
        return QUrl(QStringLiteral("https://api.coingecko.com/api/v3/simple/price?ids=") + ids +
                    QStringLiteral("&vs_currencies=usd&include_last_updated_at=true"));
    }();
    return url;
}

const QUrl& coinbaseURL() {
    static const QUrl url(QStringLiteral("https://api.coinbase.com/v2/exchange-rates?currency=USD"));
    return url;
}

CryptoTable parse(const QByteArray& data, double fetchedAt) {
    const QJsonObject top = parseObject(data);
    const QJsonValue coinbaseData = top.value(QStringLiteral("data"));
    CryptoTable table = coinbaseData.isObject() ? parseCoinbaseCrypto(coinbaseData.toObject(), fetchedAt)
                                                : parseCoinGecko(top, fetchedAt);
    if (!table.isValid()) throw Error::badRates();
    return table;
}

} // namespace CryptoProvider

} // namespace VexilCore
