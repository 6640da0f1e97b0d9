#include "core/parser/TokenCursor.h"

#include <algorithm>

namespace VexilCore {

namespace {

// A word matches by its lower-case form, a symbol by its exact text.
bool tokenMatches(const Token& tok, QStringView w) {
    if (tok.kind == TokenKind::Word) return tok.lower == w;
    if (tok.kind == TokenKind::Sym) return tok.text == w;
    return false;
}

} // namespace

TokenCursor::TokenCursor(QList<Token> tokens) : t(std::move(tokens)) {
    roles.resize(t.size());
}

TokenCursor::TrialState TokenCursor::save() const {
    return TrialState{p, roles, sawValue, tookPt, branchAssignments, lastWasPercent};
}

void TokenCursor::restore(TrialState&& s) {
    p = s.p;
    // Copied, not moved: Qt 6.4's move assignment of a QVarLengthArray loses a heap buffer it held.
    roles = s.roles;
    sawValue = s.sawValue;
    tookPt = s.tookPt;
    branchAssignments = std::move(s.branchAssignments);
    lastWasPercent = s.lastWasPercent;
}

std::optional<QString> TokenCursor::word(int i) const {
    if (i < 0 || i >= t.size() || t[i].kind != TokenKind::Word) return std::nullopt;
    return t[i].lower;
}

const Token& TokenCursor::peek(int k) const {
    const qsizetype last = t.size() - 1;
    return t[std::min<qsizetype>(qsizetype(p) + std::max(k, 0), last)];
}

bool TokenCursor::atStop() const {
    const Token& tok = t[p];
    if (tok.atEnd()) return true;
    if (stopWords.isEmpty()) return false;
    if (tok.kind == TokenKind::Word) return stopWords.contains(tok.lower);
    if (tok.kind == TokenKind::Sym) return stopWords.contains(tok.text);
    return false;
}

bool TokenCursor::matches(std::initializer_list<QStringView> words, std::optional<int> at) const {
    qsizetype i = at.value_or(p);
    if (i < 0) return false;
    for (QStringView w : words) {
        if (i >= t.size() || !tokenMatches(t[i], w)) return false;
        ++i;
    }
    return true;
}

bool TokenCursor::eat(std::initializer_list<QStringView> words, Role role) {
    if (!matches(words)) return false;
    const int n = int(words.size());
    for (int k = 0; k < n; ++k)
        mark(p + k, role);
    advance(n);
    return true;
}

void TokenCursor::expect(std::initializer_list<QStringView> words) {
    const bool incomplete = t[p].atEnd();
    if (eat(words, Role::Keyword)) return;
    QString joined;
    for (QStringView w : words) {
        if (!joined.isEmpty()) joined += u' ';
        joined += w;
    }
    throw CalcError(QStringLiteral("Expected '") + joined + QStringLiteral("'"), incomplete);
}

CalcError TokenCursor::fail(QString message) const {
    return CalcError(std::move(message), t[p].atEnd());
}

void TokenCursor::mark(int i, Role role) {
    if (i >= 0 && i < roles.size()) roles[i] = role;
}

void TokenCursor::markRange(int from, int to, Role role) {
    for (int i = from; i < to; ++i)
        mark(i, role);
}

void TokenCursor::markUnitTokens(int from, int to) {
    for (int i = std::max(from, 0); i < to && i < t.size(); ++i) {
        const Token& tok = t[i];
        const bool isOp = tok.kind == TokenKind::Sym || tok.kind == TokenKind::Number || tok.isWord(u"per");
        mark(i, isOp ? Role::Op : Role::Unit);
    }
}

void TokenCursor::advance(int n) {
    Q_ASSERT(n >= 0 && p + n < t.size());
    p = std::clamp(p + n, 0, int(t.size()) - 1);
}

} // namespace VexilCore
