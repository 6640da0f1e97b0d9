#include "PhraseProbe.h"
#include "tests/support/Sheets.h"

#include <gtest/gtest.h>

using namespace VexilCore;

// Whole sheets: the phrases see variables, earlier lines and ans as the document pass gives them.

namespace {

QList<LineOutcome> check(const QList<Sheets::Row>& rows) {
    return Sheets::check(rows, phraseContext(), Sheets::Values::Exact);
}

TEST(Sheet, PhrasesOverVariablesAndLines) {
    check({
        {"a = 3 kg", "= 3 kg"},
        {"b = 900 g", "= 900 g"},
        {"larger of a and b", "= 3 kg"},
        {"sum of a, b, line1", "= 6.9 kg"},
        {"max(a, b) to g", "= 3000 g"},
        {"gcd of 12, 18", "= 6"},
        {"stdev(ans)", "! Standard deviation needs two or more values"},
        {"paris = 5", "= 5"},
        {"time in paris", "= 5"}, // no zone: the variable, after the prose
        {"3pm Paris", "= zoned 2024-06-15T15:00:00+02:00 Paris +0"},
        {"time in Tokyo", "= zoned 2024-06-15T21:00:00+09:00 Tokyo +0"},
        {"", ""},
    });
}

TEST(Sheet, AVariableNamedLikeAZoneStaysTheVariable) {
    check({
        {"paris = 5", "= 5"},
        {"3pm paris", "! Missing operator before 'paris'"},
        {"3pm Paris", "= zoned 2024-06-15T15:00:00+02:00 Paris +0"},
    });
}

} // namespace
