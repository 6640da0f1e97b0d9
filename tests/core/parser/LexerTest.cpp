#include "core/parser/Lexer.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/ValueText.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <cmath>
#include <random>

using VexilCore::Token;
using VexilCore::TokenKind;
namespace Lexer = VexilCore::Lexer;
using TestSupport::num;

namespace {

// One token as "kind payload", e.g. "num 31", "sym <=", "clock 54000 valid ampm".
QString payload(const Token& t) {
    switch (t.kind) {
    case TokenKind::Number:
        return "num " + num(t.number);
    case TokenKind::Word:
        return "word " + t.text;
    case TokenKind::Sym:
        return "sym " + t.text;
    case TokenKind::Currency:
        return "cur " + t.text;
    case TokenKind::Date:
        return QString("date %1-%2-%3").arg(t.date.year).arg(t.date.month).arg(t.date.day);
    case TokenKind::IsoDateTime: {
        const auto& d = t.iso;
        QString s = QString("iso %1-%2-%3 %4:%5:%6")
                        .arg(d.year)
                        .arg(d.month)
                        .arg(d.day)
                        .arg(d.hour)
                        .arg(d.minute)
                        .arg(d.second);
        if (d.offsetSeconds)
            s += QString(" %1%2").arg(*d.offsetSeconds >= 0 ? "+" : "").arg(*d.offsetSeconds);
        return s;
    }
    case TokenKind::Clock:
        return QString("clock %1 %2%3")
            .arg(t.clock.seconds)
            .arg(t.clock.valid ? "valid" : "invalid")
            .arg(t.clock.meridiem ? " ampm" : "");
    case TokenKind::Hms:
        return "hms " + num(t.number);
    case TokenKind::Other:
        return "other " + t.text;
    case TokenKind::Comment:
        return "comment";
    case TokenKind::Quoted:
        return "quoted";
    case TokenKind::Injected:
        return "injected";
    case TokenKind::Eof:
        return "eof";
    }
    return "?";
}

// Kinds and payloads only, without the final eof.
QString kinds(const QList<Token>& tokens) {
    QStringList parts;
    for (const Token& t : tokens)
        if (t.kind != TokenKind::Eof) parts << payload(t);
    return parts.join(" | ");
}

// Everything: "_" marks spaceBefore, [location,length] the range.
QString full(const QList<Token>& tokens) {
    QStringList parts;
    for (const Token& t : tokens)
        parts << QString("%1%2[%3,%4]")
                     .arg(t.spaceBefore ? "_" : "", payload(t))
                     .arg(t.range.location)
                     .arg(t.range.length);
    return parts.join(" ");
}

bool isBlankUnit(QChar c) {
    return c == u'\t' || c == u' ' || c == QChar(0x00A0);
}

// What holds for every line: one eof, last, at the end; ranges in order, non-empty and inside
// the text; only blanks between tokens; spaceBefore exactly when blanks precede (or first).
void checkInvariants(const QString& text, const QList<Token>& tokens) {
    SCOPED_TRACE(text.toStdString());
    ASSERT_FALSE(tokens.isEmpty());
    const Token& eof = tokens.last();
    ASSERT_EQ(eof.kind, TokenKind::Eof);
    EXPECT_EQ(eof.range, (VexilCore::TextRange{text.size(), 0}));
    qsizetype pos = 0;
    for (qsizetype k = 0; k < tokens.size(); ++k) {
        const Token& t = tokens[k];
        if (k + 1 < tokens.size()) {
            ASSERT_NE(t.kind, TokenKind::Eof) << "eof before the end at " << k;
            ASSERT_GT(t.range.length, 0) << "empty token at " << k;
        }
        ASSERT_NE(t.kind, TokenKind::Injected);
        ASSERT_GE(t.range.location, pos) << "token " << k << " overlaps the previous one";
        ASSERT_LE(t.range.end(), text.size());
        for (qsizetype u = pos; u < t.range.location; ++u)
            ASSERT_TRUE(isBlankUnit(text[u])) << "unit " << u << " belongs to no token";
        EXPECT_EQ(t.spaceBefore, k == 0 || t.range.location > pos) << "token " << k;
        if (t.kind == TokenKind::Word || t.kind == TokenKind::Other) {
            EXPECT_EQ(t.text, text.mid(t.range.location, t.range.length));
        }
        if (t.kind == TokenKind::Word) {
            EXPECT_EQ(t.lower, t.text.toLower());
        }
        if (t.kind == TokenKind::Comment) {
            EXPECT_EQ(k, tokens.size() - 2);
        }
        if (t.kind == TokenKind::Number) {
            EXPECT_FALSE(std::isnan(t.number));
        }
        pos = t.range.end();
    }
}

QList<Token> lexChecked(const QString& text, bool monthFirst = false) {
    const QList<Token> tokens = Lexer::lex(text, monthFirst);
    checkInvariants(text, tokens);
    return tokens;
}

struct Case {
    QString line;
    QString expected;
};

void runTable(const std::vector<Case>& cases, bool monthFirst = false) {
    for (const Case& c : cases)
        EXPECT_EQ(kinds(lexChecked(c.line, monthFirst)), c.expected) << c.line.toStdString();
}

} // namespace

