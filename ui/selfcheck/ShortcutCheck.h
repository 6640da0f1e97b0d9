#pragma once

#include "ui/selfcheck/SelfTestRunner.h"

#include <QList>
#include <QPointF>
#include <QStringList>

#include <memory>

class QAction;
class QLineEdit;
class QMenu;
class QWidget;

namespace VexilUI {

class AboutWindowController;
class AppDelegate;
class MemoryPasteboard;

// The scripted self-test of the running program: drives the notebook, its shortcuts, menus and windows
// with synthetic events, prints a line per step, then quits through the program's own Quit shortcut.
class ShortcutCheck : public SelfTestRunner {
    Q_OBJECT
public:
    ShortcutCheck(AppDelegate& app, bool aboutOnly, QObject* parent = nullptr);
    ~ShortcutCheck() override;

    AppDelegate& app;
    const bool aboutOnly;

    // Fills the steps and runs them.
    void start();
    // Synthetic click on the result of a 0-based line.
    void click(int resultLine, quint32 flags);

    static QStringList labels(QWidget* view);
    static QList<QLineEdit*> fields(QWidget* view);
    static QList<QAction*> items(QMenu* menu);

private:
    void addInterfaceSteps();
    void addAboutSteps();
    void addClosingSteps();
    AboutWindowController* about() const;
    void clickAboutIcon();
    void add(QString name, std::function<void()> act, std::function<std::optional<QString>()> verify,
             double wait = 0.35);

    QString text() const;
    void setText(const QString& text);
    void caret(int position);
    std::optional<QString> expectText(const QString& expected) const;
    QWidget* keyWindow() const;
    void key(const QString& characters, quint32 flags, int keyCode);
    void commandKey(const QString& characters, int keyCode);

    std::shared_ptr<MemoryPasteboard> m_optionClipboard;
    std::unique_ptr<MemoryPasteboard> m_testClipboard;
};

} // namespace VexilUI
