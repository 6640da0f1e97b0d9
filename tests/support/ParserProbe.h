#pragma once

#include "core/parser/Lexer.h"
#include "core/parser/Parser.h"

#include <initializer_list>
#include <optional>
#include <utility>

namespace VexilCore {

// Reaches the parser's private state and steps for the tests; the one friend LineParser names.
struct ParserProbe {
    LineParser& lp;

    // ---- Trial state --------------------------------------------------------------------------
    int& p() { return lp.p; }
    RoleList& roles() { return lp.roles; }
    bool& sawValue() { return lp.sawValue; }
    bool& usedPt() { return lp.tookPt; }
    bool& lastWasPercent() { return lp.lastWasPercent; }
    QList<Assignment>& assignments() { return lp.branchAssignments; }
    QSet<QString>& stopWords() { return lp.stopWords; }

    // Everything a failed trial must put back, and the stop words.
    struct Snapshot {
        int p;
        RoleList roles;
        bool sawValue, tookPt, lastWasPercent;
        QList<Assignment> branchAssignments;
        QSet<QString> stopWords;
        bool operator==(const Snapshot&) const = default;
    };
    Snapshot snapshot() const {
        return {lp.p,        lp.roles, lp.sawValue, lp.tookPt, lp.lastWasPercent, lp.branchAssignments,
                lp.stopWords};
    }

    int depth() const { return lp.m_depth; }
    // The installed keyword half, taken away and put back as a type-erased pointer.
    static const void* takePhrases() { return LineParser::installed.exchange(nullptr); }
    static void putPhrasesBack(const void* layer) {
        LineParser::installed.store(static_cast<const LineParser::PhraseLayer*>(layer));
    }
    const QList<Token>& tokens() const { return lp.t; }
    bool atEnd() const { return lp.t[lp.p].atEnd(); }
    const EvalContext& ctx() const { return lp.m_env.ctx; }
    const QHash<QString, Value>& variables() const { return lp.m_env.variables; }

    // ---- Cursor, trials and stop words ----------------------------------------------------------
    template <class F> std::optional<Value> trial(F&& body) { return lp.trial(std::forward<F>(body)); }
    template <class F> std::optional<Value> trialWithCommit(F&& body) {
        return lp.trial([&](LineParser::TrialCommit& commit) { return body(commit); });
    }
    template <class F> decltype(auto) withStopWords(std::initializer_list<QStringView> w, F&& body) {
        LineParser::StopWords guard(lp, w);
        return body();
    }

    std::optional<QString> word(int i) const { return lp.word(i); }
    const Token& peek(int k) const { return lp.peek(k); }
    bool atStop() const { return lp.atStop(); }
    bool matches(std::initializer_list<QStringView> w, std::optional<int> at = {}) const {
        return lp.matches(w, at);
    }
    bool eat(std::initializer_list<QStringView> w, Role r) { return lp.eat(w, r); }
    void expect(std::initializer_list<QStringView> w) { lp.expect(w); }
    void markUnitTokens(int from, int to) { lp.markUnitTokens(from, to); }

    // ---- Operands and values ------------------------------------------------------------------
    Value parseConversion() { return lp.parseConversion(); }
    bool compare(const Value& a, const Value& b, QStringView op) const { return lp.compare(a, b, op); }
    static qint64 integer(const Value& v) { return LineParser::integer(v, QStringLiteral("|")); }
    Quantity multiplicative(const Quantity& a, LineParser::MulOp op, const Quantity& b) const {
        return lp.multiplicative(a, op, b);
    }
    std::optional<std::pair<LineParser::MulOp, int>> mulOperator(const Value* left) const {
        return lp.mulOperator(left);
    }
    std::optional<LineParser::VariableMatch> variableAt(int i) const { return lp.variableAt(i); }
    bool strictOperandStart(int i) const { return lp.strictOperandStart(i); }
    bool canStartOperand(int i) const { return lp.canStartOperand(i); }

    // ---- Phrases, functions and zones ---------------------------------------------------------
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

    // ---- Statements and clauses ---------------------------------------------------------------
    std::optional<Value> tail(const Value& v) { return lp.tail(v, lp.t[lp.p].lower); }
    std::optional<Value> isStatement(const Value& v) { return lp.isStatement(v); }
    std::optional<Value> leading() { return lp.parseLeadingStatement(); }
    std::optional<Value> specialTarget(const Value& v) { return lp.specialTarget(v); }
};

namespace ProbeDetail {
// Holds the parser ahead of the probe base that refers to it.
struct OwnParser {
    LineParser parser;
};
} // namespace ProbeDetail

// A probe over a parser of its own, on one lexed line.
struct LineProbe : private ProbeDetail::OwnParser, ParserProbe {
    LineProbe(const QString& line, LineEnv env)
        : OwnParser{LineParser(Lexer::lex(line, true), std::move(env))}, ParserProbe{parser} {}
    LineProbe(const LineProbe&) = delete;
    LineProbe& operator=(const LineProbe&) = delete;
};

} // namespace VexilCore
