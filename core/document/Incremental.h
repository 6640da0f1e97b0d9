#pragma once

#include "core/document/Document.h"

#include <QSet>
#include <QString>

#include <vector>

namespace VexilCore {

// Evaluates a sheet again after an edit, giving exactly the outcomes a fresh DocumentEvaluator
// would, while re-evaluating only the lines whose inputs may have changed. Per line it keeps the
// outcome with what the line wrote; a line is evaluated again when its text is new, when a
// variable, custom unit or ans it may read differs from the last evaluation, when the line above
// changed (a continuation reads it), when it is a summary whose block changed or moved, when it
// read a line whose outcome changed, when it may refer to lines and the numbering changed, when
// it read the date and the date has changed, and always when it read the clock or random numbers.
// Rates are part of the context: when they change, every line is evaluated again.
class IncrementalEvaluator {
public:
    const QList<LineOutcome>& evaluate(const EvalContext& context, const QString& text);

    const QList<LineOutcome>& outcomes() const { return m_known; }
    // The context of the last evaluation; only after one.
    const EvalContext& context() const { return *m_lastContext; }
    // Lines (0-based, in the last text) whose outcome differs from the one before at that line,
    // and whether the last evaluation moved lines (so every line's place is new).
    const QList<int>& changedLines() const { return m_changed; }
    bool linesMoved() const { return m_moved; }
    // The lines whose text the last evaluation found new: from line first, removed old lines gave
    // way to inserted new ones, and the lines before and after kept their text (later ones moved).
    struct Splice {
        int first = 0;
        int removed = 0;
        int inserted = 0;
        bool operator==(const Splice&) const = default;
    };
    const Splice& splice() const { return m_edit; }
    // Lines the last call evaluated rather than took as known.
    int evaluatedCount() const { return m_evaluated; }
    void clear();

private:
    class Walk;
    // A text and where each of its lines starts: lines are read as views, never copied out.
    struct Lines {
        QString text;
        std::vector<qsizetype> starts; // none before the first evaluation

        Lines() = default;
        explicit Lines(const QString& all);
        qsizetype size() const { return qsizetype(starts.size()); }
        QStringView operator[](qsizetype i) const;
    };

    std::optional<EvalContext> m_lastContext;
    Lines m_lines;
    QList<LineOutcome> m_known;
    QList<LineTrace> m_traces;
    QList<LineOutcome> m_spareOutcomes; // emptied and filled again by the next evaluation
    QList<LineTrace> m_spareTraces;
    QList<int> m_changed;
    bool m_moved = false;
    Splice m_edit;
    int m_evaluated = 0;
};

} // namespace VexilCore
