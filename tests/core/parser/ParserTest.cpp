#include "core/parser/Parser.h"
#include "core/parser/Lexer.h"
#include "core/values/Units.h"
#include "tests/support/Lines.h"
#include "tests/support/ParserProbe.h"
#include "tests/support/UnitSpec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

using namespace VexilCore;
using namespace TestSupport;

namespace {

LineParser parser(const QString& line, LineEnv env = oneLineEnv()) {
    return LineParser(Lexer::lex(line, true), std::move(env));
}

QString roleString(const QList<Highlight>& hs) {
    static const char* names[] = {"number",   "op",   "unit",    "ref",  "keyword",
                                  "variable", "text", "comment", "label"};
    QStringList out;
    for (const Highlight& h : hs)
        out << QStringLiteral("%1@%2+%3").arg(names[int(h.role)]).arg(h.range.location).arg(h.range.length);
    return out.join(u' ');
}

} // namespace

// ---- Whole lines ------------------------------------------------------------------------------

TEST(LineParser, ArithmeticAndProducts) {
    runTable({
        {"2 + 3", "= 5"},
        {"10 - 2 - 3", "= 5"},
        {"10 plus 5 MINUS 3", "= 12"},
        {"2 * (3 + 4)", "= 14"},
        {"8 / 2 / 2", "= 2"},
        {"6 / 4", "= 1.5"},
        {"6 per 4", "= 1.5"},
        {"6 divided by 4", "= 1.5"},
        {"6 Multiplied By 4", "= 24"},
        {"10 / 3", "= 3.333333333333333"}, // a × (1/b), not a / b
        {"3 x 4", "= 12"},
        {"2 @ 3", "= 6"},
        {"2 at 3", "= 6"},
        {"7 mod 3", "= 1"},
        {"(0 - 7) mod 3", "= 2"},
        {"7 mod (0 - 3)", "= -2"},
        {"7 mod 0", "! Division by zero"},
        {"1 / 0", "! Division by zero"},
        {"0.15 off 80", "= 68"},
        {"0.15 added to 80", "= 92"},
        {"10 permutation 3", "= 720"},
        {"3 permutations of 10", "= 720"},
        {"10 combinations 3", "= 120"},
        {"3 combinations of 10", "= 120"},
        {"5 combination 0", "= 1"},
        {"52 combinations 5", "= 2598960"},
        {"170 permutation 170", "= 7.257415615308004e+306"},
        {"3 permutation 5", "! Permutations and combinations need whole numbers with k \u2264 n"},
        {"171 combination 2", "! Permutations and combinations need whole numbers with k \u2264 n"},
        {"2.5 combination 1", "! Permutations and combinations need whole numbers with k \u2264 n"},
        {"(1 < 2) + 1", "! Can't do arithmetic with true/false or text"},
        {"1 - (1 < 2)", "! Can't do arithmetic with true/false or text"},
        {"(1 < 2) * 3", "! Dates and times can't be multiplied or divided"},
        {"3 * (1 < 2)", "! Dates and times can't be multiplied or divided"},
    });
}

TEST(LineParser, DanglingOperatorWordIsIncomplete) {
    runTable({
        {"3 x", "?! Expected a value"},
        {"6 multiplied", "?! Expected a value"},
        {"6 divided // note", "?! Expected a value"},
        {"5 +", "?! Expected a value"},
        {"(1 + 2", "?! Missing ')'"},
        {"6 divided 4", "! Unexpected 'divided'"},
        {"5 )", "! Unmatched ')'"},
        {"5 6", "! Missing operator before number"},
        {"", ""},
        {"// only a comment", ""},
    });
    // The dangling word is shown as an operator.
    LineParser lp = parser(QStringLiteral("3 x"));
    EXPECT_THROW(lp.parseLine(), CalcError);
    EXPECT_EQ(roleString(lp.highlights(0)), QStringLiteral("number@0+1 op@2+1"));
}

