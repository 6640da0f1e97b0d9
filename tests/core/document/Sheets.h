#pragma once

#include "core/document/Document.h"
#include "core/document/Formatting.h"

#include <QStringList>

#include <gtest/gtest.h>

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

// One outcome as a short text: "" blank, "#" heading, "//" comment, "text", "= <result>" for a
// value, "! <message>" for an error and "?! <message>" for an unfinished one.
inline QString describe(const LineOutcome& o) {
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
        return QStringLiteral("= ") + (o.value ? formatter().format(*o.value) : QStringLiteral("<none>"));
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

inline QList<LineOutcome> check(const QList<Row>& rows, const EvalContext& ctx = context()) {
    QStringList lines;
    for (const Row& r : rows)
        lines << r.line;
    const QList<LineOutcome> outcomes = DocumentEvaluator(ctx).evaluate(lines.join(u'\n'));
    EXPECT_EQ(outcomes.size(), rows.size());
    for (qsizetype i = 0; i < std::min(outcomes.size(), rows.size()); ++i)
        EXPECT_EQ(describe(outcomes[i]).toStdString(), rows[i].expected.toStdString())
            << "line " << i + 1 << ": " << rows[i].line.toStdString();
    return outcomes;
}

} // namespace Sheets
