// Any text through the line parser line by line, with a fixed context, earlier lines' results for line
// references and the previous answer: every line gives a value, nothing or a CalcError, and its
// highlights stay inside the line.
#include "FuzzContext.h"
#include "FuzzSupport.h"

#include "core/parser/Lexer.h"
#include "core/parser/Parser.h"

#include <cstddef>
#include <cstdint>

using namespace VexilCore;

namespace {

const EvalContext& context() {
    static const EvalContext ctx = VexilFuzz::fixedContext();
    return ctx;
}

void parseSheet(const QString& text) {
    const QStringList lines = text.split(u'\n');
    QList<std::optional<LineResult>> results;
    std::optional<Quantity> ans;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        LineEnv env;
        env.ctx = context();
        env.currentLine = int(i + 1);
        env.lineCount = int(lines.size());
        env.ans = ans;
        env.lineText = lines[i];
        env.lineValue = [&results, i](int n) -> std::optional<LineResult> {
            VEXIL_FUZZ_CHECK(n >= 1 && n <= i);
            return results[n - 1];
        };
        LineParser parser(Lexer::lex(lines[i], context().monthFirstDates), env);
        std::optional<LineResult> result;
        try {
            if (std::optional<Value> v = parser.parseLine()) {
                if (const Quantity* q = asQuantity(*v)) ans = *q;
                result = *v;
            }
        } catch (const CalcError& e) {
            VEXIL_FUZZ_CHECK(!e.message.isEmpty());
            result = e;
        }
        for (const Highlight& h : parser.highlights(0)) {
            VEXIL_FUZZ_CHECK(h.range.location >= 0 && h.range.length >= 0);
            VEXIL_FUZZ_CHECK(h.range.end() <= lines[i].size());
        }
        results.append(result);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    VexilFuzz::fixEnvironment();
    parseSheet(
        QStringLiteral("1 km in m\n$5 + 2 EUR\nnow in Tokyo\nline1 * 2")); // tables built before timing
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const VexilFuzz::SecondLimit limit;
    parseSheet(QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}
