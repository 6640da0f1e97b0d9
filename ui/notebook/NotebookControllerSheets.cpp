// Loading and switching sheets, the save label, preference changes and the window closing.
#include "ui/notebook/NotebookController.h"

#include "ui/common/Controls.h"
#include "ui/common/Theme.h"
#include "ui/notebook/NotebookTextView.h"
#include "ui/notebook/RootView.h"
#include "ui/storage/NoteStore.h"
#include "ui/storage/Preferences.h"

#include <QUndoStack>

namespace VexilUI {

void NotebookController::replaceSheetText(const QString& text) {
    m_textView->setSheetText(text);
    // Steps recorded against the old text would corrupt the new one.
    m_undo->clear();
    m_recorder->reset(m_textView->canonicalText());
}

void NotebookController::loadNotes() {
    {
        const NotebookTextView::LayoutHold hold(m_textView);
        replaceSheetText(m_notes->load());
        m_textView->layoutContainer();
        recalc();
    }
    updateSaveLabel();
    m_textView->moveCursor(QTextCursor::End);
}

void NotebookController::switchTo(const std::shared_ptr<NoteStore>& store) {
    if (!store || store == m_notes) return;
    m_notes->flush();
    m_notes->onStatus = nullptr;
    m_notes = store;
    watchStore();
    m_undo->clear();
    {
        const NotebookTextView::LayoutHold hold(m_textView);
        replaceSheetText(m_notes->load());
        m_textView->layoutContainer();
        recalc();
    }
    updateSaveLabel();
    m_textView->moveCursor(QTextCursor::End);
    if (m_rootView && m_rootView->parentWidget()) m_textView->setFocus(Qt::OtherFocusReason);
}

void NotebookController::setText(const QString& text) {
    const NotebookTextView::LayoutHold hold(m_textView);
    replaceSheetText(text);
    m_textView->layoutContainer();
    recalc();
}

void NotebookController::updateSaveLabel() {
    const NoteStore::Status& status = m_notes->status();
    switch (status.kind) {
    case NoteStore::Status::Saved:
        m_saveLabel->setText(QStringLiteral("Saved"));
        m_saveLabel->setTextColor(Theme::muted());
        break;
    case NoteStore::Status::Edited:
        m_saveLabel->setText(QStringLiteral("Edited"));
        m_saveLabel->setTextColor(Theme::muted());
        break;
    case NoteStore::Status::Failed:
    case NoteStore::Status::ReadOnly:
        m_saveLabel->setText(status.message);
        m_saveLabel->setTextColor(Theme::error());
        break;
    }
    // The label may be cut short; its tip always holds the whole reason.
    const bool trouble =
        status.kind == NoteStore::Status::Failed || status.kind == NoteStore::Status::ReadOnly;
    m_saveLabel->setToolTip(trouble ? status.message : QString());
    // A sheet that cannot be saved cannot be typed into: nothing typed is then silently dropped.
    m_textView->setReadOnly(status.kind == NoteStore::Status::ReadOnly);
    m_rootView->layoutNow();
}

void NotebookController::applyPreferences() {
    const int size = m_prefs->fontSize();
    if (qreal(size) != m_textView->fontSize()) {
        const VexilCore::TextRange selection = m_textView->selectedRange();
        m_textView->setFontSize(size);
        m_textView->setSelectedRange(selection);
    }
    // Compared exactly: none and a value differ, two values only when equal.
    const std::optional<double> fraction = m_prefs->resultsFraction();
    if (!m_textView->isDraggingDivider() && m_textView->resultsFraction() != fraction)
        m_textView->setResultsFraction(fraction);
    recalc();
}

void NotebookController::windowWillClose() {
    m_notes->flush();
    closeHelpIfShown();
}

} // namespace VexilUI
