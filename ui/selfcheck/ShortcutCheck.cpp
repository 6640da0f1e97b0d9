#include "ui/selfcheck/ShortcutCheck.h"

#include "ui/common/Controls.h"
#include "ui/notebook/NotebookController.h"
#include "ui/notebook/NotebookScrollView.h"
#include "ui/notebook/NotebookTextView.h"
#include "ui/notebook/Pasteboard.h"
#include "ui/selfcheck/SyntheticEvents.h"
#include "ui/shell/AboutAnimation.h"
#include "ui/shell/AboutWindow.h"
#include "ui/shell/AppDelegate.h"
#include "ui/shell/MainMenu.h"
#include "ui/shell/MainWindow.h"
#include "ui/storage/Preferences.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QKeySequence>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>
#include <QUndoStack>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace VexilUI {

namespace {

using namespace Synthetic;

void makeKeyAndOrderFront(QWidget* window) {
    if (!window) return;
    if (window->isMinimized()) window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
    // The window system activates later; the keys that follow must already find this window key.
    if (QApplication::activeWindow() != window) QApplication::setActiveWindow(window);
}

// Hidden: no ordinary window is on screen unminimised.
bool applicationHidden() {
    for (QWidget* w : ordinaryWindows())
        if (w->isVisible() && !w->isMinimized()) return false;
    return true;
}

QString quoted(const QString& text) {
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'"' || c == u'\\')
            out += u'\\', out += c;
        else
            out += c;
    }
    return out + u'"';
}

QString decimal(qreal value) {
    QString s = QString::number(value, 'g', 15);
    if (!s.contains(u'.') && !s.contains(u'e')) s += QStringLiteral(".0");
    return s;
}

SelfTestRunner::Hooks liveHooks(AppDelegate& app) {
    SelfTestRunner::Hooks hooks;
    hooks.print = &SelfTestRunner::printLine;
    hooks.isActive = [] { return QGuiApplication::applicationState() == Qt::ApplicationActive; };
    hooks.activate = [&app] {
        QWidget* window = QApplication::activeWindow();
        makeKeyAndOrderFront(window ? window : app.window());
    };
    hooks.frontmostName = [] { return QString(); };
    hooks.exit = [](int status) {
        std::fflush(stdout);
        std::_Exit(status);
    };
    return hooks;
}

} // namespace

ShortcutCheck::ShortcutCheck(AppDelegate& app, bool aboutOnly, QObject* parent)
    : SelfTestRunner(liveHooks(app), parent), app(app), aboutOnly(aboutOnly) {
    hooks().end = [this] {
        if (NotebookController* nb = this->app.notebook()) nb->textView()->setTestClipboard(nullptr);
        makeKeyAndOrderFront(this->app.window());
        postKey(keyWindow(), QStringLiteral("q"), CommandMask, 12);
    };
}

ShortcutCheck::~ShortcutCheck() {
    if (app.notebook() && app.notebook()->textView()->testClipboard() == m_testClipboard.get())
        app.notebook()->textView()->setTestClipboard(nullptr);
}

void ShortcutCheck::start() {
    m_optionClipboard = std::make_shared<MemoryPasteboard>();
    m_testClipboard = std::make_unique<MemoryPasteboard>();
    if (!aboutOnly) app.notebook()->textView()->setTestClipboard(m_testClipboard.get());
    if (aboutOnly) {
        addAboutSteps();
    } else {
        addInterfaceSteps();
        addAboutSteps();
        addClosingSteps();
    }
    runNext(0);
}

void ShortcutCheck::add(QString name, std::function<void()> act,
                        std::function<std::optional<QString>()> verify, double wait) {
    steps.push_back({std::move(name), std::move(act), std::move(verify), wait});
}

QString ShortcutCheck::text() const {
    return app.notebook()->textView()->canonicalText();
}

void ShortcutCheck::setText(const QString& text) {
    NotebookTextView* view = app.notebook()->textView();
    view->setSheetText(text);
    view->layoutContainer();
    app.notebook()->recalc();
}

void ShortcutCheck::caret(int position) {
    NotebookTextView* view = app.notebook()->textView();
    QTextCursor cursor = view->textCursor();
    cursor.setPosition(position);
    view->setTextCursor(cursor);
}

std::optional<QString> ShortcutCheck::expectText(const QString& expected) const {
    const QString now = text();
    if (now == expected) return std::nullopt;
    return QStringLiteral("text is ") + quoted(now);
}

QWidget* ShortcutCheck::keyWindow() const {
    QWidget* window = QApplication::activeWindow();
    return window ? window : app.window();
}