TEST(LineParser, Comparisons) {
    runTable({
        {"5 == 5.000000001", "= true"},
        {"0 == 1e-10", "= true"},
        {"1000000 == 1000000.01", "= false"},
        {"2 < 2.0000000001", "= false"},
        {"2 <= 2.0000000001", "= true"},
        {"3 > 2", "= true"},
        {"3 >= 3", "= true"},
        {"3 != 3", "= false"},
        {"1 < 2 < 3", "! Unexpected '<'"},
        // Infinities: the tolerance becomes infinite, and inf - inf is NaN.
        {"1e300 * 1e300 == 5", "= true"},
        {"1e300 * 1e300 > 5", "= false"},
        {"1e300 * 1e300 == 1e300 * 1e300", "= false"},
        {"(1 < 2) < (2 < 3)", "! Can't compare those values"},
        {"(1 < 2) == (2 < 3)", "= true"},
        {"(1 < 2) == 1", "! Can't compare those values"},
    });
}

TEST(LineParser, Logic) {
    runTable({
        {"1 < 2 and 3 > 2", "= true"},
        {"1 < 2 AND 3 < 2", "= false"},
        {"1 > 2 or 3 > 2", "= true"},
        {"1 > 2 or 1 < 2 and 1 > 2", "= false"}, // (F or T) and F
        {"2 < 3 and 4 > 5", "= false"},
        {"1 < 2 and 5", "! 'and' needs true/false on both sides"},
        {"1 < 2 OR 5", "! 'or' needs true/false on both sides"},
        {"1 and 2", "! Unexpected 'and'"}, // a number on the left leaves "and" alone
        // No short-circuit: the right side's error is reported although the left decides.
        {"1 > 2 and (1 < 2", "?! Missing ')'"},
    });
}

TEST(LineParser, BitOperationsAndShifts) {
    runTable({
        {"6 | 3", "= 7"},
        {"6 xor 3", "= 5"},
        {"6 XOR 3", "= 5"},
        {"6 & 3", "= 2"},
        {"1 << 3", "= 8"},
        {"(0 - 16) >> 2", "= -4"},
        {"1 << 62", "= 4611686018427387904"},
        {"1 << 63", "! Shift amount out of range"},
        {"1 << (0 - 1)", "! Shift amount out of range"},
        {"2.5 & 1", "! & needs whole numbers"},
        {"1 << 1.5", "! Shift needs whole numbers"},
        {"2.5 xor 1", "! xor needs whole numbers"},
        {"9e15 | 0", "! | needs whole numbers"},
        {"8999999999999999 | 0", "= 8999999999999999"},
        {"1e300 * 1e300 | 0", "! | needs whole numbers"},
        {"2.5 & (1", "?! Missing ')'"}, // the right side is parsed first
        {"1 + 2 << 1", "= 6"},
        {"1 | 2 == 3", "= true"},
        {"6 & 3 == 2", "= true"},
        {"6 | 3 & 1", "= 7"},
        {"6 xor 3 | 8", "= 13"},
    });
}

// Inside a phrase's operand the word operator ends at a stop word; the symbols take none.
TEST(LineParser, BitwiseWordOperatorEndsAtAStopWord) {
    LineProbe xorStop(QStringLiteral("6 xor 3"), oneLineEnv());
    xorStop.withStopWords({u"xor"},
                          [&] { EXPECT_EQ(describe(xorStop.parseConversion()), QStringLiteral("6")); });
    EXPECT_EQ(xorStop.p(), 1);
    LineProbe symbols(QStringLiteral("6 | 3 & 5"), oneLineEnv());
    symbols.withStopWords({u"|", u"&"},
                          [&] { EXPECT_EQ(describe(symbols.parseConversion()), QStringLiteral("7")); });
    EXPECT_TRUE(symbols.atEnd());
}

// Without the keyword half a line would be misread ("half of 30" skipped as prose to 30): every
// line says what is missing instead.
TEST(LineParser, WithoutTheKeywordHalfEveryLineSaysSo) {
    struct Uninstalled {
        const void* layer = ParserProbe::takePhrases();
        ~Uninstalled() { ParserProbe::putPhrasesBack(layer); }
    };
    {
        const Uninstalled none;
        for (const char* line : {"half of 30", "2 + 3", "just words"})
            EXPECT_EQ(run(QString::fromUtf8(line)), "! The keyword phrases are not installed") << line;
    }
    EXPECT_EQ(run(QStringLiteral("half of 30")), "= 15");
}

TEST(LineParser, ConversionDispatch) {
    runTable({
        {"5 to km", "= 5 km"},
        {"5 INTO km", "= 5 km"},
        {"(2 + 3) as m", "= 5 m"},
        {"5 relabel m", "= 5 m"},
        {"5 to", "?! Expected a unit after 'to'"},
        {"5 to qqq", "! Unknown unit 'qqq'"},
    });
}

