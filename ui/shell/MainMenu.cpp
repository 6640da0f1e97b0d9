#include "ui/shell/MainMenu.h"

#include "ui/notebook/NotebookTextView.h"
#include "ui/notebook/RootView.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QUndoStack>

namespace VexilUI {

namespace {

using Cmd = NotebookController::Command;

QKeySequence keys(QKeyCombination combination) {
    return QKeySequence(combination);
}

constexpr Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers ctrlAlt = Qt::ControlModifier | Qt::AltModifier;
constexpr Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;

} // namespace

// Top-level windows a person can see and hide: no menus, tips or popups.
QList<QWidget*> ordinaryWindows() {
    QList<QWidget*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = widget->windowType();
        if (type == Qt::Window || type == Qt::Dialog) windows.append(widget);
    }
    return windows;
}

MainMenu::MainMenu(QWidget* window, NotebookController& notebook, AppMenuHooks app, QObject* parent)
    : QObject(parent), m_window(window), m_notebook(notebook), m_app(std::move(app)) {
    m_bar = new QMenuBar(window);

    QMenu* appMenu = addMenu(QStringLiteral("VEXIL"));
    add(appMenu, QStringLiteral("About VEXIL"), {}, AppCommand::ShowAbout);
    appMenu->addSeparator();
    add(appMenu, QStringLiteral("Settings\u2026"), {keys(ctrl | Qt::Key_Comma)}, AppCommand::ShowSettings);
    appMenu->addSeparator();
    add(appMenu, QStringLiteral("Hide VEXIL"), {keys(ctrl | Qt::Key_H)}, StandardCommand::Hide);
    add(appMenu, QStringLiteral("Hide Others"), {keys(ctrlAlt | Qt::Key_H)}, StandardCommand::HideOthers);
    add(appMenu, QStringLiteral("Show All"), {}, StandardCommand::ShowAll);
    appMenu->addSeparator();
    add(appMenu, QStringLiteral("Quit VEXIL"), {keys(ctrl | Qt::Key_Q)}, StandardCommand::Quit);

    QMenu* file = addMenu(QStringLiteral("File"));
    add(file, QStringLiteral("New Sheet"), {keys(ctrl | Qt::Key_N)}, SidebarCommand::NewPage);
    add(file, QStringLiteral("New Folder"), {keys(ctrlShift | Qt::Key_N)}, SidebarCommand::NewGroup);
    add(file, QStringLiteral("Search the Drawer"), {keys(ctrlAlt | Qt::Key_F)}, AppCommand::SearchDrawer);
    add(file, QStringLiteral("Rename Sheet"), {}, SidebarCommand::RenameSelected);
    file->addSeparator();
    add(file, QStringLiteral("Delete Sheet\u2026"), {}, SidebarCommand::DeleteSelected);

    QMenu* edit = addMenu(QStringLiteral("Edit"));
    add(edit, QStringLiteral("Undo"), {keys(ctrl | Qt::Key_Z)}, StandardCommand::Undo);
    add(edit, QStringLiteral("Redo"), {keys(ctrlShift | Qt::Key_Z)}, StandardCommand::Redo);
    edit->addSeparator();
    add(edit, QStringLiteral("Cut"), {keys(ctrl | Qt::Key_X)}, StandardCommand::Cut);
    add(edit, QStringLiteral("Copy"), {keys(ctrl | Qt::Key_C)}, StandardCommand::Copy);
    add(edit, QStringLiteral("Paste"), {keys(ctrl | Qt::Key_V)}, StandardCommand::Paste);
    add(edit, QStringLiteral("Select All"), {keys(ctrl | Qt::Key_A)}, StandardCommand::SelectAll);
    add(edit, QStringLiteral("Copy All Results"), {keys(ctrlShift | Qt::Key_C)}, Cmd::CopyAllResults);
    edit->addSeparator();
    // Desktops take Ctrl+Alt+arrows for switching workspaces; Ctrl+Shift+arrows reach the window.
    add(edit, QStringLiteral("Move Line Up"), {keys(ctrlAlt | Qt::Key_Up), keys(ctrlShift | Qt::Key_Up)},
        Cmd::MoveLineUp);
    add(edit, QStringLiteral("Move Line Down"),
        {keys(ctrlAlt | Qt::Key_Down), keys(ctrlShift | Qt::Key_Down)}, Cmd::MoveLineDown);
    add(edit, QStringLiteral("Insert Line Reference"), {keys(ctrl | Qt::Key_J)}, Cmd::InsertLineReference);
    edit->addSeparator();
    add(edit, QStringLiteral("Find\u2026"), {keys(ctrl | Qt::Key_F)}, StandardCommand::Find);

    QMenu* view = addMenu(QStringLiteral("View"));
    // One visible "Bigger" answers both Ctrl++ and Ctrl+=: a hidden action would lose its shortcut.
    add(view, QStringLiteral("Bigger"), {keys(ctrl | Qt::Key_Plus), keys(ctrl | Qt::Key_Equal)},
        Cmd::BiggerFont);
    add(view, QStringLiteral("Smaller"), {keys(ctrl | Qt::Key_Minus)}, Cmd::SmallerFont);
    add(view, QStringLiteral("Actual Size"), {keys(ctrl | Qt::Key_0)}, Cmd::ResetFont);
    view->addSeparator();
    add(view, QStringLiteral("Refresh Rates"), {keys(ctrl | Qt::Key_R)}, Cmd::RefreshRates);
    view->addSeparator();
    add(view, NotebookController::drawerTitle(notebook.isDrawerOpen()),
        {keys(Qt::MetaModifier | Qt::ControlModifier | Qt::Key_S)}, Cmd::ToggleDrawer);

    QMenu* windowMenu = addMenu(QStringLiteral("Window"));
    add(windowMenu, QStringLiteral("Minimize"), {keys(ctrl | Qt::Key_M)}, StandardCommand::Minimize);
    add(windowMenu, QStringLiteral("Zoom"), {}, StandardCommand::Zoom);
    add(windowMenu, QStringLiteral("Close"), {keys(ctrl | Qt::Key_W)}, StandardCommand::Close);

    QMenu* help = addMenu(QStringLiteral("Help"));
    add(help, QStringLiteral("VEXIL Help"), {keys(ctrl | Qt::Key_Question)}, AppCommand::ShowHelp);

    for (QMenu* menu : std::as_const(m_menus))
        m_bar->addMenu(menu);

    if (m_window) {
        m_window->installEventFilter(this);
        placeBar();
    }
}

