#include "ui/notebook/FindBar.h"

#include "ui/common/Theme.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolButton>

namespace VexilUI {

namespace {

// More marks than this are not drawn; the count still tells the truth.
constexpr int markLimit = 1000;

} // namespace

FindBar::FindBar(QTextEdit* editor, QWidget* parent) : QWidget(parent), m_editor(editor) {
    setAutoFillBackground(false);
    m_field = new QLineEdit(this);
    m_field->setPlaceholderText(QStringLiteral("Find"));
    m_field->setClearButtonEnabled(true);
    m_field->installEventFilter(this);
    m_status = new QLabel(this);
    QPalette pal = m_status->palette();
    pal.setColor(QPalette::WindowText, Theme::muted());
    m_status->setPalette(pal);
    m_previous = new QToolButton(this);
    m_previous->setText(QStringLiteral("\u2039"));
    m_previous->setAccessibleName(QStringLiteral("Previous"));
    m_previous->setAutoRaise(true);
    m_next = new QToolButton(this);
    m_next->setText(QStringLiteral("\u203A"));
    m_next->setAccessibleName(QStringLiteral("Next"));
    m_next->setAutoRaise(true);
    m_done = new QToolButton(this);
    m_done->setText(QStringLiteral("Done"));
    m_done->setAutoRaise(true);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 4, 8, 4);
    row->setSpacing(4);
    row->addWidget(m_field, 1);
    row->addWidget(m_status);
    row->addWidget(m_previous);
    row->addWidget(m_next);
    row->addWidget(m_done);

    connect(m_field, &QLineEdit::textChanged, this, [this] {
        updateMarks();
        if (m_editor) {
            // Typing searches from the start of the current selection, so the match grows in place.
            QTextCursor cursor = m_editor->textCursor();
            cursor.setPosition(cursor.selectionStart());
            m_editor->setTextCursor(cursor);
        }
        findNext();
    });
    connect(m_field, &QLineEdit::returnPressed, this, [this] { findNext(false); });
    connect(m_previous, &QToolButton::clicked, this, [this] { findNext(true); });
    connect(m_next, &QToolButton::clicked, this, [this] { findNext(false); });
    connect(m_done, &QToolButton::clicked, this, [this] { close(); });
    if (m_editor)
        connect(m_editor, &QTextEdit::textChanged, this, [this] {
            if (isVisible()) updateMarks();
        });
    hide();
}

void FindBar::open() {
    show();
    if (m_editor && m_editor->textCursor().hasSelection()) {
        const QString selected = m_editor->textCursor().selectedText();
        if (!selected.contains(QChar::ParagraphSeparator)) {
            const QSignalBlocker block(m_field);
            m_field->setText(selected);
        }
    }
    updateMarks();
    m_field->selectAll();
    m_field->setFocus(Qt::ShortcutFocusReason);
}

void FindBar::close() {
    hide();
    m_matches = 0;
    if (m_editor) {
        m_editor->setExtraSelections({});
        m_editor->setFocus(Qt::OtherFocusReason);
    }
}

bool FindBar::findNext(bool backward) {
    if (!m_editor || m_field->text().isEmpty()) return false;
    QTextDocument* doc = m_editor->document();
    const QTextDocument::FindFlags flags =
        backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    QTextCursor from = m_editor->textCursor();
    QTextCursor found = doc->find(m_field->text(), from, flags);
    if (found.isNull()) {
        // Wrap around to the other end.
        QTextCursor edge(doc);
        edge.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
        found = doc->find(m_field->text(), edge, flags);
    }
    if (found.isNull()) return false;
    m_editor->setTextCursor(found);
    m_editor->ensureCursorVisible();
    return true;
}

QString FindBar::statusText() const {
    return m_status->text();
}

void FindBar::updateMarks() {
    m_matches = 0;
    QList<QTextEdit::ExtraSelection> marks;
    if (m_editor && !m_field->text().isEmpty()) {
        QTextDocument* doc = m_editor->document();
        QTextCharFormat format;
        format.setBackground(Theme::rgb(0xDFFF57, 0.25));
        QTextCursor cursor(doc);
        while (true) {
            cursor = doc->find(m_field->text(), cursor);
            if (cursor.isNull()) break;
            ++m_matches;
            if (marks.size() < markLimit) marks.append({cursor, format});
        }
    }
    if (m_editor) m_editor->setExtraSelections(marks);
    if (m_field->text().isEmpty())
        m_status->clear();
    else if (m_matches == 0)
        m_status->setText(QStringLiteral("Not found"));
    else
        m_status->setText(m_matches == 1 ? QStringLiteral("1 match")
                                         : QString::number(m_matches) + QStringLiteral(" matches"));
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            close();
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & Qt::ShiftModifier)) {
            findNext(true);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FindBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::rgb(0xFFFFFF, 0.04));
    painter.fillRect(QRect(0, height() - 1, width(), 1), Theme::divider());
}

} // namespace VexilUI
