#pragma once

#include "core/document/Document.h"
#include "core/parser/Lexer.h"
#include "core/parser/Parser.h"
#include "core/values/Units.h"

#include "core/values/TestUnits.h"

#include <QDateTime>
#include <QTimeZone>

#include <ostream>
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

// Reaches the keyword half of the parser on one lexed line.
struct PhraseProbe {
    LineParser lp;

    explicit PhraseProbe(const QString& line, EvalContext ctx = phraseContext(),
                         QHash<QString, Value> variables = {})
        : lp(Lexer::lex(line, true), makeEnv(std::move(ctx), std::move(variables), line)) {}

    static LineEnv makeEnv(EvalContext ctx, QHash<QString, Value> variables, const QString& line) {
        LineEnv env;
        env.ctx = std::move(ctx);
        env.variables = std::move(variables);
        env.currentLine = 1;
        env.lineCount = 1;
        env.lineText = line;
        return env;
    }

    // phrase() with the word under the cursor as its head.
    std::optional<Value> phrase() { return lp.phrase(lp.t[lp.p].lower); }
    Value apply(const QString& name, const QList<Value>& args) { return lp.applyFunction(name, args); }
    Value stat(const QString& name, const QList<Value>& values) const { return lp.stat(name, values); }
    QList<Value> list() { return lp.list(); }
    std::optional<LineParser::ZoneMatch> zoneAt(int i) const { return lp.zoneAt(i); }
    std::optional<ZonedTime> zoned(const Value& v) const { return lp.zoned(v); }
    ZonedTime convertZone(const ZonedTime& z, const QTimeZone& zone, const QString& label) const {
        return lp.convertZone(z, zone, label);
    }
    static Quantity quantity(const Value& v, const QString& name) { return LineParser::quantity(v, name); }
    static double scalar(const Value& v, const QString& name) { return LineParser::scalar(v, name); }
    double ratio(const Quantity& a, const Quantity& b) const { return lp.ratio(a, b); }

    int& p() { return lp.p; }
    QList<std::optional<Role>>& roles() { return lp.roles; }
    bool& sawValue() { return lp.sawValue; }
    bool& usedPt() { return lp.usedPt_; }
    bool& lastWasPercent() { return lp.lastWasPercent; }
    QList<Assignment>& assignments() { return lp.assignments_; }
    QSet<QString>& stopWords() { return lp.stopWords; }
    const EvalContext& ctx() const { return lp.env.ctx; }
    bool atEnd() const { return lp.t[lp.p].atEnd(); }

    // Everything a failed trial must put back.
    struct Snapshot {
        int p;
        QList<std::optional<Role>> roles;
        bool sawValue, usedPt, lastWasPercent;
        qsizetype assignments;
        QSet<QString> stopWords;
        bool operator==(const Snapshot&) const = default;
    };
    Snapshot snapshot() {
        return Snapshot{
            lp.p, lp.roles, lp.sawValue, lp.usedPt_, lp.lastWasPercent, lp.assignments_.size(), lp.stopWords};
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
