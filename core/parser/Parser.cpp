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

} // namespace

LineParser::LineParser(QList<Token> tokens, LineEnv& env)
    : TokenCursor(withoutQuoted(tokens)), m_quoted(onlyQuoted(tokens)), m_env(env) {}

LineParser::LineParser(QList<Token> tokens, LineEnv&& env)
    : TokenCursor(withoutQuoted(tokens)), m_quoted(onlyQuoted(tokens)), m_ownEnv(std::move(env)),
      m_env(*m_ownEnv) {}

LineParser::~LineParser() {
    if (m_ownEnv) return;
    for (auto it = m_replacedVariables.crbegin(); it != m_replacedVariables.crend(); ++it) {
        if (it->second)
            m_env.variables.insert(it->first, *it->second);
        else
            m_env.variables.remove(it->first);
    }
}

QList<Highlight> LineParser::highlights(qsizetype offset) const {
    QList<Highlight> out;
    appendHighlights(out, offset);
    return out;
}

void LineParser::appendHighlights(QList<Highlight>& out, qsizetype offset) const {
    // Sized once for every token and cut to the ones written.
    const qsizetype start = out.size();
    out.resize(start + t.size() + m_quoted.size());
    Highlight* next = out.data() + start;
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
        *next++ = Highlight{TextRange{tok.range.location + offset, tok.range.length}, role};
    }
    for (const Token& tok : m_quoted)
        *next++ = Highlight{TextRange{tok.range.location + offset, tok.range.length}, Role::Comment};
    out.resize(next - out.constData());
}

} // namespace VexilCore
