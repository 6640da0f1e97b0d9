#include "tests/core/phrases/StatementProbe.h"

#include <cmath>

using namespace TestSupport;
using namespace VexilCore;

// ---- Conversion targets --------------------------------------------------------------------

TEST(ConversionTargets, UnitsMixedPairsAndRelabel) {
    runTable({
        {"5 km to m", "= 5000 m"},
        {"5 km INTO m", "= 5000 m"},
        {"5 km to m in cm", "= 5e+05 cm"},
        {"6 ft 2 in to cm", "= 187.96 cm"},
        {"2 m to ft and in", "= 6.561679790026246 ft [mixed ft,in]"},
        {"1 kg to lb and oz", "= 2.2046226218487757 lb [mixed lb,oz]"},
        // Both units are mass: the pair is taken and the value's dimension is the conversion's error.
        {"1 m to lb and oz", "! Can't convert length to mass (dimension)"},
        // Units of two dimensions are no pair; "m" alone does not end at a boundary either.
        {"1 kg to m and kg", "! Unknown unit 'm'"},
        {"3 m relabel ft", "= 3 ft"},
        {"1 ft 3 in relabel m", "= 1.25 m"},
        {"today relabel ft", "! That needs a number"},
        {"today to ft", "! Can't convert that to ft"},
        {"300ml to oz", "! Can't convert volume to mass. Use fl oz (dimension)"},
        {"5 to km", "= 5 km"},
        {"5 in cm", "= 12.7 cm"},
        // "in" before a special target is the conversion word, not the inch.
        {"5 in scalar", "= 5"},
        {"3.14159 in 2 places", "= 3.14"},
    });
}

TEST(ConversionTargets, MissingOrUnknownTargets) {
    runTable({
        {"5 km to", "?! Expected a unit after 'to'"},
        {"5 km to // note", "?! Expected a unit after 'to'"},
        {"5 km in", "?! Expected a unit after 'in'"},
        {"5 km relabel", "?! Expected a unit after 'relabel'"},
        {"5 km to foo", "! Unknown unit 'foo'"},
        {"5 km in 3", "! Unknown unit after 'in'"},
        {"5 km as (", "! Unknown unit after 'as'"},
        // Two clock times joined by "in" are neither a unit nor a zone.
        {"9am in 5pm", "! Unknown unit after 'in'"},
        // A date has no time of day to place in a zone.
        {"today in Tokyo", "! Unknown unit 'Tokyo'"},
    });
}

TEST(ConversionTargets, TimeZones) {
    // The context is UTC; now is 2023-11-14 22:13:20.
    runTable({
        {"9am in Tokyo", "= zoned 2023-11-14T18:00:00+09:00 Tokyo +0"},
        {"11pm in Tokyo", "= zoned 2023-11-15T08:00:00+09:00 Tokyo +1"},
        {"1am to New York", "= zoned 2023-11-13T20:00:00-05:00 New York -1"},
        {"7pm Berlin in Singapore", "= zoned 2023-11-15T02:00:00+08:00 Singapore +1"},
        {"9am Tokyo in London", "= zoned 2023-11-15T00:00:00+00:00 London +0"},
        {"now in Tokyo", "= zoned 2023-11-15T07:13:20+09:00 Tokyo +1"},
        {"current timestamp in UTC", "= zoned 2023-11-14T22:13:20Z UTC +0"},
    });
}

TEST(ConversionTargets, MarksOnlyTheReadingTaken) {
    EXPECT_EQ(roles("2 m to ft and in"), "number unit op unit op unit");
    EXPECT_EQ(roles("5 km in m/s"), "number unit op unit op unit");
    EXPECT_EQ(roles("9am in New York"), "number op unit unit");
    // The failed reading leaves the unknown word as it was.
    EXPECT_EQ(roles("5 km to foo"), "number unit op text");
}

// ---- Special targets -----------------------------------------------------------------------

TEST(SpecialTargets, PercentAndFactor) {
    runTable({
        {"0.25 as %", "= 0.25 [percent]"},
        {"0.25 as percent", "= 0.25 [percent]"},
        {"0.25 in percentage", "= 0.25 [percent]"},
        {"50 as a % of 200", "= 0.25 [percent]"},
        {"50 as a percent of 200", "= 0.25 [percent]"},
        {"1 km as % of 500 m", "= 2 [percent]"},
        {"5 as % of 0", "! Division by zero"},
        {"5 km as % of 2 kg", "! Can't convert mass to length (dimension)"},
        {"today as %", "! That needs a number"},
        {"0.25 as a percentage", "! Unknown unit 'a'"},
        {"3 m as factor", "= 3 [factor]"},
    });
}

TEST(SpecialTargets, DecimalPlacesAndNearest) {
    runTable({
        {"3.14159 to 2 dp", "= 3.14"},
        {"-2.5 to 0 dp", "= -3"},
        {"2.5 to 0 dp", "= 3"},
        {"2/7 to 3 dp", "= 0.286"},
        {"3.14159 to 3 decimal places", "= 3.142"},
        {"3.14159 to 1 decimal place", "= 3.1"},
        {"3.14159 to 4 digits", "= 3.1416"},
        {"2.46 km to 1 dp", "= 2.5 km"},
        {"today to 2 dp", "! That needs a number"},
        {"1234 to nearest hundred", "= 1200"},
        {"1,234 to nearest 100", "= 1200"},
        {"1250 to the nearest hundred", "= 1300"},
        {"-1250 to the nearest hundred", "= -1300"},
        {"0.15 to nearest tenth", "= 0.2"},
        {"17 km to nearest 5 m", "= 15 km"},
        {"7 to nearest 0", "! Can't round to zero"},
        {"7 to nearest (-5)", "! Can't round to zero"},
    });
}