TEST(Lexer, DecimalNumbers) {
    runTable({
        {"42", "num 42"},
        {"1,234,567.5", "num 1234567.5"},
        {"1234,567", "num 1234 | sym , | num 567"},
        {"1,23", "num 1 | sym , | num 23"},
        {"1,2345", "num 1 | sym , | num 2345"},
        {"1,234,5678", "num 1234 | sym , | num 5678"},
        {"max(1,234,5)", "word max | sym ( | num 1234 | sym , | num 5 | sym )"},
        {"1,", "num 1 | sym ,"},
        {".5", "num 0.5"},
        {"5.", "num 5 | other ."},
        {"5..5", "num 5 | other .. | num 5"},
        {"1.2.3", "num 1.2 | num 0.3"},
        {"2e3", "num 2000"},
        {"2e", "num 2 | word e"},
        {"1E-2", "num 0.01"},
        {"1.5e+3x", "num 1500 | word x"},
        {"5em", "num 5 | word em"},
        {"2e+x", "num 2 | word e | sym + | word x"},
        {"007", "num 7"},
        {"3x4", "num 3 | word x | num 4"},
        {"3xy", "num 3 | word xy"},
        {"3X4", "num 3 | word X4"},
        {"3x", "num 3 | word x"},
        {"-5", "sym - | num 5"},
        {"50%", "num 50 | sym %"},
        {"5'", "num 5 | other '"},
    });
}

TEST(Lexer, OverflowAndUnderflowAreNotNaN) {
    const QString huge = "1" + QString(400, u'0');
    EXPECT_EQ(lexChecked(huge).first().number, INFINITY);
    EXPECT_EQ(lexChecked("1e999").first().number, INFINITY);
    EXPECT_EQ(lexChecked("1e-400").first().number, 0.0);
    EXPECT_EQ(lexChecked("0." + QString(400, u'0') + "1").first().number, 0.0);
    EXPECT_DOUBLE_EQ(lexChecked("3.141592653589793238462643383279").first().number, 3.141592653589793);
}

TEST(Lexer, RadixLiterals) {
    runTable({
        {"0x1F", "num 31"},
        {"0xff", "num 255"},
        {"0b101", "num 5"},
        {"0o17", "num 15"},
        {"0X1F", "num 0 | word X1F"},
        {"0x", "num 0 | word x"},
        {"0b12", "num 0 | word b12"},
        {"0o8", "num 0 | word o8"},
        {"0xfg", "num 0 | word xfg"},
        {"0x1F.5", "num 31 | num 0.5"},
        {"0x10+1", "num 16 | sym + | num 1"},
        {"0x7fffffffffffffff", "num 9223372036854775808"},
        // Too large for 64 bits: read as a decimal, where the x splits off before a digit.
        {"0x8000000000000000", "num 0 | word x | num 8e+15"},
        {"0xffffffffffffffffff", "num 0 | word xffffffffffffffffff"},
        {"10x3", "num 10 | word x | num 3"},
    });
}

