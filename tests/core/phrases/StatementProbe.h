#pragma once

#include "tests/core/phrases/PhraseLines.h"

namespace VexilCore {

// Reaches the statement readers and the trial state of one lexed line.
struct StatementProbe {
    LineParser lp;

    explicit StatementProbe(const QString& line, const LineEnv& env = PhraseLines::makeEnv())
        : lp(Lexer::lex(line, true), env) {}

    std::optional<Value> tail(const Value& v) { return lp.tail(v, lp.t[lp.p].lower); }
    std::optional<Value> isStatement(const Value& v) { return lp.isStatement(v); }
    std::optional<Value> leading() { return lp.parseLeadingStatement(); }
    std::optional<Value> specialTarget(const Value& v) { return lp.specialTarget(v); }
    int& p() { return lp.p; }
    QSet<QString>& stopWords() { return lp.stopWords; }
    const QHash<QString, Value>& variables() const { return lp.env.variables; }

    struct Snapshot {
        int p;
        QList<std::optional<Role>> roles;
        bool sawValue, usedPt, lastWasPercent;
        QList<Assignment> assignments;
        QSet<QString> stopWords;
        bool operator==(const Snapshot&) const = default;
    };
    Snapshot snapshot() const {
        return {lp.p, lp.roles, lp.sawValue, lp.usedPt_, lp.lastWasPercent, lp.assignments_, lp.stopWords};
    }
    void setRole(int i, Role r) { lp.roles[i] = r; }
};

} // namespace VexilCore