void ShortcutCheck::key(const QString& characters, quint32 flags, int keyCode) {
    postKey(keyWindow(), characters, flags, keyCode);
}

void ShortcutCheck::commandKey(const QString& characters, int keyCode) {
    makeKeyAndOrderFront(app.window());
    postKey(keyWindow(), characters, CommandMask, keyCode);
}

void ShortcutCheck::click(int resultLine, quint32 flags) {
    QWidget* window = app.window();
    NotebookTextView* view = app.notebook()->textView();
    if (QLayout* layout = window->layout()) layout->activate();
    view->ensureCursorVisible();
    view->verticalScrollBar()->setValue(0);
    const std::optional<QRectF> rect = view->resultRect(resultLine);
    if (!rect) {
        printLine(QStringLiteral("DBG no result rect for line ") + QString::number(resultLine));
        return;
    }
    // The text view's coordinates are its viewport's content coordinates.
    const QPointF inViewport =
        rect->center() - QPointF(view->horizontalScrollBar()->value(), view->verticalScrollBar()->value());
    const QPointF point = view->viewport()->mapTo(window, inViewport);
    postMouse(window, Mouse::Down, point, flags);
    postMouse(window, Mouse::Up, point, flags);
}

QStringList ShortcutCheck::labels(QWidget* view) {
    QStringList out;
    if (!view) return out;
    if (auto* label = qobject_cast<QLabel*>(view)) out.append(label->text());
    if (auto* field = qobject_cast<QLineEdit*>(view)) out.append(field->text());
    for (QObject* child : view->children())
        if (auto* widget = qobject_cast<QWidget*>(child)) out += labels(widget);
    return out;
}

QList<QLineEdit*> ShortcutCheck::fields(QWidget* view) {
    QList<QLineEdit*> out;
    if (!view) return out;
    if (auto* field = qobject_cast<QLineEdit*>(view); field && !field->isReadOnly()) out.append(field);
    for (QObject* child : view->children())
        if (auto* widget = qobject_cast<QWidget*>(child)) out += fields(widget);
    return out;
}

QList<QAction*> ShortcutCheck::items(QMenu* menu) {
    QList<QAction*> out;
    if (!menu) return out;
    for (QAction* action : menu->actions()) {
        out.append(action);
        if (action->menu()) out += items(action->menu());
    }
    return out;
}

