#include "core/rates/RatesService.h"

#include "FakeFetchers.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <limits>

using namespace VexilCore;
using namespace FakeRates;

namespace {

QString s(const char* utf8) {
    return QString::fromUtf8(utf8);
}

class RatesStatus : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    // A service over manual fetchers; with withCrypto false there is no crypto fetcher.
    std::unique_ptr<RatesService> make(bool withCrypto) {
        fiat = std::make_shared<ManualFetcher>();
        crypto = withCrypto ? std::make_shared<ManualFetcher>() : nullptr;
        return std::make_unique<RatesService>(dir.filePath(QStringLiteral("rates.json")), fiat, crypto,
                                              [this] { return clock; });
    }

    // Takes the given tables through the cache.
    void seed(RatesService& service, std::optional<RatesTable> f, std::optional<CryptoTable> c) {
        writeCache(service.cacheURL(), std::move(f), std::move(c));
        ASSERT_TRUE(service.loadCache());
    }

    QTemporaryDir dir;
    double clock = 1'733'832'000; // 2024-12-10 12:00:00 UTC
    std::shared_ptr<ManualFetcher> fiat;
    std::shared_ptr<ManualFetcher> crypto;
};

} // namespace

TEST(RatesAges, FriendlyAge) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double seconds;
        const char* text;
    };
    const Case cases[] = {
        {-5, "just now"},     {0, "just now"},        {59, "just now"},      {59.999, "just now"},
        {60, "1 min ago"},    {119, "1 min ago"},     {120, "2 mins ago"},   {3599, "59 mins ago"},
        {3600, "1 hour ago"}, {7199, "1 hour ago"},   {7200, "2 hours ago"}, {86399, "23 hours ago"},
        {86400, "1 day ago"}, {200000, "2 days ago"}, {nan, "just now"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RatesService::friendlyAge(1e9, 1e9 + c.seconds), s(c.text)) << c.seconds;
    EXPECT_EQ(RatesService::friendlyAge(nan, 1e9), u"just now");
}

TEST(RatesAges, CompactAge) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double seconds;
        const char* text;
    };
    const Case cases[] = {
        {-30, "1m"},  {0, "1m"},      {119, "1m"},     {120, "2m"},    {3599, "59m"},
        {3600, "1h"}, {86400, "24h"}, {172799, "47h"}, {172800, "2d"}, {nan, "1m"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RatesService::age(1e9, 1e9 + c.seconds), s(c.text)) << c.seconds;
    // Far beyond any integer: still a plain count, no overflow.
    const QString huge = RatesService::age(-1e300, 1e9);
    EXPECT_TRUE(huge.endsWith(u'd'));
    EXPECT_GT(huge.size(), 290);
    EXPECT_EQ(RatesService::friendlyAge(-1e300, 1e9).right(9), u" days ago");
}

TEST_F(RatesStatus, NothingHeld) {
    auto service = make(true);
    EXPECT_EQ(service->shortStatus(), u"Rates not loaded, click to load");
    EXPECT_EQ(service->statusText(), s("No rates \u00B7 click to load"));

    service->refresh();
    EXPECT_EQ(service->shortStatus(), s("Updating rates\u2026"));
    EXPECT_EQ(service->statusText(), s("Updating rates\u2026"));
}

TEST_F(RatesStatus, Scenarios) {
    // Coinbase fiat fetched 5 minutes ago, crypto data 3 minutes old.
    {
        auto service = make(true);
        service->refresh();
        fiat->deliverLast(coinbaseBody(fiatRates(20)));
        clock += 300;
        crypto->deliverLast(geckoBody(clock - 180));
        EXPECT_EQ(service->statusText(), s("Rates \u00B7 fetched 5m ago \u00B7 crypto 3m old"));
        EXPECT_EQ(service->shortStatus(), u"Rates updated 3 mins ago");
    }
    // Fiat timed out with a daily table 26 hours old; no crypto fetcher.
    {
        auto service = make(false);
        seed(*service, fiatTable(clock - 26 * 3600, clock - 600, RatesProvider::dailyLabel()), std::nullopt);
        service->refresh();
        fiat->deliverLast(urlError(URLError::TimedOut));
        EXPECT_EQ(service->statusText(), s("Rates 26h old \u00B7 timed out \u00B7 retry"));
        EXPECT_EQ(service->shortStatus(), u"Rates updated 1 day ago");
    }
    // Nothing held, both offline.
    {
        auto service = make(true);
        service->refresh();
        fiat->deliverLast(urlError(URLError::NotConnectedToInternet));
        crypto->deliverLast(urlError(URLError::NetworkConnectionLost));
        EXPECT_EQ(service->statusText(), s("No rates \u00B7 offline \u00B7 crypto offline \u00B7 retry"));
        EXPECT_EQ(service->shortStatus(), u"Rates unavailable, click to retry");
    }
    // A fiat table held, the crypto side failed.
    {
        auto service = make(true);
        service->refresh();
        fiat->deliverLast(dailyBody(fiatRates(20), clock - 60));
        crypto->deliverLast(FetchError{kVexilRatesDomain, 502, QStringLiteral("HTTP 502")});
        EXPECT_EQ(service->statusText(), s("Rates \u00B7 1m old \u00B7 crypto http 502 \u00B7 retry"));
    }
    // Both tables held, the crypto side failed: both crypto parts, one retry.
    {
        auto service = make(true);
        seed(*service, std::nullopt, cryptoTable(clock - 120, clock - 60, QStringLiteral("CoinGecko")));
        service->refresh();
        fiat->deliverLast(dailyBody(fiatRates(20), clock - 7200));
        crypto->deliverLast(urlError(URLError::CannotFindHost));
        EXPECT_EQ(
            service->statusText(),
            s("Rates \u00B7 2h old \u00B7 crypto 2m old \u00B7 crypto can't reach server \u00B7 retry"));
        // The fiat side fails too: its reason, and still a single retry.
        service->refresh();
        crypto->deliverLast(urlError(URLError::CannotFindHost));
        fiat->deliverLast(FetchError{kVexilRatesDomain, 1, QStringLiteral("\u0130X Fehler")});
        EXPECT_EQ(service->statusText(), s("Rates 2h old \u00B7 i\u0307x fehler \u00B7 crypto 2m old \u00B7 "
                                           "crypto can't reach server \u00B7 retry"));
    }
}

