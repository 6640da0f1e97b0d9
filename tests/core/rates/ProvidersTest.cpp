#include "core/rates/Providers.h"
#include "core/rates/Currencies.h"
#include "core/rates/RatesFetcher.h"

#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <cmath>
#include <optional>
#include <variant>

using namespace VexilCore;
using Error = RatesTable::ValidationError;

namespace {

constexpr double kFetched = 1'700'000'500.0;

// The first n ISO codes after USD as "CODE": rate members, USD first with `usd`.
QByteArray fiatMembers(int n, const QByteArray& usd, bool quoted) {
    QByteArray out = "\"USD\":" + usd;
    int added = 1;
    for (const QString& code : Currencies::codes()) {
        if (added >= n) break;
        if (code == u"USD") continue;
        const QByteArray value = QByteArray::number(1.5 + added);
        out += ",\"" + code.toLatin1() + "\":" + (quoted ? "\"" + value + "\"" : value);
        ++added;
    }
    return out;
}

QByteArray coinbase(const QByteArray& rateMembers, const QByteArray& currency = "\"USD\"") {
    return "{\"data\":{\"currency\":" + currency + ",\"rates\":{" + rateMembers + "}}}";
}

QByteArray daily(const QByteArray& rateMembers, const QByteArray& time = "1700000000",
                 const QByteArray& result = "\"success\"", const QByteArray& base = "\"USD\"") {
    return "{\"result\":" + result + ",\"base_code\":" + base + ",\"time_last_update_unix\":" + time +
           ",\"rates\":{" + rateMembers + "}}";
}

QByteArray gecko(const QByteArray& members) {
    return "{" + members + "}";
}

// A CoinGecko coin entry.
QByteArray coin(const char* id, const QByteArray& usd, const QByteArray& time = QByteArray()) {
    QByteArray out = QByteArray("\"") + id + "\":{\"usd\":" + usd;
    if (!time.isEmpty()) out += ",\"last_updated_at\":" + time;
    return out + "}";
}

QByteArray fiveGeckoCoins() {
    return coin("bitcoin", "50000", "1700000100") + "," + coin("ethereum", "3000", "1700000050") + "," +
           coin("tether", "1", "1700000060") + "," + coin("solana", "150", "1700000070") + "," +
           coin("ripple", "0.5", "1700000080");
}

template <class F> std::optional<Error> errorOf(F parse) {
    try {
        parse();
    } catch (const Error& e) {
        return e;
    }
    return std::nullopt;
}

} // namespace

