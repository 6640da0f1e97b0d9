#include "core/parser/Parser.h"

// Stand-ins until words are resolved.

namespace VexilCore {

Value LineParser::parseWord(const QString&, int) {
    throw unexpected();
}

Value LineParser::reference(qint64 n) const {
    throw CalcError(QStringLiteral("There is no line ") + QString::number(n));
}

std::optional<Value> LineParser::constant(const QString&, const QString&) {
    return std::nullopt;
}

qint64 LineParser::parseOptionalYear() {
    return 1970;
}

QList<Value> LineParser::readArguments() {
    StopWords comma(*this, {u","}, StopWords::Replace);
    QList<Value> args{parseConversion()};
    return args;
}

bool LineParser::continuesExpression(const Token&) const {
    return false;
}

} // namespace VexilCore
