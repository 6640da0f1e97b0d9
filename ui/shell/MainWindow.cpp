#include "ui/shell/MainWindow.h"

#include "ui/notebook/NotebookController.h"
#include "ui/notebook/NotebookTextView.h"
#include "ui/notebook/RootView.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

namespace VexilUI {

namespace {

// The user's settings file; only ever opened for a window with autosave.
QSettings userSettings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Vexil"),
                     QStringLiteral("Vexil"));
}

} // namespace

QString NotebookWindow::autosaveName() {
    return QStringLiteral("VexilMainWindow");
}

NotebookWindow::NotebookWindow(NotebookController& content, bool autosave)
    : QWidget(nullptr), m_content(content), m_autosave(autosave) {
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(500);
    connect(&m_saveTimer, &QTimer::timeout, this, &NotebookWindow::saveGeometryNow);
}

NotebookWindow::~NotebookWindow() {
    // The root view belongs to the controller; hand it back rather than delete it with the window.
    if (RootView* root = m_content.rootView(); root && root->parentWidget() == this) {
        root->hide();
        root->setParent(nullptr);
    }
}

void NotebookWindow::saveGeometryNow() {
    m_saveTimer.stop();
    if (!m_autosave) return;
    QSettings settings = userSettings();
    settings.setValue(autosaveName(), saveGeometry());
    settings.sync();
}

void NotebookWindow::restoreStoredGeometry() {
    if (!m_autosave) return;
    const QByteArray stored = userSettings().value(autosaveName()).toByteArray();
    if (!stored.isEmpty()) m_geometryRestored = restoreGeometry(stored);
}

bool NotebookWindow::event(QEvent* event) {
    if (event->type() == QEvent::ContentsRectChange) {
        const int top = contentsMargins().top();
        const int grown = top - m_contentTop;
        m_contentTop = top;
        if (grown != 0 && !isVisible() && !m_geometryRestored) resize(width(), height() + grown);
    }
    return QWidget::event(event);
}

void NotebookWindow::closeEvent(QCloseEvent* event) {
    m_content.windowWillClose();
    if (m_autosave) saveGeometryNow();
    QWidget::closeEvent(event); // hides; the window stays for the next show
}

void NotebookWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (RootView* root = m_content.rootView()) root->setGeometry(contentsRect());
    if (m_autosave && isVisible()) m_saveTimer.start();
}

void NotebookWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (m_autosave && isVisible()) m_saveTimer.start();
}

namespace MainWindow {

std::unique_ptr<NotebookWindow> make(NotebookController& content, bool autosave) {
    auto window = std::make_unique<NotebookWindow>(content, autosave);
    window->setWindowTitle(QStringLiteral("VEXIL"));
    window->setMinimumSize(minSize);
    window->resize(defaultSize);
    RootView* root = content.rootView();
    root->setParent(window.get());
    root->setGeometry(window->rect());
    root->show();

    // Centred on the screen's free area; some window systems place windows themselves.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
    }
    window->restoreStoredGeometry();
    content.setTitlebarHeight(titlebarHeight);
    content.textView()->setFocus(Qt::OtherFocusReason);
    return window;
}

} // namespace MainWindow
} // namespace VexilUI
