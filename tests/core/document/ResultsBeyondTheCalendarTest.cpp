#include "tests/support/Sheets.h"

#include <gtest/gtest.h>

using namespace Sheets;

// Found by fuzzing whole sheets: lines whose instant lies beyond what the calendar can form showed an
// empty result. Each is an error now; a far but real instant still shows.
TEST(ResultsBeyondTheCalendar, AreOutOfRange) {
    check({
        {QStringLiteral("2") + QString(120, u'7') + QStringLiteral(" hours from now"), "! Date out of range"},
        {"1e300 hours ago", "! Date out of range"},
        {"now + 1e300 hours", "! Date out of range"},
        {"2024-03-05T14:30Z + 1e14 days", "! Date out of range"},
        {"2024-03-05T14:30Z - 1e14 days", "! Date out of range"},
        {"1e300 as date", "! Date out of range"},
        {"1e13 seconds from now", "= Sat, Oct 24, 318911, 5:46 AM"},
    });
}
