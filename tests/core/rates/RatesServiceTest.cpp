#include "core/rates/RatesService.h"
#include "core/values/Units.h"

#include "FakeFetchers.h"
#include "tests/support/QtPrinters.h"
#include "WaitFor.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using namespace VexilCore;
using namespace FakeRates;
using State = RatesService::State;

namespace {

class RatesServiceTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    std::unique_ptr<RatesService> make(std::shared_ptr<RatesFetching> fiat,
                                       std::shared_ptr<RatesFetching> crypto = nullptr) {
        auto service = std::make_unique<RatesService>(cachePath, std::move(fiat), std::move(crypto),
                                                      [this] { return clock; });
        service->onChange = [this] { ++changes; };
        return service;
    }

    QTemporaryDir dir;
    const QString cachePath = dir.filePath(QStringLiteral("nested/folder/rates.json"));
    double clock = 1'700'000'600;
    int changes = 0;
};

// A three-letter code that neither the vocabulary nor the unit registry knows yet.
QString unknownCode(const QString& besides = {}) {
    for (char x = 'A'; x <= 'Z'; ++x)
        for (char y = 'A'; y <= 'Z'; ++y) {
            const QString code = QStringLiteral("Q") + QChar(x) + QChar(y);
            if (code != besides && !Currencies::isKnown(code) && !Units::byId().contains(code)) return code;
        }
    return {};
}

} // namespace

TEST_F(RatesServiceTest, StartsEmptyAndIdle) {
    auto fiat = std::make_shared<ManualFetcher>();
    auto s = make(fiat);
    EXPECT_FALSE(s->table() || s->crypto());
    EXPECT_EQ(s->state(), State::idle());
    EXPECT_EQ(s->cryptoState(), State::idle());
    EXPECT_FALSE(s->isRefreshing());
    EXPECT_EQ(fiat->calls(), 0);
    EXPECT_FALSE(QFileInfo::exists(cachePath));
}

TEST_F(RatesServiceTest, RefreshStartsOnlyIdleSides) {
    auto fiat = std::make_shared<ManualFetcher>();
    auto crypto = std::make_shared<ManualFetcher>();
    auto s = make(fiat, crypto);
    EXPECT_TRUE(s->refresh());
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(s->isRefreshing());
    EXPECT_FALSE(s->refresh()); // both running: nothing new
    EXPECT_EQ(fiat->calls(), 1);
    EXPECT_EQ(crypto->calls(), 1);
    EXPECT_EQ(changes, 1);

    crypto->deliverLast(geckoBody());
    EXPECT_EQ(s->cryptoState(), State::idle());
    EXPECT_EQ(changes, 2);
    EXPECT_TRUE(s->refresh()); // the crypto side only
    EXPECT_EQ(fiat->calls(), 1);
    EXPECT_EQ(crypto->calls(), 2);
    EXPECT_EQ(changes, 3);
}

TEST_F(RatesServiceTest, StaleAndUnexpectedDeliveriesAreDropped) {
    auto fiat = std::make_shared<ManualFetcher>();
    auto s = make(fiat);
    s->refresh();
    fiat->deliver(0, urlError(URLError::TimedOut));
    EXPECT_EQ(s->state(), State::failed(QStringLiteral("Timed out")));
    const int afterFirst = changes;

    // Delivered again while not refreshing: ignored.
    fiat->deliver(0, dailyBody(fiatRates(20)));
    EXPECT_EQ(s->state(), State::failed(QStringLiteral("Timed out")));
    EXPECT_FALSE(s->table());
    EXPECT_EQ(changes, afterFirst);

    // An older generation while a newer fetch runs: ignored.
    s->refresh();
    fiat->deliver(0, dailyBody(fiatRates(20)));
    EXPECT_EQ(s->state(), State::refreshing());
    EXPECT_FALSE(s->table());
    EXPECT_EQ(changes, afterFirst + 1);

    fiat->deliver(1, dailyBody(fiatRates(20)));
    EXPECT_EQ(s->state(), State::idle());
    EXPECT_TRUE(s->table());
    EXPECT_EQ(changes, afterFirst + 2);
}

TEST_F(RatesServiceTest, SynchronousFailureIsAlreadyRecorded) {
    auto offline =
        std::make_shared<ImmediateFetcher>(FetchError{kVexilRatesDomain, 0, QStringLiteral("Offline mode")});
    auto s = make(offline);
    EXPECT_TRUE(s->refresh());
    EXPECT_EQ(s->state(), State::failed(QStringLiteral("Offline mode")));
    EXPECT_EQ(changes, 2); // the delivery, then the refresh itself
    EXPECT_EQ(s->shortStatus(), u"Rates unavailable, click to retry");

    // Again: the side had failed, so it starts once more.
    EXPECT_TRUE(s->refresh());
    EXPECT_EQ(offline->calls, 2);
}

