#include "core/parser/Lexer.h"
#include "core/parser/Parser.h"
#include "core/values/Units.h"
#include "tests/support/Lines.h"

#include <gtest/gtest.h>

#include <QDateTime>

#include <memory>

using namespace VexilCore;
using TestSupport::outcome;

namespace {

// 2024-03-05 15:30 UTC: 10:30 in New York, five days before its clocks go forward.
double fixedNow() {
    return double(QDateTime(QDate(2024, 3, 5), QTime(15, 30), QTimeZone::utc()).toSecsSinceEpoch());
}

UnitRef widget() {
    static const UnitRef u = [] {
        auto def = std::make_shared<UnitDef>();
        def->id = def->symbol = QStringLiteral("widget");
        def->singular = QStringLiteral("widget");
        def->plural = QStringLiteral("widgets");
        def->dim = Dimension::mass;
        def->kind = UnitDef::Linear{0.5};
        return UnitRef(def);
    }();
    return u;
}

// Line 4 of a sheet of 6: line 1 is 42, line 2 failed, line 3 shows nothing.
LineEnv sheetEnv() {
    LineEnv env;
    env.ctx = EvalContext::make(CalendarCtx{QTimeZone(QByteArrayLiteral("America/New_York")),
                                            QLocale(QLocale::English, QLocale::UnitedStates)},
                                fixedNow(), std::nullopt, std::nullopt, 16, true);
    env.variables.insert(QStringLiteral("width"),
                         Quantity(3, CompoundUnit(Units::unit(QStringLiteral("m")))));
    env.variables.insert(QStringLiteral("unit price"), Quantity(2, CompoundUnit::none()));
    env.ans = Quantity(7, CompoundUnit(Units::unit(QStringLiteral("kg"))));
    env.currentLine = 4;
    env.lineCount = 6;
    env.lineValue = [](int n) -> std::optional<LineResult> {
        if (n == 1) return LineResult(Value(Quantity(42, CompoundUnit::none())));
        if (n == 2) return LineResult(CalcError(QStringLiteral("Division by zero")));
        return std::nullopt;
    };
    env.customUnits.insert(QStringLiteral("widget"), widget());
    return env;
}

QString run(const QString& line, LineEnv env = sheetEnv()) {
    return TestSupport::run(line, std::move(env));
}

QString roles(const QString& line, LineEnv env = sheetEnv()) {
    return TestSupport::roles(line, std::move(env));
}

void runTable(std::initializer_list<TestSupport::Case> cases) {
    TestSupport::runTable(cases, sheetEnv());
}

void rolesTable(std::initializer_list<TestSupport::Case> cases) {
    TestSupport::rolesTable(cases, sheetEnv());
}

QString repeated(const char* piece, int n) {
    return QString::fromUtf8(piece).repeated(n);
}

} // namespace

// ---- Signs, powers, trailing text and error wording ------------------------------------------

TEST(LowerLevelsSigns, SignsAndPowers) {
    runTable({
        {"-2^2", "= -4"},
        {"2^-2", "= 0.25"},
        {"2^3^2", "= 512"},
        {"2**3", "= 8"},
        {"2 to the power of 3", "= 8"},
        {"2 To THE Power oF 3", "= 8"},
        {"--5", "= 5"},
        {"-+5", "= -5"},
        {"+5", "= 5"},
        {"-(5 ft 3 in)", "= -5.25 ft {-5 ft, -3 in}"},
        {"-today", "! Can't negate that"},
        {"+today", "! Can't negate that"},
        {"today^2", "! Dates and times can't be raised to a power"},
        {"2^today", "! Dates and times can't be raised to a power"},
        {"2 to the power of", "?! Expected a value"},
        {"5 m^2.5", "! Units can only be raised to whole-number powers"},
    });
}

