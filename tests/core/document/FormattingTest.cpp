#include "core/document/Formatting.h"
#include "core/values/Units.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

using namespace VexilCore;

namespace {

const QLocale enUS(QLocale::English, QLocale::UnitedStates);
const QLocale enGB(QLocale::English, QLocale::UnitedKingdom);
const QLocale deDE(QLocale::German, QLocale::Germany);

ResultFormatter formatter(int decimals, QLocale locale = enUS, QTimeZone zone = QTimeZone::utc()) {
    return ResultFormatter(decimals, 2, 8, locale, CalendarCtx{zone, locale});
}

// Test tables write the minus sign as "-"; the formatter must print U+2212 for it.
QString minus(const char* s) {
    return QString::fromUtf8(s).replace(u'-', QChar(0x2212));
}

Quantity q(double v, const char* unitId = nullptr, DisplayStyle style = {}) {
    CompoundUnit u = unitId ? CompoundUnit(Units::unit(QString::fromUtf8(unitId))) : CompoundUnit::none();
    return Quantity(v, u, style);
}

struct NumberCase {
    int decimals;
    double x;
    const char* text;
};

} // namespace

TEST(ResultFormatterNumber, Table) {
    const NumberCase cases[] = {
        {8, 0, "0"},
        {8, -0.0, "0"},
        {2, -0.001, "0"},
        {2, 1234567.891, "1,234,567.89"},
        {0, -1234.5, "-1,235"},
        {8, 999999999999999, "999,999,999,999,999"},
        {8, 1e15, "1e15"},
        {4, 0.00004, "4e-5"},
        {4, 0.00006, "0.0001"},
        {0, 0.5, "1"},
        {0, -0.5, "-1"},
        {1, 0.25, "0.3"},
        // Half away from zero on the shortest decimal, not on the binary value.
        {2, 1.005, "1.01"},
        {2, 2.675, "2.68"},
        {2, -2.675, "-2.68"},
        {8, 123456789012.34567, "123,456,789,012.34567"},
        {2, 0.00001, "1e-5"},
        {12, 0.00001, "0.00001"},
        {6, 1.234567e-7, "1.234567e-7"},
        {10, 1.234567e-7, "0.0000001235"},
        {0, 3e-5, "3e-5"},
        {2, 9.999, "10"},
        {2, 999.999, "1,000"},
        {0, 999999.5, "1,000,000"},
        {8, 100, "100"},
        {8, 1000, "1,000"},
        {8, 12345.5, "12,345.5"},
        {8, -0.1, "-0.1"},
        {8, 0.1 + 0.2, "0.3"},
        {12, 0.1 + 0.2, "0.3"},
        {8, 1.0 / 3, "0.33333333"},
        {8, 0.0001, "0.0001"},
        // Unclamped fields: a negative count means no fraction, a huge one runs out of digits.
        {-3, 12.7, "13"},
        {40, 0.1, "0.1"},
        {INT_MAX, 2.5, "2.5"},
        {INT_MIN, 2.5, "3"},
    };
    for (const NumberCase& c : cases) {
        ResultFormatter f = formatter(0);
        f.maxDecimals = c.decimals;
        EXPECT_EQ(f.number(c.x), minus(c.text)) << c.x << " at " << c.decimals;
    }
}

TEST(ResultFormatterNumber, EveryDecimalsSetting) {
    const char* thirds[] = {"1",
                            "0.7",
                            "0.67",
                            "0.667",
                            "0.6667",
                            "0.66667",
                            "0.666667",
                            "0.6666667",
                            "0.66666667",
                            "0.666666667",
                            "0.6666666667",
                            "0.66666666667",
                            "0.666666666667"};
    const char* pis[] = {"-3",
                         "-3.1",
                         "-3.14",
                         "-3.142",
                         "-3.1416",
                         "-3.14159",
                         "-3.141593",
                         "-3.1415927",
                         "-3.14159265",
                         "-3.141592654",
                         "-3.1415926536",
                         "-3.14159265359",
                         "-3.14159265359"};
    for (int d = 0; d <= 12; ++d) {
        EXPECT_EQ(formatter(d).number(2.0 / 3), minus(thirds[d])) << d;
        EXPECT_EQ(formatter(d).number(-M_PI), minus(pis[d])) << d;
    }
}

