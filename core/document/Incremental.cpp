#include "core/document/Incremental.h"

#include <QHash>

namespace VexilCore {

namespace {

constexpr int kAbsent = -2;
constexpr int kFresh = -1; // written by a line evaluated in this pass

// One map of the sheet's state (variables or custom units) with, per key, the line whose write
// it holds: equal sources mean the same object.
template <class V> struct Sourced {
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

IncrementalEvaluator::Lines::Lines(const QString& all) : text(all), starts(lineStartsOf(all)) {}

QStringView IncrementalEvaluator::Lines::operator[](qsizetype i) const {
    const qsizetype end = i + 1 < size() ? starts[size_t(i + 1)] - 1 : text.size();
    return QStringView(text).mid(starts[size_t(i)], end - starts[size_t(i)]);
}

// The pass over the new text, replaying beside it what the last evaluation had at each line.
class IncrementalEvaluator::Walk : public LineSource {
public:
    Walk(IncrementalEvaluator& owner, const Lines& newLines, const EvalContext& context, bool contextSame)
        : m_owner(owner), m_known(owner.m_known), m_traces(owner.m_traces), m_lines(owner.m_lines),
          m_now(newLines), m_context(context), m_reuseAllowed(contextSame) {
        const qsizetype oldCount = m_lines.size(), newCount = m_now.size();
        while (m_prefix < oldCount && m_prefix < newCount && m_lines[m_prefix] == m_now[m_prefix])
            ++m_prefix;
        while (m_suffix < oldCount - m_prefix && m_suffix < newCount - m_prefix &&
               m_lines[oldCount - 1 - m_suffix] == m_now[newCount - 1 - m_suffix])
            ++m_suffix;
        m_suffixStart = int(newCount - m_suffix);
        m_shift = int(newCount - oldCount);
        m_deletedOld = int(oldCount - m_suffix) > m_prefix;
        m_countChanged = oldCount != newCount;
        traces = std::move(owner.m_spareTraces);
        traces.clear();
        traces.reserve(newCount);
        m_changedAt.assign(size_t(newCount), false);
    }

    const LineOutcome* known(int index, TextRange, const LineTrace** trace) override {
        const int j = oldIndex(index);
        if (j >= 0 && index == m_suffixStart) {
            // The old lines the edit replaced leave their writes in the old state first.
            for (int k = m_prefix; k < j; ++k)
                replayOld(k);
            if (m_deletedOld) m_disturbed = std::max(m_disturbed, index - 1);
        }
        m_current = j;
        if (j < 0 || !m_reuseAllowed || !canReuse(index, j)) return nullptr;
        *trace = &m_traces[j];
        return &m_known[j];
    }

    void done(int index, const LineOutcome& outcome, const LineTrace& trace, bool reused) override {
        const int j = m_current;
        if (!reused) {
            ++m_owner.m_evaluated;
            const bool same = j >= 0 && sameOutcome(outcome, m_known[j]);
            if (!same) {
                m_disturbed = index;
                m_changedAt[size_t(index)] = true;
                outChanged.append(index);
            }
        }
        if (outcome.kind == LineOutcome::Kind::Blank) m_blockStart = index + 1;
        if (j >= 0) replayOld(j);
        const int source = reused ? j : kFresh;
        for (const auto& [name, value] : trace.variables) {
            m_liveVars.set(name, value, source);
            recheckVariable(name);
        }
        for (const auto& [key, unit] : trace.units) {
            m_liveUnits.set(key, unit, source);
            if (!reused) m_unitsTouched = true;
            recheckUnit(key);
        }
        if (outcome.kind == LineOutcome::Kind::Value && outcome.value)
            if (const Quantity* q = asQuantity(*outcome.value)) {
                // A known line's quantity stays readable in the known outcomes; only a new one is kept.
                if (!reused) m_liveAns = *q;
                m_liveAnsFrom = source;
            }
        traces.append(trace);
    }

    const std::vector<qsizetype>* lineStarts() const override { return &m_now.starts; }

    QList<LineTrace> traces;
    QList<int> outChanged;

    Splice splice() const {
        return {m_prefix, int(m_lines.size()) - m_suffix - m_prefix, m_suffixStart - m_prefix};
    }

private:
    int oldIndex(int index) const {
        if (index < m_prefix) return index;
        if (index >= m_suffixStart) return index - m_shift;
        return -1;
    }

    bool canReuse(int index, int j) {
        const LineTrace& t = m_traces[j];
        const LineOutcome& old = m_known[j];
        if (t.outsideRead) return false;
        for (const QTimeZone& zone : t.datesRead)
            if (!sameDate(zone)) return false;
        // A continuation reads the line above: a changed one, or none where there was one.
        if (m_disturbed == index - 1) return false;
        // A summary reads its block, which starts after the last blank line: a change of that line too.
        if (old.isSummary && (index != j || (m_disturbed >= 0 && m_disturbed >= m_blockStart - 1)))
            return false;
        const QStringView line = m_now[index];
        // With the numbering unchanged, a reference reads only the outcomes its trace names.
        if ((index != j || m_countChanged) && mentions(line, u"line")) return false;
        for (const int n : t.linesRead)
            if (n >= 1 && n <= index && m_changedAt[size_t(n - 1)]) return false;
        if (ansDiffers() && mentions(line, u"ans")) return false;
        // A set emptied after use still walks all its buckets: ask its size first.
        if (!m_changedVars.isEmpty())
            for (const QString& name : m_changedVars)
                if (mayRead(line, name)) return false;
        if (!m_changedUnits.isEmpty())
            for (const QString& key : m_changedUnits)
                if (mentions(line, key)) return false;
        return true;
    }

    // Whether it is still the same date in zone as at the last evaluation.
    bool sameDate(const QTimeZone& zone) {
        const QByteArray id = zone.id();
        const auto known = m_sameDate.constFind(id);
        if (known != m_sameDate.cend()) return *known;
        const bool same = m_context.dateIn(zone) == m_owner.m_lastContext->dateIn(zone);
        m_sameDate.insert(id, same);
        return same;
    }

    // Values compare by unit identity; while every custom unit is the very one of the last pass,
    // equal values are equal results.
    bool sameOutcome(const LineOutcome& a, const LineOutcome& b) const {
        if (m_unitsTouched || a.kind != b.kind || a.value != b.value || a.message != b.message ||
            a.incomplete != b.incomplete || a.isSummary != b.isSummary || a.isAssignment != b.isAssignment ||
            a.highlights.size() != b.highlights.size() ||
            a.labelRange.has_value() != b.labelRange.has_value())
            return false;
        const qsizetype delta = a.range.location - b.range.location;
        if (a.range.length != b.range.length) return false;
        if (a.labelRange && (a.labelRange->location - b.labelRange->location != delta ||
                             a.labelRange->length != b.labelRange->length))
            return false;
        for (qsizetype k = 0; k < a.highlights.size(); ++k) {
            const Highlight& x = a.highlights[k];
            const Highlight& y = b.highlights[k];
            if (x.role != y.role || x.range.length != y.range.length ||
                x.range.location - y.range.location != delta)
                return false;
        }
        return true;
    }

    void replayOld(int j) {
        if (j < m_replayed) return;
        m_replayed = j + 1;
        const LineTrace& t = m_traces[j];
        for (const auto& [name, value] : t.variables) {
            m_oldVars.set(name, value, j);
            recheckVariable(name);
        }
        for (const auto& [key, unit] : t.units) {
            m_oldUnits.set(key, unit, j);
            recheckUnit(key);
        }
        const LineOutcome& out = m_known[j];
        if (out.kind == LineOutcome::Kind::Value && out.value && asQuantity(*out.value)) m_oldAnsFrom = j;
    }

    void recheckVariable(const QString& name) {
        const int a = m_liveVars.source(name), b = m_oldVars.source(name);
        bool same = a == b;
        if (!same && !m_unitsTouched && a != kAbsent && b != kAbsent)
            same = m_liveVars.values.value(name) == m_oldVars.values.value(name);
        if (same)
            m_changedVars.remove(name);
        else
            m_changedVars.insert(name);
    }

    void recheckUnit(const QString& key) {
        if (m_liveUnits.source(key) == m_oldUnits.source(key))
            m_changedUnits.remove(key);
        else
            m_changedUnits.insert(key);
    }

    bool ansDiffers() const {
        if (m_liveAnsFrom == m_oldAnsFrom) return false;
        if (m_unitsTouched || m_liveAnsFrom == kAbsent || m_oldAnsFrom == kAbsent) return true;
        const Quantity& live = m_liveAnsFrom == kFresh ? *m_liveAns : knownAns(m_liveAnsFrom);
        return live != knownAns(m_oldAnsFrom);
    }

    const Quantity& knownAns(int j) const { return *asQuantity(*m_known[j].value); }

    IncrementalEvaluator& m_owner;
    // Read only: the window shares the outcome list, and a write access would copy all of it.
    const QList<LineOutcome>& m_known;
    const QList<LineTrace>& m_traces;
    const Lines& m_lines;
    const Lines& m_now;
    const EvalContext& m_context;
    const bool m_reuseAllowed;
    QHash<QByteArray, bool> m_sameDate;
    int m_prefix = 0;
    int m_suffix = 0;
    int m_suffixStart = 0;
    int m_shift = 0;
    bool m_deletedOld = false;
    bool m_countChanged = false;

    int m_current = -1;
    int m_replayed = 0;
    // The last line whose outcome is new or changed; -1 once the lines above the first are taken away.
    int m_disturbed = -2;
    std::vector<bool> m_changedAt; // by line: its outcome is new or changed
    int m_blockStart = 0;
    bool m_unitsTouched = false;
    Sourced<Value> m_liveVars, m_oldVars;
    Sourced<UnitRef> m_liveUnits, m_oldUnits;
    QSet<QString> m_changedVars, m_changedUnits;
    std::optional<Quantity> m_liveAns; // when a line evaluated in this pass wrote it
    int m_liveAnsFrom = kAbsent, m_oldAnsFrom = kAbsent;
};

const QList<LineOutcome>& IncrementalEvaluator::evaluate(const EvalContext& context, const QString& text) {
    Lines newLines(text);
    const bool contextSame = m_lastContext && m_lastContext->sameInputs(context);
    m_evaluated = 0;
    Walk walk(*this, newLines, context, contextSame);
    // The lists of two evaluations ago lend their room, unless the window still shares them.
    QList<LineOutcome> room;
    if (m_spareOutcomes.isDetached()) room = std::move(m_spareOutcomes);
    QList<LineOutcome> next = DocumentEvaluator(context).evaluate(text, &walk, std::move(room));
    m_moved = newLines.size() != m_lines.size();
    m_edit = walk.splice();
    m_changed = std::move(walk.outChanged);
    m_spareTraces = std::exchange(m_traces, std::move(walk.traces));
    m_spareOutcomes = std::exchange(m_known, std::move(next));
    m_lines = std::move(newLines);
    m_lastContext = context;
    m_lastContext->watchOutsideReads(nullptr, nullptr);
    return m_known;
}

void IncrementalEvaluator::clear() {
    m_lastContext.reset();
    m_lines = Lines();
    m_known.clear();
    m_traces.clear();
    m_spareOutcomes.clear();
    m_spareTraces.clear();
    m_changed.clear();
    m_moved = false;
    m_edit = {};
    m_evaluated = 0;
}

} // namespace VexilCore