TEST(LowerLevelsSigns, TrailingTextAndEndOfLineWording) {
    runTable({
        {"hello there 5", "= 5"},
        {"5 apples and pears", "= 5"},
        {"5 kg and then by tomorrow", "= 5 kg"}, // operator, reserved and constant words are inert
        {"5 6", "! Missing operator before number"},
        {"5 )", "! Unmatched ')'"},
        {"5 = 3", "! Unexpected '='"},
        {"5 \u00A7 3", "! Unexpected '\u00A7'"},
        {"3 x", "?! Expected a value"},
        {"3 multiplied // why", "?! Expected a value"},
        {"5 sqrt 4", "! Missing operator before 'sqrt'"},
        {"5 width 2", "! Missing operator before 'width'"},
        {"5 PI 2", "! Missing operator before 'PI'"},
        {"5 foo 2", "! Missing operator before number"}, // the prose word went to the operand
        {"5.5 march 2", "! Unexpected 'march'"},
        {"5 Kilo grams 2", "! Unexpected 'grams'"},
        {"5 $", "! Unexpected input"},
        {"5 2024-03-05", "! Unexpected input"},
        {"5 9:30", "! Unexpected input"},
    });
    rolesTable({
        {"5 apples and pears", "number text text text"},
        {"3 x", "number op"},
    });
}

TEST(LowerLevelsSigns, DeepNestingEndsInAnErrorAndLongProseInAValue) {
    const QString tooDeep = QStringLiteral("Too deeply nested");
    for (const QString& line :
         {repeated("-", 5000) + u'5', repeated("(", 5000) + u'5', repeated("2^", 5000) + u'2',
          repeated("\u221A", 5000) + u'4', repeated("round(", 5000) + u'1', repeated("-(", 3000) + u'1'}) {
        EXPECT_EQ(run(line), QStringLiteral("! ") + tooDeep) << line.left(12).toStdString();
    }
    EXPECT_EQ(run(repeated("-", 150) + u'5'), "= 5");
    EXPECT_EQ(run(repeated("(", 150) + u'5' + repeated(")", 150)), "= 5");
    EXPECT_EQ(run(repeated("word ", 20000) + u'5'), "= 5");
    EXPECT_EQ(run(QStringLiteral("5 ") + repeated("word ", 20000)), "= 5");
    EXPECT_EQ(run(QStringLiteral("5 ") + repeated("word ", 20000) + u'5'),
              "! Missing operator before number");
    EXPECT_EQ(run(QStringLiteral("5 (for ") + repeated("(", 5000)), "= 5");
    EXPECT_EQ(run(repeated("\u00A7", 20000) + u'5'), "= 5");
    EXPECT_EQ(run(QStringLiteral("1") + repeated("0", 400)), "! Number is too large");
    EXPECT_EQ(run(QStringLiteral("2^99999999999999999999")), "! Result is too large");
}

// ---- Postfix operators ---------------------------------------------------------------------

TEST(LowerLevelsPostfix, Forms) {
    runTable({
        {"50%", "= 0.5"},
        {"50% squared", "= 0.25"},
        {"50 kg%", "! % applies to plain numbers"},
        {"today%", "! % applies to plain numbers"},
        {"5!", "= 120"},
        {"0!", "= 1"},
        {"170!", "= 7.257415615307994e+306"},
        {"5 !", "! Unexpected '!'"},
        {"171!", "! Factorial needs a whole number from 0 to 170"},
        {"(0 - 1)!", "! Factorial needs a whole number from 0 to 170"},
        {"2.5!", "! Factorial needs whole numbers"},
        {"3 squared", "= 9"},
        {"2 cubed", "= 8"},
        {"3 m squared", "= 9 m\u00B2"},
        {"today squared", "! Can't square that"},
        {"today cubed", "! Can't square that"},
        {"3 days ago", "= date 2024-03-02"},
        {"2 weeks from now", "= date 2024-03-19"},
        {"1 month from now", "= date 2024-04-05"},
        {"3 hours ago", "= instant 2024-03-05T12:30:00Z"},
        {"1 day 2 hours from now", "= instant 2024-03-06T17:30:00Z"},
        {"5 ago", "! Use a duration, e.g. 3 days ago"},
        {"3 kg ago", "! Use a duration, e.g. 3 days ago"},
        {"5 March 2024 at 14:30", "= instant 2024-03-05T19:30:00Z"},
        {"5 March 2024 @ 2pm", "= instant 2024-03-05T19:00:00Z"},
        {"5 March 2024 9:30", "= instant 2024-03-05T14:30:00Z"},
        {"10 March 2024 at 2:30", "= instant 2024-03-10T07:30:00Z"},   // skipped hour: moves on by it
        {"3 November 2024 at 1:30", "= instant 2024-11-03T06:30:00Z"}, // twice: the later one
        {"5 March 2024 at", "= date 2024-03-05"},
        {"12 kg (for the cake)", "= 12 kg"},
        {"12 kg (chopped (fine)) + 1 kg", "= 13 kg"},
        {"12 kg (for the cake", "= 12 kg"},
        {"3pm Narnia", "= clock 54000"},
        {"3pm Narnia in Tokyo", "! Unknown place 'Narnia'"},
        {"10 apples + 5 pears", "= 15"},
    });
    rolesTable({
        {"12 kg (for the cake)", "number unit comment comment comment comment comment"},
        {"5! + 50%", "number op op number op"},
        {"5 March 2024 at 14:30", "number number number keyword number"},
        {"3 days ago", "number unit keyword"},
        {"2 hours from now", "number unit keyword keyword"},
        {"10 apples", "number text"},
    });
}