TEST(ResultFormatterNumber, SmallThresholdBoundary) {
    // Exactly 0.5 × 10^-4 is not below the limit, so it is rounded, not written in scientific form.
    EXPECT_EQ(formatter(4).number(0.00005), "0.0001");
    EXPECT_EQ(formatter(4).number(0.0000499), minus("4.99e-5"));
    // 5e-13 at 12 decimals: the limit itself.
    EXPECT_EQ(formatter(12).number(5e-13), "0.000000000001");
    EXPECT_EQ(formatter(12).number(4.9e-13), minus("4.9e-13"));
    // A huge unclamped decimals count never takes the scientific branch.
    ResultFormatter f = formatter(0);
    f.maxDecimals = 400;
    EXPECT_EQ(f.number(1e-300), QStringLiteral("0.") + QString(299, u'0') + u'1');
}

TEST(ResultFormatterNumber, NonFinite) {
    const ResultFormatter f = formatter(8);
    EXPECT_EQ(f.number(std::numeric_limits<double>::quiet_NaN()), "not a number");
    EXPECT_EQ(f.number(INFINITY), QString(QChar(0x221E)));
    EXPECT_EQ(f.number(-INFINITY), QStringLiteral(u"\u2212\u221E"));
}

TEST(ResultFormatterNumber, Scientific) {
    const NumberCase cases[] = {
        {2, 1.5e15, "1.5e15"},
        {2, -2.0e20, "-2e20"},
        {6, 1.234567e-7, "1.234567e-7"},
        {0, 3.0e-5, "3e-5"},
        // The precision is limited to 1...6.
        {12, 1.23456789e20, "1.234568e20"},
        {0, 1.26e15, "1.3e15"},
        // Exact binary ties round half to even, as printf does.
        {1, 1.25e15, "1.2e15"},
        {1, 1.35e15, "1.4e15"},
        {8, 1e100, "1e100"},
        {8, 1e-100, "1e-100"},
        {8, 5e-324, "4.940656e-324"},
        {3, -1e-5, "-1e-5"},
        {2, 1e16, "1e16"},
    };
    for (const NumberCase& c : cases) {
        ResultFormatter f = formatter(0);
        f.maxDecimals = c.decimals;
        EXPECT_EQ(f.scientific(c.x), minus(c.text)) << c.x << " at " << c.decimals;
    }
    EXPECT_EQ(formatter(2).number(1.5e15), "1.5e15");
    EXPECT_EQ(formatter(2).scientific(INFINITY), "inf");
}

TEST(ResultFormatterNumber, InitClampsButFieldsDoNot) {
    const ResultFormatter f(-3, 40, 13, enUS, CalendarCtx{});
    EXPECT_EQ(f.maxDecimals, 0);
    EXPECT_EQ(f.currencyDecimals, 12);
    EXPECT_EQ(f.cryptoDecimals, 12);
    const ResultFormatter g(40, -1, 5, enUS, CalendarCtx{});
    EXPECT_EQ(g.maxDecimals, 12);
    EXPECT_EQ(g.currencyDecimals, 0);
    EXPECT_EQ(g.cryptoDecimals, 5);
}

