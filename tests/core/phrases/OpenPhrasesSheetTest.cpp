#include "tests/support/Sheets.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QTimeZone>

// Open phrases in whole sheets with fixed rates, date, zone and locale.

using namespace VexilCore;

namespace {

// Saturday 2024-06-15 12:00 in Lisbon, with a day's fiat rates and crypto prices.
EvalContext sheetContext() {
    const double now =
        double(QDateTime(QDate(2024, 6, 15), QTime(11, 0), QTimeZone::utc()).toSecsSinceEpoch());
    RatesTable fiat;
    fiat.base = QStringLiteral("USD");
    fiat.providerTimestamp = now - 7500;
    fiat.fetchedAt = now - 600;
    fiat.source = QStringLiteral("open.er-api.com");
    const std::pair<const char*, double> rates[] = {
        {"USD", 1.0},    {"EUR", 0.9187}, {"GBP", 0.7712}, {"JPY", 151.2}, {"CHF", 0.8811}, {"CAD", 1.3702},
        {"AUD", 1.5233}, {"INR", 83.4},   {"CNY", 7.21},   {"MXN", 18.1},  {"BRL", 5.02},   {"SEK", 10.6},
        {"NOK", 10.8},   {"DKK", 6.86},   {"PLN", 3.98},   {"HKD", 7.8},   {"SGD", 1.35},   {"NZD", 1.66},
        {"ZAR", 18.4},   {"KRW", 1352.0}, {"CUP", 24.0}};
    for (const auto& [code, rate] : rates)
        fiat.rates.insert(QString::fromLatin1(code), rate);
    CryptoTable crypto;
    crypto.providerTimestamp = now - 90;
    crypto.fetchedAt = now - 60;
    crypto.source = QStringLiteral("CoinGecko");
    const std::pair<const char*, double> prices[] = {{"BTC", 83600.0}, {"ETH", 2518.0}, {"SOL", 108.0},
                                                     {"DOGE", 0.085},  {"USDT", 1.0},   {"XRP", 1.38}};
    for (const auto& [code, price] : prices)
        crypto.pricesUSD.insert(QString::fromLatin1(code), price);
    return EvalContext::make(CalendarCtx{QTimeZone(QByteArrayLiteral("Europe/Lisbon")),
                                         QLocale(QLocale::English, QLocale::UnitedStates)},
                             now, fiat, crypto, 16, true);
}

QList<LineOutcome> check(const QList<Sheets::Row>& rows) {
    return Sheets::check(rows, sheetContext(), Sheets::Values::Exact);
}

TEST(OpenPhrasesSheet, MoneyTimeAndDatePhrases) {
    check({
        {"days until Nov 27", "= 165 days"},                          // Jun 15 to Nov 27
        {"9:15 AM to 5:40 PM in hours", "= 8.416666666666666 hours"}, // 8 h 25 min
        {"$5,000 after 10 years at 4%", "= 7401.221424591719 USD"},   // 5000 × 1.04^10
        {"gain from $800 to $1,000", "= 0.25 [percent]"},
        {"loan payment on $18k over 4 years at 5.5%", "= 418.6165540903775 USD"},
        // P·i / (1 − (1 + i)^−n) with i = 6% / 12 and n = 60.
        {"loan payment on $25k over 5 years at 6%", "= 483.32003823569795 USD"},
        {"$1,200 to EUR   // indicative", "= 1102.4399999999998 EUR"}, // 1200 × 0.9187
    });
}

TEST(OpenPhrasesSheet, PhraseExamplesOfTheLanguage) {
    check({
        {"square root of 16", "= 4"},
        {"log 8 base 2", "= 3"},
        {"half of 30", "= 15"},
        {"midpoint of 2 and 8", "= 5"},
        {"remainder of 17 / 5", "= 2"},
        {"10pm to 2am", "= 4 hours"},
        {"Jan 1 to Dec 25", "= 359 days"},
        {"20% of 250", "= 50"},
        {"1000mg to g", "= 1 g"},
        {"June 4 + 18 days", "= date 2024-06-22"},
        {"$30 to EUR", "= 27.560999999999996 EUR"},
    });
}

} // namespace