// ---- Primary expressions -------------------------------------------------------------------

TEST(LowerLevelsPrimary, Tokens) {
    runTable({
        {"", ""},
        {"// just a note", ""},
        {": note", ""},
        {", x", ""},
        {"5 +", "?! Expected a value"},
        {"5 + // more", "?! Expected a value"},
        {"5 + )", "! Unexpected ')'"},
        {"5 + ,", "! Unexpected ','"},
        {"5 + \u00A7", "! Unexpected '\u00A7'"},
        {"1e999", "! Number is too large"},
        {"(1 + 2", "?! Missing ')'"},
        {"(1 + 2 // note", "?! Missing ')'"},
        {"(1 + 2 3)", "! Missing operator before number"},
        {"(2 + 3) kg", "= 5 kg"},
        {"(2 + 3) in m", "= 0.127 m"}, // a plain number "in" a length is read as inches
        {"(2 kg) m", "! Unexpected 'm'"},
        {"(50%) kg", "= 0.5 kg"},
        {"$-5", "= -5 USD"},
        {"$5k", "= 5000 USD"},
        {"$5m", "= 5e+06 USD"},
        {"$5b", "= 5e+09 USD"},
        {"$5B", "= 5e+09 USD"},
        {"$5t", "= 5e+12 USD"},
        {"$2.5bn", "= 2.5e+09 USD"},
        {"$5 kg", "! Unexpected 'kg'"},
        {"$", "?! Expected an amount after the currency symbol"},
        {"$ // note", "?! Expected an amount after the currency symbol"},
        {"$ x", "! Expected an amount after the currency symbol"},
        {"$1e308k", "! Number is too large"},
        {"$1e999", "! Number is too large"},
        {"2024-02-29", "= date 2024-02-29"},
        {"2024-04-31", "! Invalid date"},
        {"2023-02-29", "! Invalid date"},
        {"2024-13-01", "! Invalid date"},
        {"2024-03-05T14:30", "= instant 2024-03-05T19:30:00Z"},
        {"2024-03-05T14:30Z", "= instant 2024-03-05T14:30:00Z"},
        {"2024-03-05T14:30:15+05:30", "= instant 2024-03-05T09:00:15Z"},
        {"2024-03-10T02:30", "= instant 2024-03-10T07:30:00Z"},
        {"2024-11-03T01:30", "= instant 2024-11-03T06:30:00Z"},
        {"2024-03-05T24:00", "! Invalid date"},
        {"2024-03-05T10:60", "! Invalid date"},
        {"2024-04-31T10:00", "! Invalid date"},
        {"2024-03-05T10:00+20:00", "! Invalid date"},
        {"9:30", "= clock 34200"},
        {"9:30pm", "= clock 77400"},
        {"25:00", "! Invalid time"},
        {"13:00pm", "! Invalid time"},
        {"1:30:00", "= 5400 seconds [hms]"},
        {"\u00A7 5", "= 5"},
        {"5 \u00A7", "! Unexpected '\u00A7'"},
    });
    rolesTable({
        {"(2 + 3) kg", "op number op number op unit"},
        {"$-5k", "unit op number number"},
        {"\u00A7 5", "text number"},
    });
}

