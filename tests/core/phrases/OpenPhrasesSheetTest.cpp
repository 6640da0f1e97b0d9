#include "tests/support/Sheets.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QTimeZone>

// Open phrases in whole sheets with fixed rates, date, zone and locale.

using namespace VexilCore;

namespace {

// Saturday 2024-06-15 12:00 in Lisbon, with a euro rate.
EvalContext sheetContext() {
    const double now =
        double(QDateTime(QDate(2024, 6, 15), QTime(11, 0), QTimeZone::utc()).toSecsSinceEpoch());
    RatesTable fiat;
    fiat.base = QStringLiteral("USD");
    fiat.rates = {{QStringLiteral("USD"), 1.0}, {QStringLiteral("EUR"), 0.9187}};
    return EvalContext::make(CalendarCtx{QTimeZone(QByteArrayLiteral("Europe/Lisbon")),
                                         QLocale(QLocale::English, QLocale::UnitedStates)},
                             now, fiat, std::nullopt, 16, true);
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