void ShortcutCheck::addInterfaceSteps() {
    NotebookController* nb = app.notebook();
    NotebookTextView* tv = nb->textView();
    QWidget* window = app.window();
    const auto always = [] { return std::optional<QString>(); };
    const auto suffix = [this](QString end) {
        return [this, end] {
            const QString now = text();
            return now.endsWith(end) ? std::nullopt
                                     : std::optional<QString>(QStringLiteral("text ") + quoted(now));
        };
    };
    const auto size = [tv](qreal expected) {
        return [tv, expected] {
            return tv->fontSize() == expected
                       ? std::nullopt
                       : std::optional<QString>(QStringLiteral("size ") + decimal(tv->fontSize()));
        };
    };
    const auto keyStep = [this](QString name, QString chars, quint32 flags, int code,
                                std::function<std::optional<QString>()> verify) {
        add(
            std::move(name), [this, chars, flags, code] { key(chars, flags, code); }, std::move(verify));
    };
    const auto expect = [this](QString expected) {
        return [this, expected] { return expectText(expected); };
    };

    add(
        QStringLiteral("window is key"),
        [this, window, tv] {
            makeKeyAndOrderFront(window);
            tv->setFocus(Qt::OtherFocusReason);
            setText(QStringLiteral("10\n20\n30"));
            caret(8);
        },
        [window] {
            return QApplication::activeWindow() == window
                       ? std::nullopt
                       : std::optional<QString>(QStringLiteral("main window isn't key (app not frontmost?)"));
        });
    add(
        QStringLiteral("click a result: caret on a later line gets lineN"),
        [this] {
            setText(QStringLiteral("Petrol: 30+45.6+88\n200\n\n500 x"));
            caret(int(text().size()));
            click(1, 0);
        },
        expect(QStringLiteral("Petrol: 30+45.6+88\n200\n\n500 x line2")));
    add(
        QStringLiteral("click a result: caret above inserts below the result"),
        [this] {
            caret(0);
            click(0, 0);
        },
        [this] {
            const QString now = text();
            return now.startsWith(QStringLiteral("Petrol: 30+45.6+88\nline1\n200"))
                       ? std::nullopt
                       : std::optional<QString>(QStringLiteral("text ") + quoted(now));
        });
    add(
        QStringLiteral("click a result while the window is in the background"),
        [this, window] {
            setText(QStringLiteral("7\n\n2 *"));
            caret(int(text().size()));
            // There is no resigning key on demand here; clearing the active window stands in for it.
            if (QApplication::activeWindow() == window) QApplication::setActiveWindow(nullptr);
            click(0, 0);
        },
        expect(QStringLiteral("7\n\n2 * line1")));
    add(
        QStringLiteral("click the left edge of a long result"),
        [this, window, tv] {
            makeKeyAndOrderFront(window);
            setText(QStringLiteral("123456789.123 * 1000\n\n"));
            caret(int(text().size()));
            if (QLayout* layout = window->layout()) layout->activate();
            const std::optional<QRectF> rect = tv->resultRect(0);
            if (!rect) return;
            const QPointF inViewport =
                QPointF(rect->left() + 3.0, rect->center().y()) -
                QPointF(tv->horizontalScrollBar()->value(), tv->verticalScrollBar()->value());
            const QPointF point = tv->viewport()->mapTo(window, inViewport);
            postMouse(window, Mouse::Down, point, 0);
            postMouse(window, Mouse::Up, point, 0);
        },
        suffix(QStringLiteral("line1")));
    add(
        QStringLiteral("\u2325 click copies a result"),
        [this, nb] {
            nb->pasteboard = m_optionClipboard;
            setText(QStringLiteral("Petrol: 30+45.6+88"));
            click(0, OptionMask);
        },
        [this] {
            const std::optional<QString> copied = m_optionClipboard->string();
            const QString now = text();
            if (copied == QStringLiteral("163.6") && now == QStringLiteral("Petrol: 30+45.6+88"))
                return std::optional<QString>();
            return std::optional<QString>(QStringLiteral("clipboard ") +
                                          copied.value_or(QStringLiteral("nil")) + QStringLiteral(", text ") +
                                          quoted(now));
        });
    add(
        QStringLiteral("reset"),
        [this] {
            setText(QStringLiteral("10\n20\n30"));
            caret(8);
        },
        always);
    add(
        QStringLiteral("stress: mouse in and out, hovering results, typing and resizing"),
        [this, window, tv] {
            setText(QStringLiteral("Petrol: 30+45.6+88\n200 x 3\n\n$50 to EUR"));
            caret(int(text().size()));
            const qreal w = window->width();
            const qreal h = window->height();
            const qreal xs[] = {-20, 30, 200, 0.6 * w, w - 60, w + 30};
            const qreal ys[] = {40, 0.5 * h, h - 80};
            const QPointer<QWidget> guard(window);
            for (int i = 0; i < 240; ++i) {
                postMouse(window, Mouse::Moved, QPointF(xs[i % 6], ys[i % 3]), 0);
                QTimer::singleShot((i + 1) * 12, this, [this, i, guard, tv] {
                    if (i % 3 == 0)
                        tv->insertPlainText(i % 21 == 0 ? QStringLiteral("\n")
                                                        : QString::number(i % 10) + u'+');
                    if (i % 60 == 0) {
                        Preferences& prefs = *app.prefs();
                        const std::optional<qint64> stored =
                            prefs.store().intForKey(QStringLiteral("fontSize"));
                        const qint64 next = !stored         ? 16
                                            : *stored <= 11 ? 12
                                                            : std::min<qint64>(*stored, 30) + 1;
                        prefs.write(QStringLiteral("fontSize"), next, Preferences::fontRange);
                    }
                    if (i % 80 == 0 && guard) guard->resize(900 + i, 600);
                });
            }
        },
        [this, tv] {
            Preferences& prefs = *app.prefs();
            if (prefs.store().intForKey(QStringLiteral("fontSize")) != 15) {
                prefs.store().set(15, QStringLiteral("fontSize"));
                prefs.notifyChanged();
            }
            const int lines = int(text().count(u'\n')) + 1;
            if (tv->lineCount() == lines) return std::optional<QString>();
            return std::optional<QString>(QStringLiteral("line count ") + QString::number(tv->lineCount()) +
                                          QStringLiteral(" vs ") + QString::number(lines));
        },
        4.0);
    add(
        QStringLiteral("reset after stress"),
        [this, nb] {
            setText(QStringLiteral("10\n20\n30"));
            nb->undo()->clear();
            caret(8);
        },
        always);
    keyStep(QStringLiteral("\u2325\u2318\u2191 Move Line Up"), QString(QChar(0xF700)), 0xB80000, 126,
            expect(QStringLiteral("10\n30\n20")));
    keyStep(QStringLiteral("\u2325\u2318\u2193 Move Line Down"), QString(QChar(0xF701)), 0xB80000, 125,
            expect(QStringLiteral("10\n20\n30")));
    keyStep(QStringLiteral("\u2318Z Undo"), QStringLiteral("z"), CommandMask, 6,
            expect(QStringLiteral("10\n30\n20")));
    keyStep(QStringLiteral("\u21E7\u2318Z Redo"), QStringLiteral("Z"), ShiftMask | CommandMask, 6,
            expect(QStringLiteral("10\n20\n30")));
    keyStep(QStringLiteral("\u2318Z again"), QStringLiteral("z"), CommandMask, 6,
            expect(QStringLiteral("10\n30\n20")));
    keyStep(QStringLiteral("\u21E7\u2318Z Redo (lower-case event variant)"), QStringLiteral("z"),
            ShiftMask | CommandMask, 6, expect(QStringLiteral("10\n20\n30")));
    add(
        QStringLiteral("\u2318J Insert Line Reference"),
        [this, tv] {
            caret(8);
            tv->insertPlainText(QStringLiteral("\n2 *"));
            key(QStringLiteral("j"), CommandMask, 38);
        },
        suffix(QStringLiteral("2 * line")));
    keyStep(QStringLiteral("typing the line number completes it"), QStringLiteral("1"), 0, 18, [this, nb] {
        const QString now = text();
        const auto found = nb->displayed().find(3);
        const std::optional<QString> result =
            found == nb->displayed().end() ? std::nullopt : std::optional<QString>(found->second);
        if (now.endsWith(QStringLiteral("2 * line1")) && result == QStringLiteral("20"))
            return std::optional<QString>();
        return std::optional<QString>(QStringLiteral("text ") + quoted(now) + QStringLiteral(", result ") +
                                      result.value_or(QStringLiteral("nil")));
    });
    keyStep(QStringLiteral("\u2318= Bigger"), QStringLiteral("="), CommandMask, 24, size(16));
    keyStep(QStringLiteral("\u21E7\u2318+ Bigger"), QStringLiteral("+"), ShiftMask | CommandMask, 24,
            size(17));
    keyStep(QStringLiteral("\u2318- Smaller"), QStringLiteral("-"), CommandMask, 27, size(16));
    keyStep(QStringLiteral("\u23180 Actual Size"), QStringLiteral("0"), CommandMask, 29, size(15));
    keyStep(QStringLiteral("\u2318A Select All"), QStringLiteral("a"), CommandMask, 0, [this, tv] {
        const QTextCursor cursor = tv->textCursor();
        const int length = int(text().size());
        if (cursor.selectionStart() == 0 && cursor.selectionEnd() == length) return std::optional<QString>();
        return std::optional<QString>(QStringLiteral("selection {%1, %2}")
                                          .arg(cursor.selectionStart())
                                          .arg(cursor.selectionEnd() - cursor.selectionStart()));
    });
    keyStep(QStringLiteral("\u2318C Copy"), QStringLiteral("c"), CommandMask, 8, [this] {
        const std::optional<QString> copied = m_testClipboard->string();
        if (copied == QStringLiteral("10\n20\n30\n2 * line1")) return std::optional<QString>();
        return std::optional<QString>(QStringLiteral("clipboard ") + copied.value_or(QStringLiteral("nil")));
    });
    keyStep(QStringLiteral("\u2318X Cut"), QStringLiteral("x"), CommandMask, 7, [this] {
        return text().isEmpty() ? std::nullopt : std::optional<QString>(QStringLiteral("text not cut"));
    });
    keyStep(QStringLiteral("\u2318V Paste"), QStringLiteral("v"), CommandMask, 9,
            expect(QStringLiteral("10\n20\n30\n2 * line1")));
    keyStep(QStringLiteral("\u2318Z undoes Paste"), QStringLiteral("z"), CommandMask, 6, [this] {
        const QString now = text();
        return now.isEmpty() ? std::nullopt : std::optional<QString>(QStringLiteral("text ") + quoted(now));
    });
    keyStep(QStringLiteral("\u2318Z undoes Cut"), QStringLiteral("z"), CommandMask, 6,
            expect(QStringLiteral("10\n20\n30\n2 * line1")));
    keyStep(QStringLiteral("\u2318F Find"), QStringLiteral("f"), CommandMask, 3, [nb] {
        return nb->scrollView()->isFindBarVisible()
                   ? std::nullopt
                   : std::optional<QString>(QStringLiteral("find bar not shown"));
    });
    add(
        QStringLiteral("\u2318R Refresh Rates"),
        [this, nb, tv] {
            nb->scrollView()->setFindBarVisible(false);
            tv->setFocus(Qt::OtherFocusReason);
            key(QStringLiteral("r"), CommandMask, 15);
        },
        [nb] {
            const auto& state = nb->rates().state();
            if (state.isFailed()) return std::optional<QString>();
            return std::optional<QString>(
                QStringLiteral("rates state ") +
                (state.isIdle() ? QStringLiteral("idle") : QStringLiteral("refreshing")));
        });
    add(
        QStringLiteral("plain key typing reaches the editor"),
        [this] {
            caret(int(text().size()));
            key(QStringLiteral("k"), 0, 40);
        },
        suffix(QStringLiteral("k")));
    keyStep(QStringLiteral("\u21E7\u2318? Help"), QStringLiteral("?"), ShiftMask | CommandMask, 44, [nb] {
        return nb->isHelpShown() ? std::nullopt : std::optional<QString>(QStringLiteral("help not shown"));
    });
    keyStep(QStringLiteral("Esc closes Help"), QString(QChar(0x1B)), 0, 53, always);
    add(
        QStringLiteral("Help closed (after close animation)"), [] {},
        [nb] {
            return nb->isHelpShown() ? std::optional<QString>(QStringLiteral("help still shown"))
                                     : std::nullopt;
        });
    keyStep(QStringLiteral("plain Esc without Help is harmless"), QString(QChar(0x1B)), 0, 53, [window] {
        return window->isVisible() ? std::nullopt : std::optional<QString>(QStringLiteral("window gone"));
    });
    const auto settingsWindow = []() -> QWidget* {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == QStringLiteral("Settings")) return w;
        return nullptr;
    };
    keyStep(QStringLiteral("\u2318, Settings"), QStringLiteral(","), CommandMask, 43, [settingsWindow] {
        QWidget* settings = settingsWindow();
        return settings && QApplication::activeWindow() == settings
                   ? std::nullopt
                   : std::optional<QString>(QStringLiteral("settings not key"));
    });
    keyStep(QStringLiteral("\u2318+ while Settings is key updates its box"), QStringLiteral("="), CommandMask,
            24, [settingsWindow, tv] {
                QWidget* settings = settingsWindow();
                const QList<QLineEdit*> boxes = fields(settings);
                if (!settings || boxes.isEmpty())
                    return std::optional<QString>(QStringLiteral("no settings field"));
                if (tv->fontSize() == 16 && boxes.first()->text().trimmed() == QStringLiteral("16"))
                    return std::optional<QString>();
                return std::optional<QString>(QStringLiteral("size ") + decimal(tv->fontSize()) +
                                              QStringLiteral(", box ") + boxes.first()->text());
            });
    keyStep(QStringLiteral("\u2318W closes Settings only"), QStringLiteral("w"), CommandMask, 13,
            [settingsWindow, window] {
                const bool visible = settingsWindow() != nullptr;
                if (!visible && window->isVisible()) return std::optional<QString>();
                return std::optional<QString>(QStringLiteral("settings visible ") +
                                              (visible ? QStringLiteral("true") : QStringLiteral("false")));
            });
    add(
        QStringLiteral("\u23180 resets size"), [this] { commandKey(QStringLiteral("0"), 29); }, size(15));
    add(
        QStringLiteral("red close button hides the window, app keeps running"),
        [this, window] {
            setText(QStringLiteral("42 * 2"));
            window->close();
        },
        [window] {
            if (!window->isVisible() && !QApplication::topLevelWidgets().isEmpty())
                return std::optional<QString>();
            return std::optional<QString>(
                QStringLiteral("window visible ") +
                (window->isVisible() ? QStringLiteral("true") : QStringLiteral("false")));
        });
    add(
        QStringLiteral("app is still running after close"), [] {},
        [] {
            return QCoreApplication::instance() && !QCoreApplication::closingDown()
                       ? std::nullopt
                       : std::optional<QString>(QStringLiteral("app stopped"));
        });
    add(
        QStringLiteral("Dock icon click reopens the notebook"), [this] { app.showNotebook(); },
        [this, window] {
            const QString now = text();
            if (window->isVisible() && now == QStringLiteral("42 * 2")) return std::optional<QString>();
            return std::optional<QString>(
                QStringLiteral("visible ") +
                (window->isVisible() ? QStringLiteral("true") : QStringLiteral("false")) +
                QStringLiteral(", text ") + quoted(now));
        });
    add(
        QStringLiteral("\u2318W closes the notebook window too"),
        [this] { commandKey(QStringLiteral("w"), 13); },
        [window] {
            return window->isVisible() ? std::optional<QString>(QStringLiteral("still visible"))
                                       : std::nullopt;
        });
    add(
        QStringLiteral("Dock icon click brings the closed window back"), [this] { app.showNotebook(); },
        [window] {
            return window->isVisible() ? std::nullopt : std::optional<QString>(QStringLiteral("not shown"));
        });
    keyStep(QStringLiteral("\u2318M Minimize"), QStringLiteral("m"), CommandMask, 46, [window] {
        return window->isMinimized() ? std::nullopt : std::optional<QString>(QStringLiteral("not minimized"));
    });
    add(
        QStringLiteral("restore"), [window] { window->showNormal(); },
        [window] {
            return window->isMinimized() ? std::optional<QString>(QStringLiteral("still minimized"))
                                         : std::nullopt;
        });
    add(
        QStringLiteral("\u2318H Hide"), [this] { commandKey(QStringLiteral("h"), 4); },
        [] {
            return applicationHidden() ? std::nullopt : std::optional<QString>(QStringLiteral("not hidden"));
        });
    add(
        QStringLiteral("unhide"),
        [] {
            for (QWidget* w : ordinaryWindows())
                if (w->isMinimized()) w->showNormal();
        },
        [] {
            return applicationHidden() ? std::optional<QString>(QStringLiteral("still hidden"))
                                       : std::nullopt;
        });
}

