#pragma once

#include "core/document/Document.h"
#include "core/document/Formatting.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/ValueText.h"

#include <QFile>
#include <QStringList>

#include <gtest/gtest.h>

// Whole sheets through the document pass, each line's outcome as a short text, checked line by line
// against a table of rows or a golden sheet file under tests/data.
namespace Sheets {

using namespace VexilCore;

// A fixed world: UTC, US English, 2024-06-04 12:00 UTC, one euro rate and one bitcoin price.
inline EvalContext context(QLocale locale = QLocale(QLocale::English, QLocale::UnitedStates)) {
    RatesTable rates;
    rates.base = QStringLiteral("USD");
    rates.rates = {{QStringLiteral("USD"), 1.0}, {QStringLiteral("EUR"), 0.8}, {QStringLiteral("GBP"), 0.5}};
    CryptoTable crypto;
    crypto.pricesUSD = {{QStringLiteral("BTC"), 50000.0}};
    return EvalContext::make(CalendarCtx{QTimeZone::utc(), locale}, 1717502400, rates, crypto, 16);
}

inline ResultFormatter formatter() {
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    return ResultFormatter(8, 2, 8, us, CalendarCtx{QTimeZone::utc(), us});
}

// How a value line's value is written: as the results column shows it (8 decimals, US English), or
// as the exact value (TestSupport::describe).
enum class Values { Shown, Exact };

// One outcome as a short text: "" blank, "#" heading, "//" comment, "text", "= <result>" for a
// value, "! <message>" for an error and "?! <message>" for an unfinished one.
inline QString describe(const LineOutcome& o, Values values = Values::Shown) {
    switch (o.kind) {
    case LineOutcome::Kind::Blank:
        return {};
    case LineOutcome::Kind::Heading:
        return QStringLiteral("#");
    case LineOutcome::Kind::Comment:
        return QStringLiteral("//");
    case LineOutcome::Kind::Text:
        return QStringLiteral("text");
    case LineOutcome::Kind::Value:
        if (!o.value) return QStringLiteral("= <none>");
        return QStringLiteral("= ") +
               (values == Values::Shown ? formatter().format(*o.value) : TestSupport::describe(*o.value));
    case LineOutcome::Kind::Error:
        return (o.incomplete ? QStringLiteral("?! ") : QStringLiteral("! ")) + o.message.value_or(QString());
    }
    return {};
}

// A sheet as (line, expected description) rows, checked line by line.
struct Row {
    QString line;
    QString expected;
};

// The rows' lines as the text of one sheet.
inline QString sheetText(const QList<Row>& rows) {
    QStringList lines;
    for (const Row& r : rows)
        lines << r.line;
    return lines.join(u'\n');
}

inline QList<LineOutcome> check(const QList<Row>& rows, const EvalContext& ctx = context(),
                                Values values = Values::Shown) {
    const QList<LineOutcome> outcomes = DocumentEvaluator(ctx).evaluate(sheetText(rows));
    EXPECT_EQ(outcomes.size(), rows.size());
    for (qsizetype i = 0; i < std::min(outcomes.size(), rows.size()); ++i)
        EXPECT_EQ(describe(outcomes[i], values), rows[i].expected)
            << "line " << i + 1 << ": " << rows[i].line;
    return outcomes;
}

// The one outcome of a line evaluated as a sheet of its own.
inline QString evaluateLine(const QString& line, const EvalContext& ctx = context(),
                            Values values = Values::Shown) {
    return describe(DocumentEvaluator(ctx).evaluate(line).first(), values);
}

// Each row as a sheet of its own.
inline void checkEach(const QList<Row>& rows, const EvalContext& ctx = context(),
                      Values values = Values::Shown) {
    for (const Row& r : rows)
        EXPECT_EQ(evaluateLine(r.line, ctx, values), r.expected) << r.line;
}

inline QString withoutTrailingSpaces(QString text) {
    while (text.endsWith(u' '))
        text.chop(1);
    return text;
}

// A golden sheet file of tests/data: UTF-8, one row per sheet line, the line then "⇥" and its expected
// description. Spaces around the "⇥" only align the columns; a row without one is a line expected to
// describe as "" (a blank line). The file ends with a line feed, which starts no row.
inline QList<Row> readSheet(const QString& name) {
    QFile file(QStringLiteral(VEXIL_TEST_DATA "/") + name);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << file.fileName();
        return {};
    }
    QStringList rows = QString::fromUtf8(file.readAll()).split(u'\n');
    if (!rows.isEmpty() && rows.last().isEmpty()) rows.removeLast();
    QList<Row> sheet;
    for (const QString& row : rows) {
        const qsizetype arrow = row.lastIndexOf(u'\u21E5');
        if (arrow < 0)
            sheet.append({row, QString()});
        else
            sheet.append({withoutTrailingSpaces(row.left(arrow)), row.mid(arrow + 1).trimmed()});
    }
    return sheet;
}

} // namespace Sheets