MainMenu::~MainMenu() {
    if (m_bar && !m_bar->parent()) delete m_bar.data();
}

QMenu* MainMenu::addMenu(const QString& title) {
    auto* menu = new QMenu(title, m_bar);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { validate(menu); });
    connect(menu, &QMenu::aboutToHide, this, [this, menu] { release(menu); });
    m_menus.append(menu);
    return menu;
}

QAction* MainMenu::add(QMenu* menu, const QString& title, const QList<QKeySequence>& keys, Target target) {
    QAction* action = menu->addAction(title);
    action->setShortcuts(keys);
    // Settings, Quit and Close also answer from the Settings and About windows.
    action->setShortcutContext(Qt::ApplicationShortcut);
    connect(action, &QAction::triggered, this, [this, target] { perform(target); });
    m_entries.push_back({action, target});
    return action;
}

QAction* MainMenu::item(const QString& menuTitle, const QString& title) const {
    for (QMenu* menu : m_menus) {
        if (menu->title() != menuTitle) continue;
        for (QAction* action : menu->actions())
            if (!action->isSeparator() && action->text() == title) return action;
    }
    return nullptr;
}

NotebookController::MenuState MainMenu::state(const Target& target) const {
    if (const auto* command = std::get_if<Cmd>(&target)) return m_notebook.validateMenuItem(*command);
    if (const auto* command = std::get_if<SidebarCommand>(&target)) {
        if (!m_sidebar.perform) return {false, std::nullopt};
        return {!m_sidebar.validate || m_sidebar.validate(*command), std::nullopt};
    }
    if (std::holds_alternative<AppCommand>(target)) return {bool(m_app.perform), std::nullopt};
    return {standardEnabled(std::get<StandardCommand>(target)), std::nullopt};
}

void MainMenu::validate(QMenu* menu) {
    for (const Entry& entry : m_entries) {
        if (!menu->actions().contains(entry.action)) continue;
        const NotebookController::MenuState s = state(entry.target);
        entry.action->setEnabled(s.enabled);
        if (s.title) entry.action->setText(*s.title);
    }
}

void MainMenu::release(QMenu* menu) {
    for (const Entry& entry : m_entries)
        if (menu->actions().contains(entry.action)) entry.action->setEnabled(true);
}

void MainMenu::perform(const Target& target) {
    if (!state(target).enabled) return;
    if (const auto* command = std::get_if<Cmd>(&target)) return m_notebook.perform(*command);
    if (const auto* command = std::get_if<SidebarCommand>(&target)) return m_sidebar.perform(*command);
    if (const auto* command = std::get_if<AppCommand>(&target)) return m_app.perform(*command);
    performStandard(std::get<StandardCommand>(target));
}

QWidget* MainMenu::focusWidget() const {
    return QApplication::focusWidget();
}

QWidget* MainMenu::targetWindow() const {
    if (QWidget* active = QApplication::activeWindow()) return active;
    if (QWidget* focus = focusWidget()) return focus->window();
    return m_window;
}