// The first primary is read before the operator chain; what follows it, a sign or a percentage
// ending a group, is the chain's as before.
TEST(LineParser, FirstValueAfterProseAndGroups) {
    struct H {
        const char* line;
        const char* value;
        const char* highlights;
    };
    for (const H& c : std::initializer_list<H>{
             {"Rent for the flat in March", "none",
              "text@0+4 text@5+3 text@9+3 text@13+4 text@18+2 text@21+5"},
             {"the rent, 1200", "none", "text@0+3 text@4+4 op@8+1 number@10+4"},
             {"rent 1200 + 35", "1235", "text@0+4 number@5+4 op@10+1 number@12+2"},
             {"rent 1200 - 35", "1165", "text@0+4 number@5+4 op@10+1 number@12+2"},
             {"rent - 5", "error: Unknown name 'rent'", "text@0+4 op@5+1 number@7+1"},
             {"- rent", "none", "op@0+1 text@2+4"},
             {"(10%) of 50", "5", "op@0+1 number@1+2 op@3+1 op@4+1 op@6+2 number@9+2"},
             {"2 ^ 3 ^ 2", "512", "number@0+1 op@2+1 number@4+1 op@6+1 number@8+1"},
         }) {
        LineParser lp = parser(QString::fromUtf8(c.line));
        QString value;
        try {
            const auto v = lp.parseLine();
            value = v ? describe(*v) : QStringLiteral("none");
        } catch (const CalcError& e) {
            value = QStringLiteral("error: ") + e.message;
        }
        EXPECT_EQ(value, QString::fromUtf8(c.value)) << c.line;
        EXPECT_EQ(roleString(lp.highlights(0)), QString::fromUtf8(c.highlights)) << c.line;
    }
    // A group ending in a percentage still counts as one for the question after it.
    for (const char* line : {"(20%) is 5, what is 10", "(20) is 5, what is 10"}) {
        LineParser lp = parser(QString::fromUtf8(line));
        const auto v = lp.parseLine();
        ASSERT_TRUE(v && asQuantity(*v)) << line;
        EXPECT_DOUBLE_EQ(asQuantity(*v)->value, line[3] == '%' ? 0.4 : 40) << line;
        EXPECT_EQ(asQuantity(*v)->style.kind == DisplayStyle::Percent, line[3] == '%') << line;
    }
}

// ---- Highlights -------------------------------------------------------------------------------

TEST(LineParser, Highlights) {
    struct H {
        const char* line;
        qsizetype offset;
        const char* expected;
    };
    for (const H& c : std::initializer_list<H>{
             {"2 + 3", 0, "number@0+1 op@2+1 number@4+1"},
             {"2 + 3", 10, "number@10+1 op@12+1 number@14+1"},
             {"5 // total", 0, "number@0+1 comment@2+8"},
             {"\"note\" 5", 0, "number@7+1 comment@0+6"}, // quoted highlights come last
             {"1 < 2 and 3 > 2", 0, "number@0+1 op@2+1 number@4+1 op@6+3 number@10+1 op@12+1 number@14+1"},
             {"(5) to km", 0, "op@0+1 number@1+1 op@2+1 op@4+2 unit@7+2"},
         }) {
        LineParser lp = parser(QString::fromUtf8(c.line));
        lp.parseLine();
        EXPECT_EQ(roleString(lp.highlights(c.offset)), QString::fromUtf8(c.expected)) << c.line;
    }
}

TEST(LineParser, CommentKeepsItsRoleAndQuotedTokensLeaveTheCursor) {
    LineParser lp = parser(QStringLiteral("\"a\" 5 // total"));
    ParserProbe probe{lp};
    ASSERT_EQ(probe.tokens().size(), 3); // 5, comment, eof
    probe.roles()[1] = Role::Number;
    EXPECT_EQ(roleString(lp.highlights(0)), QStringLiteral("number@4+1 comment@6+8 comment@0+3"));
}

// ---- Cursor operations ------------------------------------------------------------------------