TEST(LowerLevelsPrimary, InjectedContinuation) {
    auto withInjected = [](const char* rest) {
        QList<Token> tokens = Lexer::lex(QString::fromUtf8(rest), true);
        Token injected;
        injected.kind = TokenKind::Injected;
        tokens.prepend(injected);
        return tokens;
    };
    LineEnv env = sheetEnv();
    env.continuation = Value(Quantity(10, CompoundUnit::none()));
    LineParser carried(withInjected("+ 5"), env);
    EXPECT_EQ(outcome(carried), "= 15");
    LineParser lost(withInjected("+ 5"), sheetEnv()); // no continuation: nothing, no crash
    EXPECT_EQ(outcome(lost), "");
}

TEST(LowerLevelsPrimary, ProseWords) {
    // A prose word after a value is skipped; a line reference, a month, a unit, a variable or a
    // custom unit is not prose and stops the operand.
    runTable({
        {"5 linen + 1", "= 6"},
        {"5 line1 + 1", "! Unexpected 'line1'"},
        {"5.5 march + 1", "! Unexpected 'march'"},
        {"5 width + 1", "! Missing operator before 'width'"},
        {"5 unit price", "= 5"}, // only a one-word variable stops the prose
        {"5 bar + 1", "= 6 bar"},
        {"2 widget + 1", "= 3 widgets"},
        {"5 then + 1", "! Unexpected 'then'"},
    });
}

// ---- Numbers with units and magnitude suffixes ----------------------------------------------

TEST(LowerLevelsNumbers, MagnitudesUnitsAndDates) {
    runTable({
        {"5k", "= 5000"},
        {"5 k", "= 5"},
        {"5thousand", "= 5000"},
        {"5 Thousand", "= 5000"},
        {"2 lakh", "= 2e+05"},
        {"1.5 crore", "= 1.5e+07"},
        {"5 billion", "= 5e+09"},
        {"5M", "= 5e+06"},
        {"5G", "= 5e+09"},
        {"2tn", "= 2e+12"},
        {"5m", "= 5 m"},
        {"5K", "= 5 K"},
        {"1e308 thousand", "! Number is too large"},
        {"5 March", "= date 2024-03-05"},
        {"5 March 2024", "= date 2024-03-05"},
        {"5 march, 2023", "= date 2023-03-05"},
        {"29 feb 2024", "= date 2024-02-29"},
        {"30 February", "! Invalid date"},
        {"31 april 2024", "! Invalid date"},
        {"32 March", "= 32"},
        {"5.5 March", "= 5.5"},
        {"5 x 3", "= 15"},
        {"5 in", "= 5 in"},
        {"5 in cm", "= 12.7 cm"},
        {"5\u20AC", "= 5 EUR"},
        {"5 \u20AC", "! Unexpected input"},
        {"5 USD", "= 5 USD"},
        {"5 usd", "= 5 USD"},
        {"5 ft 3 in", "= 5.25 ft {5 ft, 3 in}"},
        {"1 h 30 min", "= 1.5 hours {1 h, 30 min}"},
        {"1 h 30 min 15 s", "= 1.5041666666666667 hours {1 h, 30 min, 15 s}"},
        {"5 ft 3 ft", "! Missing operator before number"},
        {"5 ft 3 kg", "! Missing operator before number"},
        {"20 \u00B0C 5 \u00B0C", "! Missing operator before number"},
        {"$5 3 USD", "! Missing operator before number"},
        {"5 ft 1e999 in", "! Number is too large"},
        {"5 apples", "= 5"},
        {"5 widget", "= 5 widgets"},
        {"5 Widget", "= 5 widgets"},
    });
    rolesTable({
        {"5k", "number number"},
        {"5 ft 3 in", "number unit number unit"},
        {"5 March 2024", "number number number"},
        {"5 march, 2023", "number number number number"},
        {"5 m^2", "number unit op op"},
        {"5\u20AC", "number unit"},
    });
    // "in" before a special target is left to the conversion level, not read as the inch.
    for (const char* line : {"255 in hex", "3 in %", "3 in the nearest", "3.14159 to 2 dp"})
        EXPECT_EQ(roles(QString::fromUtf8(line)).section(u' ', 0, 1), "number op") << line;
    EXPECT_EQ(roles(QStringLiteral("3 in the")).section(u' ', 0, 1), "number unit");
}