TEST(Lexer, IsoDatesAndDateTimes) {
    runTable({
        {"2024-03-05", "date 2024-3-5"},
        {"2024-13-45", "date 2024-13-45"},
        {"2024-03-051", "num 2024 | sym - | num 3 | sym - | num 51"},
        {"12024-03-05", "num 12024 | sym - | num 3 | sym - | num 5"},
        {"2024-3-05", "num 2024 | sym - | num 3 | sym - | num 5"},
        {"2024-03-05x", "date 2024-3-5 | word x"},
        {"2024-03-05T14:30", "iso 2024-3-5 14:30:0"},
        {"2024-03-05T14:30:15.250+05:30", "iso 2024-3-5 14:30:15 +19800"},
        {"2024-03-05T14:30Z", "iso 2024-3-5 14:30:0 +0"},
        {"2024-03-05T14:30:15Z", "iso 2024-3-5 14:30:15 +0"},
        {"2024-03-05T14:30-0800", "iso 2024-3-5 14:30:0 -28800"},
        {"2024-03-05T14:30+05", "iso 2024-3-5 14:30:0 +18000"},
        {"2024-03-05T14:30+05:3", "iso 2024-3-5 14:30:0 +18000 | sym : | num 3"},
        {"2024-03-05T14:30+5", "iso 2024-3-5 14:30:0 | sym + | num 5"},
        {"2024-03-05T14:30z", "iso 2024-3-5 14:30:0 | word z"},
        {"2024-03-05T14:30:1", "iso 2024-3-5 14:30:0 | sym : | num 1"},
        {"2024-03-05T14:30:15.", "iso 2024-3-5 14:30:15 | other ."},
        {"2024-03-05T14:30.5", "iso 2024-3-5 14:30:0"},
        {"2024-03-05T99:99:99+99:99", "iso 2024-3-5 99:99:99 +362340"},
        {"2024-03-05t14:30", "date 2024-3-5 | word t14 | sym : | num 30"},
        {"2024-03-05T1430", "date 2024-3-5 | word T1430"},
        {"2024-03-05T14:3", "date 2024-3-5 | word T14 | sym : | num 3"},
    });
}

TEST(Lexer, DayMonthYearDates) {
    runTable({
        {"5/3/2024", "date 2024-3-5"},
        {"5.3.2024", "date 2024-3-5"},
        {"31.12.1999", "date 1999-12-31"},
        {"5/3/24", "num 5 | sym / | num 3 | sym / | num 24"},
        {"5/3.2024", "num 5 | sym / | num 3.2024"},
        {"1/2/20245", "num 1 | sym / | num 2 | sym / | num 20245"},
        {"123/4/2024", "num 123 | sym / | num 4 | sym / | num 2024"},
        {"1/234/2024", "num 1 | sym / | num 234 | sym / | num 2024"},
    });
    runTable(
        {
            {"5/3/2024", "date 2024-5-3"},
            {"12/31/2024", "date 2024-12-31"},
            {"5.3.2024", "date 2024-3-5"},
        },
        true);
}

TEST(Lexer, ClockTimesAndDurations) {
    runTable({
        {"9:30", "clock 34200 valid"},
        {"09:30", "clock 34200 valid"},
        {"9:30pm", "clock 77400 valid ampm"},
        {"9:30 p.m.", "clock 77400 valid ampm"},
        {"9:30:15", "hms 34215"},
        {"100:30:00", "hms 361800"},
        {"9:30:15pm", "clock 77415 valid ampm"},
        {"9:75:00", "clock 36900 invalid"},
        {"9:30:60", "clock 34260 invalid"},
        {"25:00", "clock 90000 invalid"},
        {"24:00", "clock 86400 invalid"},
        {"9:75", "clock 36900 invalid"},
        {"12:00 am", "clock 0 valid ampm"},
        {"13:00pm", "clock 46800 invalid ampm"},
        {"1:234", "num 1 | sym : | num 234"},
        {"123456:30", "num 123456 | sym : | num 30"},
        {"9:3", "num 9 | sym : | num 3"},
        {"9:30:5", "clock 34200 valid | sym : | num 5"},
        {"9:30:155", "clock 34200 valid | sym : | num 155"},
        {"9:30  pm", "clock 34200 valid | word pm"},
    });
}