TEST(LineParserCursor, MatchesEatExpectPeek) {
    LineParser lp = parser(QStringLiteral("More than 5 >= 3"));
    ParserProbe probe{lp};
    EXPECT_TRUE(probe.matches({u"more", u"than"}));
    EXPECT_TRUE(probe.matches({}));
    EXPECT_FALSE(probe.matches({u"More"})); // words compare lower-case
    EXPECT_TRUE(probe.matches({u">="}, 3));
    EXPECT_FALSE(probe.matches({u"3", u"x", u"y"}, 4)); // a number never matches; past the end fails
    EXPECT_FALSE(probe.matches({u"more"}, 99));
    EXPECT_EQ(probe.peek(50).kind, TokenKind::Eof);
    EXPECT_EQ(probe.word(0), QStringLiteral("more"));
    EXPECT_FALSE(probe.word(2));
    EXPECT_FALSE(probe.word(99));

    EXPECT_FALSE(probe.eat({u"than"}, Role::Keyword));
    EXPECT_EQ(probe.p(), 0);
    EXPECT_FALSE(probe.roles()[0]);
    EXPECT_TRUE(probe.eat({u"more", u"than"}, Role::Keyword));
    EXPECT_EQ(probe.p(), 2);
    EXPECT_EQ(probe.roles()[1], Role::Keyword);

    try {
        probe.expect({u"to", u"the", u"power", u"of"});
        FAIL();
    } catch (const CalcError& e) {
        EXPECT_EQ(e.message, QStringLiteral("Expected 'to the power of'"));
        EXPECT_FALSE(e.incomplete);
        EXPECT_FALSE(e.isDimension);
    }
    EXPECT_EQ(probe.p(), 2);
}

TEST(LineParserCursor, ExpectIsIncompleteOnlyAtTheEnd) {
    // Decided by the token at the cursor, not where the mismatch happens.
    struct C {
        const char* line;
        bool incomplete;
    } cases[] = {{"", true}, {"// c", true}, {"else", false}, {"then", false}};
    for (const C& c : cases) {
        LineParser lp = parser(QString::fromUtf8(c.line));
        ParserProbe probe{lp};
        try {
            probe.expect({u"then", u"so"});
            FAIL() << c.line;
        } catch (const CalcError& e) {
            EXPECT_EQ(e.message, QStringLiteral("Expected 'then so'"));
            EXPECT_EQ(e.incomplete, c.incomplete) << c.line;
        }
        EXPECT_EQ(probe.p(), 0);
    }
}

TEST(LineParserCursor, AtStopAndUnitMarks) {
    LineParser lp = parser(QStringLiteral("THEN , km / h m ^ 2 miles per hour"));
    ParserProbe probe{lp};
    EXPECT_FALSE(probe.atStop());
    probe.stopWords() = {QStringLiteral("then"), QStringLiteral(",")};
    EXPECT_TRUE(probe.atStop());
    probe.p() = 1;
    EXPECT_TRUE(probe.atStop());
    probe.p() = 2;
    EXPECT_FALSE(probe.atStop());

    probe.markUnitTokens(2, 5);
    probe.markUnitTokens(5, 8);
    probe.markUnitTokens(8, 11);
    probe.markUnitTokens(11, 2); // empty range
    const RoleList expected{std::nullopt, std::nullopt, Role::Unit, Role::Op, Role::Unit, Role::Unit,
                            Role::Op,     Role::Op,     Role::Unit, Role::Op, Role::Unit, std::nullopt};
    EXPECT_EQ(probe.roles(), expected);
}

// ---- Trial rule and stop words ----------------------------------------------------------------

namespace {

// Changes every trial field and the stop words, then ends as told.
std::optional<Value> scribble(ParserProbe& probe, int how) {
    return probe.withStopWords({u"then"}, [&]() -> std::optional<Value> {
        probe.p() += 2;
        probe.roles()[0] = Role::Keyword;
        probe.sawValue() = true;
        probe.usedPt() = true;
        probe.lastWasPercent() = true;
        probe.assignments().append({QStringLiteral("a"), q(1)});
        EXPECT_TRUE(probe.stopWords().contains(QStringLiteral("then")));
        switch (how) {
        case 0:
            throw CalcError(QStringLiteral("boom"));
        case 1:
            throw NoValue{};
        case 2:
            return std::nullopt;
        default:
            return q(42);
        }
    });
}

} // namespace

