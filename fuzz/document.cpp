// Whole sheets of any text through the document pass, the grand totals and the result formatter, with a
// fixed context and rates: every line gets one outcome that stays inside the line, and every value and
// total formats to some text.
#include "FuzzContext.h"
#include "FuzzSupport.h"

#include "core/document/Document.h"
#include "core/document/Formatting.h"

#include <cstddef>
#include <cstdint>

using namespace VexilCore;

namespace {

const EvalContext& context() {
    static const EvalContext ctx = VexilFuzz::fixedContext();
    return ctx;
}

// The editor's formatter with the default decimals, and one at the clamps' other ends.
const ResultFormatter& formatter(int which) {
    static const ResultFormatter usual(8, 2, 8, context().calendar.locale, context().calendar);
    static const ResultFormatter extreme(12, 0, 12, context().calendar.locale, context().calendar);
    return which == 0 ? usual : extreme;
}

bool inside(const TextRange& r, const TextRange& line) {
    return r.location >= line.location && r.length >= 0 && r.end() <= line.end();
}

void evaluateSheet(const QString& text) {
    const DocumentEvaluator evaluator(context());
    const QList<LineOutcome> outcomes = evaluator.evaluate(text);
    const QStringList lines = text.split(u'\n');
    VEXIL_FUZZ_CHECK(outcomes.size() == lines.size());
    qsizetype start = 0;
    for (qsizetype i = 0; i < outcomes.size(); ++i) {
        const LineOutcome& o = outcomes[i];
        VEXIL_FUZZ_CHECK(o.range == (TextRange{start, lines[i].size()}));
        start += lines[i].size() + 1;
        for (const Highlight& h : o.highlights)
            VEXIL_FUZZ_CHECK(inside(h.range, o.range));
        if (o.labelRange) VEXIL_FUZZ_CHECK(inside(*o.labelRange, o.range));
        VEXIL_FUZZ_CHECK(o.value.has_value() == (o.kind == LineOutcome::Kind::Value));
        if (o.kind == LineOutcome::Kind::Error) VEXIL_FUZZ_CHECK(o.message && !o.message->isEmpty());
        if (o.value) {
            // Only a text value may show as nothing; any other result has something to say.
            const bool text = std::holds_alternative<QString>(*o.value);
            VEXIL_FUZZ_CHECK(!formatter(0).format(*o.value).isEmpty() || text);
            VEXIL_FUZZ_CHECK(!formatter(1).format(*o.value).isEmpty() || text);
        }
    }
    for (const Quantity& total : evaluator.grandTotals(outcomes)) {
        VEXIL_FUZZ_CHECK(!formatter(0).format(total).isEmpty());
        VEXIL_FUZZ_CHECK(!formatter(1).format(total).isEmpty());
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    VexilFuzz::fixEnvironment();
    // Builds the engine's tables before any input is timed.
    evaluateSheet(QStringLiteral(
        "# Trip\nfuel: 40 l * 1.9 EUR in USD\n2 BTC\nnow in Tokyo\ntotal\n\nx = 5 km\nx / 2 h"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const VexilFuzz::SecondLimit limit;
    evaluateSheet(VexilFuzz::inputText(data, size));
    return 0;
}
