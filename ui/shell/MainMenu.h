#pragma once

#include "ui/notebook/NotebookController.h"

#include <QKeySequence>
#include <QList>
#include <QMenuBar>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <variant>
#include <vector>

class QAction;
class QMenu;

class QWidget;

namespace VexilUI {

// The application's own commands; the delegate fills them.
enum class AppCommand { ShowAbout, ShowSettings, SearchDrawer, ShowHelp };
struct AppMenuHooks {
    std::function<void(AppCommand)> perform;
};

// The drawer's commands in the File menu. The drawer fills the hooks once it exists; until then its
// items are disabled and do nothing.
enum class SidebarCommand { NewPage, NewGroup, RenameSelected, DeleteSelected };
struct SidebarMenuHooks {
    std::function<void(SidebarCommand)> perform;
    std::function<bool(SidebarCommand)> validate; // none: every command is enabled
};

// Commands of the desktop and of whatever widget has the keyboard focus.
enum class StandardCommand {
    Hide,
    HideOthers,
    ShowAll,
    Quit,
    Undo,
    Redo,
    Cut,
    Copy,
    Paste,
    SelectAll,
    Find,
    Minimize,
    Zoom,
    Close,
};

// The menu bar of the main window: six menus, every item with its title, keys and target. Items are
// validated when their menu opens and enabled again when it closes, since a disabled action also
// silences its shortcut; every command checks its state again when it fires.
// Top-level windows a person can see and hide: no menus, tips or popups.
QList<QWidget*> ordinaryWindows();

class MainMenu : public QObject {
    Q_OBJECT
public:
    using Target = std::variant<AppCommand, SidebarCommand, NotebookController::Command, StandardCommand>;

    // Builds the menu bar on top of window (or on its own when window is null).
    MainMenu(QWidget* window, NotebookController& notebook, AppMenuHooks app, QObject* parent = nullptr);
    ~MainMenu() override;

    QMenuBar* menuBar() const { return m_bar.data(); }
    QList<QMenu*> menus() const { return m_menus; }
    QMenu* windowMenu() const { return m_menus.value(4); }
    QMenu* helpMenu() const { return m_menus.value(5); }
    QAction* item(const QString& menuTitle, const QString& title) const;

    void setSidebarHooks(SidebarMenuHooks hooks) { m_sidebar = std::move(hooks); }

    // The state an item's target gives it now.
    NotebookController::MenuState state(const Target& target) const;
    // Applies every item's state, as a menu about to open does.
    void validate(QMenu* menu);
    // Enables every item of the menu again, so their shortcuts work while it is closed.
    void release(QMenu* menu);
    // Runs a command when its target still allows it.
    void perform(const Target& target);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry {
        QAction* action;
        Target target;
    };
    QMenu* addMenu(const QString& title);
    QAction* add(QMenu* menu, const QString& title, const QList<QKeySequence>& keys, Target target);
    void placeBar();
    QWidget* focusWidget() const;
    QWidget* targetWindow() const;
    void performStandard(StandardCommand command);
    bool standardEnabled(StandardCommand command) const;

    QPointer<QWidget> m_window;
    NotebookController& m_notebook;
    AppMenuHooks m_app;
    SidebarMenuHooks m_sidebar;
    QPointer<QMenuBar> m_bar;
    QList<QMenu*> m_menus;
    std::vector<Entry> m_entries;
};

} // namespace VexilUI