TEST(Lexer, HoursWithMarker) {
    runTable({
        {"3pm", "clock 54000 valid ampm"},
        {"3 PM", "clock 54000 valid ampm"},
        {"11 a.m.", "clock 39600 valid ampm"},
        {"5p.m", "clock 61200 valid ampm"},
        {"12am", "clock 0 valid ampm"},
        {"12pm", "clock 43200 valid ampm"},
        {"0pm", "clock 43200 invalid ampm"},
        {"13pm", "clock 46800 invalid ampm"},
        {"5 pm+1", "clock 61200 valid ampm | sym + | num 1"},
        {"5pm_", "clock 61200 valid ampm | word _"},
        {"5pm-", "clock 61200 valid ampm | sym -"},
        {"3.5pm", "num 3.5 | word pm"},
        {"123pm", "num 123 | word pm"},
        {"5 amp", "num 5 | word amp"},
        {"5 pmx", "num 5 | word pmx"},
        {"5pm2", "num 5 | word pm2"},
        {"5  pm", "num 5 | word pm"},
        {"5 a.", "num 5 | word a | other ."},
        {"5 p", "num 5 | word p"},
        {"5 am\u00E9", "num 5 | word am\u00E9"},
    });
}

TEST(Lexer, WordsSignsAndCurrencies) {
    runTable({
        {"\u221A9", "word \u221A | num 9"},
        {"\u221A\u221A", "word \u221A | word \u221A"},
        {"m\u00B2", "word m\u00B2"},
        {"\u00B2", "other \u00B2"},
        {"x2", "word x2"},
        {"km/h", "word km | sym / | word h"},
        // A "-" inside a word only when the whole names a unit.
        {"watt-hour kilowatt-Hours pound-force", "word watt-hour | word kilowatt-Hours | word pound-force"},
        {"kg-m watt -hour watt- hour",
         "word kg | sym - | word m | word watt | sym - | word hour | word watt | sym - | word hour"},
        {"watt-hour-x watt\u2212hour", "word watt-hour | sym - | word x | word watt | sym - | word hour"},
        {"\u00B0C \u2103 \u00B5m \u03BCs \u03C0 \u03C4 \u03C6 _a", //
         "word \u00B0C | word \u2103 | word \u00B5m | word \u03BCs | word \u03C0 | word \u03C4 | word \u03C6 "
         "| "
         "word _a"},
        {"cafe\u0301 ok\uFE0F", "word cafe\u0301 | word ok\uFE0F"},
        {"\u039E5", "word \u039E5"},
        {"$5", "cur USD | num 5"},
        {"5\u20AC", "num 5 | cur EUR"},
        {"\u00A3\u00A5\u20BF", "cur GBP | cur JPY | cur BTC"},
        {"\u20B9 \u20A9 \u20BD \u20BA \u20AA \u0E3F \u20AB \u20B1 \u20B4 \u20A6",
         "cur INR | cur KRW | cur RUB | cur TRY | cur ILS | cur THB | cur VND | cur PHP | cur UAH | cur NGN"},
    });
}

TEST(Lexer, OperatorSymbols) {
    runTable({
        {"2**3", "num 2 | sym ^ | num 3"},
        {"***", "sym ^ | sym *"},
        {"a<<b>>c", "word a | sym << | word b | sym >> | word c"},
        {"<= >= != == < > ! =", "sym <= | sym >= | sym != | sym == | sym < | sym > | sym ! | sym ="},
        {"<<=", "sym << | sym ="},
        {"<>", "sym < | sym >"},
        {"=>", "sym = | sym >"},
        {"\u2264\u2265\u2260", "sym <= | sym >= | sym !="},
        {"\u00D7\u00B7\u22C5", "sym * | sym * | sym *"},
        {"\u00F7\u2215", "sym / | sym /"},
        {"\u2212\u2013", "sym - | sym -"},
        {"+-/%&(),:^@|",
         "sym + | sym - | sym / | sym % | sym & | sym ( | sym ) | sym , | sym : | sym ^ | sym @ | "
         "sym |"},
    });
}

TEST(Lexer, OtherRuns) {
    runTable({
        {"#tag", "other # | word tag"},
        {"a;b", "word a | other ; | word b"},
        {"# x", "other # | word x"},
        {"#\t.@\u00A0!", "other #\t.@\u00A0 | sym !"},
        {"~\u221A$\u201C\u201D'", "other ~\u221A$\u201C\u201D'"},
        {"[1]", "other [ | num 1 | other ]"},
        {"?{}\\`", "other ?{}\\`"},
        {"#+", "other # | sym +"},
        {"#\u00D7", "other # | sym *"},
        {"#\"x\"", "other # | quoted"},
        {".", "other ."},
        {"\u201D", "other \u201D"},
        {"\u2026", "other \u2026"},
        {"1\r", "num 1 | other \r"},
        {"a\u2028b", "word a | other \u2028 | word b"},
        {"a\u2003b", "word a | other \u2003 | word b"},
        {QString(QChar(0)) + "5", QString("other ") + QChar(0) + " | num 5"},
    });
}