AboutWindowController* ShortcutCheck::about() const {
    return app.findChild<AboutWindowController*>(QString(), Qt::FindDirectChildrenOnly);
}

void ShortcutCheck::clickAboutIcon() {
    AboutWindowController* controller = about();
    if (!controller || !controller->iconView()) return;
    QWidget* window = controller->window();
    const QPointF point =
        controller->iconView()->mapTo(window, QRectF(controller->iconView()->rect()).center());
    postMouse(window, Mouse::Down, point, 0);
    postMouse(window, Mouse::Up, point, 0);
}

void ShortcutCheck::addAboutSteps() {
    const QString gifPath = QDir(app.env().dataDirectory).filePath(QStringLiteral("about.gif"));
    const auto open = [this] { app.showAbout(); };
    const auto close = [this] {
        if (AboutWindowController* controller = about()) controller->close();
    };
    const auto flag = [](bool on) { return on ? QStringLiteral("true") : QStringLiteral("false"); };
    using Result = std::optional<QString>;
    const Result noAbout = QStringLiteral("no About");

    add(QStringLiteral("About VEXIL opens and the animation starts"), open, [this, flag] {
        AboutWindowController* a = about();
        if (!a || !a->window() || !a->window()->isVisible()) return Result(QStringLiteral("About not shown"));
        const QStringList texts = labels(a->window());
        const bool hasVersion = std::any_of(texts.begin(), texts.end(), [](const QString& t) {
            return t.startsWith(QStringLiteral("Version "));
        });
        if (!texts.contains(QStringLiteral("VEXIL")) || !texts.contains(AboutWindowController::credit()) ||
            !hasVersion) {
            QStringList quotedLabels;
            for (const QString& t : texts)
                quotedLabels.append(u'"' + t + u'"');
            return Result(QStringLiteral("labels [") + quotedLabels.join(QStringLiteral(", ")) + u']');
        }
        const QSize icon = a->iconView()->size();
        if (icon != QSize(96, 96))
            return Result(QStringLiteral("icon view (%1.0, %2.0)").arg(icon.width()).arg(icon.height()));
        if (a->isAnimating() && a->playCount() == 1) return Result();
        return Result(QStringLiteral("animating ") + flag(a->isAnimating()) + QStringLiteral(", plays ") +
                      QString::number(a->playCount()));
    });
    add(
        QStringLiteral("it plays every frame once and rests on the app icon"), [] {},
        [this, flag, noAbout] {
            AboutWindowController* a = about();
            if (!a) return noAbout;
            if (!a->isAnimating() && a->framesShown() == 48 && a->isShowingStaticIcon()) return Result();
            return Result(QStringLiteral("animating ") + flag(a->isAnimating()) +
                          QStringLiteral(", frames ") + QString::number(a->framesShown()) +
                          QStringLiteral(", static ") + flag(a->isShowingStaticIcon()));
        },
        2.52);
    const auto plays = [this, noAbout](int expected) {
        return [this, noAbout, expected] {
            AboutWindowController* a = about();
            if (!a) return noAbout;
            if (!a->isAnimating() && a->playCount() == expected) return Result();
            return Result(QStringLiteral("plays ") + QString::number(a->playCount()));
        };
    };
    add(
        QStringLiteral("it doesn't loop"), [] {}, plays(1), 1.0);
    add(
        QStringLiteral("clicking the icon pops up the GIF"), [this] { clickAboutIcon(); },
        [this, flag, noAbout] {
            AboutWindowController* a = about();
            if (!a) return noAbout;
            if (!a->isPopupShown() || !a->popupView() || !a->popupView()->animates())
                return Result(QStringLiteral("no pop-up (bundled GIF: ") + flag(a->clickGIF().has_value()) +
                              u')');
            const int frames = QImageReader(*a->clickGIF()).imageCount();
            const int width = a->popupView()->width();
            if (frames == 79 && width == 240) return Result();
            return Result(QStringLiteral("frames %1, width %2.0").arg(frames).arg(width));
        });
    add(
        QStringLiteral("the GIF keeps playing while the pop-up is open"), [] {},
        [this, noAbout] {
            AboutWindowController* a = about();
            if (!a) return noAbout;
            return a->isPopupShown() && a->popupView() && a->popupView()->animates()
                       ? Result()
                       : Result(QStringLiteral("stopped"));
        },
        1.5);
    add(
        QStringLiteral("clicking the icon again closes it"), [this] { clickAboutIcon(); },
        [this] {
            AboutWindowController* a = about();
            return a && a->isPopupShown() ? Result(QStringLiteral("still shown")) : Result();
        },
        0.8);
    add(
        QStringLiteral("the open-page animation didn't replay on click"), [] {},
        [this, noAbout] {
            AboutWindowController* a = about();
            if (!a) return noAbout;
            return a->playCount() == 1 ? Result()
                                       : Result(QStringLiteral("plays ") + QString::number(a->playCount()));
        });
    add(
        QStringLiteral("closing About also closes an open pop-up"),
        [this, close] {
            clickAboutIcon();
            QTimer::singleShot(300, this, close);
        },
        [this] {
            AboutWindowController* a = about();
            return a && a->isPopupShown() ? Result(QStringLiteral("pop-up left open")) : Result();
        },
        0.8);
    add(
        QStringLiteral("closing and reopening About plays it again"),
        [close, open] {
            close();
            open();
        },
        [this, flag, noAbout] {
            AboutWindowController* a = about();
            if (!a) return noAbout;
            if (a->isAnimating() && a->playCount() == 2) return Result();
            return Result(QStringLiteral("animating ") + flag(a->isAnimating()) + QStringLiteral(", plays ") +
                          QString::number(a->playCount()));
        });
    add(QStringLiteral("choosing About while it's open restarts it"), open, [this, noAbout] {
        AboutWindowController* a = about();
        if (!a) return noAbout;
        if (a->isAnimating() && a->playCount() == 3 && a->framesShown() < 11) return Result();
        return Result(QStringLiteral("plays ") + QString::number(a->playCount()) +
                      QStringLiteral(", frames ") + QString::number(a->framesShown()));
    });
    add(
        QStringLiteral("second play also finishes once"), [] {},
        [this, noAbout] {
            AboutWindowController* a = about();
            if (!a) return noAbout;
            if (!a->isAnimating() && a->framesShown() == 48) return Result();
            return Result(QStringLiteral("frames ") + QString::number(a->framesShown()));
        },
        2.52);
    add(
        QStringLiteral("Reduce Motion: no animation, just the icon"),
        [this] {
            if (AboutWindowController* a = about()) a->playOnce(true);
        },
        [this, flag, noAbout] {
            AboutWindowController* a = about();
            if (!a) return noAbout;
            if (!a->isAnimating() && a->isShowingStaticIcon()) return Result();
            return Result(QStringLiteral("animating ") + flag(a->isAnimating()));
        });
    add(
        QStringLiteral("a custom about.gif plays once instead"),
        [gifPath, close, open] {
            const QByteArray gif = AboutAnimation::makeGIF(96, 4, 0.2);
            QFile file(gifPath);
            if (file.open(QIODevice::WriteOnly)) file.write(gif); // a failed write shows in the check
            file.close();
            close();
            open();
        },
        [this] {
            AboutWindowController* a = about();
            return a && a->isAnimating() ? Result() : Result(QStringLiteral("custom GIF not playing"));
        });
    add(
        QStringLiteral("custom GIF finished after its 4 frames"), [] {},
        [this, gifPath, noAbout] {
            AboutWindowController* a = about();
            Result result;
            if (!a)
                result = noAbout;
            else if (a->isAnimating() || a->framesShown() != 4)
                result = QStringLiteral("frames ") + QString::number(a->framesShown());
            QFile::remove(gifPath);
            return result;
        },
        1.2);
    add(QStringLiteral("close About"), close, [this] {
        AboutWindowController* a = about();
        return a && a->window() && a->window()->isVisible() ? Result(QStringLiteral("still visible"))
                                                            : Result();
    });
}

