#include "core/document/Incremental.h"

#include <QHash>

namespace VexilCore {

namespace {

constexpr int kAbsent = -2;
constexpr int kFresh = -1; // written by a line evaluated in this pass

// One map of the sheet's state (variables or custom units) with, per key, the line whose write
// it holds: equal sources mean the same object.
template <class V>
struct Sourced {
    QHash<QString, V> values;
    QHash<QString, int> from;

    void set(const QString& key, const V& value, int source) {
        values.insert(key, value);
        from.insert(key, source);
    }
    int source(const QString& key) const { return from.value(key, kAbsent); }
};

bool mentions(QStringView line, QStringView word) {
    return line.contains(word, Qt::CaseInsensitive);
}

// Every word of a (multi-word) variable name appears somewhere in the line.
bool mayRead(QStringView line, const QString& name) {
    for (QStringView word : QStringView(name).split(u' ', Qt::SkipEmptyParts))
        if (!mentions(line, word)) return false;
    return true;
}

} // namespace

// The pass over the new text, replaying beside it what the last evaluation had at each line.
class IncrementalEvaluator::Walk : public LineSource {
public:
    Walk(IncrementalEvaluator& owner, const QStringList& newLines, bool contextSame)
        : o(owner), now(newLines), reuseAllowed(contextSame) {
        const qsizetype oldCount = o.lines.size(), newCount = now.size();
        while (prefix < oldCount && prefix < newCount && o.lines[prefix] == now[prefix])
            ++prefix;
        while (suffix < oldCount - prefix && suffix < newCount - prefix &&
               o.lines[oldCount - 1 - suffix] == now[newCount - 1 - suffix])
            ++suffix;
        suffixStart = int(newCount - suffix);
        shift = int(newCount - oldCount);
        deletedOld = int(oldCount - suffix) > prefix;
        countChanged = oldCount != newCount;
        traces.reserve(newCount);
    }

    const LineOutcome* known(int index, TextRange, const LineTrace** trace) override {
        const int j = oldIndex(index);
        if (j >= 0 && index == suffixStart) {
            // The old lines the edit replaced leave their writes in the old state first.
            for (int k = prefix; k < j; ++k)
                replayOld(k);
            if (deletedOld) disturbed = std::max(disturbed, index - 1);
        }
        current = j;
        if (j < 0 || !reuseAllowed || !canReuse(index, j)) return nullptr;
        *trace = &o.traces[j];
        return &o.known[j];
    }

    void done(int index, const LineOutcome& outcome, const LineTrace& trace, bool reused) override {
        const int j = current;
        if (!reused) {
            ++o.evaluated;
            const bool same = j >= 0 && sameOutcome(outcome, o.known[j]);
            if (!same) {
                disturbed = index;
                outChanged.append(index);
            }
        }
        if (outcome.kind == LineOutcome::Kind::Blank) blockStart = index + 1;
        if (j >= 0) replayOld(j);
        const int source = reused ? j : kFresh;
        for (const auto& [name, value] : trace.variables) {
            liveVars.set(name, value, source);
            recheckVariable(name);
        }
        for (const auto& [key, unit] : trace.units) {
            liveUnits.set(key, unit, source);
            if (!reused) unitsTouched = true;
            recheckUnit(key);
        }
        if (outcome.kind == LineOutcome::Kind::Value && outcome.value)
            if (const Quantity* q = asQuantity(*outcome.value)) {
                liveAns = *q;
                liveAnsFrom = source;
            }
        traces.append(trace);
    }

    QList<LineTrace> traces;
    QList<int> outChanged;

    Splice splice() const { return {prefix, int(o.lines.size()) - suffix - prefix, suffixStart - prefix}; }

private:
    int oldIndex(int index) const {
        if (index < prefix) return index;
        if (index >= suffixStart) return index - shift;
        return -1;
    }

    bool canReuse(int index, int j) {
        const LineTrace& t = o.traces[j];
        const LineOutcome& old = o.known[j];
        if (t.outsideRead) return false;
        if (index > 0 && disturbed == index - 1) return false; // a continuation reads the line above
        // A summary reads its block, which starts after the last blank line: a change of that line too.
        if (old.isSummary && (index != j || (disturbed >= 0 && disturbed >= blockStart - 1))) return false;
        const QString& line = now[index];
        if ((index != j || countChanged || disturbed >= 0) && mentions(line, u"line")) return false;
        if (ansDiffers() && mentions(line, u"ans")) return false;
        // A set emptied after use still walks all its buckets: ask its size first.
        if (!changedVars.isEmpty())
            for (const QString& name : changedVars)
                if (mayRead(line, name)) return false;
        if (!changedUnits.isEmpty())
            for (const QString& key : changedUnits)
                if (mentions(line, key)) return false;
        return true;
    }

