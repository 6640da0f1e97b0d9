#pragma once

#include <QImage>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>

// A private X display (Xvfb on a free display number) with openbox in its default configuration, and the
// real vexil binary on it, driven by xdotool: key and mouse events go through the X server as a person's
// do. Every wait is on a condition with a deadline; every process started here is ended by the destructor.
class XSession {
public:
    XSession();
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    // The tools the session runs, each with the Debian package that brings it.
    struct Tool {
        QString program;
        QString package;
    };
    static const QList<Tool>& tools();
    // Empty when every tool is on the PATH, else one line per missing tool.
    static QString missingTools();

    // Starts the X server and the window manager; the error, or empty.
    QString start();
    const QString& display() const { return m_display; }
    // A scratch folder for this session (the data folder lives in it).
    QString scratchPath(const QString& name) const;
    const QString& dataDir() const { return m_dataDir; }

    // The environment every program of the session gets: the display, the data folder, offline,
    // a fixed zone and locale, and a scratch home so nothing of the user's is read or written.
    QProcessEnvironment environment() const;

    // Starts vexil with the arguments; then launch() waits for its main window to be shown and active.
    QString launch(const QStringList& arguments = {});
    // Runs vexil to its end (at most timeoutMs) and returns its standard output; nullopt on a time-out.
    std::optional<QString> runToEnd(const QStringList& arguments, int timeoutMs, int* exitCode = nullptr);
    // SIGTERM to the running vexil, at once.
    void sendTerm();
    // Waits for the running vexil to exit by itself; answers whether it did in time (else it is killed).
    bool waitForExit(int timeoutMs);
    QString window() const { return m_window; }

    // Runs xdotool; the test fails on a non-zero exit. Its standard output, trimmed.
    QString xdotool(const QStringList& arguments);
    void keys(const QStringList& keys); // one xdotool key call, e.g. {"ctrl+shift+Up"}
    void type(const QString& text);     // typed as key presses, one by one
    void click(QPoint windowPoint, int button = 1);
    // Visible windows whose title matches the pattern.
    QStringList windowsNamed(const QString& pattern);
    // The program's open popup menus (override-redirect windows that are not tooltips).
    QStringList openMenus();
    // The size of an X window, from xdotool.
    std::optional<QSize> windowSize(const QString& id);
    // One property of a window as xprop prints it.
    QString windowProperty(const QString& id, const QString& property);
    QString activeWindow();
    // The main window's content as an image (ImageMagick's import).
    QImage screenshot(const QString& id = {});
    // Saves a screenshot for a look after a failure, in "screenshots" under the working folder; the path.
    QString keepScreenshot(const QString& name);

    // Polls until the condition holds or the time is up; answers whether it held.
    static bool waitFor(const std::function<bool()>& condition, int timeoutMs);

    // The library in the data folder.
    QJsonObject index() const;
    std::optional<QString> selectedId() const;
    QString sheetPath(const QString& id) const;
    std::optional<QString> sheetText(const QString& id) const;
    // Writes a library before launch: each sheet's id, name and text; the first is selected unless told.
    struct SeedSheet {
        SeedSheet(QString id, QString name, QString text, std::optional<QString> group = std::nullopt)
            : id(std::move(id)), name(std::move(name)), text(std::move(text)), group(std::move(group)) {}
        QString id;
        QString name;
        QString text;
        std::optional<QString> group;
    };
    struct SeedGroup {
        QString id;
        QString name;
        bool collapsed = false;
    };
    void seed(const QList<SeedSheet>& sheets, const QList<SeedGroup>& groups, const QString& selected);

    // What the launched vexil has written so far (for failure messages).
    QString vexilOutput() const;

private:
    // Runs a tool of the session to its end (bounded) and returns its standard output.
    QByteArray output(const QString& program, const QStringList& arguments) const;
    QProcess* spawn(const QString& program, const QStringList& arguments);
    void stop(QProcess* process, int timeoutMs);

    QTemporaryDir m_scratch;
    QString m_dataDir;
    QString m_display;
    std::unique_ptr<QProcess> m_xvfb;
    std::unique_ptr<QProcess> m_openbox;
    std::unique_ptr<QProcess> m_vexil;
    QString m_window;
};
