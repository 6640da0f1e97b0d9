// A sheet and a run of edits from the input, evaluated incrementally after each edit: the outcomes
// must be exactly those of a fresh evaluation of the whole text. The input's first part (up to the
// first U+0001) is the sheet; each later part is one edit: its first character picks where, its
// second how many characters go, and the rest is typed there.
#include "FuzzContext.h"
#include "FuzzSupport.h"

#include "core/document/Incremental.h"

#include <cstddef>
#include <cstdint>

using namespace VexilCore;

namespace {

void check(IncrementalEvaluator& incremental, EvalContext& context, const QString& text, int step) {
    // Every edit runs at a later moment, as keystrokes do.
    context.now = context.now.peek() + 1;
    context.randomSeed = quint64(step);
    const QList<LineOutcome>& kept = incremental.evaluate(context, text);
    VEXIL_FUZZ_CHECK(kept == DocumentEvaluator(context).evaluate(text));
}

void run(const QString& input) {
    const QList<QStringView> parts = QStringView(input).split(u'\u0001');
    EvalContext context = VexilFuzz::fixedContext();
    IncrementalEvaluator incremental;
    QString text = parts.front().toString();
    check(incremental, context, text, 0);
    for (qsizetype k = 1; k < parts.size(); ++k) {
        const QStringView edit = parts[k];
        const qsizetype at = edit.isEmpty() ? 0 : edit[0].unicode() % (text.size() + 1);
        const qsizetype gone = edit.size() < 2 ? 0 : edit[1].unicode() % 8;
        text.remove(at, gone);
        text.insert(at, edit.mid(std::min<qsizetype>(2, edit.size())));
        check(incremental, context, text, int(k));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    VexilFuzz::fixEnvironment();
    run(QStringLiteral("x = 5\n1 glass = 250 ml\nx * 2 glasses\ntotal\x01\x02\x01y\x01\x06"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const VexilFuzz::SecondLimit limit;
    run(VexilFuzz::inputText(data, size));
    return 0;
}
