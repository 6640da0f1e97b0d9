#include "ui/notebook/NotebookScrollView.h"

#include "ui/notebook/FindBar.h"
#include "ui/notebook/NotebookTextView.h"

#include <QKeyEvent>
#include <QScrollBar>

namespace VexilUI {

NotebookScrollView::NotebookScrollView(NotebookTextView* editor, QWidget* parent)
    : QWidget(parent), m_editor(editor) {
    setAutoFillBackground(false);
    m_editor->setParent(this);
    m_findBar = new FindBar(m_editor, this);
    m_findBar->installEventFilter(this);
    m_scroller = new QScrollBar(Qt::Vertical, this);
    m_scroller->setAttribute(Qt::WA_OpaquePaintEvent, false);
    m_scroller->setStyleSheet(
        QStringLiteral("QScrollBar:vertical { background: transparent; width: 8px; margin: 2px 1px; }"
                       "QScrollBar::handle:vertical { background: rgba(255,255,255,0.22); border-radius: "
                       "3px; min-height: 24px; }"
                       "QScrollBar::add-line, QScrollBar::sub-line { height: 0; }"
                       "QScrollBar::add-page, QScrollBar::sub-page { background: transparent; }"));
    m_scroller->hide();

    // The editor's own bar is never shown; this one mirrors it both ways.
    QScrollBar* inner = m_editor->verticalScrollBar();
    connect(inner, &QScrollBar::rangeChanged, this, [this] { syncScroller(); });
    connect(inner, &QScrollBar::valueChanged, m_scroller, [this](int v) {
        if (m_scroller->value() != v) m_scroller->setValue(v);
    });
    connect(m_scroller, &QScrollBar::valueChanged, inner, [inner](int v) {
        if (inner->value() != v) inner->setValue(v);
    });
    syncScroller();
}

bool NotebookScrollView::isFindBarVisible() const {
    return m_findBar->isVisible();
}

void NotebookScrollView::setFindBarVisible(bool visible) {
    if (visible)
        m_findBar->open();
    else if (m_findBar->isVisible())
        m_findBar->close();
    layoutChildren();
}

void NotebookScrollView::syncScroller() {
    const QScrollBar* inner = m_editor->verticalScrollBar();
    m_scroller->setRange(inner->minimum(), inner->maximum());
    m_scroller->setPageStep(inner->pageStep());
    m_scroller->setSingleStep(inner->singleStep());
    m_scroller->setValue(inner->value());
    m_scroller->setVisible(inner->maximum() > inner->minimum());
    m_scroller->raise();
}

void NotebookScrollView::layoutChildren() {
    int top = 0;
    if (m_findBar->isVisible()) {
        const int h = m_findBar->sizeHint().height();
        m_findBar->setGeometry(0, 0, width(), h);
        top = h;
    }
    m_editor->setGeometry(0, top, width(), std::max(0, height() - top));
    m_scroller->setGeometry(width() - scrollerWidth, top, scrollerWidth, std::max(0, height() - top));
    m_scroller->raise();
}

void NotebookScrollView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutChildren();
}

void NotebookScrollView::keyPressEvent(QKeyEvent* event) {
    // Keys the editor leaves alone arrive here.
    if (event == QKeySequence::Find) {
        setFindBarVisible(true);
    } else if (event == QKeySequence::FindNext && isFindBarVisible()) {
        m_findBar->findNext(false);
    } else if (event == QKeySequence::FindPrevious && isFindBarVisible()) {
        m_findBar->findNext(true);
    } else {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

bool NotebookScrollView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_findBar && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        layoutChildren();
    return QWidget::eventFilter(watched, event);
}

} // namespace VexilUI