// ---- Word resolution -------------------------------------------------------------------------

TEST(LowerLevelsWords, LineReferences) {
    runTable({
        {"line1", "= 42"},
        {"Line1 + 1", "= 43"},
        {"line 1", "= 42"},
        {"LINE 1 * 2", "= 84"},
        {"line 3.5", "= 3.5"},
        {"line 0", "= 0"},
        {"line 100000", "= 1e+05"},
        {"line0", "! There is no line 0"},
        {"line7", "! There is no line 7"},
        {"line4", "! A line can't refer to itself"},
        {"line5", "! line5 is below this line"},
        {"line 5", "! line5 is below this line"},
        {"line2", "! line2 has an error"},
        {"line3", "! line3 has no value"},
        {"line99999999999999999999", ""},
        {"line+3", "! Unexpected '+'"},
    });
    rolesTable({{"line 1 + 1", "ref ref op number"}});
}

TEST(LowerLevelsWords, VariablesConstantsAndNames) {
    runTable({
        {"width * 2", "= 6 m"},
        {"unit price + 1", "= 3"},
        {"pi", "= 3.141592653589793"},
        {"\u03C0 * 2", "= 6.283185307179586"},
        {"tau", "= 6.283185307179586"},
        {"\u03C6", "= 1.618033988749895"},
        {"e", "= 2.718281828459045"},
        {"E", ""},
        {"5 + E", "?! Expected a value"},
        {"true", "= true"},
        {"FALSE", "= false"},
        {"ans", "= 7 kg"},
        {"today", "= date 2024-03-05"},
        {"tomorrow", "= date 2024-03-06"},
        {"yesterday", "= date 2024-03-04"},
        {"now", "= clock 37800"},
        {"noon", "= clock 43200"},
        {"midnight", "= clock 0"},
        {"\u221A today", "! \u221A needs a number"},
        {"sqrt 16", "! Use sqrt(\u2026) with parentheses"},
        {"SQRT 16", "! Use sqrt(\u2026) with parentheses"},
        {"5 + sqrt", "?! Expected a value"},
        {"round(2.5, 0", "?! Missing ')'"},
        {"round(2.5, 0 // note", "?! Missing ')'"},
        {"round(2.5 3)", "! Missing operator before number"},
        {"jan 31", "= date 2024-01-31"},
        {"feb 30", "! Invalid date"},
        {"feb 29 2024", "= date 2024-02-29"},
        {"march 3, 2024", "= date 2024-03-03"},
        {"march 3 2024", "= date 2024-03-03"},
        {"march 3 24", "! Missing operator before number"},
        {"march 3 20240", "! Missing operator before number"},
        {"may 5 kg", "= 5 kg"},
        {"feb 99999999999999999999", "= 1e+20"},
        {"USD 5", "= 5 USD"},
        {"EUR 2k", "= 2000 EUR"},
        {"eur 2 million", "= 2e+06 EUR"},
        {"USD 1e999", "! Number is too large"},
        {"USD", ""},
        {"USD (5)", "= 5"},
        {"a km", "= 1 km"},
        {"an hour + 30 min", "= 1.5 hours"},
        {"5 km / h", "= 5 km/h"},
        {"foo 5", "= 5"},
        {"foo + 5", "! Unknown name 'foo'"},
        {"5 + Foo", "! Unknown name 'Foo'"},
        {"kg + 5", "! Unknown name 'kg'"},
        {"2 cups of flour", "! Unknown name 'flour'"},
        {"5 + then", "?! Expected a value"},
        {"then 5", "= 5"},
    });
    LineEnv noAns = sheetEnv();
    noAns.ans.reset();
    EXPECT_EQ(run(QStringLiteral("ans"), noAns), "! No previous result for ans");
    EXPECT_EQ(roles(QStringLiteral("ans"), noAns), "keyword");
    rolesTable({
        {"unit price + 1", "variable variable op number"},
        {"pi", "keyword"},
        {"sqrt 16", "keyword number"},
        {"round(2.5, 0", "keyword op number op number"},
        {"march 3, 2024", "number number number number"},
        {"USD 2k", "unit number number"},
        {"a km", "keyword unit"},
        {"5 + foo", "number op text"},
        {"foo 5", "text number"},
    });
}

