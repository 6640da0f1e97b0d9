#include "core/parser/Parser.h"

// Stand-ins until signs, powers and trailing text are built; unexpected() and fail() are final.

namespace VexilCore {

Value LineParser::parseUnary() {
    return parsePower();
}

Value LineParser::parsePower() {
    return parsePostfix();
}

void LineParser::skipTrailingText() {}

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
        if (functions().contains(tok.lower) || env.variables.contains(tok.text) ||
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

CalcError LineParser::fail(QString message) const {
    return CalcError(std::move(message), t[p].atEnd());
}

} // namespace VexilCore