TEST(LineParserTrial, FailureRestoresAllSixFieldsAndStopWords) {
    // A short line, and one with more tokens than the roles keep in place.
    const QString longLine = QStringLiteral("1").append(QStringLiteral(" + 2").repeated(60));
    for (const QString& text : {QStringLiteral("1 + 2 + 3"), longLine}) {
        for (int how : {0, 1, 2}) {
            LineParser lp = parser(text);
            ParserProbe probe{lp};
            probe.stopWords() = {QStringLiteral("in")};
            probe.p() = 1;
            const ParserProbe::Snapshot before = probe.snapshot();
            EXPECT_FALSE(probe.trial([&] { return scribble(probe, how); })) << how;
            EXPECT_EQ(probe.snapshot(), before) << how;
        }
    }
}

TEST(LineParserTrial, SuccessKeepsStateButRestoresStopWords) {
    LineParser lp = parser(QStringLiteral("1 + 2 + 3"));
    ParserProbe probe{lp};
    const auto v = probe.trial([&] { return scribble(probe, 3); });
    ASSERT_TRUE(v);
    EXPECT_EQ(describe(*v), QStringLiteral("42"));
    EXPECT_EQ(probe.p(), 2);
    EXPECT_TRUE(probe.sawValue() && probe.usedPt() && probe.lastWasPercent());
    EXPECT_EQ(probe.assignments().size(), 1);
    EXPECT_TRUE(probe.stopWords().isEmpty());
}

TEST(LineParserTrial, CommittedErrorPropagatesOtherExceptionsPassThrough) {
    LineParser lp = parser(QStringLiteral("1 + 2 + 3"));
    ParserProbe probe{lp};
    const ParserProbe::Snapshot before = probe.snapshot();
    // Before the commit an error rolls back.
    EXPECT_FALSE(probe.trialWithCommit([&](auto&) { return scribble(probe, 0); }));
    EXPECT_EQ(probe.snapshot(), before);
    // After it the error reaches the caller; the stop words are still put back.
    EXPECT_THROW(probe.trialWithCommit([&](auto& commit) {
        commit();
        return scribble(probe, 0);
    }),
                 CalcError);
    EXPECT_TRUE(probe.stopWords().isEmpty());
    // Not a parse failure: passes through untouched.
    EXPECT_THROW(probe.trial([&]() -> std::optional<Value> { throw std::runtime_error("x"); }),
                 std::runtime_error);
}

TEST(LineParserTrial, StopWordsInsideAParenthesisAndOnThrow) {
    LineParser lp = parser(QStringLiteral("5 in m"));
    ParserProbe probe{lp};
    // With "in" owned by an enclosing phrase, the conversion loop stops before it.
    probe.withStopWords({u"in"}, [&] {
        const Value v = probe.parseConversion();
        EXPECT_EQ(describe(v), QStringLiteral("5"));
        EXPECT_EQ(probe.p(), 1);
    });
    EXPECT_TRUE(probe.stopWords().isEmpty());
    EXPECT_THROW(probe.withStopWords({u"x"}, [] { throw CalcError(QStringLiteral("e")); }), CalcError);
    EXPECT_TRUE(probe.stopWords().isEmpty());

    // A bracket group clears the outer stop words and puts them back, also when it throws.
    LineParser lp2 = parser(QStringLiteral("(5) in m"));
    ParserProbe probe2{lp2};
    probe2.withStopWords({u"in"}, [&] {
        EXPECT_EQ(describe(probe2.parseConversion()), QStringLiteral("5"));
        EXPECT_EQ(probe2.p(), 3);
        EXPECT_EQ(probe2.stopWords(), QSet<QString>{QStringLiteral("in")});
    });
    LineParser lp3 = parser(QStringLiteral("(5 m in"));
    ParserProbe probe3{lp3};
    probe3.withStopWords({u"in"}, [&] {
        try {
            probe3.parseConversion();
            FAIL();
        } catch (const CalcError& e) {
            // Inside the group "in" was a conversion, not the outer stop word.
            EXPECT_EQ(e.message, QStringLiteral("Expected a unit after 'in'"));
        }
        EXPECT_EQ(probe3.stopWords(), QSet<QString>{QStringLiteral("in")});
    });
}

// ---- Nesting and long lines -------------------------------------------------------------------

