#pragma once

#include "core/document/Document.h"
#include "core/parser/Lexer.h"
#include "core/parser/Parser.h"
#include "core/values/Units.h"

#include "core/values/TestUnits.h"
#include "tests/support/OneLineEnv.h"
#include "tests/support/ParserProbe.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QTimeZone>

#include <functional>
#include <ostream>
#include <span>
#include <sstream>

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

// Quantities built from registry ids: q(16, "m^2"), q(5, "kg"), q(3) for a plain number.
inline Quantity q(double x, const char* units = "", DisplayStyle style = {}) {
    QList<UnitPower> parts;
    for (const QString& item : QString::fromUtf8(units).split(u'.', Qt::SkipEmptyParts)) {
        const qsizetype caret = item.indexOf(u'^');
        const QString id = caret < 0 ? item : item.left(caret);
        parts.append(UnitPower(Units::unit(id), caret < 0 ? 1 : item.mid(caret + 1).toLongLong()));
    }
    return Quantity(x, CompoundUnit(parts), std::move(style));
}

inline std::string describe(const Value& v) {
    std::ostringstream os;
    if (const Quantity* x = asQuantity(v)) {
        os.precision(17);
        os << x->value << " [" << x->unit.display(true).toStdString() << "] style " << int(x->style.kind);
    } else if (const auto* z = std::get_if<ZonedTime>(&v)) {
        os << "zoned " << qint64(z->date) << " " << z->zone.id().toStdString() << " '"
           << z->label.toStdString() << "' shift " << z->dayShift;
    } else {
        os << "value of kind " << v.index();
    }
    return os.str();
}

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

namespace VexilCore {

// A value as short text: "3.5 m", "255 [hex]", "zoned Tokyo 21:00 +1", "instant 2024-06-15T12:00:00Z".
inline QString show(const Value& v) {
    if (const Quantity* x = asQuantity(v)) {
        QString s = QString::number(x->value, 'g', 12);
        if (!x->unit.isNone()) s += u' ' + x->unit.display(true);
        switch (x->style.kind) {
        case DisplayStyle::Hex:
            return s + QStringLiteral(" [hex]");
        case DisplayStyle::Binary:
            return s + QStringLiteral(" [bin]");
        case DisplayStyle::Octal:
            return s + QStringLiteral(" [oct]");
        default:
            return s;
        }
    }
    if (const auto* z = std::get_if<ZonedTime>(&v)) {
        const QDateTime dt = QDateTime::fromSecsSinceEpoch(qint64(z->date), z->zone);
        return QStringLiteral("zoned %1 %2 %3")
            .arg(z->label, dt.toString(u"HH:mm"), QString::number(z->dayShift));
    }
    if (const auto* t = std::get_if<Instant>(&v))
        return QStringLiteral("instant ") +
               QDateTime::fromSecsSinceEpoch(qint64(t->secs), QTimeZone::utc()).toString(Qt::ISODate);
    if (const auto* b = std::get_if<bool>(&v)) return *b ? QStringLiteral("true") : QStringLiteral("false");
    return QStringLiteral("kind %1").arg(v.index());
}

// One line as a sheet of its own through the document pass: its value as text, "error: <message>"
// or "nothing".
inline QString evalLine(const QString& line, EvalContext ctx = phraseContext()) {
    const QList<LineOutcome> outcomes = DocumentEvaluator(std::move(ctx)).evaluate(line);
    const LineOutcome& o = outcomes.first();
    if (o.kind == LineOutcome::Kind::Value) return show(*o.value);
    if (o.kind == LineOutcome::Kind::Error) return QStringLiteral("error: ") + *o.message;
    return QStringLiteral("nothing");
}

} // namespace VexilCore
