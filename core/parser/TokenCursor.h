#pragma once

#include "core/parser/Highlight.h"
#include "core/parser/Token.h"
#include "core/values/CalcError.h"
#include "core/values/Value.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringView>
#include <QVarLengthArray>

#include <initializer_list>
#include <optional>
#include <type_traits>
#include <utility>

namespace VexilCore {

// Thrown when a line turns out to have nothing to show; parseLine() makes it an absent result.
struct NoValue {};

// The role given to each token of a line, where one was. Held inline: a trial copies it, and a
// line's tokens rarely outnumber the room.
using RoleList = QVarLengthArray<std::optional<Role>, 48>;

// A name and the value given to it inside a conditional branch.
using Assignment = std::pair<QString, Value>;

// The token cursor of one line: the tokens, the position, the role given to each token and the
// flags that travel with the position. A trial saves the six fields p, roles, sawValue, tookPt,
// branchAssignments and lastWasPercent, and puts them all back when it fails. The stop words are not
// part of that: whoever adds some puts the previous set back on every path (StopWords).
class TokenCursor {
public:
    // tokens must end with the one eof: the cursor never passes it.
    explicit TokenCursor(QList<Token> tokens);

    // Lower-case text of t[i] when it is a word.
    [[nodiscard]] std::optional<QString> word(int i) const;
    // t[min(p + k, last)].
    [[nodiscard]] const Token& peek(int k) const;
    // At eof, a comment, or a word or symbol of stopWords.
    [[nodiscard]] bool atStop() const;
    // Words (lower-case) and symbols (exact) against consecutive tokens from at (p when absent).
    [[nodiscard]] bool matches(std::initializer_list<QStringView> words, std::optional<int> at = {}) const;
    bool eat(std::initializer_list<QStringView> words, Role role);
    // eat with Keyword; throws "Expected '<words>'" when they are not there.
    void expect(std::initializer_list<QStringView> words);
    // An error flagged incomplete when the cursor is at eof or a comment.
    [[nodiscard]] CalcError fail(QString message) const;
    void mark(int i, Role role);
    void markRange(int from, int to, Role role);
    // Symbols, numbers and "per" are Op, every other token Unit.
    void markUnitTokens(int from, int to);
    // Moves the cursor; it never passes the final eof.
    void advance(int n = 1);

    // A trial that commits: once the body calls commit(), a CalcError it throws propagates
    // instead of rolling back (a recognised phrase reports its operand's error).
    class TrialCommit {
    public:
        void operator()() { m_done = true; }
        bool committed() const { return m_done; }

    private:
        bool m_done = false;
    };

    // Runs body (returning optional<Value>, optionally taking a TrialCommit&). When it throws
    // CalcError or NoValue, or returns nothing, every trial field is put back and nothing is
    // returned. Other exceptions pass through.
    template <class F> std::optional<Value> trial(F&& body);

    class StopWords;

    const QList<Token> t; // ends with the one eof
    int p = 0;
    RoleList roles; // one per token
    bool sawValue = false;
    bool tookPt = false;
    QList<Assignment> branchAssignments;
    bool lastWasPercent = false;
    QSet<QString> stopWords; // lower-case words and symbol texts at which an operand ends

private:
    struct TrialState {
        int p;
        RoleList roles;
        bool sawValue, tookPt;
        QList<Assignment> branchAssignments;
        bool lastWasPercent;
    };
    TrialState save() const;
    void restore(TrialState&& s);
};

// Adds stop words (or replaces the set) and puts the previous set back on every path.
class TokenCursor::StopWords {
public:
    enum Mode { Add, Replace };
    StopWords(TokenCursor& cursor, std::initializer_list<QStringView> words, Mode mode = Add)
        : m_cursor(cursor), m_saved(cursor.stopWords) {
        if (mode == Replace) m_cursor.stopWords.clear();
        for (QStringView w : words)
            m_cursor.stopWords.insert(w.toString());
    }
    ~StopWords() { m_cursor.stopWords = std::move(m_saved); }
    StopWords(const StopWords&) = delete;
    StopWords& operator=(const StopWords&) = delete;

private:
    TokenCursor& m_cursor;
    QSet<QString> m_saved;
};

template <class F> std::optional<Value> TokenCursor::trial(F&& body) {
    TrialState saved = save();
    if constexpr (std::is_invocable_v<F, TrialCommit&>) {
        TrialCommit commit;
        try {
            if (auto v = body(commit)) return v;
        } catch (const CalcError&) {
            if (commit.committed()) throw;
        } catch (const NoValue&) {
        }
    } else {
        try {
            if (auto v = body()) return v;
        } catch (const CalcError&) {
        } catch (const NoValue&) {
        }
    }
    restore(std::move(saved));
    return std::nullopt;
}

} // namespace VexilCore