TEST_F(RatesServiceTest, FailuresAndParseErrorsKeepTheOldTable) {
    auto fiat = std::make_shared<ManualFetcher>();
    auto crypto = std::make_shared<ManualFetcher>();
    auto s = make(fiat, crypto);
    s->refresh();
    fiat->deliverLast(dailyBody(fiatRates(25)));
    crypto->deliverLast(geckoBody());
    const auto table = s->table();
    const auto coins = s->crypto();
    ASSERT_TRUE(table && coins);

    s->refresh();
    fiat->deliverLast(QByteArray("[]"));
    crypto->deliverLast(QByteArray("{\"data\":{\"currency\":\"EUR\",\"rates\":{}}}"));
    EXPECT_EQ(s->state(), State::failed(QStringLiteral("Unreadable response")));
    EXPECT_EQ(s->cryptoState(), State::failed(QStringLiteral("Unexpected base EUR")));
    EXPECT_EQ(s->table(), table);
    EXPECT_EQ(s->crypto(), coins);

    s->refresh();
    fiat->deliverLast(FetchError{kVexilRatesDomain, 503, QStringLiteral("HTTP 503")});
    crypto->deliverLast(urlError(URLError::CannotFindHost));
    EXPECT_EQ(s->state(), State::failed(QStringLiteral("HTTP 503")));
    EXPECT_EQ(s->cryptoState(), State::failed(QStringLiteral("Can't reach server")));
    EXPECT_EQ(s->table(), table);
}

TEST_F(RatesServiceTest, DeliveryFromAnotherThread) {
    auto fiat = std::make_shared<ThreadFetcher>(dailyBody(fiatRates(20)));
    auto crypto = std::make_shared<ThreadFetcher>(geckoBody());
    auto s = make(fiat, crypto);
    EXPECT_TRUE(s->refresh());
    ASSERT_TRUE(waitFor([&] { return !s->isRefreshing(); }));
    EXPECT_EQ(s->state(), State::idle());
    EXPECT_EQ(s->cryptoState(), State::idle());
    EXPECT_TRUE(s->table() && s->crypto());
    EXPECT_EQ(s->table()->fetchedAt, clock);
}

TEST_F(RatesServiceTest, ReleasedServiceDropsDeliveries) {
    auto fiat = std::make_shared<ManualFetcher>();
    auto threaded = std::make_shared<ThreadFetcher>(dailyBody(fiatRates(20)));
    {
        auto s = make(fiat, threaded);
        s->refresh();
        threaded->join(); // its delivery is queued for the main thread
    }
    fiat->deliverLast(dailyBody(fiatRates(20)));
    waitFor([] { return false; }, 50); // runs the queued delivery
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(QFileInfo::exists(cachePath));
}

TEST_F(RatesServiceTest, CoinbaseTableIsMergedIntoTheHeldOne) {
    auto fiat = std::make_shared<ManualFetcher>();
    auto s = make(fiat);
    // The daily service lists codes Coinbase does not (made-up ones here, learnt for the run).
    QStringList dailyOnly;
    for (char c = 'A'; c <= 'J'; ++c)
        dailyOnly << QStringLiteral("QM") + QChar(c);
    const QMap<QString, double> daily = fiatRates(150, dailyOnly), coinbase = fiatRates(150, {}, 4);
    s->refresh();
    fiat->deliverLast(dailyBody(daily));
    ASSERT_EQ(s->table()->rates.size(), 160);

    clock += 60;
    s->refresh();
    fiat->deliverLast(coinbaseBody(coinbase));
    const RatesTable merged = *s->table();
    EXPECT_EQ(merged.rates.size(), 160);
    EXPECT_EQ(merged.source, u"Coinbase");
    EXPECT_EQ(merged.providerTimestamp, clock);
    for (auto it = daily.cbegin(); it != daily.cend(); ++it) {
        const double expected = coinbase.contains(it.key()) ? coinbase.value(it.key()) : it.value();
        EXPECT_EQ(merged.rates.value(it.key()), expected) << it.key().toStdString();
    }

    // A daily table replaces a Coinbase one without merging.
    s->refresh();
    fiat->deliverLast(dailyBody(fiatRates(30)));
    EXPECT_EQ(s->table()->rates.size(), 30);
    EXPECT_EQ(s->table()->source, RatesProvider::dailyLabel());

    // With nothing held there is nothing to merge.
    auto fresh = make(std::make_shared<ImmediateFetcher>(coinbaseBody(fiatRates(25))));
    fresh->refresh();
    EXPECT_EQ(fresh->table()->rates.size(), 25);
}