TEST(SpecialTargets, AbsurdPlacesGiveNotANumber) {
    // 10^400 overflows; the rounding then yields NaN, which the results column writes as such.
    LineParser lp(Lexer::lex(QStringLiteral("5 to 400 dp"), true), oneLineEnv());
    const auto v = lp.parseLine();
    ASSERT_TRUE(v && asQuantity(*v));
    EXPECT_TRUE(std::isnan(asQuantity(*v)->value));
}

TEST(SpecialTargets, BasesAndPlainNumbers) {
    runTable({
        {"255 in base 16", "= 255 [hex]"},
        {"255 in base 2", "= 255 [binary]"},
        {"255 in base 8", "= 255 [octal]"},
        {"255 in base 10", "= 255"},
        {"255 in base 3", "! Bases 2, 8, 10 and 16 are supported"},
        {"5 in base", "! Unknown unit 'base'"},
        {"4095 as hex", "= 4095 [hex]"},
        {"255 as hexadecimal", "= 255 [hex]"},
        {"5 as bin", "= 5 [binary]"},
        {"8 as oct", "= 8 [octal]"},
        {"255.5 as hex", "! Base conversion needs whole numbers"},
        {"5 km as binary", "! Base conversion needs whole numbers"},
        {"3 m as number", "= 3"},
        {"3 m as plain", "= 3"},
        {"3 m as decimal", "= 3"},
        {"3 m as dec", "= 3"},
        {"3 m as scalar", "= 3"},
    });
}

TEST(SpecialTargets, DurationsAndDates) {
    runTable({
        {"90 s as hms", "= 90 seconds [hms]"},
        {"1.5 min as duration", "= 90 seconds [breakdown]"},
        {"5 as hms", "! Use a length of time, e.g. 5.5 minutes as hms"},
        {"5 as DURATION", "! Use a length of time, e.g. 5.5 minutes as duration"},
        {"5 kg as duration", "! Can't convert mass to time (dimension)"},
        {"today as iso", "= text '2023-11-14'"},
        {"current timestamp as iso8601", "= text '2023-11-14T22:13:20Z'"},
        {"9am Tokyo as iso", "= text '2023-11-15T09:00:00+09:00'"},
        {"5 as iso", "! Only dates can be shown as ISO 8601"},
        {"today as timestamp", "= 1699920000 [ungrouped]"},
        {"current timestamp as unix", "= 1.7e+09 [ungrouped]"},
        {"9am Tokyo as timestamp", "= 1700006400 [ungrouped]"},
        {"5 as timestamp", "! Only dates can be converted to a timestamp"},
        {"1700000000 as date", "= instant 2023-11-14T22:13:20Z"},
        {"1700000000000 as date", "= instant 2023-11-14T22:13:20Z"},
        {"-1700000000000 as date", "= instant 1916-02-18T01:46:40Z"},
        {"today as date", "= date 2023-11-14"},
        {"current timestamp as date", "= date 2023-11-14"},
        {"5 m as date", "! Can't convert that to a date"},
        {"today as weekday", "= text 'Tuesday'"},
        {"current timestamp as weekday", "= text 'Tuesday'"},
        {"5 as weekday", "! Expected a date"},
    });
}

TEST(SpecialTargets, IsoAndTimestampFollowTheContextZone) {
    // London is on UTC in November: the offset is written Z; in June it is +01:00.
    const LineEnv london = oneLineEnv(QTimeZone("Europe/London"));
    runTable(
        {
            {"current timestamp as iso", "= text '2023-11-14T22:13:20Z'"},
            {"today as timestamp", "= 1699920000 [ungrouped]"},
            {"2024-06-15 as timestamp", "= 1718406000 [ungrouped]"},
            {"2024-06-15 as weekday", "= text 'Saturday'"},
        },
        london);
}

// ---- Help examples -------------------------------------------------------------------------

TEST(HelpExamples, ConversionsAndQuestions) {
    LineEnv env = oneLineEnv();
    RatesTable fiat;
    fiat.base = QStringLiteral("USD");
    fiat.rates = {{QStringLiteral("USD"), 1},
                  {QStringLiteral("EUR"), 0.5},
                  {QStringLiteral("JPY"), 100},
                  {QStringLiteral("AUD"), 2}};
    env.ctx.rates = fiat;
    CryptoTable crypto;
    crypto.pricesUSD = {{QStringLiteral("ETH"), 1000}};
    env.ctx.crypto = crypto;
    runTable(
        {
            {"12 is what % of 48", "= 0.25 [percent]"},
            {"750 g to lb", "= 1.6534669663865817 lb"},
            {"6 ft 2 in to cm", "= 187.96 cm"},
            {"36 px to pt", "= 26.999999999999996 pt"},
            {"7pm Berlin in Singapore", "= zoned 2023-11-15T02:00:00+08:00 Singapore +1"},
            {"\u20AC250 to JPY", "= 50000 JPY"},
            {"0.2 ETH in AUD", "= 400 AUD"},
            {"4095 as hex", "= 4095 [hex]"},
            {"2/7 to 3 dp", "= 0.286"},
            {"1,234 to nearest 100", "= 1200"},
        },
        env);
}

TEST(SpecialTargets, NoTargetMarksAndMovesNothing) {
    // "dec" before a number is the month of a date; "base" needs a number; "the" needs "nearest".
    for (const char* line : {"5 to Dec 25", "5 to base", "5 to the end", "5 to a percentage", "5 to 2 km"}) {
        StatementProbe probe(QString::fromUtf8(line));
        probe.p() = 2;
        const auto before = probe.snapshot();
        EXPECT_FALSE(probe.specialTarget(Quantity(5, CompoundUnit::none()))) << line;
        EXPECT_EQ(probe.snapshot(), before) << line;
    }
}
