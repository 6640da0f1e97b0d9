#pragma once

#include "core/parser/Lexer.h"
#include "core/parser/Parser.h"
#include "core/values/Units.h"

#include "tests/support/OneLineEnv.h"
#include "tests/support/ParserProbe.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/UnitSpec.h"
#include "tests/support/ValueText.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QTimeZone>

#include <functional>
#include <span>

namespace VexilCore {

// A fixed evaluation context: a zone with daylight saving, US English, a fixed now.
inline EvalContext phraseContext(const QDateTime& now = QDateTime(QDate(2024, 6, 15), QTime(12, 0),
                                                                  QTimeZone::utc()),
                                 const char* zone = "Europe/London") {
    return EvalContext::make(
        CalendarCtx{QTimeZone(QByteArray(zone)), QLocale(QLocale::English, QLocale::UnitedStates)},
        double(now.toSecsSinceEpoch()), std::nullopt, std::nullopt, 16, true);
}

// The parser of one lexed line in a phrase context, with the probe's reach into it.
struct PhraseProbe : LineProbe {
    explicit PhraseProbe(const QString& line, EvalContext ctx = phraseContext(),
                         QHash<QString, Value> variables = {})
        : LineProbe(line, makeEnv(std::move(ctx), std::move(variables), line)) {}

    static LineEnv makeEnv(EvalContext ctx, QHash<QString, Value> variables, const QString& line) {
        LineEnv env = TestSupport::oneLineEnv(std::move(ctx));
        env.variables = std::move(variables);
        env.lineText = line;
        return env;
    }
};

// q(16, "m^2"), q(5, "kg"), q(3) for a plain number; values as short exact text.
using TestSupport::describe;
using TestSupport::q;

// The message of the CalcError that f throws, or "(no error)".
template <class F> QString errorOf(F&& f) {
    try {
        f();
    } catch (const CalcError& e) {
        return e.message;
    }
    return QStringLiteral("(no error)");
}

// A named function or statistic on values, and the quantity it gives or the message of its error.
struct CallCase {
    const char* name;
    QList<Value> args;
    Quantity expected;
};
struct CallError {
    const char* name;
    QList<Value> args;
    const char* message;
};

// Each case through call (&PhraseProbe::apply or &PhraseProbe::stat) on a fresh probe: exactly the
// expected quantity.
template <class Call> void expectExactCalls(std::span<const CallCase> cases, Call call) {
    for (const CallCase& c : cases) {
        PhraseProbe probe(QStringLiteral(""));
        const Value v = std::invoke(call, probe, QString::fromLatin1(c.name), c.args);
        EXPECT_EQ(*asQuantity(v), c.expected) << c.name << ": " << describe(v);
    }
}

// Each case through call on a fresh probe: the error with the expected message.
template <class Call> void expectCallErrors(std::span<const CallError> cases, Call call) {
    for (const CallError& c : cases) {
        PhraseProbe probe(QStringLiteral(""));
        EXPECT_EQ(errorOf([&] { std::invoke(call, probe, QString::fromLatin1(c.name), c.args); }),
                  QString::fromUtf8(c.message))
            << c.name;
    }
}

} // namespace VexilCore
