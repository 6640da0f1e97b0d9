#pragma once

#include "core/document/LineOutcome.h"
#include "core/parser/Token.h"
#include "core/phrases/Phrases.h"
#include "core/values/EvalContext.h"
#include "core/values/Value.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace VexilCore {

// What evaluating a line left for the lines below it, in order, and whether it read what changes
// between two evaluations of one context: the clock or random numbers, or only the date it is in
// some zones.
struct LineTrace {
    QList<std::pair<QString, Value>> variables;
    QList<std::pair<QString, UnitRef>> units; // custom units by key
    bool outsideRead = false;
    QList<QTimeZone> datesRead;
    QList<int> linesRead; // 1-based numbers of the lines whose outcome it read
};

// Where each line of text starts: 0, then one past every line feed.
std::vector<qsizetype> lineStartsOf(const QString& text);

// Lets an evaluation take the known outcome of a line whose inputs have not changed.
class LineSource {
public:
    virtual ~LineSource() = default;
    // The known outcome of the line at index (0-based) with this range, and its trace; null to
    // evaluate the line. The outcome's ranges may lie elsewhere: they are moved to the line's.
    virtual const LineOutcome* known(int index, TextRange range, const LineTrace** trace) = 0;
    // Each line's final outcome and trace, in order.
    virtual void done(int index, const LineOutcome& outcome, const LineTrace& trace, bool reused) = 0;
    // Where each line of the text starts, when the source has found that already; null to find it.
    virtual const std::vector<qsizetype>* lineStarts() const { return nullptr; }
};

// Turns a whole sheet into one outcome per line. Made afresh for every evaluation; it keeps
// nothing between calls of evaluate.
//
// Choices where the rules leave room:
// - Every value line joins the current block and a quantity result becomes ans, assignments,
//   custom units and summary rows included; summary rows themselves never join the block, so an
//   "Average" under a "Total" averages the value lines only.
// - Error lines join the block too: a summary over them fails with "line<n> has an error".
// - A custom unit line shows the right-hand quantity as its value. It is registered under the
//   singular and plural keys and under the word as typed (lower-cased), so "1 glass = 250 ml"
//   then "2 glass" works.
// - A multi-word assignment name with a word that may not be a name fails with
//   "'<that word>' is a reserved word".
// - A line whose first word is "if" is never an assignment: the parser reads the conditional
//   and its branch assignments reach the sheet's variables.
// - The trailing-operator-word rule ("3 x") applies only when the line's parse failed or gave no
//   value, so that "2 * x" with a variable x still works.
// - A line (not a heading) longer than kMaxLineLength is not read: it fails with
//   "Line too long", so that one pasted run of symbols can neither hold the sheet up nor fill
//   the memory with its tokens.
class DocumentEvaluator {
public:
    // Its lines are read in the whole language, keyword phrases included.
    explicit DocumentEvaluator(EvalContext context) : context(std::move(context)) { installPhrases(); }

    // UTF-16 units; far beyond any line written by hand.
    static constexpr qsizetype kMaxLineLength = 200'000;

    EvalContext context;

    // One outcome per line of text (split at "\n"; a final "\n" gives a last empty line).
    // Never throws: a failing line becomes an error outcome.
    QList<LineOutcome> evaluate(const QString& text) const;
    // The same, asking source for known lines first. The outcomes take the room of storage, which
    // is emptied, so that a caller evaluating again and again need not allocate afresh.
    QList<LineOutcome> evaluate(const QString& text, LineSource* source,
                                QList<LineOutcome> storage = {}) const;

    // One sum per dimension of the value lines' quantities, summary rows left out, in the order
    // each dimension first occurs. A quantity that cannot be added to its group (a currency
    // without a rate) is skipped.
    QList<Quantity> grandTotals(const QList<LineOutcome>& outcomes) const;

    // The summary ("sum", "mean", "median" or "count") of the block's lines (0-based indices
    // into outcomes). An empty block counts 0 and has nothing to sum ("Nothing to calculate");
    // the median of an even count is the mean of the two middle values; count counts every
    // value line whatever its value.
    Quantity summarize(const QList<int>& block, const QList<LineOutcome>& outcomes,
                       const QString& kind) const;

    // Typed word (lower case) to summary kind.
    static const QHash<QString, QString>& summaryWords();
    // The trimmed, lower-cased line is a summary word.
    static bool isSummaryRow(QStringView line);

    // Length in UTF-16 units of the label at the start of a line, its colon and the blanks after
    // it; nothing when the line has no label.
    static std::optional<qsizetype> labelLength(QStringView line);
    // A word that may be defined as a unit or used in a variable name.
    static bool isValidWord(const QString& word);
    // A one-word variable name.
    static bool isValidName(const QString& name);

    // Token tests of the pass.
    static bool hasNoContent(const QList<Token>& tokens); // only eof, comments and quoted text
    static bool isAllComments(const QList<Token>& tokens);
    static bool isAllWords(const QList<Token>& tokens, qsizetype from, qsizetype to);
};

} // namespace VexilCore
