#pragma once

#include "core/parser/Lexer.h"
#include "core/parser/Parser.h"
#include "core/values/Units.h"
#include "tests/support/OneLineEnv.h"

#include <gtest/gtest.h>

#include <charconv>
#include <initializer_list>
#include <string>

// Whole-line evaluation for the phrase tests: a fixed clock, zone and locale, and one text per
// outcome so that tables of (line, expected) read plainly.
namespace PhraseLines {

using namespace VexilCore;

// 2023-11-14 22:13:20 UTC.
inline constexpr double kNow = TestSupport::kFixedNow;

inline LineEnv makeEnv(const QTimeZone& zone = QTimeZone::utc()) {
    return TestSupport::oneLineEnv(zone);
}

inline QString num(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return QString::fromLatin1(buf, r.ptr - buf);
}

inline QString styleTag(const DisplayStyle& s) {
    switch (s.kind) {
    case DisplayStyle::Plain:
        return {};
    case DisplayStyle::Mixed:
        return QStringLiteral(" [mixed ") + s.mixedIds.join(u',') + u']';
    case DisplayStyle::Percent:
        return QStringLiteral(" [percent]");
    case DisplayStyle::Factor:
        return QStringLiteral(" [factor]");
    case DisplayStyle::Hex:
        return QStringLiteral(" [hex]");
    case DisplayStyle::Binary:
        return QStringLiteral(" [binary]");
    case DisplayStyle::Octal:
        return QStringLiteral(" [octal]");
    case DisplayStyle::Breakdown:
        return QStringLiteral(" [breakdown]");
    case DisplayStyle::Hms:
        return QStringLiteral(" [hms]");
    case DisplayStyle::Ungrouped:
        return QStringLiteral(" [ungrouped]");
    }
    return {};
}

// "5 km", "0.25 [percent]", "date 2024-3-5", "clock 3600+0", "instant 1700000000",
// "zoned 1700000000 Tokyo +1", "true", "text 'Monday'".
inline QString describe(const Value& v) {
    if (const Quantity* q = asQuantity(v)) {
        QString s = num(q->value);
        if (!q->unit.isNone()) s += u' ' + q->unit.display(true);
        return s + styleTag(q->style);
    }
    if (const auto* d = std::get_if<CalendarDate>(&v))
        return QStringLiteral("date %1-%2-%3").arg(d->year).arg(d->month).arg(d->day);
    if (const auto* c = std::get_if<ClockTime>(&v))
        return QStringLiteral("clock %1+%2").arg(num(c->seconds)).arg(c->dayOffset);
    if (const auto* i = std::get_if<Instant>(&v)) return QStringLiteral("instant ") + num(i->secs);
    if (const auto* z = std::get_if<ZonedTime>(&v))
        return QStringLiteral("zoned %1 %2 %3%4")
            .arg(num(z->date), z->label, z->dayShift < 0 ? QString() : QStringLiteral("+"))
            .arg(z->dayShift);
    if (const bool* b = std::get_if<bool>(&v)) return *b ? QStringLiteral("true") : QStringLiteral("false");
    return QStringLiteral("text '") + std::get<QString>(v) + u'\'';
}

inline QString describe(const CalcError& e) {
    return QStringLiteral("error: ") + e.message +
           (e.incomplete ? QStringLiteral(" (incomplete)") : QString()) +
           (e.isDimension ? QStringLiteral(" (dimension)") : QString());
}

// One line's outcome: the value, "none", or "error: <message>" with its flags.
inline QString run(const QString& line, const LineEnv& env = makeEnv()) {
    LineParser lp(Lexer::lex(line, true), env);
    try {
        const auto v = lp.parseLine();
        return v ? describe(*v) : QStringLiteral("none");
    } catch (const CalcError& e) {
        return describe(e);
    }
}

struct Case {
    const char* line;
    const char* expected;
};

inline void runTable(std::initializer_list<Case> cases, const LineEnv& env = makeEnv()) {
    for (const Case& c : cases)
        EXPECT_EQ(run(QString::fromUtf8(c.line), env).toStdString(), std::string(c.expected)) << c.line;
}

} // namespace PhraseLines

namespace PhraseLines {

// Roles of the tokens with text, in order: "number op unit ...".
inline std::string roles(const QString& line, const LineEnv& env = makeEnv()) {
    static const char* names[] = {"number",   "op",   "unit",    "ref",  "keyword",
                                  "variable", "text", "comment", "label"};
    LineParser lp(Lexer::lex(line, true), env);
    try {
        lp.parseLine();
    } catch (const CalcError&) {
    }
    std::string out;
    for (const Highlight& h : lp.highlights(0)) {
        if (!out.empty()) out += ' ';
        out += names[int(h.role)];
    }
    return out;
}

} // namespace PhraseLines