// ---- Unit expressions and conversion ------------------------------------------------------------

TEST(LowerLevelsUnits, Terms) {
    runTable({
        {"5 sq ft", "= 5 ft\u00B2"},
        {"2 square metres", "= 2 m\u00B2"},
        {"1 cubic cm", "= 1 cm\u00B3"},
        {"3 cu in", "= 3 in\u00B3"},
        {"5 square kg", "! Unexpected 'kg'"},
        {"5 m^2", "= 5 m\u00B2"},
        {"5 s^-1", "= 5 1/s"},
        {"5 m^-2", "= 5 1/m\u00B2"},
        {"5 m^10", "= 9765625 m\u00B9\u2070"}, // the suffix stops at 9; the power level takes the rest
        {"5 m^99999999999999999999", "! Units can only be raised to whole-number powers"},
        {"5 m^", "?! Expected a value"},
        {"5 kg*m/s^2", "= 5 kg\u00B7m/s\u00B2"},
        {"5 km/h", "= 5 km/h"},
        {"5 km per h", "= 5 km/h"},
        {"5 m/", "?! Expected a value"},
        {"2 nmi", "= 2 nmi"},
        {"2 fl oz", "= 2 fl oz"},
        {"5 in cm", "= 12.7 cm"},
        {"5 to km", "= 5 km"},
        {"5 km in m", "= 5000 m"},
        {"5 km in m in cm", "= 5e+05 cm"},
        {"1 ft in m^2", "! Can't convert length to area (dimension)"},
        {"today in km", "! Can't convert that to km"},
        {"1:30:00 in min", "= 90 minutes"},
        {"5 ft 3 in to in", "= 63.00000000000001 in"},
        {"2 widget in kg", "= 1 kg"},
    });
}

TEST(LowerLevelsUnits, PointOrPintAndCustomUnits) {
    LineParser point(Lexer::lex(QStringLiteral("12 pt"), true), sheetEnv());
    EXPECT_EQ(outcome(point), "= 12 pt");
    EXPECT_TRUE(point.usedPt());
    LineEnv pints = sheetEnv();
    pints.ptAsPint = true;
    LineParser pint(Lexer::lex(QStringLiteral("2 pt"), true), pints);
    EXPECT_EQ(outcome(pint), "= 2 pints");
    EXPECT_TRUE(pint.usedPt());
    LineParser upper(Lexer::lex(QStringLiteral("12 PT"), true), pints);
    EXPECT_EQ(outcome(upper), "= 12 pt");
    EXPECT_FALSE(upper.usedPt());

    // A sheet's unit wins over the registry's of the same name.
    LineEnv feet = sheetEnv();
    feet.customUnits.insert(QStringLiteral("ft"), widget());
    EXPECT_EQ(run(QStringLiteral("2 ft"), feet), "= 2 widgets");
}

TEST(LowerLevelsUnits, ConversionTargetsEndAtABoundary) {
    struct Target {
        const char* line;
        const char* unit; // nullptr: no target
        int end;
    };
    const Target targets[] = {
        {"in EUR", "EUR", 2},       {"in miles + 1", nullptr, 0}, {"in miles extra", nullptr, 0},
        {"to km/h)", "km/h", 4},    {"in km, 3", "km", 2},        {"as km if x", "km", 2},
        {"into m rounded", "m", 2}, {"in m >= 3", "m", 2},        {"in m // note", "m", 2},
        {"in m then", "m", 2},      {"in m per s s", nullptr, 0}, {"in m per", nullptr, 0},
        {"relabel kg", "kg", 2},    {"per kg", nullptr, 0},
    };
    for (const Target& c : targets) {
        LineParser lp(Lexer::lex(QString::fromUtf8(c.line), true), sheetEnv());
        const auto target = lp.conversionTarget(0);
        if (!c.unit) {
            EXPECT_FALSE(target) << c.line;
            continue;
        }
        ASSERT_TRUE(target) << c.line;
        EXPECT_EQ(target->first.display(true), QString::fromUtf8(c.unit)) << c.line;
        EXPECT_EQ(target->second, c.end) << c.line;
    }
}