// The written convention for quantity texts, style by style.
TEST(ResultFormatterQuantity, StyleConvention) {
    const ResultFormatter f(8, 2, 4, enUS, CalendarCtx{});
    struct Case {
        Quantity q;
        const char* text;
    };
    Quantity feetInches = q(5.25, "ft");
    feetInches.terms = QList<Quantity::Term>{{5, Units::unit("ft")}, {3, Units::unit("in")}};
    Quantity negTerms = q(-1.5, "h");
    negTerms.terms = QList<Quantity::Term>{{-1, Units::unit("h")}, {-30, Units::unit("min")}};
    const CompoundUnit perDay(QList<UnitPower>{{Units::unit("BTC"), 1}, {Units::unit("d"), -1}});
    const Case cases[] = {
        {q(1250.5, "km"), "1,250.5 km"},
        {q(1, "h"), "1 hour"},
        {q(-1, "h"), "-1 hour"},
        {q(2, "h"), "2 hours"},
        {q(1.5, "h"), "1.5 hours"},
        {q(0.999999999, "h"), "1 hour"},
        {q(42), "42"},
        {feetInches, "5 ft 3 in"},
        {negTerms, "-1 hour -30 minutes"},
        // Money: currency decimals, no trailing zeros; crypto decimals for coins and sats.
        {q(204, "USD"), "204 USD"},
        {q(204.5, "USD"), "204.5 USD"},
        {q(1234.5678, "EUR"), "1,234.57 EUR"},
        {q(0.123456789, "BTC"), "0.1235 BTC"},
        {q(1.5, "sat"), "1.5 sats"},
        {q(1, "sat"), "1 sat"},
        // A compound unit with a currency is no amount of money: ordinary decimals.
        {Quantity(0.123456789, perDay), "0.12345679 BTC/d"},
        {q(0.25, nullptr, DisplayStyle::Percent), "25%"},
        {q(-0.125, nullptr, DisplayStyle::Percent), "-12.5%"},
        {q(2.5, nullptr, DisplayStyle::Factor), "2.5\u00D7"},
        {q(255, nullptr, DisplayStyle::Hex), "0xFF"},
        {q(-255, nullptr, DisplayStyle::Hex), "-0xFF"},
        {q(5, nullptr, DisplayStyle::Binary), "0b101"},
        {q(15, nullptr, DisplayStyle::Octal), "0o17"},
        {q(0, nullptr, DisplayStyle::Hex), "0x0"},
        {q(2.5, nullptr, DisplayStyle::Hex), "2.5"},
        {q(1.8446744073709552e19, nullptr, DisplayStyle::Hex), "1.844674e19"},
        {q(5400, "s", DisplayStyle::Hms), "01:30:00"},
        {q(90.9, "s", DisplayStyle::Hms), "00:01:30"},
        {q(93600, "s", DisplayStyle::Hms), "26:00:00"},
        {q(-90, "s", DisplayStyle::Hms), "-00:01:30"},
        {q(1.5, "h", DisplayStyle::Hms), "01:30:00"},
        {q(93784.5, "s", DisplayStyle::Breakdown), "1 day 2 hours 3 minutes 4.5 seconds"},
        {q(90, "s", DisplayStyle::Breakdown), "1 minute 30 seconds"},
        {q(7200, "s", DisplayStyle::Breakdown), "2 hours"},
        {q(0, "s", DisplayStyle::Breakdown), "0 seconds"},
        {q(-61, "s", DisplayStyle::Breakdown), "-1 minute 1 second"},
        {q(59.9999999999, "s", DisplayStyle::Breakdown), "1 minute"},
        {q(6.5, "ft", DisplayStyle::mixed({"ft", "in"})), "6 ft 6 in"},
        {q(200, "cm", DisplayStyle::mixed({"ft", "in"})), "6 ft 6.74015748 in"},
        {q(-6.5, "ft", DisplayStyle::mixed({"ft", "in"})), "-6 ft 6 in"},
        {q(6, "ft", DisplayStyle::mixed({"ft", "in"})), "6 ft"},
        {q(0, "ft", DisplayStyle::mixed({"ft", "in"})), "0 in"},
        {q(0.5, "ft", DisplayStyle::mixed({"ft", "in"})), "6 in"},
        {q(11.9999999999, "in", DisplayStyle::mixed({"ft", "in"})), "1 ft"},
        {q(3, "kg", DisplayStyle::mixed({"ft", "in"})), "3 kg"},
        {q(1717502400, nullptr, DisplayStyle::Ungrouped), "1717502400"},
        {q(-1717502400.5, nullptr, DisplayStyle::Ungrouped), "-1717502400.5"},
        {q(3, "kg", DisplayStyle::Breakdown), "3 kg"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(f.format(c.q), minus(c.text)) << c.text;
}

TEST(ResultFormatterValue, DatesInLocales) {
    const Value june4 = Value(std::in_place_type<CalendarDate>, CalendarDate{2024, 6, 4});
    EXPECT_EQ(formatter(8, enUS).format(june4), "Tue, June 4, 2024");
    EXPECT_EQ(formatter(8, enGB).format(june4), "Tue, 4 June 2024");
    EXPECT_EQ(formatter(8, deDE).format(june4), "Di., 4. Juni 2024");
    // The C locale writes dates and times as US English.
    EXPECT_EQ(formatter(8, QLocale::c()).format(june4), "Tue, June 4, 2024");
    // The year as written, without padding and without a group separator.
    EXPECT_EQ(formatter(8, enGB).format(Value(std::in_place_type<CalendarDate>, CalendarDate{5, 6, 4})),
              "Sat, 4 June 5");
    EXPECT_EQ(formatter(8, deDE).format(Value(std::in_place_type<CalendarDate>, CalendarDate{-44, 3, 15})),
              "Fr., 15. M\u00E4rz -44");
    EXPECT_EQ(formatter(8, enUS).format(Value(std::in_place_type<CalendarDate>, CalendarDate{12345, 6, 4})),
              "Mon, June 4, 12345");
    // A day the calendar cannot hold gives an empty text rather than a wrong one.
    EXPECT_EQ(formatter(8).format(Value(std::in_place_type<CalendarDate>, CalendarDate{2024, 2, 30})), "");
}

TEST(ResultFormatterValue, DateTimesInTheCalendarZone) {
    // 2024-06-04 13:05 UTC.
    const Value instant = Value(std::in_place_type<Instant>, Instant{1717506300});
    EXPECT_EQ(formatter(8, enUS).format(instant), "Tue, Jun 4, 2024, 1:05 PM");
    EXPECT_EQ(formatter(8, enGB, QTimeZone("Europe/London")).format(instant), "Tue, 4 Jun 2024, 14:05");
    EXPECT_EQ(formatter(8, deDE, QTimeZone("Europe/Berlin")).format(instant), "Di., 4. Juni 2024, 15:05");
    EXPECT_EQ(formatter(8, enUS, QTimeZone("Asia/Tokyo")).format(instant), "Tue, Jun 4, 2024, 10:05 PM");
}

TEST(ResultFormatterValue, Clocks) {
    struct Case {
        QLocale locale;
        ClockTime clock;
        const char* text;
    };
    const Case cases[] = {
        {enUS, {9 * 3600 + 30 * 60, 0}, "9:30 AM"},
        {enUS, {9 * 3600 + 30 * 60 + 15, 0}, "9:30:15 AM"},
        // A fraction of a second is cut off, not rounded.
        {enUS, {9 * 3600 + 30 * 60 + 15.9, 0}, "9:30:15 AM"},
        {enUS, {0.5, 0}, "12:00:00 AM"},
        {enUS, {23 * 3600 + 59 * 60, 1}, "11:59 PM (+1 day)"},
        {enUS, {12 * 3600, -2}, "12:00 PM (-2 days)"},
        {enGB, {9 * 3600 + 30 * 60, 0}, "09:30"},
        {enGB, {21 * 3600 + 30 * 60 + 15, 3}, "21:30:15 (+3 days)"},
        {deDE, {9 * 3600 + 30 * 60, 0}, "09:30"},
        {QLocale::c(), {9 * 3600 + 30 * 60, 0}, "9:30 AM"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatter(8, c.locale).format(Value(std::in_place_type<ClockTime>, c.clock)), minus(c.text))
            << c.text;
}

TEST(ResultFormatterValue, ZonedTimes) {
    // 2024-06-04 20:00 UTC is 13:00 in Los Angeles (summer time).
    const ZonedTime la{1717531200, QTimeZone("America/Los_Angeles"), QStringLiteral("PST"), 1};
    EXPECT_EQ(formatter(8, enUS).format(Value(std::in_place_type<ZonedTime>, la)), "1:00 PM PST (+1 day)");
    EXPECT_EQ(formatter(8, enGB).format(Value(std::in_place_type<ZonedTime>, la)), "13:00 PST (+1 day)");
    const ZonedTime berlin{1717531200, QTimeZone("Europe/Berlin"), QString(), -1};
    EXPECT_EQ(formatter(8, deDE).format(Value(std::in_place_type<ZonedTime>, berlin)),
              QStringLiteral(u"22:00 (\u22121 day)"));
    const ZonedTime tokyo{1717531200, QTimeZone("Asia/Tokyo"), QStringLiteral("Tokyo"), 0};
    EXPECT_EQ(formatter(8, enUS).format(Value(std::in_place_type<ZonedTime>, tokyo)), "5:00 AM Tokyo");
}

TEST(ResultFormatterValue, OtherCases) {
    const ResultFormatter f = formatter(2);
    EXPECT_EQ(f.format(Value(std::in_place_type<bool>, true)), "true");
    EXPECT_EQ(f.format(Value(std::in_place_type<bool>, false)), "false");
    EXPECT_EQ(f.format(Value(std::in_place_type<QString>, QStringLiteral("Tuesday"))), "Tuesday");
    EXPECT_EQ(f.format(Value(std::in_place_type<Quantity>, q(2.345, "km"))), "2.35 km");
    EXPECT_EQ(ResultFormatter::dayShift(1), " (+1 day)");
    EXPECT_EQ(ResultFormatter::dayShift(-2), QStringLiteral(u" (\u22122 days)"));
    EXPECT_EQ(ResultFormatter::dayShift(LLONG_MIN), QStringLiteral(u" (\u22129223372036854775808 days)"));
}