bool MainMenu::standardEnabled(StandardCommand command) const {
    QWidget* focus = focusWidget();
    auto* notebookText = qobject_cast<NotebookTextView*>(focus);
    auto* line = qobject_cast<QLineEdit*>(focus);
    auto* text = qobject_cast<QTextEdit*>(focus);
    auto* plain = qobject_cast<QPlainTextEdit*>(focus);
    const bool editable =
        (line && !line->isReadOnly()) || (text && !text->isReadOnly()) || (plain && !plain->isReadOnly());
    switch (command) {
    case StandardCommand::HideOthers:
        return false; // Linux desktops have no such request
    case StandardCommand::Hide:
    case StandardCommand::ShowAll:
    case StandardCommand::Quit:
        return true;
    case StandardCommand::Undo:
        if (notebookText) return m_notebook.undo()->canUndo() && notebookText->shouldChangeText();
        if (line) return line->isUndoAvailable();
        return (text || plain) && editable;
    case StandardCommand::Redo:
        if (notebookText) return m_notebook.undo()->canRedo() && notebookText->shouldChangeText();
        if (line) return line->isRedoAvailable();
        return (text || plain) && editable;
    case StandardCommand::Cut:
    case StandardCommand::Copy: {
        const bool selected = (line && line->hasSelectedText()) ||
                              (text && text->textCursor().hasSelection()) ||
                              (plain && plain->textCursor().hasSelection());
        return selected && (command == StandardCommand::Copy || editable);
    }
    case StandardCommand::Paste:
        return editable;
    case StandardCommand::SelectAll:
        return line || text || plain;
    case StandardCommand::Find: {
        QWidget* window = targetWindow();
        return window && window == m_notebook.rootView()->window();
    }
    case StandardCommand::Minimize:
    case StandardCommand::Zoom:
    case StandardCommand::Close: {
        QWidget* window = targetWindow();
        return window && window->isVisible();
    }
    }
    return false;
}

void MainMenu::performStandard(StandardCommand command) {
    QWidget* focus = focusWidget();
    auto* notebookText = qobject_cast<NotebookTextView*>(focus);
    auto* line = qobject_cast<QLineEdit*>(focus);
    auto* text = qobject_cast<QTextEdit*>(focus);
    auto* plain = qobject_cast<QPlainTextEdit*>(focus);
    switch (command) {
    case StandardCommand::Hide:
        for (QWidget* window : ordinaryWindows())
            if (window->isVisible()) window->showMinimized();
        return;
    case StandardCommand::HideOthers:
        return;
    case StandardCommand::ShowAll:
        for (QWidget* window : ordinaryWindows())
            if (window->isMinimized()) window->showNormal();
        return;
    case StandardCommand::Quit:
        QCoreApplication::quit();
        return;
    case StandardCommand::Undo:
        // The sheet keeps its history in the notebook, not in the editor.
        if (notebookText)
            emit notebookText->undoRequested();
        else if (line)
            line->undo();
        else if (text)
            text->undo();
        else if (plain)
            plain->undo();
        return;
    case StandardCommand::Redo:
        if (notebookText)
            emit notebookText->redoRequested();
        else if (line)
            line->redo();
        else if (text)
            text->redo();
        else if (plain)
            plain->redo();
        return;
    case StandardCommand::Cut:
        if (notebookText)
            notebookText->cut();
        else if (line)
            line->cut();
        else if (text)
            text->cut();
        else if (plain)
            plain->cut();
        return;
    case StandardCommand::Copy:
        if (notebookText)
            notebookText->copy();
        else if (line)
            line->copy();
        else if (text)
            text->copy();
        else if (plain)
            plain->copy();
        return;
    case StandardCommand::Paste:
        if (notebookText)
            notebookText->paste();
        else if (line)
            line->paste();
        else if (text)
            text->paste();
        else if (plain)
            plain->paste();
        return;
    case StandardCommand::SelectAll:
        if (line)
            line->selectAll();
        else if (text)
            text->selectAll();
        else if (plain)
            plain->selectAll();
        return;
    case StandardCommand::Find:
        m_notebook.performFind();
        return;
    case StandardCommand::Minimize:
        if (QWidget* window = targetWindow()) window->showMinimized();
        return;
    case StandardCommand::Zoom:
        if (QWidget* window = targetWindow()) {
            if (window->isMaximized())
                window->showNormal();
            else
                window->showMaximized();
        }
        return;
    case StandardCommand::Close:
        if (QWidget* window = targetWindow()) window->close();
        return;
    }
}

void MainMenu::placeBar() {
    if (!m_window) return;
    // A desktop-wide menu bar takes no room in the window.
    const int height = m_bar->isNativeMenuBar() ? 0 : m_bar->sizeHint().height();
    m_bar->setGeometry(0, 0, m_window->width(), height);
    const QMargins margins(0, height, 0, 0);
    if (m_window->contentsMargins() != margins) {
        m_window->setContentsMargins(margins);
        RootView* root = m_notebook.rootView();
        if (root && root->parentWidget() == m_window) root->setGeometry(m_window->contentsRect());
    }
}

bool MainMenu::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window && event->type() == QEvent::Resize) placeBar();
    return QObject::eventFilter(watched, event);
}

} // namespace VexilUI
