#include "PhraseProbe.h"

#include "core/document/Document.h"

#include <gtest/gtest.h>

using namespace VexilCore;

// Whole sheets: the phrases see variables, earlier lines and ans as the document pass gives them.

namespace {

QStringList sheet(const QString& text) {
    const QList<LineOutcome> outcomes = DocumentEvaluator(phraseContext()).evaluate(text);
    QStringList shown;
    for (const LineOutcome& o : outcomes) {
        switch (o.kind) {
        case LineOutcome::Kind::Value:
            shown << show(*o.value);
            break;
        case LineOutcome::Kind::Error:
            shown << QStringLiteral("error: ") + *o.message;
            break;
        default:
            shown << QStringLiteral("-");
        }
    }
    return shown;
}

TEST(Sheet, PhrasesOverVariablesAndLines) {
    const QStringList got = sheet(QStringLiteral("a = 3 kg\n"
                                                 "b = 900 g\n"
                                                 "larger of a and b\n"
                                                 "sum of a, b, line1\n"
                                                 "max(a, b) to g\n"
                                                 "gcd of 12, 18\n"
                                                 "stdev(ans)\n"
                                                 "paris = 5\n"
                                                 "time in paris\n"
                                                 "3pm Paris\n"
                                                 "time in Tokyo\n"));
    const QStringList want{QStringLiteral("3 kg"),
                           QStringLiteral("900 g"),
                           QStringLiteral("3 kg"),
                           QStringLiteral("6.9 kg"),
                           QStringLiteral("3000 g"),
                           QStringLiteral("6"),
                           QStringLiteral("error: Standard deviation needs two or more values"),
                           QStringLiteral("5"),
                           QStringLiteral("5"), // no zone: the variable, after the prose
                           QStringLiteral("zoned Paris 15:00 0"),
                           QStringLiteral("zoned Tokyo 21:00 0"),
                           QStringLiteral("-")};
    EXPECT_EQ(got, want);
}

} // namespace

namespace {

TEST(Sheet, AVariableNamedLikeAZoneStaysTheVariable) {
    EXPECT_EQ(sheet(QStringLiteral("paris = 5\n3pm paris\n3pm Paris")),
              (QStringList{QStringLiteral("5"), QStringLiteral("error: Missing operator before 'paris'"),
                           QStringLiteral("zoned Paris 15:00 0")}));
}

} // namespace
