#include "core/currency/RatesTable.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <cmath>
#include <functional>
#include <limits>

using VexilCore::CryptoTable;
using VexilCore::RatesTable;

namespace {

// A valid fiat table: USD at exactly 1 and 19 other positive rates.
RatesTable validFiat() {
    RatesTable t;
    t.base = QStringLiteral("USD");
    t.rates.insert(QStringLiteral("USD"), 1.0);
    for (int i = 0; i < 19; ++i)
        t.rates.insert(QStringLiteral("C%1").arg(i, 2, 10, QLatin1Char('0')), 0.5 + i);
    t.providerTimestamp = 1700000000.25;
    t.fetchedAt = 1700000123.5;
    return t;
}

CryptoTable validCrypto() {
    CryptoTable t;
    t.pricesUSD = {{QStringLiteral("BTC"), 65000.5},
                   {QStringLiteral("ETH"), 3200},
                   {QStringLiteral("SOL"), 150.25},
                   {QStringLiteral("DOGE"), 0.12},
                   {QStringLiteral("ADA"), 0.45}};
    t.providerTimestamp = 1700000000;
    t.fetchedAt = 1700000001;
    t.source = QStringLiteral("CoinGecko");
    return t;
}

QJsonValue parse(const char* json) {
    return QJsonDocument::fromJson(QByteArray(json)).object();
}

} // namespace

TEST(RatesTable, ValidityBoundaries) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(validFiat().isValid());

    struct Case {
        const char* what;
        std::function<void(RatesTable&)> change;
    };
    const Case invalid[] = {
        {"lower-case base", [](RatesTable& t) { t.base = QStringLiteral("usd"); }},
        {"empty rates", [](RatesTable& t) { t.rates.clear(); }},
        {"no USD",
         [](RatesTable& t) {
             t.rates.remove(QStringLiteral("USD"));
             t.rates.insert("XXX", 2);
         }},
        {"USD just above 1", [](RatesTable& t) { t.rates["USD"] = 1.0000000001; }},
        {"USD just below 1", [](RatesTable& t) { t.rates["USD"] = 0.9999999999; }},
        {"USD NaN", [nan](RatesTable& t) { t.rates["USD"] = nan; }},
        {"19 entries", [](RatesTable& t) { t.rates.remove(QStringLiteral("C00")); }},
        {"a zero rate", [](RatesTable& t) { t.rates["C05"] = 0; }},
        {"a negative rate", [](RatesTable& t) { t.rates["C05"] = -3; }},
        {"an infinite rate", [inf](RatesTable& t) { t.rates["C05"] = inf; }},
        {"a NaN rate", [nan](RatesTable& t) { t.rates["C05"] = nan; }},
    };
    for (const auto& c : invalid) {
        RatesTable t = validFiat();
        c.change(t);
        EXPECT_FALSE(t.isValid()) << c.what;
    }
}

TEST(RatesTable, LookupsAndFetchTimeAge) {
    RatesTable t = validFiat();
    EXPECT_EQ(t.rate(QStringLiteral("USD")), 1.0);
    EXPECT_EQ(t.rate(QStringLiteral("C01")), 1.5);
    EXPECT_FALSE(t.rate(QStringLiteral("EUR")).has_value());

    EXPECT_FALSE(t.ageIsFetchTime());
    t.source = QStringLiteral("coinbase");
    EXPECT_FALSE(t.ageIsFetchTime());
    t.source = QStringLiteral("open.er-api.com");
    EXPECT_FALSE(t.ageIsFetchTime());
    t.source = QStringLiteral("Coinbase");
    EXPECT_TRUE(t.ageIsFetchTime());
}

TEST(CryptoTable, ValidityAndLookup) {
    EXPECT_TRUE(validCrypto().isValid());
    EXPECT_EQ(validCrypto().price(QStringLiteral("ETH")), 3200.0);
    EXPECT_FALSE(validCrypto().price(QStringLiteral("btc")).has_value());

    CryptoTable four = validCrypto();
    four.pricesUSD.remove(QStringLiteral("ADA"));
    EXPECT_FALSE(four.isValid());

    CryptoTable noBtc = validCrypto();
    noBtc.pricesUSD.remove(QStringLiteral("BTC"));
    for (int i = 0; i < 10; ++i)
        noBtc.pricesUSD.insert(QStringLiteral("X%1").arg(i), 1);
    EXPECT_FALSE(noBtc.isValid());

    CryptoTable zero = validCrypto();
    zero.pricesUSD["SOL"] = 0;
    EXPECT_FALSE(zero.isValid());
}

