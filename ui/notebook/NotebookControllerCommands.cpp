// The notebook's commands: moving lines, references, the copy commands, font size, rates, About, Help,
// the find bar, menu validation and the editor's context menu.
#include "ui/notebook/NotebookController.h"

#include "core/document/Document.h"
#include "core/document/ReferenceInsertion.h"
#include "ui/common/Controls.h"
#include "ui/common/Theme.h"
#include "ui/notebook/HelpPopover.h"
#include "ui/notebook/NotebookScrollView.h"
#include "ui/notebook/NotebookTextView.h"
#include "ui/notebook/Pasteboard.h"
#include "ui/notebook/RootView.h"
#include "ui/storage/Preferences.h"

#include <QAction>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>
#include <QUndoStack>

namespace VexilUI {

using VexilCore::TextRange;

namespace {

const QString warningPrefix = QStringLiteral("\u26A0");

qsizetype lineStart(const QString& text, qsizetype pos) {
    if (pos <= 0) return 0;
    return text.lastIndexOf(u'\n', pos - 1) + 1;
}

// The end of the line holding pos, before its line feed.
qsizetype lineEnd(const QString& text, qsizetype pos) {
    const qsizetype feed = text.indexOf(u'\n', pos);
    return feed < 0 ? text.size() : feed;
}

QString trimSpacesAndTabs(const QString& s) {
    qsizetype start = 0;
    qsizetype end = s.size();
    while (start < end && (s[start] == u' ' || s[start] == u'\t'))
        ++start;
    while (end > start && (s[end - 1] == u' ' || s[end - 1] == u'\t'))
        --end;
    return s.mid(start, end - start);
}

} // namespace

bool NotebookController::performEdit(TextRange range, const QString& replacement, TextRange selectionAfter,
                                     const QString& name) {
    if (!m_textView->shouldChangeText()) return false;
    m_pendingActionName = name;
    m_textView->replaceCharacters(range, replacement);
    m_textView->didChangeText(); // reaches textDidChange: recorded, re-evaluated, saved
    m_pendingActionName.clear();
    m_textView->setSelectedRange(selectionAfter);
    return true;
}

void NotebookController::applyUndoEdit(TextRange range, const QString& text, TextRange selectionAfter) {
    m_textView->replaceCharacters(range, text);
    m_textView->didChangeText();
    m_textView->setSelectedRange(selectionAfter);
    m_textView->ensureCursorVisible();
}

void NotebookController::moveLines(bool up) {
    const QString text = m_textView->canonicalText();
    const TextRange sel = m_textView->selectedRange();
    // The lines the selection touches; a selection ending right after a line feed stops at that line.
    const qsizetype start = lineStart(text, sel.location);
    const qsizetype lastChar = sel.length > 0 ? sel.end() - 1 : sel.location;
    const qsizetype end = sel.length > 0 && text.at(lastChar) == u'\n' ? lastChar : lineEnd(text, lastChar);
    const QString block = text.mid(start, end - start);
    if (up) {
        if (start == 0) return;
        const qsizetype prevStart = lineStart(text, start - 1);
        const QString previous = text.mid(prevStart, start - 1 - prevStart);
        const qsizetype shift = previous.size() + 1;
        performEdit({prevStart, end - prevStart}, block + u'\n' + previous,
                    {sel.location - shift, sel.length}, QStringLiteral("Move Line Up"));
    } else {
        if (end >= text.size()) return;
        const qsizetype nextStart = end + 1;
        const qsizetype nextEnd = lineEnd(text, nextStart);
        const QString next = text.mid(nextStart, nextEnd - nextStart);
        const qsizetype shift = next.size() + 1;
        performEdit({start, nextEnd - start}, next + u'\n' + block, {sel.location + shift, sel.length},
                    QStringLiteral("Move Line Down"));
    }
}

void NotebookController::insertLineReference() {
    const QString text = m_textView->canonicalText();
    const TextRange sel = m_textView->selectedRange();
    QString word = QStringLiteral("line");
    if (sel.location > 0 && sel.location <= text.size()) {
        const QChar before = text.at(sel.location - 1);
        if (before != u'\n' && before != u' ' && before != u'(') word.prepend(u' ');
    }
    performEdit(sel, word, {sel.location + word.size(), 0}, QStringLiteral("Insert Line Reference"));
}

void NotebookController::insertReference(int line) {
    if (line < 0 || line >= m_outcomes.size() || m_outcomes[line].kind != VexilCore::LineOutcome::Kind::Value)
        return;
    const VexilCore::ReferenceInsertion::Edit edit =
        VexilCore::ReferenceInsertion::edit(m_textView->canonicalText(), m_textView->selectedRange(), line);
    if (!performEdit(edit.range, edit.replacement, edit.selectionAfter, QStringLiteral("Insert Reference")))
        return;
    m_textView->setFocus(Qt::OtherFocusReason);
    scrollRangeToVisible({edit.range.location, edit.replacement.size()});
}

void NotebookController::scrollRangeToVisible(TextRange range) {
    QTextCursor cursor(m_textView->document());
    const int length = m_textView->document()->characterCount() - 1;
    cursor.setPosition(std::clamp(int(range.location), 0, length));
    QRect area = m_textView->cursorRect(cursor);
    cursor.setPosition(std::clamp(int(range.end()), 0, length));
    area = area.united(m_textView->cursorRect(cursor));
    // Cursor rectangles are in viewport coordinates, so they already account for the scroll position.
    QScrollBar* bar = m_textView->verticalScrollBar();
    const int visible = m_textView->viewport()->height();
    if (area.top() < 0)
        bar->setValue(bar->value() + area.top());
    else if (area.bottom() > visible)
        bar->setValue(bar->value() + std::min(area.bottom() - visible, area.top()));
}

void NotebookController::showFeedback(const QString& text) {
    m_saveLabel->setText(text);
    m_saveLabel->setTextColor(Theme::muted());
    m_rootView->layoutNow();
    // Whatever happens meanwhile, the save state comes back afterwards.
    QTimer::singleShot(feedbackDuration, this, &NotebookController::updateSaveLabel);
}

void NotebookController::copyResult(int line) {
    const auto it = m_displayed.find(line);
    if (it == m_displayed.end() || it->second.startsWith(warningPrefix)) return;
    pasteboard->clear();
    pasteboard->setString(it->second);
    showFeedback(QStringLiteral("Copied ") + it->second);
}

std::optional<QString> NotebookController::allResultsText() const {
    const QString text = m_textView->canonicalText();
    QStringList entries;
    bool found = false;
    for (qsizetype i = 0; i < m_outcomes.size(); ++i) {
        const VexilCore::LineOutcome& outcome = m_outcomes[i];
        if (outcome.range.location < 0 || outcome.range.end() > text.size()) continue;
        const QString line = trimSpacesAndTabs(text.mid(outcome.range.location, outcome.range.length));
        const auto shown = m_displayed.find(int(i));
        if (outcome.kind == VexilCore::LineOutcome::Kind::Value && shown != m_displayed.end() &&
            !shown->second.startsWith(warningPrefix)) {
            entries << line + QStringLiteral(" = ") + shown->second;
            found = true;
        } else if (!line.isEmpty()) {
            entries << line;
        } else if (!entries.isEmpty() && !entries.last().isEmpty()) {
            entries << QString(); // runs of empty lines shrink to one
        }
    }
    if (!found) return std::nullopt;
    while (!entries.isEmpty() && entries.last().isEmpty())
        entries.removeLast();
    return entries.join(u'\n');
}

void NotebookController::copyAllResults() {
    const std::optional<QString> all = allResultsText();
    if (!all) return;
    pasteboard->clear();
    pasteboard->setString(*all);
    showFeedback(QStringLiteral("Copied All Results"));
}

void NotebookController::copyTotal() {
    if (!m_totalText.startsWith(QLatin1String("Total ")) || m_totalText.contains(QLatin1String("mixed")))
        return;
    const QString value = m_totalText.mid(6);
    pasteboard->clear();
    pasteboard->setString(value);
    showFeedback(QStringLiteral("Copied ") + value);
}

bool NotebookController::copySummaryValue(TextRange range) {
    const QString text = m_textView->canonicalText();
    if (range.length < 1 || range.location < 0 || range.end() > text.size()) return false;
    int line = int(text.left(range.location).count(u'\n'));
    QString copied;
    std::optional<QString> value;
    qsizetype pos = range.location;
    while (pos < range.end()) {
        const qsizetype start = lineStart(text, pos);
        const qsizetype end = lineEnd(text, pos);
        const qsizetype partEnd = std::min(range.end(), end < text.size() ? end + 1 : end);
        const QString part = text.mid(pos, partEnd - pos);
        const QString whole = text.mid(start, end - start);
        const auto shown = m_displayed.find(line);
        if (VexilCore::DocumentEvaluator::isSummaryRow(whole) && part.trimmed() == whole.trimmed() &&
            shown != m_displayed.end() && !shown->second.startsWith(warningPrefix)) {
            copied += shown->second;
            if (part.endsWith(u'\n')) copied += u'\n';
            value = shown->second;
        } else {
            copied += part;
        }
        pos = end + 1;
        ++line;
    }
    if (!value) return false;
    pasteboard->clear();
    pasteboard->setString(copied);
    showFeedback(copied.contains(u'\n') ? QStringLiteral("Copied with Total as ") + *value
                                        : QStringLiteral("Copied ") + *value);
    return true;
}

void NotebookController::biggerFont() {
    m_prefs->setFontSize(m_prefs->fontSize() + 1);
}

void NotebookController::smallerFont() {
    m_prefs->setFontSize(m_prefs->fontSize() - 1);
}

void NotebookController::resetFont() {
    m_prefs->setFontSize(Preferences::defaultFontSize);
}

void NotebookController::refreshRates() {
    m_rates->refresh();
}

void NotebookController::showAbout() {
    if (onAbout) onAbout();
}

bool NotebookController::isHelpShown() const {
    return m_helpPopover && m_helpPopover->isShown();
}

bool NotebookController::closeHelpIfShown() {
    if (!isHelpShown()) return false;
    m_helpPopover->hide();
    return true;
}

void NotebookController::showHelp() {
    if (closeHelpIfShown()) return;
    delete m_helpPopover.data();
    m_helpPopover = new HelpPopover(m_rootView->window());
    m_helpPopover->showBelow(m_helpButton);
}

bool NotebookController::isFindBarVisible() const {
    return m_scrollView->isFindBarVisible();
}

void NotebookController::setFindBarVisible(bool visible) {
    m_scrollView->setFindBarVisible(visible);
}

void NotebookController::perform(Command command) {
    // A disabled menu item also silences its shortcut, so each command checks for itself.
    switch (command) {
    case Command::MoveLineUp:
        return moveLineUp();
    case Command::MoveLineDown:
        return moveLineDown();
    case Command::InsertLineReference:
        return insertLineReference();
    case Command::CopyAllResults:
        return copyAllResults();
    case Command::CopyTotal:
        return copyTotal();
    case Command::BiggerFont:
        return biggerFont();
    case Command::SmallerFont:
        return smallerFont();
    case Command::ResetFont:
        return resetFont();
    case Command::RefreshRates:
        return refreshRates();
    case Command::ShowAbout:
        return showAbout();
    case Command::ShowHelp:
        return showHelp();
    case Command::ToggleDrawer:
        if (m_sidebarView) toggleDrawer();
        return;
    }
}

NotebookController::MenuState NotebookController::validateMenuItem(Command command) const {
    switch (command) {
    case Command::ToggleDrawer:
        return {m_sidebarView != nullptr, drawerTitle(m_isDrawerOpen)};
    case Command::CopyAllResults:
        return {allResultsText().has_value(), std::nullopt};
    default:
        return {true, std::nullopt};
    }
}

void NotebookController::addContextMenuItems(QMenu& menu) {
    const QString name = QStringLiteral("copy-all-results");
    if (!menu.findChild<QAction*>(name)) {
        auto* item = new QAction(QStringLiteral("Copy All Results"), &menu);
        item->setObjectName(name);
        item->setEnabled(validateMenuItem(Command::CopyAllResults).enabled);
        connect(item, &QAction::triggered, this, &NotebookController::copyAllResults);
        const QList<QAction*> actions = menu.actions();
        QAction* before = nullptr;
        for (qsizetype i = 0; i < actions.size(); ++i) {
            if (actions[i]->objectName() == QLatin1String("edit-copy")) {
                if (i + 1 < actions.size())
                    before = actions[i + 1];
                else
                    before = nullptr;
                break;
            }
        }
        if (before)
            menu.insertAction(before, item);
        else
            menu.addAction(item);
    }
    // The editor keeps no history of its own: the items follow the notebook's stack.
    if (auto* undoItem = menu.findChild<QAction*>(QStringLiteral("edit-undo")))
        undoItem->setEnabled(m_undo->canUndo() && m_textView->shouldChangeText());
    if (auto* redoItem = menu.findChild<QAction*>(QStringLiteral("edit-redo")))
        redoItem->setEnabled(m_undo->canRedo() && m_textView->shouldChangeText());
    const auto named = [this, &menu](const char* objectName, const QString& stepName,
                                     void (NotebookTextView::*command)()) {
        if (auto* item = menu.findChild<QAction*>(QLatin1String(objectName))) {
            disconnect(item, &QAction::triggered, nullptr, nullptr);
            connect(item, &QAction::triggered, this, [this, stepName, command] {
                m_pendingActionName = stepName;
                (m_textView->*command)();
                m_pendingActionName.clear();
            });
        }
    };
    named("edit-paste", QStringLiteral("Paste"), &NotebookTextView::paste);
    named("edit-cut", QStringLiteral("Cut"), &NotebookTextView::cut);
}

} // namespace VexilUI