TEST_F(RatesStatus, CryptoPart) {
    // A crypto fetcher but no crypto table yet.
    auto service = make(true);
    seed(*service, fiatTable(clock - 7200, clock, std::nullopt), std::nullopt);
    EXPECT_EQ(service->statusText(), s("Rates \u00B7 2h old \u00B7 no crypto"));

    // No crypto fetcher, no crypto table: no crypto part.
    auto plain = make(false);
    seed(*plain, fiatTable(clock - 7200, clock, std::nullopt), std::nullopt);
    EXPECT_EQ(plain->statusText(), s("Rates \u00B7 2h old"));

    // A crypto table from the cache counts even without a fetcher.
    auto cached = make(false);
    seed(*cached, std::nullopt, cryptoTable(clock - 600, clock, QStringLiteral("Coinbase")));
    EXPECT_EQ(cached->statusText(), s("No rates \u00B7 crypto 10m old"));
    EXPECT_EQ(cached->shortStatus(), u"Rates updated 10 mins ago");
    EXPECT_TRUE(cached->tooltip().contains(u"\nCrypto (22 coins)"));

    // Nothing held, fiat idle, crypto failed.
    auto onlyCrypto = make(true);
    onlyCrypto->refresh();
    crypto->deliverLast(urlError(URLError::TimedOut));
    fiat->deliverLast(dailyBody(fiatRates(5))); // unusable: fiat fails
    EXPECT_EQ(onlyCrypto->statusText(),
              s("No rates \u00B7 invalid rate values \u00B7 crypto timed out \u00B7 retry"));
}

TEST_F(RatesStatus, FutureTimeStamp) {
    auto service = make(false);
    seed(*service, fiatTable(clock + 5000, clock, RatesProvider::dailyLabel()), std::nullopt);
    EXPECT_EQ(service->shortStatus(), u"Rates updated just now");
    EXPECT_EQ(service->statusText(), s("Rates \u00B7 1m old"));
}

TEST_F(RatesStatus, Tooltip) {
    const QString head =
        s("Indicative rates. Not for accounting or trading.\nFiat: Coinbase (near real-time), ") +
        RatesProvider::dailyLabel() + s(" (daily) as fallback");
    const QString tail =
        s("\nRefreshes on launch, hourly, and when clicked. Only plain requests for USD prices are sent.");
    const QString cryptoLine = s("\nCrypto (22 coins): CoinGecko, Coinbase as fallback");

    auto bare = make(false);
    EXPECT_EQ(bare->tooltip(), head + tail);
    auto withCrypto = make(true);
    EXPECT_EQ(withCrypto->tooltip(), head + cryptoLine + tail);

    // 2024-12-10 12:00 UTC; the zone of the test run is UTC.
    auto coinbase = make(true);
    seed(*coinbase, fiatTable(clock - 60, clock, QStringLiteral("Coinbase")),
         cryptoTable(clock - 3600, clock, QStringLiteral("CoinGecko")));
    const QString noon = s("Dec 10, 2024 12:00 PM");
    const QString eleven = s("Dec 10, 2024 11:00 AM");
    EXPECT_EQ(coinbase->tooltip(), head + s(". From Coinbase, fetched ") + noon +
                                       s(" (Coinbase gives no data time)") + cryptoLine +
                                       s(". From CoinGecko, data time ") + eleven + tail);

    auto daily = make(false);
    seed(*daily, fiatTable(clock - 3600, clock, std::nullopt),
         cryptoTable(clock, clock, QStringLiteral("Coinbase")));
    EXPECT_EQ(daily->tooltip(), head + s(". From ") + RatesProvider::dailyLabel() + s(", data time ") +
                                    eleven + cryptoLine + s(". From Coinbase, data time ") + noon +
                                    s(" (Coinbase gives no data time; fetch time shown)") + tail);

    // A hand-edited time far out of range still gives a text.
    auto absurd = make(false);
    seed(*absurd, fiatTable(-1e300, clock, QStringLiteral("elsewhere")), std::nullopt);
    EXPECT_TRUE(absurd->tooltip().contains(u". From elsewhere, data time "));
}

// The tooltip's time stamps follow the locale's own order of day, month and year.
TEST_F(RatesStatus, TooltipDatesInLocales) {
    struct Case {
        QLocale locale;
        const char* shown;
    };
    const Case cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), "Dec 10, 2024 12:00 PM"},
        {QLocale(QLocale::English, QLocale::UnitedKingdom), "10 Dec 2024 12:00"},
        {QLocale(QLocale::German, QLocale::Germany), "10. Dez. 2024 12:00"},
    };
    auto service = make(false);
    seed(*service, fiatTable(clock, clock, QStringLiteral("elsewhere")), std::nullopt);
    const QString before = s(", data time ");
    for (const Case& c : cases) {
        QLocale::setDefault(c.locale);
        const QString tip = service->tooltip();
        const qsizetype from = tip.indexOf(before) + before.size();
        EXPECT_EQ(tip.mid(from, tip.indexOf(u'\n', from) - from).toStdString(), c.shown)
            << c.locale.name().toStdString();
    }
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}