TEST(RatesTable, JsonRoundTripAndOptionalSource) {
    RatesTable t = validFiat();
    auto json = t.toJson();
    ASSERT_TRUE(json);
    EXPECT_FALSE(json->contains(QStringLiteral("source")));
    // Through the bytes, as the cache file does.
    QByteArray bytes = QJsonDocument(*json).toJson(QJsonDocument::Compact);
    auto back = RatesTable::fromJson(QJsonDocument::fromJson(bytes).object());
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, t);

    t.source = QStringLiteral("Coinbase");
    json = t.toJson();
    ASSERT_TRUE(json);
    EXPECT_EQ(json->value(QStringLiteral("source")).toString(), QStringLiteral("Coinbase"));
    EXPECT_EQ(RatesTable::fromJson(*json), t);

    CryptoTable c = validCrypto();
    auto cjson = c.toJson();
    ASSERT_TRUE(cjson);
    bytes = QJsonDocument(*cjson).toJson(QJsonDocument::Compact);
    EXPECT_EQ(CryptoTable::fromJson(QJsonDocument::fromJson(bytes).object()), c);
}

TEST(RatesTable, EncodingRefusesNonFiniteNumbers) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    RatesTable t = validFiat();
    t.rates["C03"] = nan;
    EXPECT_FALSE(t.toJson());
    t = validFiat();
    t.fetchedAt = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(t.toJson());

    CryptoTable c = validCrypto();
    c.pricesUSD["BTC"] = -std::numeric_limits<double>::infinity();
    EXPECT_FALSE(c.toJson());
    c = validCrypto();
    c.providerTimestamp = nan;
    EXPECT_FALSE(c.toJson());
}

TEST(RatesTable, DecodingIsStrict) {
    // Unknown keys are ignored; integers are numbers; null source is none.
    auto ok = RatesTable::fromJson(
        parse(R"({"base":"USD","rates":{"USD":1,"EUR":0.9},"providerTimestamp":5,"fetchedAt":6.5,)"
              R"("source":null,"extra":true})"));
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->rates.value("EUR"), 0.9);
    EXPECT_EQ(ok->providerTimestamp, 5.0);
    EXPECT_FALSE(ok->source.has_value());

    const char* bad[] = {
        R"({"rates":{"USD":1},"providerTimestamp":5,"fetchedAt":6})",
        R"({"base":1,"rates":{"USD":1},"providerTimestamp":5,"fetchedAt":6})",
        R"({"base":"USD","rates":[1],"providerTimestamp":5,"fetchedAt":6})",
        R"({"base":"USD","rates":{"USD":"1"},"providerTimestamp":5,"fetchedAt":6})",
        R"({"base":"USD","rates":{"USD":1},"providerTimestamp":"x","fetchedAt":6})",
        R"({"base":"USD","rates":{"USD":1},"providerTimestamp":true,"fetchedAt":6})",
        R"({"base":"USD","rates":{"USD":1},"providerTimestamp":5})",
        R"({"base":"USD","rates":{"USD":1},"providerTimestamp":5,"fetchedAt":6,"source":3})",
    };
    for (const char* json : bad)
        EXPECT_FALSE(RatesTable::fromJson(parse(json))) << json;
    EXPECT_FALSE(RatesTable::fromJson(QJsonValue(3)));

    const char* cryptoBad[] = {
        R"({"pricesUSD":{"BTC":1},"providerTimestamp":5,"fetchedAt":6})",
        R"({"pricesUSD":{"BTC":1},"providerTimestamp":5,"fetchedAt":6,"source":null})",
        R"({"pricesUSD":{"BTC":null},"providerTimestamp":5,"fetchedAt":6,"source":"Coinbase"})",
        R"({"pricesUSD":{"BTC":1},"fetchedAt":6,"source":"Coinbase"})",
    };
    for (const char* json : cryptoBad)
        EXPECT_FALSE(CryptoTable::fromJson(parse(json))) << json;
    EXPECT_TRUE(CryptoTable::fromJson(
        parse(R"({"pricesUSD":{"BTC":1},"providerTimestamp":5,"fetchedAt":6,"source":"Coinbase"})")));
}

TEST(RatesTable, ValidationErrorDescriptions) {
    using E = RatesTable::ValidationError;
    EXPECT_EQ(E::notSuccess(QStringLiteral("error")).description(), QStringLiteral("Provider error (error)"));
    EXPECT_EQ(E::wrongBase(QStringLiteral("EUR")).description(), QStringLiteral("Unexpected base EUR"));
    EXPECT_EQ(E::malformed().description(), QStringLiteral("Unreadable response"));
    EXPECT_EQ(E::badRates().description(), QStringLiteral("Invalid rate values"));
    EXPECT_EQ(E::badTimestamp().description(), QStringLiteral("Missing data timestamp"));
}
