// Re-evaluation of the sheet and what the notebook shows of it: colours, results, total and rates state.
#include "ui/notebook/NotebookController.h"

#include "core/document/Document.h"
#include "ui/common/Controls.h"
#include "ui/common/Theme.h"
#include "ui/notebook/LineMap.h"
#include "ui/notebook/NotebookTextView.h"
#include "ui/notebook/RootView.h"
#include "ui/storage/NoteStore.h"
#include "ui/storage/Preferences.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextDocument>

namespace VexilUI {

namespace {

const QString& totalTooltip() {
    static const QString text = QStringLiteral("Total of every answer in this sheet. Click to copy.");
    return text;
}

QColor failedColor() {
    QColor color = Theme::error();
    color.setAlphaF(0.85f);
    return color;
}

} // namespace

VexilCore::EvalContext NotebookController::context() const {
    VexilCore::EvalContext ctx = VexilCore::EvalContext::make(
        calendar, now ? now() : VexilCore::RatesService::systemNow(), m_rates->table(), m_rates->crypto(),
        double(m_prefs->emBasePixels()), VexilCore::EvalContext::localeIsMonthFirst(locale));
    ctx.calendar.locale = locale;
    // Random phrases draw afresh on every evaluation, as a person re-running the sheet expects.
    ctx.randomSeed = QRandomGenerator::global()->generate64();
    return ctx;
}

VexilCore::ResultFormatter NotebookController::formatter() const {
    return VexilCore::ResultFormatter(m_prefs->maxDecimals(), m_prefs->currencyDecimals(),
                                      m_prefs->cryptoDecimals(), locale, calendar);
}

int NotebookController::caretLine() const {
    // Every line of the sheet is one block of the editor, so the block's number is the line's.
    const QTextDocument* doc = m_textView->document();
    const int end = std::min(m_textView->textCursor().selectionEnd(), doc->characterCount() - 1);
    const QTextBlock block = doc->findBlock(std::max(end, 0));
    return block.isValid() ? block.blockNumber() : 0;
}

void NotebookController::recalc() {
    recalc(m_textView->canonicalText());
}

void NotebookController::evaluate(const QString& text) {
    m_outcomes = m_evaluator.evaluate(context(), text);
    recolourChangedLines();
}

void NotebookController::recalc(const QString& text) {
    // The results an earlier evaluation left unshown are made again with these.
    if (std::exchange(m_resultsPending, false)) m_resultsStale = true;
    evaluate(text);
    showEvaluation();
}

void NotebookController::showEvaluation() {
    if (std::exchange(m_resultsStale, false))
        refreshResults();
    else
        patchResults();
    updateTotal(VexilCore::DocumentEvaluator(m_evaluator.context()).grandTotals(m_outcomes));
}

void NotebookController::applyHighlights() {
    // Colouring during an input method's composition would disturb it.
    if (m_textView->hasMarkedText()) {
        m_coloursStale = true;
        return;
    }
    std::vector<VexilCore::Highlight> highlights;
    for (const VexilCore::LineOutcome& outcome : m_outcomes)
        highlights.insert(highlights.end(), outcome.highlights.cbegin(), outcome.highlights.cend());
    m_textView->setHighlights(highlights);
    m_coloursStale = false;
}

void NotebookController::recolourChangedLines() {
    if (m_coloursStale || m_textView->hasMarkedText()) {
        applyHighlights();
        return;
    }
    // The view may ask later, after the edit is laid out: the outcomes are read then. Read only,
    // never detaching the list the evaluator shares.
    m_textView->recolourLines(m_evaluator.changedLines(),
                              [this](int line) -> const QList<VexilCore::Highlight>* {
                                  const QList<VexilCore::LineOutcome>& outcomes = m_outcomes;
                                  return line < outcomes.size() ? &outcomes[line].highlights : nullptr;
                              });
}

namespace {

// What a line's result shows; none for a line without.
std::optional<NotebookTextView::ResultItem> resultItem(const VexilCore::LineOutcome& outcome, bool caretOnIt,
                                                       const VexilCore::ResultFormatter& fmt) {
    switch (outcome.kind) {
    case VexilCore::LineOutcome::Kind::Error:
        // An unfinished line says nothing while the caret is still on it.
        if (outcome.incomplete && caretOnIt) return std::nullopt;
        return NotebookTextView::ResultItem{outcome.message.value_or(QStringLiteral("Error")), true};
    case VexilCore::LineOutcome::Kind::Value:
        if (outcome.value) return NotebookTextView::ResultItem{fmt.format(*outcome.value), false};
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

QString displayedText(const NotebookTextView::ResultItem& item) {
    return item.isError ? QStringLiteral("\u26A0 ") + item.text : item.text;
}

} // namespace

void NotebookController::refreshResults() {
    const VexilCore::ResultFormatter fmt = formatter();
    const int caret = caretLine();
    NotebookTextView::Items items;
    std::map<int, QString> displayed;
    for (int line = 0; line < int(m_outcomes.size()); ++line)
        if (std::optional<NotebookTextView::ResultItem> item =
                resultItem(m_outcomes.at(line), line == caret, fmt)) {
            displayed.emplace_hint(displayed.end(), line, displayedText(*item));
            items.emplace_hint(items.end(), line, std::move(*item));
        }
    m_displayed = std::move(displayed);
    m_lastCaretLine = caret;
    m_resultsFormat = fmt;
    m_textView->setItems(std::move(items));
}

bool NotebookController::refreshResultsIfFormatChanged(const VexilCore::ResultFormatter& fmt) {
    if (m_resultsFormat == fmt) return false;
    refreshResults();
    return true;
}

void NotebookController::patchResults() {
    const VexilCore::ResultFormatter fmt = formatter();
    if (refreshResultsIfFormatChanged(fmt)) return;
    // Only the lines whose outcome changed, and those the caret left and reached, show anything new.
    const VexilCore::IncrementalEvaluator::Splice& splice = m_evaluator.splice();
    int formerCaret = m_lastCaretLine;
    if (formerCaret >= splice.first + splice.removed)
        formerCaret += splice.inserted - splice.removed;
    else if (formerCaret >= splice.first)
        formerCaret = -1; // its line was replaced, so it is among the changed ones
    spliceLines(m_displayed, splice.first, splice.removed, splice.inserted);
    showResults(m_evaluator.changedLines(), {formerCaret}, fmt, splice.first, splice.removed,
                splice.inserted);
}

void NotebookController::showResults(const QList<int>& changed, std::initializer_list<int> more,
                                     const VexilCore::ResultFormatter& fmt, int first, int removed,
                                     int inserted) {
    const int caret = caretLine();
    std::vector<int> lines(changed.cbegin(), changed.cend());
    lines.insert(lines.end(), more);
    lines.push_back(caret);
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    std::vector<std::pair<int, std::optional<NotebookTextView::ResultItem>>> patch;
    patch.reserve(lines.size());
    for (const int line : lines) {
        if (line < 0 || line >= m_outcomes.size()) continue;
        std::optional<NotebookTextView::ResultItem> item =
            resultItem(m_outcomes.at(line), line == caret, fmt);
        if (item)
            m_displayed.insert_or_assign(line, displayedText(*item));
        else
            m_displayed.erase(line);
        patch.emplace_back(line, std::move(item));
    }
    m_lastCaretLine = caret;
    m_textView->patchItems(first, removed, inserted, patch);
}

void NotebookController::updateTotal(const QList<VexilCore::Quantity>& totals) {
    const VexilCore::ResultFormatter fmt = formatter();
    QString tooltip = totalTooltip();
    bool mixed = false;
    if (totals.isEmpty()) {
        m_totalText.clear();
    } else if (totals.size() == 1) {
        m_totalText = QStringLiteral("Total ") + fmt.format(totals.first());
    } else {
        const VexilCore::Quantity* scalar = nullptr;
        QStringList lines;
        for (const VexilCore::Quantity& total : totals) {
            if (!scalar && total.isScalar()) scalar = &total;
            lines << QStringLiteral("  ") + fmt.format(total);
        }
        mixed = scalar == nullptr;
        m_totalText =
            scalar ? QStringLiteral("Total ") + fmt.format(*scalar) : QStringLiteral("Total: mixed units");
        tooltip = QStringLiteral("Totals by unit:\n") + lines.join(u'\n');
        if (scalar)
            tooltip += QStringLiteral("\nThe total shown adds the plain numbers only. Click to copy it.");
    }
    QFont font = QApplication::font();
    font.setPixelSize(12);
    font.setWeight(QFont::Medium);
    m_totalButton->setTitleFont(font);
    m_totalButton->setTitleColor(mixed ? Theme::muted() : Theme::result());
    m_totalButton->setText(m_totalText);
    m_totalButton->setToolTip(tooltip);
    m_totalButton->setAccessibleName(m_totalText);
    m_totalButton->setVisible(!m_totalText.isEmpty());
    m_rootView->layoutNow();
}

void NotebookController::updateRatesLabel() {
    const QString status = m_rates->shortStatus();
    QFont font = QApplication::font();
    font.setPixelSize(11);
    m_ratesButton->setTitleFont(font);
    m_ratesButton->setTitleColor(m_rates->state().isFailed() ? failedColor() : Theme::muted());
    m_ratesButton->setText(status);
    m_ratesButton->setToolTip(m_rates->tooltip());
    m_ratesButton->setEnabled(!m_rates->state().isRefreshing() && !m_rates->cryptoState().isRefreshing());
    m_ratesButton->setAccessibleName(status + QStringLiteral(". Click to refresh."));
    m_rootView->layoutNow();
}

void NotebookController::textWillLayout() {
    // A second edit before the first one's results were shown: its splice is lost, so every
    // result is made again.
    if (m_resultsPending) m_resultsStale = true;
    m_evaluatedText = m_textView->canonicalText();
    m_evaluatedEdit = m_textView->editCount();
    evaluate(m_evaluatedText);
    m_resultsPending = true;
}

void NotebookController::textDidChange() {
    const bool evaluated = m_resultsPending && m_evaluatedEdit == m_textView->editCount();
    const QString text = evaluated ? std::exchange(m_evaluatedText, {}) : m_textView->canonicalText();
    m_recorder->record(text, m_pendingActionName);
    if (evaluated) {
        m_resultsPending = false;
        showEvaluation();
    } else {
        m_evaluatedText.clear();
        recalc(text);
    }
    m_notes->textDidChange(text);
}

void NotebookController::textViewDidChangeSelection() {
    if (m_resultsPending) return; // the edit's results follow, the caret's line with them
    const int line = caretLine();
    if (line == m_lastCaretLine) return;
    const VexilCore::ResultFormatter fmt = formatter();
    if (refreshResultsIfFormatChanged(fmt)) return;
    showResults({}, {m_lastCaretLine}, fmt, 0, 0, 0);
}

} // namespace VexilUI