    // Values compare by unit identity; while every custom unit is the very one of the last pass,
    // equal values are equal results.
    bool sameOutcome(const LineOutcome& a, const LineOutcome& b) const {
        if (unitsTouched || a.kind != b.kind || a.value != b.value || a.message != b.message ||
            a.incomplete != b.incomplete || a.isSummary != b.isSummary || a.isAssignment != b.isAssignment ||
            a.highlights.size() != b.highlights.size() || a.labelRange.has_value() != b.labelRange.has_value())
            return false;
        const qsizetype delta = a.range.location - b.range.location;
        if (a.range.length != b.range.length) return false;
        if (a.labelRange && (a.labelRange->location - b.labelRange->location != delta ||
                             a.labelRange->length != b.labelRange->length))
            return false;
        for (qsizetype k = 0; k < a.highlights.size(); ++k) {
            const Highlight& x = a.highlights[k];
            const Highlight& y = b.highlights[k];
            if (x.role != y.role || x.range.length != y.range.length || x.range.location - y.range.location != delta)
                return false;
        }
        return true;
    }

    void replayOld(int j) {
        if (j < replayed) return;
        replayed = j + 1;
        const LineTrace& t = o.traces[j];
        for (const auto& [name, value] : t.variables) {
            oldVars.set(name, value, j);
            recheckVariable(name);
        }
        for (const auto& [key, unit] : t.units) {
            oldUnits.set(key, unit, j);
            recheckUnit(key);
        }
        const LineOutcome& out = o.known[j];
        if (out.kind == LineOutcome::Kind::Value && out.value)
            if (const Quantity* q = asQuantity(*out.value)) {
                oldAns = *q;
                oldAnsFrom = j;
            }
    }

    void recheckVariable(const QString& name) {
        const int a = liveVars.source(name), b = oldVars.source(name);
        bool same = a == b;
        if (!same && !unitsTouched && a != kAbsent && b != kAbsent)
            same = liveVars.values.value(name) == oldVars.values.value(name);
        if (same)
            changedVars.remove(name);
        else
            changedVars.insert(name);
    }

    void recheckUnit(const QString& key) {
        if (liveUnits.source(key) == oldUnits.source(key))
            changedUnits.remove(key);
        else
            changedUnits.insert(key);
    }

    bool ansDiffers() const {
        if (liveAnsFrom == oldAnsFrom) return false;
        return unitsTouched || liveAnsFrom == kAbsent || oldAnsFrom == kAbsent || liveAns != oldAns;
    }

    IncrementalEvaluator& o;
    const QStringList& now;
    const bool reuseAllowed;
    int prefix = 0;
    int suffix = 0;
    int suffixStart = 0;
    int shift = 0;
    bool deletedOld = false;
    bool countChanged = false;

    int current = -1;
    int replayed = 0;
    int disturbed = -1; // the last line whose outcome is new or changed
    int blockStart = 0;
    bool unitsTouched = false;
    Sourced<Value> liveVars, oldVars;
    Sourced<UnitRef> liveUnits, oldUnits;
    QSet<QString> changedVars, changedUnits;
    std::optional<Quantity> liveAns, oldAns;
    int liveAnsFrom = kAbsent, oldAnsFrom = kAbsent;
};

const QList<LineOutcome>& IncrementalEvaluator::evaluate(const EvalContext& context, const QString& text) {
    QStringList newLines = text.split(u'\n');
    const bool contextSame = lastContext && lastContext->sameInputs(context);
    evaluated = 0;
    Walk walk(*this, newLines, contextSame);
    QList<LineOutcome> next = DocumentEvaluator(context).evaluate(text, &walk);
    moved = newLines.size() != lines.size();
    edit = walk.splice();
    changed = std::move(walk.outChanged);
    traces = std::move(walk.traces);
    known = std::move(next);
    lines = std::move(newLines);
    lastContext = context;
    lastContext->watchOutsideReads(nullptr);
    return known;
}

void IncrementalEvaluator::clear() {
    lastContext.reset();
    lines.clear();
    known.clear();
    traces.clear();
    changed.clear();
    moved = false;
    edit = {};
    evaluated = 0;
}

} // namespace VexilCore
