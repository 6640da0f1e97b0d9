// Re-evaluation of the sheet and what the notebook shows of it: colours, results, total and rates state.
#include "ui/notebook/NotebookController.h"

#include "core/document/Document.h"
#include "ui/common/Controls.h"
#include "ui/common/Theme.h"
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

void NotebookController::recalc(const QString& text) {
    const VexilCore::DocumentEvaluator evaluator(context());
    m_outcomes = m_evaluator.evaluate(evaluator.context, text);
    applyHighlights();
    refreshResults();
    updateTotal(evaluator.grandTotals(m_outcomes));
}

void NotebookController::applyHighlights() {
    // Colouring during an input method's composition would disturb it.
    if (m_textView->hasMarkedText()) return;
    std::vector<VexilCore::Highlight> highlights;
    for (const VexilCore::LineOutcome& outcome : m_outcomes)
        highlights.insert(highlights.end(), outcome.highlights.cbegin(), outcome.highlights.cend());
    m_textView->setHighlights(highlights);
}

void NotebookController::refreshResults() {
    const VexilCore::ResultFormatter fmt = formatter();
    const int caret = caretLine();
    NotebookTextView::Items items;
    std::map<int, QString> displayed;
    for (qsizetype i = 0; i < m_outcomes.size(); ++i) {
        const VexilCore::LineOutcome& outcome = m_outcomes[i];
        const int line = int(i);
        switch (outcome.kind) {
        case VexilCore::LineOutcome::Kind::Error: {
            // An unfinished line says nothing while the caret is still on it.
            if (outcome.incomplete && line == caret) break;
            const QString message = outcome.message.value_or(QStringLiteral("Error"));
            items[line] = {message, true};
            displayed[line] = QStringLiteral("\u26A0 ") + message;
            break;
        }
        case VexilCore::LineOutcome::Kind::Value:
            if (outcome.value) {
                const QString text = fmt.format(*outcome.value);
                items[line] = {text, false};
                displayed[line] = text;
            }
            break;
        default:
            break;
        }
    }
    m_displayed = std::move(displayed);
    m_lastCaretLine = caret;
    m_textView->setItems(std::move(items));
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

void NotebookController::textDidChange() {
    const QString text = m_textView->canonicalText();
    m_recorder->record(text, m_pendingActionName);
    recalc(text);
    m_notes->textDidChange(text);
}

void NotebookController::textViewDidChangeSelection() {
    const int line = caretLine();
    if (line == m_lastCaretLine) return;
    refreshResults();
}

} // namespace VexilUI