TEST_F(RatesServiceTest, LearnsNewCodesFromRefreshAndCache) {
    // Made-up codes not yet learnt: the learnt set only grows during the run.
    const QString a = unknownCode(), b = unknownCode(a);
    ASSERT_FALSE(a.isEmpty() || b.isEmpty());
    auto fiat = std::make_shared<ManualFetcher>();
    auto s = make(fiat);
    s->refresh();
    fiat->deliverLast(dailyBody(fiatRates(20, {a})));
    EXPECT_TRUE(Currencies::dynamicCodes().contains(a));
    EXPECT_TRUE(Units::byId().contains(a));
    EXPECT_TRUE(Units::lookupWord(a).has_value());
    EXPECT_FALSE(Currencies::dynamicCodes().contains(QStringLiteral("EUR")));

    // Still known after a table without it.
    s->refresh();
    fiat->deliverLast(dailyBody(fiatRates(20)));
    EXPECT_TRUE(Currencies::isKnown(a));

    RatesTable cached = fiatTable(1700000000, 1700000000, RatesProvider::dailyLabel());
    cached.rates.insert(b, 7);
    writeCache(cachePath, cached, std::nullopt);
    auto t = make(std::make_shared<ManualFetcher>());
    EXPECT_TRUE(t->loadCache());
    EXPECT_TRUE(Currencies::isKnown(b));
    EXPECT_TRUE(Units::byId().contains(b));
}

TEST_F(RatesServiceTest, SavedCacheIsCompactSortedAndRoundTrips) {
    // A fiat table without source can only come from an older cache.
    QDir().mkpath(QFileInfo(cachePath).absolutePath());
    writeFile(cachePath, QJsonDocument(*fiatTable(1700000000.125, 1700000001.5, std::nullopt).toJson())
                             .toJson(QJsonDocument::Compact));
    auto crypto = std::make_shared<ManualFetcher>();
    auto s = make(std::make_shared<ManualFetcher>(), crypto);
    ASSERT_TRUE(s->loadCache());
    ASSERT_TRUE(s->table().has_value());
    EXPECT_FALSE(s->table()->source.has_value());

    s->refresh();
    crypto->deliverLast(geckoBody(1700000000.25));
    const QByteArray bytes = readFile(cachePath);
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_FALSE(bytes.contains(' ') || bytes.contains('\n'));
    EXPECT_FALSE(bytes.contains("\"source\":null"));
    EXPECT_TRUE(bytes.startsWith("{\"crypto\":{\"fetchedAt\":"));
    const QList<QByteArray> order = {"\"crypto\"",
                                     "\"pricesUSD\"",
                                     "\"BTC\"",
                                     "\"ETH\"",
                                     "\"providerTimestamp\"",
                                     "\"source\":\"CoinGecko\"",
                                     "\"fiat\"",
                                     "\"base\"",
                                     "\"fetchedAt\"",
                                     "\"providerTimestamp\"",
                                     "\"rates\"",
                                     "\"AED\"",
                                     "\"USD\""};
    qsizetype at = 0;
    for (const QByteArray& key : order) {
        const qsizetype next = bytes.indexOf(key, at);
        EXPECT_GT(next, at - 1) << key.constData() << " in " << bytes.constData();
        at = next;
    }
    const QByteArray fiatPart = bytes.mid(bytes.indexOf("\"fiat\""));
    EXPECT_FALSE(fiatPart.contains("\"source\""));

    // Read back by a new service: the same tables, times exact.
    auto t = make(std::make_shared<ManualFetcher>());
    ASSERT_TRUE(t->loadCache());
    EXPECT_EQ(t->table(), s->table());
    EXPECT_EQ(t->crypto(), s->crypto());
    EXPECT_EQ(t->crypto()->providerTimestamp, 1700000000.25);
}

