#include "tests/core/phrases/StatementProbe.h"

#include "core/values/Units.h"

using namespace TestSupport;
using namespace VexilCore;

namespace {

Value number(double x) {
    return Quantity(x, CompoundUnit::none());
}

} // namespace

// ---- Leading statements --------------------------------------------------------------------

TEST(LeadingStatements, Proportions) {
    runTable({
        {"if 50 is 20%, what is 100%", "= 250"},
        {"if 6 is 3, what is 5", "= 10"},
        {"if 6 km is 3, what is 5", "= 10 km"},
        // B and D are used as they stand, without a common unit.
        {"if 6 is 3 m, what is 5 cm", "= 10"},
        // A failed proportion is read as a conditional, whose error is shown.
        {"if 2 is 0, what is 5", "! 'if' needs a true/false condition"},
        {"if 6 is 3 what is 5", "! 'if' needs a true/false condition"},
        {"if today is 3, what is 5", "! 'if' needs a true/false condition"},
    });
}

TEST(LeadingStatements, Conditionals) {
    runTable({
        {"if 1 > 2 then 5", ""},
        {"if 1 > 2 then 5 else 7", "= 7"},
        {"if 1 < 2 then 5 else 7", "= 5"},
        {"IF 1 < 2 THEN 5 ELSE 7", "= 5"},
        {"if 1 < 2 then 5 km in m else 7", "= 5000 m"},
        {"if 3 then 4", "! 'if' needs a true/false condition"},
        {"if 1 < 2", "?! Expected 'then'"},
        {"if 1 < 2 // why", "?! Expected 'then'"},
        {"if 1 < 2 else 5", "! Expected 'then'"},
        // Both sides are read: the side not taken still fails the line.
        {"if 1 < 2 then 5 else 1 km + 1 kg", "! Can't add length and mass (dimension)"},
        {"if 1 < 2 then 5 else", "?! Expected a value"},
        {"if 1 < 2 then total = 5", "! Unexpected '='"},
        {"5 if 1 < 2", "= 5"},
    });
}

TEST(LeadingStatements, AssignmentsInSides) {
    struct Row {
        const char* line;
        const char* value;
        QList<Assignment> assigned;
    };
    const Row rows[] = {
        {"if 1 < 2 then a = 5 else b = 6", "5", {{QStringLiteral("a"), number(5)}}},
        {"if 1 > 2 then a = 5 else b = 6", "6", {{QStringLiteral("b"), number(6)}}},
        {"if 1 < 2 then x = 5", "5", {{QStringLiteral("x"), number(5)}}},
        {"if 1 < 2 then hourly Rate = 5", "5", {{QStringLiteral("hourly Rate"), number(5)}}},
        {"if 1 < 2 then _n = 2 km in m",
         "2000 m",
         {{QStringLiteral("_n"), Quantity(2000, CompoundUnit(Units::unit(QStringLiteral("m"))))}}},
        // The sides check only the unassignable words, so a month name is taken here although
        // a line of its own could not assign it.
        {"if 1 < 2 then may = 5", "5", {{QStringLiteral("may"), number(5)}}},
    };
    for (const Row& r : rows) {
        LineParser lp(Lexer::lex(QString::fromUtf8(r.line), true), oneLineEnv());
        const auto v = lp.parseLine();
        ASSERT_TRUE(v) << r.line;
        EXPECT_EQ(describe(*v).toStdString(), r.value) << r.line;
        EXPECT_EQ(lp.assignments(), r.assigned) << r.line;
    }

    // The rest of the line sees a taken assignment.
    StatementProbe probe(QStringLiteral("if 1 < 2 then a = 5 else b = 6"));
    ASSERT_TRUE(probe.leading());
    EXPECT_TRUE(probe.variables().contains(QStringLiteral("a")));
    EXPECT_FALSE(probe.variables().contains(QStringLiteral("b")));
}

TEST(LeadingStatements, BorrowedEnvironmentGetsItsVariablesBack) {
    // The document pass lends one environment to every line's parser: what a branch assigns is
    // seen by the rest of its line only.
    LineEnv env = oneLineEnv();
    env.variables.insert(QStringLiteral("a"), number(1));
    {
        LineParser lp(Lexer::lex(QStringLiteral("if 1 < 2 then a = 5 else b = 6"), true), env);
        ASSERT_TRUE(lp.parseLine());
        EXPECT_EQ(env.variables.value(QStringLiteral("a")), number(5));
        LineParser again(Lexer::lex(QStringLiteral("if 1 > 2 then a = 7 else b = 6"), true), env);
        ASSERT_TRUE(again.parseLine());
        EXPECT_TRUE(env.variables.contains(QStringLiteral("b")));
    }
    EXPECT_EQ(env.variables, (QHash<QString, Value>{{QStringLiteral("a"), number(1)}}));
}

TEST(LeadingStatements, Highlights) {
    EXPECT_EQ(roles("if 1 < 2 then a = 5 else b = 6"),
              "keyword number op number keyword variable op number keyword variable op number");
    EXPECT_EQ(roles("if 6 is 3, what is 5"), "keyword number keyword number keyword keyword keyword number");
}

