#include "PhraseProbe.h"

#include <gtest/gtest.h>

using namespace VexilCore;
using namespace Qt::Literals::StringLiterals;

namespace {

const Value today = CalendarDate{2024, 6, 15};

TEST(Dispatch, Coercions) {
    EXPECT_EQ(PhraseProbe::quantity(q(5, "kg"), u"half"_s), q(5, "kg"));
    EXPECT_EQ(errorOf([] { PhraseProbe::quantity(today, u"half"_s); }), u"half needs a number"_s);
    EXPECT_EQ(PhraseProbe::scalar(q(5), u"root"_s), 5);
    EXPECT_EQ(errorOf([] { PhraseProbe::scalar(q(5, "m"), u"root"_s); }), u"root needs a plain number"_s);
    EXPECT_EQ(errorOf([] { PhraseProbe::scalar(Value(true), u"root"_s); }), u"root needs a number"_s);

    PhraseProbe probe(u""_s);
    EXPECT_DOUBLE_EQ(probe.ratio(q(1, "m"), q(50, "cm")), 2);
    EXPECT_DOUBLE_EQ(probe.ratio(q(6, "m"), q(3, "m")), 2);
    EXPECT_DOUBLE_EQ(probe.ratio(q(6), q(4)), 1.5);
    EXPECT_EQ(errorOf([&] { probe.ratio(q(1), q(0)); }), u"Division by zero"_s);
    EXPECT_EQ(errorOf([&] { probe.ratio(q(5, "m"), q(0, "cm")); }), u"Division by zero"_s);
    try {
        probe.ratio(q(1, "kg"), q(2, "m"));
        ADD_FAILURE() << "no error";
    } catch (const CalcError& e) {
        EXPECT_EQ(e.message, u"Can't convert length to mass"_s);
        EXPECT_TRUE(e.isDimension);
    }
}

// Open rows whose words do not fit answer nothing and leave every piece of state alone; so do
// words that head no row.
TEST(Dispatch, OpenRowsAndOtherWordsAnswerNothing) {
    for (const char* line : {"random",
                             "clamp 5",
                             "monthly payment",
                             "loan",
                             "log(8)",
                             "foo",
                             "of 3"}) {
        PhraseProbe probe(QString::fromLatin1(line));
        probe.stopWords() = {u"and"_s};
        probe.usedPt() = false;
        const auto before = probe.snapshot();
        EXPECT_FALSE(probe.phrase()) << line;
        EXPECT_EQ(probe.snapshot(), before) << line;
    }
}

TEST(Dispatch, LookingForAUnitBeforeInLeavesUsedPtAlone) {
    PhraseProbe probe(u"pt in total"_s);
    EXPECT_FALSE(probe.phrase());
    EXPECT_FALSE(probe.usedPt());
}

// A failed trial puts back everything it changed, whatever it had read when it gave up.
TEST(Dispatch, FailedTrialsRollBackEveryField) {
    for (const char* line : {"larger 3", "smaller", "standard deviation 5", "gcd 12, 18", "lcm",
                             "time difference between London and Paris foo"}) {
        PhraseProbe probe(QString::fromLatin1(line));
        probe.sawValue() = true;
        probe.usedPt() = true;
        probe.lastWasPercent() = true;
        probe.assignments().append({u"a"_s, q(1)});
        probe.stopWords() = {u"then"_s};
        probe.roles()[0] = Role::Text;
        const auto before = probe.snapshot();
        EXPECT_FALSE(probe.phrase()) << line;
        EXPECT_EQ(probe.snapshot(), before) << line;
    }
}

// Past its keywords a phrase is the line's: its operand's error comes out, and the stop words it
// added are gone again.
TEST(Dispatch, RecognisedPhraseErrorsPropagate) {
    PhraseProbe probe(u"sum of 3, )"_s);
    probe.stopWords() = {u"then"_s};
    EXPECT_EQ(errorOf([&] { probe.phrase(); }), u"Unexpected ')'"_s);
    EXPECT_EQ(probe.stopWords(), QSet<QString>{u"then"_s});
}

TEST(Dispatch, StatisticsHeadsNeedOfOrNoParenthesis) {
    PhraseProbe maxOf(u"max of 3, 9"_s);
    EXPECT_TRUE(maxOf.phrase());
    PhraseProbe maxCall(u"max(3, 9)"_s);
    EXPECT_FALSE(maxCall.phrase());
    PhraseProbe gcdCall(u"gcd(12, 18)"_s);
    EXPECT_FALSE(gcdCall.phrase());
    PhraseProbe logCall(u"log(8)"_s);
    EXPECT_FALSE(logCall.phrase());
}

} // namespace