void ShortcutCheck::addClosingSteps() {
    using Result = std::optional<QString>;
    QWidget* window = app.window();
    NotebookController* nb = app.notebook();
    add(
        QStringLiteral("clicking the in-window About icon opens the About window"),
        [window, nb] {
            makeKeyAndOrderFront(window);
            if (QLayout* layout = window->layout()) layout->activate();
            QWidget* button = nb->aboutButton();
            if (!button) return;
            const QPointF point = button->mapTo(window, QRectF(button->rect()).center());
            postMouse(window, Mouse::Down, point, 0);
            postMouse(window, Mouse::Up, point, 0);
        },
        [this] {
            AboutWindowController* a = about();
            return a && a->window() && a->window()->isVisible() ? Result()
                                                                : Result(QStringLiteral("About not shown"));
        });
    add(
        QStringLiteral("close About and refocus the notebook"),
        [this, window, nb] {
            if (AboutWindowController* a = about()) a->close();
            makeKeyAndOrderFront(window);
            nb->textView()->setFocus(Qt::OtherFocusReason);
        },
        [this, window] {
            AboutWindowController* a = about();
            if (a && a->window() && a->window()->isVisible())
                return Result(QStringLiteral("About still visible"));
            if (QApplication::activeWindow() != window)
                return Result(QStringLiteral("main window isn't key"));
            return Result();
        });
    add(
        QStringLiteral("menu items present: Hide Others \u2325\u2318H, Show All, Zoom, About"), [] {},
        [this] {
            QList<QAction*> all;
            if (auto* menu = app.findChild<MainMenu*>())
                for (QMenu* m : menu->menus())
                    all += items(m);
            const auto has = [&all](const QString& title, const QString& key = QString(), quint32 mask = 0) {
                for (QAction* action : all) {
                    if (action->text() != title) continue;
                    if (key.isEmpty()) return true;
                    Qt::KeyboardModifiers mods = modifiers(mask);
                    if (key.at(0).isUpper()) mods |= Qt::ShiftModifier;
                    const QKeySequence wanted(QKeyCombination(mods, Qt::Key(qtKey(key))));
                    if (action->shortcuts().contains(wanted)) return true;
                }
                return false;
            };
            const quint32 cmd = CommandMask, optCmd = OptionMask | CommandMask,
                          ctrlCmd = ControlMask | CommandMask;
            const bool appGroup = has(QStringLiteral("Hide Others"), QStringLiteral("h"), optCmd) &&
                                  has(QStringLiteral("Show All")) && has(QStringLiteral("Zoom")) &&
                                  has(QStringLiteral("About VEXIL")) &&
                                  has(QStringLiteral("Quit VEXIL"), QStringLiteral("q"), cmd) &&
                                  !has(QStringLiteral("Notebook"));
            const bool drawerGroup = has(QStringLiteral("New Folder"), QStringLiteral("N"), cmd) &&
                                     has(QStringLiteral("New Sheet"), QStringLiteral("n"), cmd) &&
                                     has(QStringLiteral("Search the Drawer"), QStringLiteral("f"), optCmd) &&
                                     (has(QStringLiteral("Close the Drawer"), QStringLiteral("s"), ctrlCmd) ||
                                      has(QStringLiteral("Open the Drawer"), QStringLiteral("s"), ctrlCmd));
            if (!drawerGroup) return Result(QStringLiteral("missing item"));
            if (has(QStringLiteral("Pin")))
                return Result(QStringLiteral("missing Drawer or Copy All Results item"));
            if (!appGroup) return Result(QStringLiteral("missing item"));
            if (!has(QStringLiteral("Copy All Results"), QStringLiteral("C"), cmd))
                return Result(QStringLiteral("missing Drawer or Copy All Results item"));
            return Result();
        });
}

} // namespace VexilUI
