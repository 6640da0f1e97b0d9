#include "PhraseProbe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace VexilCore;
using namespace Qt::Literals::StringLiterals;

namespace {

TEST(Statistics, Results) {
    const CallCase cases[] = {
        {"sum", {q(1, "m"), q(50, "cm"), q(2)}, q(3.5, "m")},   // the plain 2 counts in metres
        {"sum", {q(2), q(3, "kg"), q(500, "g")}, q(5.5, "kg")}, // the first unit given is the list's
        {"average", {q(2), q(4)}, q(3)},
        {"mean", {q(10, "kg"), q(2000, "g")}, q(6, "kg")},
        {"avg", {q(1), q(2)}, q(1.5)},
        {"count", {q(5, "kg"), q(7, "kg")}, q(2)},
        {"max", {q(3), q(9), q(-1)}, q(9)},
        {"min", {q(1, "km"), q(200, "m")}, q(0.2, "km")},
        {"median", {q(1), q(3), q(2), q(8)}, q(2.5)},
        {"median", {q(5), q(1), q(3)}, q(3)},
        {"median", {q(7, "s")}, q(7, "s")},
        {"stdev", {q(2), q(4), q(4), q(4), q(5), q(5), q(7), q(9)}, q(2.138089935299395)},
        {"stdev", {q(1, "m"), q(300, "cm")}, q(1.4142135623730951, "m")},
    };
    for (const CallCase& c : cases) {
        PhraseProbe probe(u""_s);
        const Value v = probe.stat(QString::fromLatin1(c.name), c.args);
        const Quantity* got = asQuantity(v);
        ASSERT_NE(got, nullptr);
        EXPECT_NEAR(got->value, c.expected.value, 1e-12) << c.name << ": " << describe(v);
        EXPECT_EQ(got->unit, c.expected.unit) << c.name << ": " << describe(v);
        EXPECT_EQ(got->style, DisplayStyle(DisplayStyle::Plain)) << c.name;
    }
}

TEST(Statistics, MedianWithNotANumberStaysInBounds) {
    PhraseProbe probe(u""_s);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Value v = probe.stat(u"median"_s, {q(nan), q(3), q(nan), q(1), q(2)});
    EXPECT_DOUBLE_EQ(asQuantity(v)->value, 3); // sorted last: 1 2 3 NaN NaN
    EXPECT_DOUBLE_EQ(asQuantity(probe.stat(u"median"_s, {q(nan), q(3), q(1), q(2)}))->value, 2.5);
}

TEST(Statistics, Errors) {
    const Value today = CalendarDate{2024, 6, 15};
    const CallError cases[] = {
        {"sum", {}, "Nothing to calculate"},
        {"sum", {today, q(3)}, "That needs a number"},
        {"max", {q(1, "kg"), q(2, "m")}, "Can't convert length to mass"},
        {"stdev", {q(5)}, "Standard deviation needs two or more values"},
        {"median", {q(1), Value(true)}, "That needs a number"}, // steps before the name
        {"frobnicate", {q(1, "kg"), q(2, "m")}, "Can't convert length to mass"},
        {"frobnicate", {q(1)}, "Unknown function frobnicate"},
    };
    expectCallErrors(cases, &PhraseProbe::stat);
}

TEST(Statistics, GcdAndLcm) {
    const CallCase cases[] = {
        {"gcd", {q(12), q(18)}, q(6)},
        {"gcd", {q(-12), q(18)}, q(6)},
        {"gcd", {q(-4)}, q(-4)}, // one value is kept as it is
        {"gcd", {q(0), q(0)}, q(0)},
        {"lcm", {q(4), q(6)}, q(12)},
        {"lcm", {q(-4), q(6)}, q(12)},
        {"lcm", {q(0), q(5)}, q(0)},
        {"lcm", {q(2), q(3), q(4)}, q(12)},
    };
    expectExactCalls(cases, &PhraseProbe::stat);
    const CallError errors[] = {
        {"gcd", {q(2.5), q(5)}, "gcd needs whole numbers"},
        {"gcd", {q(4, "m"), q(6, "m")}, "gcd needs whole numbers"},
        {"lcm", {q(9e15), q(2)}, "lcm needs whole numbers"},
        // Past 2^63: 8999999999999999 and 8999999999999998 share no factor but 1.
        {"lcm", {q(8999999999999999.0), q(8999999999999998.0)}, "Result is too large"},
        {"lcm", {q(4611686018427387904.0 / 1024), q(3), q(1e15 + 1)}, "Result is too large"},
    };
    expectCallErrors(errors, &PhraseProbe::stat);
}

// Phrase lines that the operand reader can take with plain numbers.
struct PhraseCase {
    const char* line;
    double expected;
    int end; // token index after the phrase
};

TEST(Statistics, Phrases) {
    const PhraseCase cases[] = {
        {"sum of 3, 4 and 5", 12, 7},
        {"total of 3 AND 4", 7, 5},
        {"average of 2, 4", 3, 5},
        {"maximum of 3, 9", 9, 5},
        {"minimum of 3, 9", 3, 5},
        {"count of 5, 7", 2, 5},
        {"median of 1, 3, 2, 8", 2.5, 9},
        {"standard deviation of 2, 4, 4, 4, 5, 5, 7, 9", 2.138089935299395, 18},
        {"larger of 3 and 9", 9, 5},
        {"smaller of 3, 9, 1", 1, 7},
        {"larger of 4", 4, 3},
        {"max of 3, 9 // note", 9, 5},
    };
    for (const PhraseCase& c : cases) {
        PhraseProbe probe(QString::fromLatin1(c.line));
        const std::optional<Value> v = probe.phrase();
        ASSERT_TRUE(v) << c.line;
        EXPECT_NEAR(asQuantity(*v)->value, c.expected, 1e-12) << c.line;
        EXPECT_EQ(probe.p(), c.end) << c.line;
        EXPECT_TRUE(probe.stopWords().isEmpty()) << c.line;
    }
}

TEST(Statistics, ListMarksSeparatorsAndKeywords) {
    PhraseProbe probe(u"sum of 3, 4 and 5"_s);
    ASSERT_TRUE(probe.phrase());
    const RoleList want{Role::Keyword, Role::Keyword, Role::Number, Role::Op,
                        Role::Number,  Role::Op,      Role::Number, std::nullopt};
    EXPECT_EQ(probe.roles(), want);
}

TEST(Statistics, ListNeedsAnOperandAfterASeparator) {
    PhraseProbe probe(u"3, 4 and"_s);
    EXPECT_EQ(errorOf([&] { probe.list(); }), u"Expected a value"_s);
    EXPECT_TRUE(probe.stopWords().isEmpty());
    PhraseProbe two(u"3 4"_s);
    EXPECT_EQ(two.list().size(), 1); // any other token ends the list unconsumed
    EXPECT_EQ(two.p(), 1);
}

// Once "of" is read the phrase is recognised and the error of its list is the line's; a head
// without its keyword is no phrase.
TEST(Statistics, RecognisedPhrasesReportTheirErrors) {
    const struct {
        const char* line;
        const char* message;
    } cases[] = {
        {"stdev of 5", "(no error)"}, // not a head word: no phrase
        {"standard deviation of 5", "Standard deviation needs two or more values"},
        {"sum of 3,", "Expected a value"},
        {"larger of )", "Unexpected ')'"},
    };
    for (const auto& c : cases) {
        PhraseProbe probe(QString::fromLatin1(c.line));
        EXPECT_EQ(errorOf([&] { probe.phrase(); }), QString::fromLatin1(c.message)) << c.line;
    }
}

TEST(Statistics, HeadsWithoutTheirKeywordsAreNoPhrase) {
    for (const char* line :
         {"max 3, 9", "max(3, 9)", "gcd 12, 18", "gcd(12, 18)", "standard 5", "larger 3", "sum", "total"}) {
        PhraseProbe probe(QString::fromLatin1(line));
        const auto before = probe.snapshot();
        EXPECT_FALSE(probe.phrase()) << line;
        EXPECT_EQ(probe.snapshot(), before) << line;
    }
}

} // namespace
