#include "core/document/Document.h"
#include "core/parser/Lexer.h"

#include <gtest/gtest.h>

using namespace VexilCore;

TEST(LineLabels, Table) {
    struct Case {
        QString line;
        std::optional<qsizetype> length;
    };
    const Case cases[] = {
        {"Rent: 1200", 6},
        {"Rent:   1200", 8},
        {"Rent:", 5},
        {"Rent:\t1200", 5},
        {"Rent:\t  1200", 5},
        {"  Rent  : 5", 10},
        {"10:30", std::nullopt},
        {"a:b", std::nullopt},
        {":5", std::nullopt},
        {"   : 5", std::nullopt},
        {"1st: 5", std::nullopt},
        {"a+b: 5", std::nullopt},
        {"a // b: 5", std::nullopt},
        {"a/b: 5", 5},
        {QStringLiteral(u"Tom\u2019s (net) / month: 4"), 21},
        {"Tom's & Co. #1 - x_y: 4", 22},
        // Only the first colon counts.
        {"Time: 10:30", 6},
        // A letter with a combining mark, and a letter outside the Basic Multilingual Plane.
        {QStringLiteral(u"Cafe\u0301: 3"), 7},
        {QStringLiteral(u"\U0001D400bc: 3"), 6},
        {QStringLiteral(u"\u0301x: 3"), 4},
        // A symbol, or a no-break space inside the name, is not allowed.
        {QStringLiteral(u"a\u00A0b: 3"), std::nullopt},
        {QStringLiteral(u"\U0001F600: 3"), std::nullopt},
        // Other space separators at the ends are trimmed.
        {QStringLiteral(u"\u2003Rent\u00A0: 3"), 8},
        {QString(40, u'a') + QStringLiteral(": 1"), 42},
        {QString(41, u'a') + QStringLiteral(": 1"), std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DocumentEvaluator::labelLength(c.line), c.length) << c.line.toStdString();

    // Forty characters of two scalars each: 80 code units, still a label.
    QString accented;
    for (int i = 0; i < 40; ++i)
        accented += QStringLiteral(u"e\u0301");
    EXPECT_EQ(DocumentEvaluator::labelLength(accented + QStringLiteral(": 1")), 82);
    EXPECT_EQ(DocumentEvaluator::labelLength(accented + QStringLiteral(u"e\u0301: 1")), std::nullopt);
}

TEST(LineLabels, ValidWordsAndNames) {
    for (const char* w : {"x", "X", "_tmp", "lines", "lineage", "rate", "Caf\u00E9", "price2"})
        EXPECT_TRUE(DocumentEvaluator::isValidWord(QString::fromUtf8(w))) << w;
    // "line" itself is one of the words that can never be assigned.
    for (const char* w :
         {"2x", "line", "line3", "LINE12", "", "total", "to", "pi", "sqrt", "if", "per", "-a"})
        EXPECT_FALSE(DocumentEvaluator::isValidWord(QString::fromUtf8(w))) << w;

    for (const char* w : {"x", "rate", "Rent", "lineage"})
        EXPECT_TRUE(DocumentEvaluator::isValidName(QString::fromUtf8(w))) << w;
    // Months, phrase words and reserved words are words but not names.
    for (const char* w : {"may", "May", "jan", "after", "then", "the", "line4", "total"})
        EXPECT_FALSE(DocumentEvaluator::isValidName(QString::fromUtf8(w))) << w;
}

TEST(LineLabels, TokenTests) {
    EXPECT_TRUE(DocumentEvaluator::hasNoContent(Lexer::lex(QStringLiteral("// just a note"), true)));
    EXPECT_TRUE(DocumentEvaluator::hasNoContent(Lexer::lex(QString(), true)));
    EXPECT_FALSE(DocumentEvaluator::hasNoContent(Lexer::lex(QStringLiteral("5 // five"), true)));
    EXPECT_TRUE(DocumentEvaluator::isAllComments({}));
    const QList<Token> words = Lexer::lex(QStringLiteral("hourly rate = 5"), true);
    EXPECT_TRUE(DocumentEvaluator::isAllWords(words, 0, 2));
    EXPECT_FALSE(DocumentEvaluator::isAllWords(words, 0, 3));
    EXPECT_TRUE(DocumentEvaluator::isAllWords(words, 1, 1));
}

TEST(LineOutcomes, EqualityCoversEveryField) {
    LineOutcome a;
    a.kind = LineOutcome::Kind::Value;
    a.value = Value(std::in_place_type<Quantity>, Quantity(3, CompoundUnit::none()));
    a.range = {0, 4};
    LineOutcome b = a;
    EXPECT_EQ(a, b);
    EXPECT_TRUE(a.isValue());
    b.labelRange = TextRange{0, 0};
    EXPECT_NE(a, b);
    b = a;
    b.range.length = 5;
    EXPECT_NE(a, b);
    b = a;
    b.value = Value(std::in_place_type<Quantity>, Quantity(NAN, CompoundUnit::none()));
    EXPECT_NE(b, b);
    b = a;
    b.highlights.append(Highlight{{0, 1}, Role::Number});
    EXPECT_NE(a, b);
}