TEST_F(RatesServiceTest, LoadCacheCases) {
    const RatesTable fiat = fiatTable(1700000000, 1700000100, QStringLiteral("Coinbase"));
    const CryptoTable coins = cryptoTable(1700000000, 1700000100, QStringLiteral("CoinGecko"));
    const QByteArray fiatJson = QJsonDocument(*fiat.toJson()).toJson(QJsonDocument::Compact);
    const QByteArray coinsJson = QJsonDocument(*coins.toJson()).toJson(QJsonDocument::Compact);
    QByteArray noSource = coinsJson;
    noSource.replace(",\"source\":\"CoinGecko\"", "");
    const QByteArray invalidFiat = QJsonDocument(*fiatTable(1, 1, std::nullopt, 19).toJson()).toJson();
    QByteArray fewCoins = coinsJson;
    fewCoins.replace("\"ADA\":0.4,", "");

    struct Case {
        const char* what;
        QByteArray bytes;
        bool loaded, hasFiat, hasCrypto;
    };
    const Case cases[] = {
        {"fiat only", "{\"fiat\":" + fiatJson + "}", true, true, false},
        {"crypto only", "{\"crypto\":" + coinsJson + "}", true, false, true},
        {"both, fiat first, unknown keys",
         "{\"fiat\":" + fiatJson + ",\"extra\":[1],\"crypto\":" + coinsJson + "}", true, true, true},
        {"older format: a bare fiat table", fiatJson, true, true, false},
        {"invalid fiat, no crypto", "{\"fiat\":" + invalidFiat + "}", false, false, false},
        {"invalid crypto is skipped", "{\"fiat\":" + fiatJson + ",\"crypto\":" + fewCoins + "}", true, true,
         false},
        {"crypto without source fails everything", "{\"fiat\":" + fiatJson + ",\"crypto\":" + noSource + "}",
         false, false, false},
        {"fiat time as a string",
         "{\"fiat\":" + QByteArray(fiatJson).replace("\"fetchedAt\":1700000100", "\"fetchedAt\":\"x\"") + "}",
         false, false, false},
        {"empty object", "{}", false, false, false},
        {"both null", "{\"fiat\":null,\"crypto\":null}", false, false, false},
        {"null fiat, valid crypto", "{\"fiat\":null,\"crypto\":" + coinsJson + "}", true, false, true},
        {"corrupt", "{\"fiat\":{\"base\":", false, false, false},
        {"empty file", "", false, false, false},
        {"array", "[" + fiatJson + "]", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir().mkpath(QFileInfo(cachePath).absolutePath());
        writeFile(cachePath, c.bytes);
        changes = 0;
        auto s = make(std::make_shared<ManualFetcher>());
        EXPECT_EQ(s->loadCache(), c.loaded);
        EXPECT_EQ(s->table().has_value(), c.hasFiat);
        EXPECT_EQ(s->crypto().has_value(), c.hasCrypto);
        EXPECT_EQ(changes, c.loaded ? 1 : 0);
        EXPECT_EQ(s->state(), State::idle());
        EXPECT_EQ(readFile(cachePath), c.bytes); // loading never rewrites the file
    }

    // Missing file; a folder in the file's place.
    RatesService missing(dir.filePath(QStringLiteral("none.json")), std::make_shared<ManualFetcher>());
    EXPECT_FALSE(missing.loadCache());
    QDir().mkpath(dir.filePath(QStringLiteral("folder.json")));
    RatesService folder(dir.filePath(QStringLiteral("folder.json")), std::make_shared<ManualFetcher>());
    EXPECT_FALSE(folder.loadCache());
}

TEST_F(RatesServiceTest, CacheWriteFailureIsSilent) {
    // The cache's folder cannot be made: a plain file stands in its way.
    writeFile(dir.filePath(QStringLiteral("blocker")), "x");
    RatesService s(dir.filePath(QStringLiteral("blocker/rates.json")),
                   std::make_shared<ImmediateFetcher>(dailyBody(fiatRates(20))));
    EXPECT_TRUE(s.refresh());
    EXPECT_EQ(s.state(), State::idle());
    EXPECT_TRUE(s.table().has_value());
}

TEST(RatesCacheFile, EncodeRefusesNonFiniteNumbers) {
    RatesTable fiat = FakeRates::fiatTable(1700000000, 1700000000, std::nullopt);
    EXPECT_TRUE(RatesCacheFile({fiat, std::nullopt}).encode().has_value());
    fiat.rates.insert(QStringLiteral("EUR"), std::numeric_limits<double>::infinity());
    EXPECT_FALSE(RatesCacheFile({fiat, std::nullopt}).encode().has_value());
    CryptoTable coins =
        FakeRates::cryptoTable(1700000000, std::numeric_limits<double>::quiet_NaN(), "CoinGecko");
    EXPECT_FALSE(RatesCacheFile({std::nullopt, coins}).encode().has_value());
    EXPECT_EQ(RatesCacheFile{}.encode(), QByteArray("{}"));
}
