#include "core/parser/Parser.h"

#include "core/values/Arith.h"
#include "core/values/Units.h"

namespace VexilCore {

Value LineParser::parseUnary() {
    const Token& tok = t[p];
    // A primary read ahead by parseLine stands first: the token at p comes after it.
    if (m_firstPrimary || !(tok.isSym(u"-") || tok.isSym(u"+"))) return parsePower();
    const bool minus = tok.text == u"-";
    mark(p, Role::Op);
    advance();
    Value v = [&] {
        Nesting nest(*this); // a run of thousands of signs
        return parseUnary();
    }();
    Quantity* q = std::get_if<Quantity>(&v);
    if (!q) throw CalcError(QStringLiteral("Can't negate that"));
    if (minus) {
        q->value = -q->value;
        if (q->terms)
            for (Quantity::Term& term : *q->terms)
                term.value = -term.value;
    }
    return v;
}

Value LineParser::parsePower() {
    Value base = parsePostfix();
    int count = 0;
    if (t[p].isSym(u"^"))
        count = 1;
    else if (t[p].isWord(u"to") && matches({u"to", u"the", u"power", u"of"}))
        count = 4;
    else
        return base;
    for (int k = 0; k < count; ++k)
        mark(p + k, Role::Op);
    advance(count);
    Value exponent = [&] {
        Nesting nest(*this); // right-grouping powers recurse
        return parseUnary();
    }();
    const Quantity* b = asQuantity(base);
    const Quantity* e = b ? asQuantity(exponent) : nullptr;
    if (!b || !e) throw CalcError(QStringLiteral("Dates and times can't be raised to a power"));
    return Arith::power(*b, *e);
}

void LineParser::skipTrailingText() {
    // Prose right after the value, or every word while no value has been seen.
    while (t[p].kind == TokenKind::Word && (!sawValue || isProseWord(p))) {
        mark(p, Role::Text);
        advance();
    }
    // A tail of words that mean nothing here is an annotation; anything meaningful is left
    // for the end-of-line check.
    for (int q = p;; ++q) {
        const Token& tok = t[q];
        if (tok.atEnd()) {
            for (int i = p; i < q; ++i)
                mark(i, Role::Text);
            p = q;
            return;
        }
        if (tok.kind != TokenKind::Word) return;
        if (isConversionWord(tok.lower) || triggerWords().contains(tok.lower) ||
            m_env.variables.contains(tok.text) || Units::lookupWord(tok.text, false))
            return;
    }
}

CalcError LineParser::unexpected() {
    const Token& tok = t[p];
    switch (tok.kind) {
    case TokenKind::Number:
        return CalcError(QStringLiteral("Missing operator before number"));
    case TokenKind::Sym:
        if (tok.text == u")") return CalcError(QStringLiteral("Unmatched ')'"));
        return CalcError(QStringLiteral("Unexpected '") + tok.text + QStringLiteral("'"));
    case TokenKind::Other:
        return CalcError(QStringLiteral("Unexpected '") + tok.text + QStringLiteral("'"));
    case TokenKind::Word:
        if (triggerWords().contains(tok.lower) && peek(1).atEnd()) {
            mark(p, Role::Op);
            return CalcError(QStringLiteral("Expected a value"), true);
        }
        if (functions().contains(tok.lower) || m_env.variables.contains(tok.text) ||
            constants().contains(tok.lower))
            return CalcError(QStringLiteral("Missing operator before '") + tok.text + QStringLiteral("'"));
        return CalcError(QStringLiteral("Unexpected '") + tok.text + QStringLiteral("'"));
    case TokenKind::Currency:
    case TokenKind::Date:
    case TokenKind::IsoDateTime:
    case TokenKind::Clock:
    case TokenKind::Hms:
    case TokenKind::Comment:
    case TokenKind::Quoted:
    case TokenKind::Injected:
    case TokenKind::Eof:
        break;
    }
    return CalcError(QStringLiteral("Unexpected input"));
}

} // namespace VexilCore
