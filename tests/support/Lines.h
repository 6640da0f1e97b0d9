#pragma once

#include "core/parser/Lexer.h"
#include "core/parser/Parser.h"
#include "tests/support/OneLineEnv.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/ValueText.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

// One line through the parser, described in the words of the sheet tests: "= <value>" (the value as
// ValueText describes it), "! <message>" for an error, "?! <message>" for one that means the line looks
// unfinished, with " (dimension)" after a dimension error's message, and "" when the line gives nothing.
namespace TestSupport {

inline QString describe(const VexilCore::CalcError& e) {
    return (e.incomplete ? QStringLiteral("?! ") : QStringLiteral("! ")) + e.message +
           (e.isDimension ? QStringLiteral(" (dimension)") : QString());
}

// Parses the line lp holds.
inline QString outcome(VexilCore::LineParser& lp) {
    try {
        const auto v = lp.parseLine();
        return v ? QStringLiteral("= ") + describe(*v) : QString();
    } catch (const VexilCore::CalcError& e) {
        return describe(e);
    }
}

inline QString run(const QString& line, VexilCore::LineEnv env = oneLineEnv()) {
    VexilCore::LineParser lp(VexilCore::Lexer::lex(line, true), std::move(env));
    return outcome(lp);
}

struct Case {
    const char* line;
    const char* expected;
};

inline void runTable(std::initializer_list<Case> cases, const VexilCore::LineEnv& env = oneLineEnv()) {
    for (const Case& c : cases)
        EXPECT_EQ(run(QString::fromUtf8(c.line), env), QString::fromUtf8(c.expected)) << c.line;
}

// The roles of the highlighted tokens after parsing, in order: "number op unit".
inline QString roles(const QList<VexilCore::Highlight>& highlights) {
    static const char* names[] = {"number",   "op",   "unit",    "ref",  "keyword",
                                  "variable", "text", "comment", "label"};
    QStringList out;
    for (const VexilCore::Highlight& h : highlights)
        out << QString::fromLatin1(names[int(h.role)]);
    return out.join(u' ');
}

inline QString roles(const QString& line, VexilCore::LineEnv env = oneLineEnv()) {
    VexilCore::LineParser lp(VexilCore::Lexer::lex(line, true), std::move(env));
    outcome(lp);
    return roles(lp.highlights(0));
}

inline void rolesTable(std::initializer_list<Case> cases, const VexilCore::LineEnv& env = oneLineEnv()) {
    for (const Case& c : cases)
        EXPECT_EQ(roles(QString::fromUtf8(c.line), env), QString::fromUtf8(c.expected)) << c.line;
}

} // namespace TestSupport
