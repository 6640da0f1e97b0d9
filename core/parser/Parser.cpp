#include "core/parser/Parser.h"

#include <algorithm>

namespace VexilCore {

namespace {

QList<Token> withoutQuoted(QList<Token> tokens) {
    // The usual line has no quoted text and ends in eof: its list is shared, not copied.
    const bool hasQuoted = std::any_of(tokens.cbegin(), tokens.cend(),
                                       [](const Token& tok) { return tok.kind == TokenKind::Quoted; });
    if (!hasQuoted && !tokens.isEmpty() && tokens.constLast().kind == TokenKind::Eof) return tokens;
    QList<Token> out;
    out.reserve(tokens.size());
    for (const Token& tok : tokens)
        if (tok.kind != TokenKind::Quoted) out.append(tok);
    // The cursor relies on a final eof; a hand-built list without one still gets it.
    if (out.isEmpty() || out.last().kind != TokenKind::Eof) {
        Token eof;
        eof.kind = TokenKind::Eof;
        if (!out.isEmpty()) eof.range = TextRange{out.last().range.end(), 0};
        out.append(eof);
    }
    return out;
}

QList<Token> onlyQuoted(const QList<Token>& tokens) {
    QList<Token> out;
    for (const Token& tok : tokens)
        if (tok.kind == TokenKind::Quoted) out.append(tok);
    return out;
}

Role defaultRole(TokenKind kind) {
    switch (kind) {
    case TokenKind::Number:
    case TokenKind::Date:
    case TokenKind::IsoDateTime:
    case TokenKind::Clock:
    case TokenKind::Hms:
        return Role::Number;
    case TokenKind::Sym:
        return Role::Op;
    case TokenKind::Currency:
        return Role::Unit;
    case TokenKind::Comment:
    case TokenKind::Quoted:
        return Role::Comment;
    case TokenKind::Word:
    case TokenKind::Other:
    case TokenKind::Injected:
    case TokenKind::Eof:
        break;
    }
    return Role::Text;
}

// A word matches by its lower-case form, a symbol by its exact text.
bool tokenMatches(const Token& tok, QStringView w) {
    if (tok.kind == TokenKind::Word) return tok.lower == w;
    if (tok.kind == TokenKind::Sym) return tok.text == w;
    return false;
}

} // namespace

LineParser::LineParser(QList<Token> tokens, LineEnv& env)
    : t(withoutQuoted(tokens)), quoted(onlyQuoted(tokens)), env(env) {
    roles.resize(t.size());
}

LineParser::LineParser(QList<Token> tokens, LineEnv&& env)
    : t(withoutQuoted(tokens)), quoted(onlyQuoted(tokens)), ownEnv(std::move(env)), env(*ownEnv) {
    roles.resize(t.size());
}

LineParser::~LineParser() {
    if (ownEnv) return;
    for (auto it = replacedVariables.crbegin(); it != replacedVariables.crend(); ++it) {
        if (it->second)
            env.variables.insert(it->first, *it->second);
        else
            env.variables.remove(it->first);
    }
}

LineParser::TrialState LineParser::save() const {
    return TrialState{p, roles, sawValue, usedPt_, assignments_, lastWasPercent};
}

void LineParser::restore(TrialState&& s) {
    p = s.p;
    roles = std::move(s.roles);
    sawValue = s.sawValue;
    usedPt_ = s.usedPt;
    assignments_ = std::move(s.assignments);
    lastWasPercent = s.lastWasPercent;
}

std::optional<QString> LineParser::word(int i) const {
    if (i < 0 || i >= t.size() || t[i].kind != TokenKind::Word) return std::nullopt;
    return t[i].lower;
}

const Token& LineParser::peek(int k) const {
    const qsizetype last = t.size() - 1;
    return t[std::min<qsizetype>(qsizetype(p) + std::max(k, 0), last)];
}

bool LineParser::atStop() const {
    const Token& tok = t[p];
    if (tok.atEnd()) return true;
    if (stopWords.isEmpty()) return false;
    if (tok.kind == TokenKind::Word) return stopWords.contains(tok.lower);
    if (tok.kind == TokenKind::Sym) return stopWords.contains(tok.text);
    return false;
}

bool LineParser::matches(std::initializer_list<QStringView> words, std::optional<int> at) const {
    qsizetype i = at.value_or(p);
    if (i < 0) return false;
    for (QStringView w : words) {
        if (i >= t.size() || !tokenMatches(t[i], w)) return false;
        ++i;
    }
    return true;
}

bool LineParser::eat(std::initializer_list<QStringView> words, Role role) {
    if (!matches(words)) return false;
    const int n = int(words.size());
    for (int k = 0; k < n; ++k)
        mark(p + k, role);
    advance(n);
    return true;
}

void LineParser::expect(std::initializer_list<QStringView> words) {
    const bool incomplete = t[p].atEnd();
    if (eat(words, Role::Keyword)) return;
    QString joined;
    for (QStringView w : words) {
        if (!joined.isEmpty()) joined += u' ';
        joined += w;
    }
    throw CalcError(QStringLiteral("Expected '") + joined + QStringLiteral("'"), incomplete);
}

void LineParser::mark(int i, Role role) {
    if (i >= 0 && i < roles.size()) roles[i] = role;
}

void LineParser::markUnitTokens(int from, int to) {
    for (int i = std::max(from, 0); i < to && i < t.size(); ++i) {
        const Token& tok = t[i];
        const bool isOp = tok.kind == TokenKind::Sym || tok.kind == TokenKind::Number || tok.isWord(u"per");
        mark(i, isOp ? Role::Op : Role::Unit);
    }
}

void LineParser::advance(int n) {
    Q_ASSERT(n >= 0 && p + n < t.size());
    p = std::clamp(p + n, 0, int(t.size()) - 1);
}

QList<Highlight> LineParser::highlights(qsizetype offset) const {
    QList<Highlight> out;
    appendHighlights(out, offset);
    return out;
}

void LineParser::appendHighlights(QList<Highlight>& out, qsizetype offset) const {
    out.reserve(out.size() + t.size() + quoted.size());
    for (qsizetype i = 0; i < t.size(); ++i) {
        const Token& tok = t[i];
        if (tok.range.length <= 0) continue;
        Role role;
        if (tok.kind == TokenKind::Comment)
            role = Role::Comment;
        else if (i < roles.size() && roles[i])
            role = *roles[i];
        else
            role = defaultRole(tok.kind);
        out.append(Highlight{TextRange{tok.range.location + offset, tok.range.length}, role});
    }
    for (const Token& tok : quoted)
        out.append(Highlight{TextRange{tok.range.location + offset, tok.range.length}, Role::Comment});
}

} // namespace VexilCore