TEST(LineParserLimits, DeepNestingStopsWithAnError) {
    const auto nested = [](int n) { return QString(n, u'(') + u'1' + QString(n, u')'); };
    EXPECT_EQ(run(nested(LineParser::kMaxDepth)), "= 1");
    EXPECT_EQ(run(nested(LineParser::kMaxDepth + 1)), "! Too deeply nested");
    // A phrase that reads operands is a level of its own; the ones that read none are not.
    const auto around = [](int n, const char* inner) {
        return QString(n, u'(') + QString::fromUtf8(inner) + QString(n, u')');
    };
    EXPECT_EQ(run(around(LineParser::kMaxDepth - 1, "half of 4")), "= 2");
    EXPECT_EQ(run(around(LineParser::kMaxDepth, "half of 4")), "! Too deeply nested");
    EXPECT_EQ(run(around(LineParser::kMaxDepth, "current timestamp")), "= instant 2023-11-14T22:13:20Z");
    EXPECT_TRUE(run(around(LineParser::kMaxDepth, "London time")).startsWith(u"= zoned "));
    EXPECT_EQ(run(QString(5000, u'(')), "! Too deeply nested");
    EXPECT_EQ(run(nested(20000)), "! Too deeply nested");

    QString ats = QStringLiteral("2");
    for (int i = 0; i < 1000; ++i)
        ats += QStringLiteral(" at 1");
    EXPECT_EQ(run(ats), "! Too deeply nested");

    // The guard unwinds: the depth is back to 0 after the error.
    LineParser lp = parser(nested(300));
    EXPECT_THROW(lp.parseLine(), CalcError);
    EXPECT_EQ(ParserProbe{lp}.depth(), 0);
}

TEST(LineParserLimits, VeryLongLines) {
    QString sum = QStringLiteral("1");
    QString product = QStringLiteral("1");
    QString bits = QStringLiteral("0");
    for (int i = 0; i < 20000; ++i) {
        sum += QStringLiteral(" + 1");
        product += QStringLiteral(" * 1");
        bits += QStringLiteral(" | 1");
    }
    EXPECT_EQ(run(sum), "= 20001");
    EXPECT_EQ(run(product), "= 1");
    EXPECT_EQ(run(bits), "= 1");
    EXPECT_EQ(run(QString(50000, u'#') + QStringLiteral(" 5")), "= 5"); // stray text is a loop
    EXPECT_EQ(run(sum + QStringLiteral(" +")), "?! Expected a value");
}

// ---- Comparison, whole numbers and products on values -----------------------------------------

TEST(LineParserValues, Compare) {
    LineParser lp = parser(QString());
    ParserProbe probe{lp};
    EXPECT_TRUE(probe.compare(q(3, "m"), q(200, "cm"), u">"));
    EXPECT_TRUE(probe.compare(q(3, "m"), q(2), u">")); // a plain side compares raw values
    EXPECT_TRUE(probe.compare(q(3), q(200, "cm"), u"<"));
    try {
        probe.compare(q(5, "kg"), q(3, "m"), u"==");
        FAIL();
    } catch (const CalcError& e) {
        EXPECT_TRUE(e.isDimension);
    }
    const Value d1(CalendarDate{2024, 3, 1}), d2(CalendarDate{2024, 3, 2});
    EXPECT_TRUE(probe.compare(d1, d2, u"<"));
    EXPECT_FALSE(probe.compare(d1, d2, u">"));
    EXPECT_TRUE(probe.compare(d1, Value(CalendarDate{2024, 3, 1}), u"=="));
    const Value late(ClockTime{3600, 0}), nextDay(ClockTime{60, 1});
    EXPECT_TRUE(probe.compare(late, nextDay, u"<"));
    EXPECT_TRUE(probe.compare(Value(Instant{100}), Value(Instant{200}), u"<"));
    const Value z(ZonedTime{0, QTimeZone::utc(), QStringLiteral("UTC"), 0});
    EXPECT_THROW(probe.compare(z, z, u"=="), CalcError);
    EXPECT_THROW(probe.compare(d1, q(1), u"=="), CalcError);
    const Value composed(std::in_place_type<QString>, QStringLiteral("\u00E9"));
    const Value decomposed(std::in_place_type<QString>, QStringLiteral("e\u0301"));
    EXPECT_TRUE(probe.compare(composed, decomposed, u"=="));
    EXPECT_TRUE(probe.compare(composed, Value(std::in_place_type<QString>, QStringLiteral("\u00C9")), u"!="));
    EXPECT_THROW(probe.compare(composed, decomposed, u"<"), CalcError);
}

