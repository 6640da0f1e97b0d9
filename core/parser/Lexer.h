#pragma once

#include "core/parser/Token.h"

#include <QList>
#include <QString>

namespace VexilCore::Lexer {

// Splits one line into tokens; never fails. The last token is always the one Eof.
// monthFirst only changes how a/b/yyyy dates are read. The tokens' texts are copies, so text may
// borrow its characters (QString::fromRawData).
// The tokens take the room of storage, which is emptied: a caller lexing line after line need not
// allocate for each.
QList<Token> lex(const QString& text, bool monthFirst, QList<Token> storage = {});

} // namespace VexilCore::Lexer