TEST(Providers, FiatErrors) {
    struct Case {
        const char* what;
        QByteArray body;
        Error expected;
    };
    const Case cases[] = {
        {"empty object", "{}", Error::notSuccess("missing")},
        {"array", "[1,2]", Error::malformed()},
        {"bare number", "42", Error::malformed()},
        {"empty body", "", Error::malformed()},
        {"truncated", "{\"result\":\"succ", Error::malformed()},
        {"trailing garbage", "{} x", Error::malformed()},
        // Qt refuses the whole document over one out-of-range number.
        {"out-of-range number", daily(fiatMembers(25, "1", false) + ",\"XYZ\":1e400"), Error::malformed()},
        {"coinbase wrong base", coinbase(fiatMembers(25, "1", true), "\"EUR\""), Error::wrongBase("EUR")},
        {"coinbase base not a string", coinbase(fiatMembers(25, "1", true), "7"), Error::wrongBase("?")},
        {"coinbase no rates", "{\"data\":{\"currency\":\"USD\"}}", Error::badRates()},
        {"coinbase rates not an object", "{\"data\":{\"currency\":\"USD\",\"rates\":[]}}", Error::badRates()},
        {"coins are not counted",
         coinbase(fiatMembers(19, "\"1\"", true) + ",\"BTC\":\"0.00002\",\"ETH\":\"0.0003\""),
         Error::badRates()},
        {"data not an object reads the daily shape", "{\"data\":5,\"result\":\"error\"}",
         Error::notSuccess("error")},
        {"result not a string", "{\"result\":5}", Error::notSuccess("missing")},
        {"daily wrong base before time", daily(fiatMembers(25, "1", false), "0", "\"success\"", "\"EUR\""),
         Error::wrongBase("EUR")},
        {"daily base missing", "{\"result\":\"success\"}", Error::wrongBase("?")},
        {"time exactly one billion", daily(fiatMembers(25, "1", false), "1000000000"), Error::badTimestamp()},
        {"time as a string", daily(fiatMembers(25, "1", false), "\"1700000000\""), Error::badTimestamp()},
        {"time missing", "{\"result\":\"success\",\"base_code\":\"USD\",\"rates\":{}}",
         Error::badTimestamp()},
        {"daily no rates",
         "{\"result\":\"success\",\"base_code\":\"USD\",\"time_last_update_unix\":1700000000}",
         Error::badRates()},
        {"daily USD too far from 1", daily(fiatMembers(25, "1.000000002", false)), Error::badRates()},
        {"daily 19 rates", daily(fiatMembers(19, "1", false)), Error::badRates()},
        {"daily no USD", daily("\"EUR\":0.9,\"GBP\":0.8"), Error::badRates()},
        {"daily empty rates", daily(""), Error::badRates()},
        {"daily numeric strings are no value", daily(fiatMembers(25, "1", true)), Error::badRates()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto error = errorOf([&] { RatesProvider::parseProvider(c.body, kFetched); });
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(*error, c.expected) << error->description().toStdString();
    }
}

TEST(Providers, CoinbaseFiatTable) {
    // 20 ISO codes, USD as the string "1": just enough.
    const RatesTable t = RatesProvider::parseProvider(coinbase(fiatMembers(20, "\"1\"", true)), kFetched);
    EXPECT_EQ(t.base, u"USD");
    EXPECT_EQ(t.rates.size(), 20);
    EXPECT_EQ(t.rates.value(QStringLiteral("USD")), 1.0);
    EXPECT_EQ(t.providerTimestamp, kFetched);
    EXPECT_EQ(t.fetchedAt, kFetched);
    EXPECT_EQ(t.source, QStringLiteral("Coinbase"));

    // Bad single entries are skipped, the rest kept; names outside the ISO codes are not read.
    const QByteArray extra =
        ",\"EUR\":\" 0.92\",\"GBP\":\"0.8x\",\"JPY\":\"\",\"CHF\":\"9.2e-1\",\"CAD\":1.25,"
        "\"XAF\":\"0\",\"NZD\":\"-2\",\"SEK\":\"nan\",\"NOK\":\"inf\",\"DKK\":true,"
        "\"KID\":\"2\",\"BTC\":\"0.00002\"";
    const RatesTable u =
        RatesProvider::parseProvider(coinbase(fiatMembers(20, "\"1\"", true) + extra), kFetched);
    EXPECT_EQ(u.rates.value(QStringLiteral("CHF")), 0.92);
    EXPECT_EQ(u.rates.value(QStringLiteral("CAD")), 1.25);
    for (const char* skipped : {"EUR", "GBP", "JPY", "XAF", "NZD", "SEK", "NOK", "DKK", "KID", "BTC"})
        EXPECT_FALSE(u.rates.contains(QString::fromLatin1(skipped))) << skipped;
}

TEST(Providers, RateStringsReadInTheCLocale) {
    struct Case {
        QJsonValue value;
        std::optional<double> expected;
    };
    const Case cases[] = {
        {QStringLiteral("0.92"), 0.92},
        {QStringLiteral("+0.92"), 0.92},
        {QStringLiteral("9.2e-1"), 0.92},
        {QStringLiteral("0x1p-1"), 0.5},
        {QStringLiteral("1e-400"), 0.0},
        {1.5, 1.5},
        {QStringLiteral(""), std::nullopt},
        {QStringLiteral(" 0.92"), std::nullopt},
        {QStringLiteral("\t1"), std::nullopt},
        {QStringLiteral("0.92 "), std::nullopt},
        {QStringLiteral("0,92"), std::nullopt},
        {QString::fromUtf8("0.92\0"
                           "1",
                           6),
         std::nullopt},
        {QJsonValue(true), std::nullopt},
        {QJsonValue(QJsonValue::Null), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value.toVariant().toString().toStdString());
        EXPECT_EQ(RatesProvider::readRate(c.value), c.expected);
    }
    // Readable, but not finite: the parsers drop them.
    EXPECT_TRUE(std::isinf(*RatesProvider::readRate(QStringLiteral("infinity"))));
    EXPECT_TRUE(std::isnan(*RatesProvider::readRate(QStringLiteral("nan"))));
}

TEST(Providers, DailyFiatTable) {
    const QByteArray members = fiatMembers(20, "1.0000000005", false) +
                               ",\"usd\":2,\"EURO\":2,\"BTC\":3,\"ETH\":3,\"KID\":1.3,\"ZZZ\":0,\"YYY\":-1,"
                               "\"XXX\":\"2\",\"E1R\":2";
    const RatesTable t = RatesProvider::parseProvider(daily(members, "1000000001"), kFetched);
    EXPECT_EQ(t.rates.value(QStringLiteral("USD")), 1.0000000005); // stored unchanged
    EXPECT_EQ(t.rates.size(), 21);                                 // 20 + KID
    EXPECT_EQ(t.rates.value(QStringLiteral("KID")), 1.3);
    for (const char* dropped : {"usd", "EURO", "BTC", "ETH", "ZZZ", "YYY", "XXX", "E1R"})
        EXPECT_FALSE(t.rates.contains(QString::fromLatin1(dropped))) << dropped;
    EXPECT_EQ(t.providerTimestamp, 1000000001.0);
    EXPECT_EQ(t.fetchedAt, kFetched);
    EXPECT_EQ(t.source, RatesProvider::dailyLabel());
    EXPECT_FALSE(t.ageIsFetchTime());
}

TEST(Providers, CryptoErrors) {
    struct Case {
        const char* what;
        QByteArray body;
        Error expected;
    };
    const QByteArray fourCoinbase = "\"BTC\":\"0.00002\",\"ETH\":\"0.0003\",\"SOL\":\"0.01\",\"DOGE\":\"10\"";
    const Case cases[] = {
        {"empty object", "{}", Error::badTimestamp()},
        {"array", "[]", Error::malformed()},
        {"bare string", "\"x\"", Error::malformed()},
        {"truncated", "{\"bitcoin\":{", Error::malformed()},
        {"coinbase wrong base", coinbase(fourCoinbase, "\"EUR\""), Error::wrongBase("EUR")},
        {"coinbase base missing", "{\"data\":{\"rates\":{}}}", Error::wrongBase("?")},
        {"coinbase rates missing", "{\"data\":{\"currency\":\"USD\"}}", Error::wrongBase("USD")},
        {"coinbase four coins", coinbase(fourCoinbase + ",\"BNB\":\"0\",\"XRP\":\"x\""), Error::badRates()},
        // A subnormal rate makes an infinite price, which fails the whole table.
        {"coinbase subnormal rate", coinbase(fourCoinbase + ",\"XRP\":\"1e-310\""), Error::badRates()},
        {"coinbase no BTC",
         coinbase("\"ETH\":\"1\",\"SOL\":\"1\",\"DOGE\":\"1\",\"XRP\":\"1\",\"ADA\":\"1\",\"TRX\":\"1\""),
         Error::badRates()},
        {"gecko four coins",
         gecko(coin("bitcoin", "50000", "1700000100") + "," + coin("ethereum", "3000", "1700000050") + "," +
               coin("tether", "1") + "," + coin("solana", "150")),
         Error::badRates()},
        {"gecko no BTC",
         gecko(coin("ethereum", "3000", "1700000050") + "," + coin("tether", "1") + "," +
               coin("solana", "150") + "," + coin("ripple", "1") + "," + coin("cardano", "1")),
         Error::badRates()},
        {"gecko no usable time",
         gecko(coin("bitcoin", "50000", "1000000000") + "," + coin("ethereum", "3000", "\"1700000000\"") +
               "," + coin("tether", "1") + "," + coin("solana", "150") + "," + coin("ripple", "1")),
         Error::badTimestamp()},
        // A time of a coin without a usable price does not count.
        {"time only on a skipped coin",
         gecko(coin("bitcoin", "0", "1700000100") + "," + coin("ethereum", "\"3000\"", "1700000100")),
         Error::badTimestamp()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto error = errorOf([&] { CryptoProvider::parse(c.body, kFetched); });
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(*error, c.expected) << error->description().toStdString();
    }
}

TEST(Providers, CoinGeckoTimes) {
    // BTC without a time: the earliest of the others.
    const QByteArray noBtcTime = coin("bitcoin", "50000") + "," + coin("ethereum", "3000", "1700000050") +
                                 "," + coin("tether", "1", "1700000020") + "," + coin("solana", "150") + "," +
                                 coin("ripple", "0.5") + ",\"cardano\":{},\"tron\":5";
    const CryptoTable t = CryptoProvider::parse(gecko(noBtcTime), kFetched);
    EXPECT_EQ(t.providerTimestamp, 1700000020.0);
    EXPECT_EQ(t.fetchedAt, kFetched);
    EXPECT_EQ(t.source, u"CoinGecko");
    EXPECT_EQ(t.pricesUSD.size(), 5);
    EXPECT_EQ(t.pricesUSD.value(QStringLiteral("BTC")), 50000.0);

    // BTC's time wins even when it is the latest.
    const CryptoTable u = CryptoProvider::parse(gecko(fiveGeckoCoins()), kFetched);
    EXPECT_EQ(u.providerTimestamp, 1700000100.0);

    // A coin priced at 0 brings neither a price nor its (earliest) time.
    const CryptoTable v =
        CryptoProvider::parse(gecko(fiveGeckoCoins() + "," + coin("cardano", "0", "1600000000")), kFetched);
    EXPECT_FALSE(v.pricesUSD.contains(QStringLiteral("ADA")));
    EXPECT_EQ(v.providerTimestamp, 1700000100.0);
}

TEST(Providers, CoinbaseCryptoPricesAreInverted) {
    const QByteArray rates =
        "\"BTC\":\"0.00002\",\"ETH\":\"0.0004\",\"SOL\":0.01,\"DOGE\":\"10\",\"XRP\":\"2\","
        "\"ADA\":\" 1\",\"TRX\":\"0\",\"EUR\":\"0.9\"";
    const CryptoTable t = CryptoProvider::parse(coinbase(rates), kFetched);
    EXPECT_DOUBLE_EQ(t.pricesUSD.value(QStringLiteral("BTC")), 50000.0);
    EXPECT_DOUBLE_EQ(t.pricesUSD.value(QStringLiteral("SOL")), 100.0);
    EXPECT_EQ(t.pricesUSD.size(), 5);
    EXPECT_EQ(t.providerTimestamp, kFetched);
    EXPECT_EQ(t.fetchedAt, kFetched);
    EXPECT_EQ(t.source, u"Coinbase");
}

TEST(Providers, Addresses) {
    EXPECT_EQ(
        CryptoProvider::coinGeckoURL().toEncoded(),
        "https://api.coingecko.com/api/v3/simple/price?ids=bitcoin,ethereum,tether,binancecoin,solana,ripple,"
        "usd-coin,dogecoin,cardano,tron,avalanche-2,chainlink,polkadot,litecoin,bitcoin-cash,stellar,"
        "shiba-inu,the-open-network,cosmos,monero,ethereum-classic,uniswap"
        "&vs_currencies=usd&include_last_updated_at=true");
    EXPECT_EQ(RatesProvider::coinbaseURL().toEncoded(),
              "https://api.coinbase.com/v2/exchange-rates?currency=USD");
    EXPECT_EQ(CryptoProvider::coinbaseURL(), RatesProvider::coinbaseURL());
    const QUrl daily = URLSessionRatesFetcher::endpoint();
    EXPECT_EQ(daily.scheme(), u"https");
    EXPECT_EQ(daily.host(), RatesProvider::dailyLabel());
    EXPECT_EQ(daily.path(), u"/v6/latest/USD");
    EXPECT_FALSE(daily.hasQuery());
}