TEST(LineParserValues, Integer) {
    EXPECT_EQ(ParserProbe::integer(q(-12)), -12);
    EXPECT_EQ(ParserProbe::integer(q(8999999999999999.0)), 8999999999999999);
    for (const Value& bad : {Value(q(9e15)), Value(q(-9e15)), Value(q(NAN)), Value(q(INFINITY)),
                             Value(q(1e300)), Value(q(0.5)), Value(q(2, "m")), Value(true)})
        EXPECT_THROW(ParserProbe::integer(bad), CalcError);
}

TEST(LineParserValues, Multiplicative) {
    using Op = LineParser::MulOp;
    LineParser lp = parser(QString());
    ParserProbe probe{lp};
    const auto text = [&](const Quantity& a, Op op, const Quantity& b) {
        try {
            return describe(probe.multiplicative(a, op, b));
        } catch (const CalcError& e) {
            return TestSupport::describe(e);
        }
    };
    EXPECT_EQ(text(q(7, "m"), Op::Mod, q(2)), QStringLiteral("1 m"));
    EXPECT_EQ(text(q(7), Op::Mod, q(2, "m")), QStringLiteral("1 m"));
    EXPECT_EQ(text(q(7, "m"), Op::Mod, q(2, "m")), QStringLiteral("1 m"));
    const Quantity r = probe.multiplicative(q(1, "m"), Op::Mod, q(30, "cm"));
    EXPECT_NEAR(r.value, 0.1, 1e-12);
    EXPECT_EQ(r.unit, CompoundUnit(Units::unit("m")));
    EXPECT_EQ(text(q(1, "m"), Op::Mod, q(3, "kg")).left(9), QStringLiteral("! Can't c"));
    EXPECT_EQ(text(q(20, "\u00B0C"), Op::Divide, q(10, "\u00B0C")), QStringLiteral("2"));
    EXPECT_EQ(text(q(20, "\u00B0C"), Op::Divide, q(10, "\u00B0F")),
              QStringLiteral("! Can't divide absolute temperatures (\u00B0C, \u00B0F). Use K"));
    EXPECT_EQ(text(q(20, "\u00B0C"), Op::Divide, q(2)), describe(q(10, "\u00B0C")));
    EXPECT_EQ(text(q(6, "m"), Op::Divide, q(0, "s")), QStringLiteral("! Division by zero"));
    EXPECT_EQ(text(q(6, "m"), Op::Divide, q(2, "s")), QStringLiteral("3 m/s"));
    EXPECT_EQ(text(q(0.15), Op::Off, q(80, "USD")), describe(q(68, "USD")));
    EXPECT_EQ(text(q(0.15), Op::AddedTo, q(80, "USD")), describe(q(92, "USD")));
    EXPECT_EQ(text(q(15, "m"), Op::Off, q(80, "USD")),
              QStringLiteral("! Use a percentage here, e.g. 15% off $80"));

    // "at": fewer unit parts wins, a tie goes to the product.
    const Quantity perKg(5, CompoundUnit(QList<UnitPower>{{Units::unit("USD"), 1}, {Units::unit("kg"), -1}}));
    EXPECT_EQ(text(q(3, "kg"), Op::At, perKg), describe(q(15, "USD")));
    EXPECT_EQ(text(q(15, "USD"), Op::At, perKg), describe(q(3, "kg")));
    EXPECT_EQ(text(q(2), Op::At, q(3)), QStringLiteral("6"));
    // A zero divisor leaves only the product.
    EXPECT_EQ(text(q(6, "m"), Op::At, q(0, "USD")),
              describe(probe.multiplicative(q(6, "m"), Op::Multiply, q(0, "USD"))));
    EXPECT_EQ(text(q(5, "USD"), Op::At, q(0, "USD")), QStringLiteral("! Can't combine those with 'at'"));
}

