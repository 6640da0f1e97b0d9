// Any text through the lexer line by line, as the document pass hands it over, in both date orders: it
// never fails, and its tokens tile each line.
#include "FuzzSupport.h"

#include "core/parser/Lexer.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

using namespace VexilCore;

namespace {

bool isBlankUnit(QChar c) {
    return c == u'\t' || c == u' ' || c == QChar(0x00A0);
}

void checkTokens(const QString& text, const QList<Token>& tokens) {
    VEXIL_FUZZ_CHECK(!tokens.isEmpty());
    VEXIL_FUZZ_CHECK(tokens.last().kind == TokenKind::Eof);
    VEXIL_FUZZ_CHECK(tokens.last().range == (TextRange{text.size(), 0}));
    qsizetype pos = 0;
    for (qsizetype k = 0; k < tokens.size(); ++k) {
        const Token& t = tokens[k];
        if (k + 1 < tokens.size()) {
            VEXIL_FUZZ_CHECK(t.kind != TokenKind::Eof);
            VEXIL_FUZZ_CHECK(t.range.length > 0);
        }
        VEXIL_FUZZ_CHECK(t.kind != TokenKind::Injected);
        VEXIL_FUZZ_CHECK(t.range.location >= pos);
        VEXIL_FUZZ_CHECK(t.range.end() <= text.size());
        for (qsizetype u = pos; u < t.range.location; ++u)
            VEXIL_FUZZ_CHECK(isBlankUnit(text[u]));
        if (t.kind == TokenKind::Word || t.kind == TokenKind::Other)
            VEXIL_FUZZ_CHECK(t.text == text.mid(t.range.location, t.range.length));
        if (t.kind == TokenKind::Comment) VEXIL_FUZZ_CHECK(k == tokens.size() - 2);
        if (t.kind == TokenKind::Number || t.kind == TokenKind::Hms) VEXIL_FUZZ_CHECK(!std::isnan(t.number));
        pos = t.range.end();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    VexilFuzz::fixEnvironment();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const VexilFuzz::SecondLimit limit;
    const QString text = VexilFuzz::inputText(data, size);
    for (const QString& line : text.split(u'\n')) {
        checkTokens(line, Lexer::lex(line, false));
        checkTokens(line, Lexer::lex(line, true));
    }
    return 0;
}
