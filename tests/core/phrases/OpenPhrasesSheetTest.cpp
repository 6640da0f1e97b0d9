#include "core/document/Document.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QTimeZone>

#include <string>

// The help examples and the snapshot sample sheet, evaluated as whole sheets with fixed rates,
// date, zone and locale.

using namespace VexilCore;

namespace {

// Saturday 2024-06-15 12:00 in Lisbon.
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

std::string describe(const LineOutcome& o) {
    switch (o.kind) {
    case LineOutcome::Kind::Value:
        return "value";
    case LineOutcome::Kind::Error:
        return "error: " + o.message.value_or(QString()).toStdString();
    case LineOutcome::Kind::Blank:
        return "blank";
    case LineOutcome::Kind::Heading:
        return "heading";
    case LineOutcome::Kind::Comment:
        return "comment";
    case LineOutcome::Kind::Text:
        return "text";
    }
    return "?";
}

double number(const LineOutcome& o) {
    const Quantity* q = o.value ? asQuantity(*o.value) : nullptr;
    return q ? q->value : -1;
}

TEST(OpenPhrasesSheet, EveryHelpExampleHasAValue) {
    // Each example on its own line, the two variable lines in order.
    const QStringList lines = {
        QStringLiteral("48 \u00F7 6 + 2^3"),
        QStringLiteral("17 mod 4"),
        QStringLiteral("\u221A81"),
        QStringLiteral("15% of 80"),
        QStringLiteral("15% off $80"),
        QStringLiteral("12 is what % of 48"),
        QStringLiteral("hourly rate = $65"),
        QStringLiteral("hourly rate \u00D7 38"),
        QStringLiteral("750 g to lb"),
        QStringLiteral("6 ft 2 in to cm"),
        QStringLiteral("36 px to pt"),
        QStringLiteral("March 3 + 45 days"),
        QStringLiteral("days until Nov 27"),
        QStringLiteral("today + 10 workdays"),
        QStringLiteral("9:15 AM to 5:40 PM in hours"),
        QStringLiteral("7pm Berlin in Singapore"),
        QStringLiteral("\u20AC250 to JPY"),
        QStringLiteral("0.2 ETH in AUD"),
        QStringLiteral("2 BTC + $500"),
        QStringLiteral("$5,000 after 10 years at 4%"),
        QStringLiteral("gain from $800 to $1,000"),
        QStringLiteral("loan payment on $18k over 4 years at 5.5%"),
        QStringLiteral("4095 as hex"),
        QStringLiteral("2/7 to 3 dp"),
        QStringLiteral("1,234 to nearest 100"),
    };
    const QList<LineOutcome> out = DocumentEvaluator(sheetContext()).evaluate(lines.join(u'\n'));
    ASSERT_EQ(out.size(), lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i)
        EXPECT_EQ(describe(out[i]), "value") << lines[i].toStdString();

    // The lines of the open phrases, checked by hand.
    EXPECT_EQ(number(out[12]), 165);                               // Jun 15 to Nov 27
    EXPECT_NEAR(number(out[14]), 8 + 25.0 / 60, 1e-12);            // 8 h 25 min
    EXPECT_NEAR(number(out[19]), 5000 * std::pow(1.04, 10), 1e-9); // 7,401.22
    EXPECT_NEAR(number(out[20]), 0.25, 1e-12);
    EXPECT_NEAR(number(out[21]), 418.6165540903775, 1e-9);
}

TEST(OpenPhrasesSheet, TheSnapshotSampleSheet) {
    const QString sample = QStringLiteral("# Weekend in Lisbon\n"
                                          "Tibo: 688+999+1000\n"
                                          "Maro: 24+65+88\n"
                                          "Total\n"
                                          "Average\n"
                                          "\n"
                                          "300ml to fl oz\n"
                                          "500 x line2\n"
                                          "$1,200 to EUR   // indicative\n"
                                          "0.05 BTC in EUR\n"
                                          "June 4 + 18 days\n"
                                          "6pm Lisbon in Tokyo\n"
                                          "15% off $240\n"
                                          "loan payment on $25k over 5 years at 6%\n"
                                          "300ml to oz");
    const QList<LineOutcome> out = DocumentEvaluator(sheetContext()).evaluate(sample);
    ASSERT_EQ(out.size(), 15);
    EXPECT_EQ(describe(out[0]), "heading");
    EXPECT_EQ(describe(out[5]), "blank");
    for (int i : {1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 13})
        EXPECT_EQ(describe(out[i]), "value") << "line " << i + 1;
    EXPECT_EQ(describe(out[14]), "error: Can't convert volume to mass. Use fl oz");

    const double i = 0.06 / 12;
    EXPECT_NEAR(number(out[13]), 25000 * i / (1 - std::pow(1 + i, -60)), 1e-9); // 483.32
    EXPECT_NEAR(number(out[8]), 1200 * 0.9187, 1e-9);
}

TEST(OpenPhrasesSheet, PhraseExamplesOfTheLanguage) {
    const QStringList lines = {
        QStringLiteral("square root of 16"),   QStringLiteral("log 8 base 2"),
        QStringLiteral("half of 30"),          QStringLiteral("midpoint of 2 and 8"),
        QStringLiteral("remainder of 17 / 5"), QStringLiteral("10pm to 2am"),
        QStringLiteral("Jan 1 to Dec 25"),     QStringLiteral("20% of 250"),
        QStringLiteral("1000mg to g"),         QStringLiteral("June 4 + 18 days"),
        QStringLiteral("$30 to EUR"),
    };
    const QList<LineOutcome> out = DocumentEvaluator(sheetContext()).evaluate(lines.join(u'\n'));
    ASSERT_EQ(out.size(), lines.size());
    for (qsizetype k = 0; k < lines.size(); ++k)
        EXPECT_EQ(describe(out[k]), "value") << lines[k].toStdString();
    const double expected[] = {4, 3, 15, 5, 2, 4, 359};
    for (int k = 0; k < 7; ++k)
        EXPECT_NEAR(number(out[k]), expected[k], 1e-12) << lines[k].toStdString();
}

} // namespace