TEST(LeadingStatements, OtherLinesAreLeftAlone) {
    StatementProbe probe(QStringLiteral("5 if 1 < 2"));
    const auto before = probe.snapshot();
    EXPECT_FALSE(probe.leading());
    EXPECT_EQ(probe.snapshot(), before);
}

TEST(LeadingStatements, StopWordsComeBackOnEveryPath) {
    for (const char* line : {"if 3 then 4", "if 1 < 2 then 5 else 1 km + 1 kg", "if 1 < 2 then 5 else 7"}) {
        StatementProbe probe(QString::fromUtf8(line));
        probe.stopWords() = {QStringLiteral("foo")};
        try {
            probe.leading();
        } catch (const CalcError&) {
        }
        EXPECT_EQ(probe.stopWords(), QSet<QString>{QStringLiteral("foo")}) << line;
    }
}

// ---- Questions with is ---------------------------------------------------------------------

TEST(Questions, PercentagesAndAnalogies) {
    runTable({
        {"12 is what % of 48", "= 0.25 [percent]"},
        {"60 is what % more than 50", "= 0.19999999999999996 [percent]"},
        {"40 is what % less than 50", "= 0.19999999999999996 [percent]"},
        {"0.25 is what %", "= 0.25 [percent]"},
        {"2 km is what percent", "= 2 [percent]"},
        {"1 km is what % of 500 m", "= 2 [percent]"},
        {"5 is what percentage of 2 km", "= 2.5 [percent]"},
        {"5 is what % of 0", "! Division by zero"},
        {"5 km is what % of 2 kg", "! Can't convert mass to length (dimension)"},
        {"5 is what % of today", "! That needs a number"},
        {"3 is to 6 as 5 is to what", "= 10"},
        {"3 is to 6 as what is to 10", "= 5"},
        {"1 km is to 500 m as 4 kg is to what", "= 2 kg"},
        {"0 is to 6 as 5 is to what", "! Division by zero"},
        {"3 is to 6", "?! Expected 'as'"},
        {"3 is to 6 as 5", "?! Expected 'is to what'"},
        {"3 is to 6 as what 5", "! Expected 'is to'"},
    });
}

TEST(Questions, TrialForms) {
    runTable({
        {"8 is 2 to the what power", "= 3"},
        {"8 is 2 to what power", "= 3"},
        {"30 is 20% of what", "= 150"},
        {"80 is 20% less than what", "= 100"},
        {"120 is 20% more than what", "= 100"},
        {"30 km is 20% of what", "= 150 km"},
        {"6 is 3, what is 5", "= 10"},
        {"20% is 50, what is 100", "= 0.4 [percent]"},
        {"6 km is 3 m, what is 500 cm", "= 10 km"},
        // No form fits: the line is left with "is", which it cannot place.
        {"8 is 1 to the what power", "! Unexpected 'is'"},
        {"8 km is 2 to the what power", "! Unexpected 'is'"},
        {"30 is 0% of what", "! Unexpected 'is'"},
        {"6 is 0, what is 5", "! Unexpected 'is'"},
        {"today is 5", "! Unexpected 'is'"},
    });
}

TEST(Questions, NoFormRestoresEverythingButTheKeyword) {
    // "is" is token 1 in each line.
    for (const char* line :
         {"8 is 1 to the what power", "30 is 0% of what", "6 is 3 what is 5", "6 is 3, what"}) {
        StatementProbe probe(QString::fromUtf8(line));
        probe.p() = 1;
        probe.stopWords() = {QStringLiteral("foo")};
        auto expected = probe.snapshot();
        EXPECT_FALSE(probe.isStatement(number(6))) << line;
        expected.roles[1] = Role::Keyword;
        EXPECT_EQ(probe.snapshot(), expected) << line;
    }
    // A value that is not a quantity consumes and marks nothing.
    StatementProbe probe(QStringLiteral("today is 5"));
    probe.p() = 1;
    const auto before = probe.snapshot();
    EXPECT_FALSE(probe.isStatement(CalendarDate{2024, 1, 1}));
    EXPECT_EQ(probe.snapshot(), before);
}

TEST(Questions, GrowthThatDoesNotApplyLeavesNoTrace) {
    // "for" and "after" on a quantity try growth; when it does not apply nothing has moved.
    for (const char* line : {"5 for 3 years", "5 km after 3 years at 4%", "5 before 9am", "today after 5"}) {
        StatementProbe probe(QString::fromUtf8(line));
        probe.p() = 1;
        probe.stopWords() = {QStringLiteral("foo")};
        const auto before = probe.snapshot();
        const Value a =
            QString::fromUtf8(line).startsWith(u"today") ? Value(CalendarDate{2024, 1, 1}) : Value(number(5));
        EXPECT_FALSE(probe.tail(a)) << line;
        EXPECT_EQ(probe.snapshot(), before) << line;
    }
}
