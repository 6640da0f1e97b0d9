#include "tests/support/Lines.h"

using namespace TestSupport;

// ---- Trailing clauses ----------------------------------------------------------------------

TEST(TrailingClauses, TimeShiftsAndSpans) {
    // now is 2023-11-14 22:13:20 UTC.
    runTable({
        {"2 hours after 9am", "= clock 39600"},
        {"2 hours before 9am", "= clock 25200"},
        {"3 days before today", "= date 2023-11-11"},
        {"2 weeks after today", "= date 2023-11-28"},
        {"3 hours after 11pm", "= clock 7200 +1d"},
        {"2 hours after 5", "= 7 hours"},
        // A shift needs a time quantity; "after" is then left to the line, which ends in prose.
        {"5 km after today", "= 5 km"},
        {"today through today", "= 1 days"},
        {"2024-01-01 through 2024-01-31", "= 31 days"},
        {"today through today + 3 days", "= 4 days"},
        {"today through today - 2 days", "= -1 days"},
        {"5 through 6", "! Expected a date"},
        {"today through 5", "! Expected a date"},
    });
}

TEST(TrailingClauses, Rounded) {
    runTable({
        {"7.3 rounded", "= 7"},
        {"7.5 rounded", "= 8"},
        {"-7.5 rounded", "= -8"},
        {"7.7 rounded down", "= 7"},
        {"-7.2 rounded down", "= -8"},
        {"7.2 rounded up", "= 8"},
        {"7.31 rounded up to the nearest tenth", "= 7.4"},
        // 0.7 / 0.1 is not quite 7: the quotient snaps to the whole number first.
        {"0.7 rounded down to the nearest tenth", "= 0.7"},
        {"0.7 rounded up to nearest 0.1", "= 0.7"},
        {"1234 rounded to hundred", "= 1200"},
        {"1234 rounded up to the nearest 5", "= 1235"},
        {"2.5 km to m rounded", "= 2500 m"},
        {"1 ft 3 in rounded", "= 1 ft"},
        {"5 rounded to 0", "! Can't round to zero"},
        {"today rounded", "! That needs a number"},
    });
}

TEST(TrailingClauses, IfAndUnless) {
    runTable({
        {"5 if 1 > 2", ""},
        {"true if 1 > 2", "= false"},
        {"5 unless 1 > 2", "= 5"},
        {"5 unless 1 < 2", ""},
        {"5 if 1 < 2 else 7", "= 5"},
        {"5 if 1 > 2 else 7", "= 7"},
        {"5 unless 1 < 2 else 7 km in m", "= 7000 m"},
        {"5 if 3", "! 'if' needs a true/false condition"},
        {"5 unless today", "! 'unless' needs a true/false condition"},
        {"5 if 1 > 2 else", "?! Expected a value"},
    });
}

TEST(TrailingClauses, ClauseWordsAreKeywords) {
    EXPECT_EQ(roles("7.31 rounded up to the nearest tenth"),
              "number keyword keyword keyword keyword keyword keyword");
    EXPECT_EQ(roles("5 if 1 > 2 else 7"), "number keyword number op number keyword number");
    EXPECT_EQ(roles("2 hours after 9am"), "number unit keyword number");
}

TEST(TrailingClauses, NestedElseSidesStopWithAnError) {
    QString line = QStringLiteral("5");
    for (int i = 0; i < 5000; ++i)
        line += QStringLiteral(" if 1 < 2 else 5");
    EXPECT_EQ(run(line), "! Too deeply nested");
    QString shallow = QStringLiteral("5");
    for (int i = 0; i < 100; ++i)
        shallow += QStringLiteral(" if 1 > 2 else 6");
    EXPECT_EQ(run(shallow), "= 6");
}