TEST(LineParserValues, OperandLookahead) {
    LineEnv env = oneLineEnv();
    env.variables.insert(QStringLiteral("unit"), q(1));
    env.variables.insert(QStringLiteral("unit price"), q(2));
    env.variables.insert(QStringLiteral("a b c d e"), q(3));
    LineParser lp = parser(QStringLiteral("unit price x a b c d e Unit (+ line3 linen usd june foo"), env);
    ParserProbe probe{lp};
    const auto m = probe.variableAt(0);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->name, QStringLiteral("unit price"));
    EXPECT_EQ(m->end, 2);
    EXPECT_FALSE(probe.variableAt(3)); // five words are never a name
    EXPECT_FALSE(probe.variableAt(8)); // case-sensitive
    EXPECT_TRUE(probe.strictOperandStart(0));
    EXPECT_FALSE(probe.strictOperandStart(2));  // x
    EXPECT_TRUE(probe.strictOperandStart(9));   // (
    EXPECT_FALSE(probe.strictOperandStart(10)); // +
    EXPECT_TRUE(probe.canStartOperand(10));
    EXPECT_TRUE(probe.strictOperandStart(11));  // line3
    EXPECT_FALSE(probe.strictOperandStart(12)); // linen
    EXPECT_TRUE(probe.strictOperandStart(13));  // a currency code
    EXPECT_TRUE(probe.strictOperandStart(14));  // a month
    EXPECT_FALSE(probe.strictOperandStart(15));
    EXPECT_TRUE(probe.canStartOperand(15)); // any ordinary word
    EXPECT_FALSE(probe.canStartOperand(2)); // an operator word
    EXPECT_FALSE(probe.canStartOperand(99));
    probe.stopWords() = {QStringLiteral("foo")};
    EXPECT_FALSE(probe.canStartOperand(15));

    LineParser lp2 = parser(QStringLiteral("of 2"));
    ParserProbe probe2{lp2};
    const Value left = q(1);
    EXPECT_TRUE(probe2.mulOperator(&left));
    probe2.stopWords() = {QStringLiteral("of")};
    EXPECT_FALSE(probe2.mulOperator(&left));
}

// ---- Tables and conversion targets ------------------------------------------------------------

TEST(LineParserTables, SizesAndCalendarNames) {
    EXPECT_EQ(LineParser::conversionWords().size(), 4);
    EXPECT_EQ(LineParser::triggerWords().size(), 11);
    EXPECT_EQ(LineParser::operatorWords().size(), 22);
    EXPECT_EQ(LineParser::constants().size(), 16);
    EXPECT_EQ(LineParser::functions().size(), 45);
    EXPECT_EQ(LineParser::phraseWords().size(), 28);
    EXPECT_EQ(LineParser::months().size(), 24);
    EXPECT_EQ(LineParser::weekdays().size(), 17);
    EXPECT_TRUE(LineParser::reserved().contains(QStringLiteral("relabel")));
    EXPECT_FALSE(LineParser::conversionWords().contains(QStringLiteral("relabel")));
    EXPECT_TRUE(LineParser::unassignable().contains(QStringLiteral("total")));
    EXPECT_FALSE(LineParser::unassignable().contains(QStringLiteral("the")));
    for (const char* m : {"sept", "sep", "september"})
        EXPECT_EQ(LineParser::months().value(QString::fromLatin1(m)), 9) << m;
    EXPECT_EQ(LineParser::months().value(QStringLiteral("may")), 5);
    for (const char* d : {"thu", "thur", "thurs", "thursday"})
        EXPECT_EQ(LineParser::weekdays().value(QString::fromLatin1(d)), 5) << d;
    EXPECT_EQ(LineParser::weekdays().value(QStringLiteral("sun")), 1);
}

TEST(LineParserTables, ConversionTarget) {
    LineParser lp = parser(QStringLiteral("total in EUR"));
    const auto target = lp.conversionTarget(1);
    ASSERT_TRUE(target);
    EXPECT_EQ(target->first, CompoundUnit(Units::currencyUnit(QStringLiteral("EUR"))));
    EXPECT_EQ(target->second, 3);
    EXPECT_FALSE(lp.conversionTarget(0));
    EXPECT_FALSE(lp.conversionTarget(2));
    EXPECT_FALSE(lp.conversionTarget(99));
    EXPECT_FALSE(parser(QStringLiteral("total in EUR extra")).conversionTarget(1));
    EXPECT_TRUE(parser(QStringLiteral("x relabel m")).conversionTarget(1));
    // Moves and marks nothing.
    EXPECT_EQ(roleString(lp.highlights(0)), QStringLiteral("text@0+5 text@6+2 text@9+3"));
}
