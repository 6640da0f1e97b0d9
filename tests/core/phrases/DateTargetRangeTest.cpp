#include "PhraseProbe.h"
#include "tests/support/Sheets.h"

#include <gtest/gtest.h>

using namespace VexilCore;

// Found by fuzzing whole sheets: a number too large for the calendar read "as date" gave a value whose
// result text was empty, in a zone as well. It is an error now, like the other date targets.
TEST(DateTargetRange, NumberBeyondTheCalendarIsOutOfRange) {
    for (const char* line :
         {"1e300 as date", "-1700000001700000000000 as date", "1e20 to date", "1e300 as date in Tokyo"})
        EXPECT_EQ(Sheets::evaluateLine(QString::fromUtf8(line), phraseContext()), "! Date out of range")
            << line;
    // A large number that is still a time (taken as milliseconds) keeps working.
    EXPECT_NE(Sheets::evaluateLine(QStringLiteral("1e17 as date"), phraseContext()), "! Date out of range");
}
