#include "PhraseProbe.h"
#include "tests/support/Sheets.h"

#include <gtest/gtest.h>

using namespace VexilCore;

// Lines as one-line sheets through the document pass, with a fixed context: Europe/London, 2024-06-15 12:00
// UTC (13:00 BST), US English.

namespace {

// Each line as a sheet of its own, its value exact.
void expectLines(const QList<Sheets::Row>& rows) {
    Sheets::checkEach(rows, phraseContext(), Sheets::Values::Exact);
}

QString evalLine(const QString& line) {
    return Sheets::evaluateLine(line, phraseContext(), Sheets::Values::Exact);
}

TEST(Lines, NamedFunctions) {
    expectLines({
        {"sqrt(16 m^2)", "= 4 m"},
        {"sqrt(9 m)", "! Can't take the square root of m"},
        {"sqrt(-4)", "! Square root of a negative number"},
        {"\u221A81", "= 9"},
        {"cbrt(-27)", "= -3.0000000000000004"},
        {"cbrt(8 m^3)", "= 2 m"},
        {"round(2.5)", "= 3"},
        {"round(-2.5)", "= -3"},
        {"round(3.14159, 2)", "= 3.14"},
        {"round(1, 2, 3)", "! round takes one value"},
        {"sin(90 deg)", "= 1"},
        {"sin(5 m)", "! sin needs an angle"},
        {"sind(90)", "= 1"},
        {"sind(90 deg)", "! sind needs a plain number"},
        {"asin(1)", "= 90 \u00B0"},
        {"asind(2)", "! asin needs a value from -1 to 1"},
        {"atan(1)", "= 45 \u00B0"},
        {"log(0)", "! log needs a positive number"},
        {"log10(-1)", "! log needs a positive number"},
        {"ln(5 m)", "! ln needs a plain number"},
        {"fact(0)", "= 1"},
        {"fact(171)", "! Factorial needs a whole number from 0 to 170"},
        {"fact(2.5)", "! Factorial needs whole numbers"},
        {"hex(255)", "= 255 [hex]"},
        {"hex(2.5)", "! hex needs whole numbers"},
        {"max(3)", "= 3"},
        {"count(7)", "= 1"},
        {"avg(2, 4)", "= 3"},
        {"max(today)", "! That needs a number"},
        {"round(today, 2)", "! That needs a number"},
        {"sqrt(today)", "! sqrt needs a number"},
        {"stdev(5)", "! Standard deviation needs two or more values"},
        {"log(8)", "= 0.9030899869919435"},
    });
}

TEST(Lines, ListsAndStatistics) {
    expectLines({
        {"sum of 1 m, 50 cm and 2", "= 3.5 m"},
        {"average of 2, 4", "= 3"},
        {"average of 10 kg, 2000 g", "= 6 kg"},
        {"count of 5 kg, 7 kg", "= 2"},
        {"median of 1, 3, 2, 8", "= 2.5"},
        {"median of 5, 1, 3", "= 3"},
        {"standard deviation of 2, 4, 4, 4, 5, 5, 7, 9", "= 2.138089935299395"},
        {"larger of 3 and 9", "= 9"},
        {"smaller of 3, 9, 1", "= 1"},
        {"maximum of 2 kg, 300 g", "= 2 kg"},
        {"total of 1, 2 AND 3", "= 6"},
        {"gcd of 12, 18", "= 6"},
        {"lcm of 4, 6", "= 12"},
        {"lcm of 0, 5", "= 0"},
        {"gcd of 2.5, 5", "! gcd needs whole numbers"},
        {"gcd of 4 m, 6 m", "! gcd needs whole numbers"},
        {"lcm of 8999999999999999, 8999999999999998", "! Result is too large"},
        {"max of 1 kg, 2 m", "! Can't convert length to mass"},
        {"sum of today, 3", "! That needs a number"},
        {"1 + sum of 2, 3", "= 6"},
        {"average of 1 m, 2 m in cm", "= 150 cm"},
        // Not phrases: left to the function-call reading.
        {"gcd 12, 18", "! Use gcd(\u2026) with parentheses"},
        {"max(3, 9)", "= 9"},
    });
}

TEST(Lines, TimeZones) {
    expectLines({
        {"3pm GMT+2", "= zoned 2024-06-15T15:00:00+02:00 GMT+2 +0"},
        {"3pm GMT-3", "= zoned 2024-06-15T15:00:00-03:00 GMT\u22123 +0"},
        {"3pm UTC+5.5", "= zoned 2024-06-15T15:00:00+05:30 UTC+5.5 +0"},
        {"3pm GMT+15", "! Add a duration, e.g. + 2 hours"}, // "+15" is left to the expression
        {"3pm GMT +2", "! Add a duration, e.g. + 2 hours"},
        {"11pm Tokyo", "= zoned 2024-06-15T23:00:00+09:00 Tokyo +0"},
        {"time in Tokyo", "= zoned 2024-06-15T21:00:00+09:00 Tokyo +0"},
        {"time in New York", "= zoned 2024-06-15T08:00:00-04:00 New York +0"},
        {"London time", "= zoned 2024-06-15T13:00:00+01:00 London +0"},
        {"time difference between London and London", "= 0 minutes"},
        {"time difference between UTC & UTC+5.5", "= 5.5 hours"},
        {"time difference between UTC+5.5 & UTC", "= 5.5 hours"},
        {"time difference between London and Tokyo", "= 8 hours"},
        {"current timestamp", "= instant 2024-06-15T12:00:00Z"},
        {"current", "text"},
    });
}

} // namespace

namespace {

// Phrases nest through their operands; a long chain ends in an error, not in a crash.
TEST(Lines, DeeplyNestedPhrasesStop) {
    for (const char* head : {"sum of ", "larger of ", "standard deviation of 1, ", "gcd of "}) {
        const QString line = QString::fromLatin1(head).repeated(1000) + QStringLiteral("1");
        EXPECT_EQ(evalLine(line), "! Too deeply nested") << head;
    }
    EXPECT_EQ(evalLine(QStringLiteral("sum of ").repeated(50) + QStringLiteral("1")), "= 1");
}

} // namespace
