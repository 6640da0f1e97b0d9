#include "tests/support/Sheets.h"

#include <gtest/gtest.h>

using Sheets::check;

// Lines a new user types, each of which once gave a wrong result with no warning; the prose
// that the parser tolerates around a value keeps its meaning.
TEST(EverydayLines, NoSilentlyWrongResult) {
    check({
        // A skipped word between a plain number and a unit target was dropped, and the number took
        // the target's unit (or was read as inches after "in").
        {"1 lightyear in km", "! Unknown unit 'lightyear'"},
        {"10 foo in km", "! Unknown unit 'foo'"},
        {"350 F to \u00B0C", "! Unknown unit 'F'"},
        {"5 bananas in kg", "! Unknown unit 'bananas'"},
        {"5 apples", "= 5"},
        {"12 kg (for the cake)", "= 12 kg"},
        {"3 apples + 2", "= 5"},
        {"5 kg flour in g", "= 5,000 g"},
        {"32 to km", "= 32 km"},
        {"5 apples in hex", "= 0x5"},
        {"3pm Narnia in Tokyo", "! Unknown place 'Narnia'"},
        // A group before "in" and a special target read "in" as inches.
        {"5 in hex", "= 0x5"},
        {"(2+3) in hex", "= 0x5"},
        {"(2+3) in binary", "= 0b101"},
        {"(2+3) in cm", "= 12.7 cm"},
        {"(2+3) in", "= 5 in"},
        // Unit names with a hyphen were split into a subtraction or an unknown name.
        {"1 watt-hour to J", "= 3,600 J"},
        {"1 pound-force to N", "= 4.44822162 N"},
        {"2 kilowatt-hours to MJ", "= 7.2 MJ"},
        {"2 pounds-force to N", "= 8.89644323 N"},
        {"1 kilogram-force to N", "= 9.80665 N"},
        {"5 kg-3", "= 2 kg"},
        {"10-3", "= 7"},
        {"1 watt - hour", "! Can't subtract power and time"},
        // Years before 1000 were padded with zeros.
        {"1 Jan 1000 - 1 year", "= Tue, January 1, 999"},
        {"1 Jan 1000 at 3pm - 1 year", "= Tue, Jan 1, 999, 3:00 PM"},
    });
}