TEST(Lexer, QuotesAndComments) {
    runTable({
        {"\"hi there\" 5", "quoted | num 5"},
        {"\u201Chi\u201D", "quoted"},
        {"\u201Chi\" x", "quoted | word x"},
        {"\"hi\u201D x", "quoted | word x"},
        {"\"open 5", "quoted"},
        {"\"\"", "quoted"},
        {"\" // not a comment\" 1", "quoted | num 1"},
        {"a // note", "word a | comment"},
        {"1 //", "num 1 | comment"},
        {"//", "comment"},
        {"1//2", "num 1 | comment"},
        {"5/ /x", "num 5 | sym / | sym / | word x"},
    });
}

// Ranges in UTF-16 units, spaceBefore ("_") and the eof at the end.
TEST(Lexer, RangesAndSpacing) {
    const std::vector<Case> cases = {
        {"", "_eof[0,0]"},
        {"   ", "_eof[3,0]"},
        {"2", "_num 2[0,1] eof[1,0]"},
        {"  2+3 ", "_num 2[2,1] sym +[3,1] num 3[4,1] _eof[6,0]"},
        {"a // note", "_word a[0,1] _comment[2,7] eof[9,0]"},
        {"a //x  ", "_word a[0,1] _comment[2,5] eof[7,0]"},
        {"3x4", "_num 3[0,1] word x[1,1] num 4[2,1] eof[3,0]"},
        {"3 x4", "_num 3[0,1] _word x4[2,2] eof[4,0]"},
        {"a\tb\u00A0c", "_word a[0,1] _word b[2,1] _word c[4,1] eof[5,0]"},
        {"1,234 km", "_num 1234[0,5] _word km[6,2] eof[8,0]"},
        {"11 a.m. x", "_clock 39600 valid ampm[0,7] _word x[8,1] eof[9,0]"},
        {"2024-03-05T14:30:15.250+05:30 x", "_iso 2024-3-5 14:30:15 +19800[0,29] _word x[30,1] eof[31,0]"},
        {"\"ab\"c", "_quoted[0,4] word c[4,1] eof[5,0]"},
        // Outside the BMP: two units per scalar in every later range.
        {"\U0001F600 5", "_other \U0001F600[0,2] _num 5[3,1] eof[4,0]"},
        {"\U0001F600\U0001F600+1", "_other \U0001F600\U0001F600[0,4] sym +[4,1] num 1[5,1] eof[6,0]"},
        {"\U0001F600+\U0001D400x", "_other \U0001F600[0,2] sym +[2,1] word \U0001D400x[3,3] eof[6,0]"},
        {"\u201Chi\U0001F600\u201D x", "_quoted[0,6] _word x[7,1] eof[8,0]"},
        {"\U0001F600 // \U0001F600", "_other \U0001F600[0,2] _comment[3,5] eof[8,0]"},
        // A letter outside the BMP after the marker is a letter: no clock.
        {"5pm\U0001D400", "_num 5[0,1] word pm\U0001D400[1,4] eof[5,0]"},
        {"5pm\U0001F600", "_clock 61200 valid ampm[0,3] other \U0001F600[3,2] eof[5,0]"},
        {"9:30\U0001F600", "_clock 34200 valid[0,4] other \U0001F600[4,2] eof[6,0]"},
        // A lone surrogate is one unit and no letter.
        {QString(QChar(0xD800)) + "a", "_other " + QString(QChar(0xD800)) + "[0,1] word a[1,1] eof[2,0]"},
        {"a" + QString(QChar(0xDC00)), "_word a[0,1] other " + QString(QChar(0xDC00)) + "[1,1] eof[2,0]"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(full(lexChecked(c.line)), c.expected) << c.line.toStdString();
}

TEST(Lexer, WordsCarryTheirLowerCase) {
    const QList<Token> t = lexChecked("Km \u0130x KM");
    ASSERT_EQ(t.size(), 4);
    EXPECT_EQ(t[0].text, "Km");
    EXPECT_EQ(t[0].lower, "km");
    EXPECT_TRUE(t[0].isWord(u"km"));
    EXPECT_FALSE(t[0].isWord(u"Km"));
    EXPECT_EQ(t[1].lower, QString("\u0130x").toLower());
    EXPECT_TRUE(t[2].isWord(u"km"));
    EXPECT_FALSE(t[3].isWord(u""));
    EXPECT_TRUE(t[3].atEnd());
}

TEST(Token, SameKindComparesOnlyThatKindsPayload) {
    const QList<Token> t = lexChecked("+ + - 5 5 2024-03-05 2024-03-05 // c");
    ASSERT_EQ(t.size(), 9);
    EXPECT_TRUE(t[0].sameKind(t[1]));
    EXPECT_FALSE(t[0].sameKind(t[2]));
    EXPECT_TRUE(t[0].isSym(u"+"));
    EXPECT_TRUE(t[3].sameKind(t[4]));
    EXPECT_TRUE(t[5].sameKind(t[6]));
    EXPECT_FALSE(t[3].sameKind(t[5]));
    EXPECT_TRUE(t[7].atEnd());
    EXPECT_FALSE(t[7].sameKind(t[8]));

    Token eof;
    EXPECT_TRUE(t[8].sameKind(eof)); // no payload: ranges and spacing do not count
    Token nan;
    nan.kind = TokenKind::Number;
    nan.number = NAN;
    EXPECT_FALSE(nan.sameKind(nan));
    Token clock = nan;
    clock.kind = TokenKind::Clock;
    Token other = clock;
    other.clock.meridiem = true;
    EXPECT_FALSE(clock.sameKind(other));
}

TEST(Lexer, AdversarialLinesKeepTheInvariants) {
    const QStringList lines = {
        QString(100000, u'9'),
        "0x" + QString(5000, u'f'),
        "0b" + QString(5000, u'1') + "2",
        "1" + QString(3000, u',').replace(",", ",000"),
        QString(2000, u'"'),
        QString(2000, QChar(0x201C)),
        QString(3000, u'/'),
        QString(3000, u'.'),
        QString(3000, u'#'),
        QString(3000, u' ') + "x",
        QString(4000, QChar(0xD800)),
        QString(4000, QChar(0xDC00)) + QString(1, QChar(0xD800)),
        QString(2000, u'e'),
        "1" + QString(2000, u'e'),
        "9999-99-99T99:99:99.999999999999+99:99",
        "9999-99-99T99:99:99.",
        "1:1:1:1:1:1:1:1",
        "12:34:56:78:90am",
        "1.1.1111.1.1.1111",
        "5 a.m.m.p.m. pm pm",
        QString(1000, QChar(0x0301)),
        "\u221A\u221A\u221A$$$\u20AC\u039E\u039E",
        "2024-03-05T14:30+" + QString(500, u'9'),
    };
    for (const QString& line : lines)
        lexChecked(line, true);
}

TEST(Lexer, RandomLinesKeepTheInvariants) {
    const std::u32string_view alphabet =
        U"0123456789012345678901234567890.,:-/ TZxboeEaApPmM+*<>=!%&()^@|#;'\t\u00A0\"\u201C\u201D"
        U"\u00D7\u00B7\u22C5\u00F7\u2215\u2212\u2013\u2264\u2265\u2260\u221A\u039E$\u20AC\u00A3\u00B2_"
        U"\u00B0\u00B5"
        U"\u0301\u2028\r\n\u0000\U0001F600\U0001D400\uFFFD";
    std::mt19937 rng(20240305);
    std::uniform_int_distribution<int> length(0, 48);
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() + 1);
    for (int round = 0; round < 5000; ++round) {
        QString line;
        const int len = length(rng);
        for (int k = 0; k < len; ++k) {
            const size_t p = pick(rng);
            if (p == alphabet.size())
                line.append(QChar(0xD800)); // lone surrogates too
            else if (p == alphabet.size() + 1)
                line.append(QChar(0xDC00));
            else {
                const char32_t c = alphabet[p];
                if (c >= 0x10000)
                    line.append(QChar::fromUcs4(c));
                else
                    line.append(QChar(char16_t(c)));
            }
        }
        lexChecked(line, round % 2 == 0);
        if (HasFatalFailure()) return;
    }
}
