#include "XSession.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/prctl.h>

namespace {

// Generous for a loaded machine: waits end as soon as their condition holds.
constexpr int startTimeoutMs = 30'000;
constexpr int toolTimeoutMs = 20'000;

QString readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
}

} // namespace

XSession::XSession() {
    m_dataDir = m_scratch.filePath(QStringLiteral("data"));
    QDir().mkpath(m_dataDir);
    QDir().mkpath(m_scratch.filePath(QStringLiteral("home")));
    QDir().mkpath(m_scratch.filePath(QStringLiteral("config")));
}

XSession::~XSession() {
    // The program first, so it still has its display while it saves.
    stop(m_vexil.get(), 10'000);
    stop(m_openbox.get(), 5'000);
    stop(m_xvfb.get(), 5'000);
}

const QList<XSession::Tool>& XSession::tools() {
    static const QList<Tool> list{
        {QStringLiteral("Xvfb"), QStringLiteral("xvfb")},
        {QStringLiteral("openbox"), QStringLiteral("openbox")},
        {QStringLiteral("xdotool"), QStringLiteral("xdotool")},
        {QStringLiteral("xprop"), QStringLiteral("x11-utils")},
        {QStringLiteral("xwininfo"), QStringLiteral("x11-utils")},
        {QStringLiteral("import"), QStringLiteral("imagemagick")},
    };
    return list;
}

QString XSession::missingTools() {
    QStringList missing;
    for (const Tool& tool : tools())
        if (QStandardPaths::findExecutable(tool.program).isEmpty())
            missing << tool.program + QStringLiteral(" is not installed (Debian package ") + tool.package +
                           QStringLiteral("; scripts/setup.sh installs it)");
    return missing.join(u'\n');
}

QString XSession::scratchPath(const QString& name) const {
    return m_scratch.filePath(name);
}

QProcessEnvironment XSession::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("VEXIL_DATA_DIR"), m_dataDir);
    env.insert(QStringLiteral("VEXIL_OFFLINE"), QStringLiteral("1"));
    env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("HOME"), m_scratch.filePath(QStringLiteral("home")));
    // No session bus: nothing starts one on the program's behalf, so nothing outlives the session.
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
               QStringLiteral("unix:path=") + m_scratch.filePath(QStringLiteral("no-bus")));
    // An empty configuration folder: openbox falls back to its default configuration.
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_scratch.filePath(QStringLiteral("config")));
    for (const char* name : {"WAYLAND_DISPLAY", "XAUTHORITY", "SESSION_MANAGER", "QT_SCALE_FACTOR",
                             "QT_SCREEN_SCALE_FACTORS", "QT_FONT_DPI", "QT_STYLE_OVERRIDE"})
        env.remove(QString::fromLatin1(name));
    return env;
}

QProcess* XSession::spawn(const QString& program, const QStringList& arguments) {
    auto* process = new QProcess;
    process->setProgram(program);
    process->setArguments(arguments);
    process->setProcessEnvironment(environment());
    // Nothing outlives the test, even when the test itself dies.
    process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    return process;
}

void XSession::stop(QProcess* process, int timeoutMs) {
    if (!process || process->state() == QProcess::NotRunning) return;
    process->terminate();
    if (!process->waitForFinished(timeoutMs)) {
        process->kill();
        process->waitForFinished(5'000);
    }
}

QString XSession::start() {
    if (const QString missing = missingTools(); !missing.isEmpty()) return missing;
    // Xvfb picks the first free display itself and writes its number to standard output when it is ready
    // for clients, so parallel sessions never race for a number.
    m_xvfb.reset(spawn(QStringLiteral("Xvfb"),
                       {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                        QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp")}));
    m_xvfb->setStandardErrorFile(scratchPath(QStringLiteral("xvfb.log")));
    m_xvfb->start();
    if (!m_xvfb->waitForStarted(startTimeoutMs)) return QStringLiteral("Xvfb did not start");
    QByteArray number;
    const QDeadlineTimer deadline(startTimeoutMs);
    while (!number.contains('\n') && !deadline.hasExpired() && m_xvfb->state() == QProcess::Running) {
        m_xvfb->waitForReadyRead(200);
        number += m_xvfb->readAllStandardOutput();
    }
    if (!number.contains('\n'))
        return QStringLiteral("Xvfb gave no display number: ") +
               readAll(scratchPath(QStringLiteral("xvfb.log")));
    m_display = u':' + QString::fromLatin1(number.trimmed());

    m_openbox.reset(spawn(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")}));
    m_openbox->setProcessChannelMode(QProcess::MergedChannels);
    m_openbox->setStandardOutputFile(scratchPath(QStringLiteral("openbox.log")));
    m_openbox->start();
    if (!m_openbox->waitForStarted(startTimeoutMs)) return QStringLiteral("openbox did not start");
    // openbox announces itself on the root window once it manages the screen.
    const bool managed = waitFor(
        [this] {
            return output(QStringLiteral("xprop"),
                          {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                .contains("window id");
        },
        startTimeoutMs);
    if (!managed) return QStringLiteral("openbox did not take the screen ") + m_display;
    return {};
}

QString XSession::launch(const QStringList& arguments) {
    m_vexil.reset(spawn(QStringLiteral(VEXIL_BINARY), arguments));
    // Output goes to a file: a full pipe nobody reads would stall the program.
    m_vexil->setProcessChannelMode(QProcess::MergedChannels);
    m_vexil->setStandardOutputFile(scratchPath(QStringLiteral("vexil.log")), QIODevice::Append);
    m_window.clear();
    m_vexil->start();
    if (!m_vexil->waitForStarted(startTimeoutMs)) return QStringLiteral("vexil did not start");
    QStringList found;
    const bool shown = waitFor(
        [&] {
            found = windowsNamed(QStringLiteral("^VEXIL$"));
            return found.size() == 1 || m_vexil->state() != QProcess::Running;
        },
        startTimeoutMs);
    if (!shown || found.size() != 1) return QStringLiteral("no main window appeared: ") + vexilOutput();
    m_window = found.first();
    // Keys only reach the window once the window manager has made it the active one.
    if (!waitFor([this] { return activeWindow() == m_window; }, startTimeoutMs))
        return QStringLiteral("the main window never became active");
    // The library is on disk once the window shows it.
    if (!waitFor([this] { return selectedId().has_value(); }, startTimeoutMs))
        return QStringLiteral("no pages.json with a selected sheet");
    return {};
}

std::optional<QString> XSession::runToEnd(const QStringList& arguments, int timeoutMs, int* exitCode) {
    std::unique_ptr<QProcess> process(spawn(QStringLiteral(VEXIL_BINARY), arguments));
    process->start();
    if (!process->waitForFinished(timeoutMs)) {
        stop(process.get(), 5'000);
        return std::nullopt;
    }
    if (exitCode) *exitCode = process->exitCode();
    return QString::fromUtf8(process->readAllStandardOutput());
}

void XSession::sendTerm() {
    if (m_vexil) m_vexil->terminate();
}

bool XSession::waitForExit(int timeoutMs) {
    if (!m_vexil) return false;
    const bool ended = m_vexil->waitForFinished(timeoutMs);
    if (!ended) stop(m_vexil.get(), 5'000);
    return ended && m_vexil->exitStatus() == QProcess::NormalExit;
}

QString XSession::vexilOutput() const {
    return readAll(scratchPath(QStringLiteral("vexil.log")));
}

QByteArray XSession::output(const QString& program, const QStringList& arguments) const {
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(program, arguments);
    if (!process.waitForFinished(toolTimeoutMs)) process.kill();
    return process.readAllStandardOutput();
}

QString XSession::xdotool(const QStringList& arguments) {
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(QStringLiteral("xdotool"), arguments);
    const bool finished = process.waitForFinished(toolTimeoutMs);
    EXPECT_TRUE(finished && process.exitCode() == 0) << "xdotool " << arguments.join(u' ').toStdString()
                                                     << ": " << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

void XSession::keys(const QStringList& keys) {
    xdotool(QStringList{QStringLiteral("key"), QStringLiteral("--clearmodifiers")} + keys);
}

void XSession::type(const QString& text) {
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("15"), text});
}

void XSession::click(QPoint windowPoint, int button) {
    // The X server handles the motion before the click; a synchronous move would wait for ever when the
    // pointer is already there.
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), m_window,
             QString::number(windowPoint.x()), QString::number(windowPoint.y()), QStringLiteral("click"),
             QString::number(button)});
}

QStringList XSession::windowsNamed(const QString& pattern) {
    // A search that finds nothing exits with 1, which is no failure here.
    return QString::fromUtf8(
               output(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                  QStringLiteral("--name"), pattern}))
        .split(u'\n', Qt::SkipEmptyParts);
}

QStringList XSession::openMenus() {
    const QByteArray found =
        output(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                           QStringLiteral("--classname"), QStringLiteral("vexil")});
    QStringList menus;
    for (const QString& id : QString::fromUtf8(found).split(u'\n', Qt::SkipEmptyParts)) {
        if (id == m_window) continue;
        const bool popup = output(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id})
                               .contains("Override Redirect State: yes");
        if (popup &&
            !windowProperty(id, QStringLiteral("_NET_WM_WINDOW_TYPE")).contains(QStringLiteral("TOOLTIP")))
            menus << id;
    }
    return menus;
}

std::optional<QSize> XSession::windowSize(const QString& id) {
    // "WIDTH=749" and "HEIGHT=540" lines.
    const QStringList lines =
        xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), id}).split(u'\n');
    int width = -1, height = -1;
    for (const QString& line : lines) {
        if (line.startsWith(QStringLiteral("WIDTH="))) width = line.mid(6).toInt();
        if (line.startsWith(QStringLiteral("HEIGHT="))) height = line.mid(7).toInt();
    }
    if (width < 0 || height < 0) return std::nullopt;
    return QSize(width, height);
}

QString XSession::windowProperty(const QString& id, const QString& property) {
    return QString::fromUtf8(output(QStringLiteral("xprop"), {QStringLiteral("-id"), id, property}))
        .trimmed();
}

QString XSession::activeWindow() {
    // No active window yet is an empty answer, not a failure.
    return QString::fromUtf8(output(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")}))
        .trimmed();
}

QImage XSession::screenshot(const QString& id) {
    return QImage::fromData(
        output(QStringLiteral("import"),
               {QStringLiteral("-window"), id.isEmpty() ? m_window : id, QStringLiteral("png:-")}),
        "PNG");
}

QString XSession::keepScreenshot(const QString& name) {
    // Next to the test binary, where the scratch folder's removal does not take it.
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString dir = QDir::current().filePath(QStringLiteral("screenshots"));
    QDir().mkpath(dir);
    const QString path = QDir(dir).filePath((test ? QString::fromLatin1(test->name()) + u'-' : QString()) +
                                            name + QStringLiteral(".png"));
    screenshot().save(path);
    return path;
}

bool XSession::waitFor(const std::function<bool()>& condition, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (true) {
        if (condition()) return true;
        if (deadline.hasExpired()) return false;
        QThread::msleep(50);
    }
}

QJsonObject XSession::index() const {
    return QJsonDocument::fromJson(readAll(QDir(m_dataDir).filePath(QStringLiteral("pages.json"))).toUtf8())
        .object();
}

std::optional<QString> XSession::selectedId() const {
    const QJsonValue selected = index().value(QStringLiteral("selected"));
    if (!selected.isString()) return std::nullopt;
    return selected.toString();
}

QString XSession::sheetPath(const QString& id) const {
    return QDir(m_dataDir).filePath(QStringLiteral("pages/") + id + QStringLiteral(".txt"));
}

std::optional<QString> XSession::sheetText(const QString& id) const {
    QFile file(sheetPath(id));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return QString::fromUtf8(file.readAll());
}

void XSession::seed(const QList<SeedSheet>& sheets, const QList<SeedGroup>& groups, const QString& selected) {
    QJsonArray pages, folders;
    double created = 1'700'000'000;
    for (const SeedSheet& sheet : sheets) {
        QJsonObject o{{QStringLiteral("id"), sheet.id},
                      {QStringLiteral("name"), sheet.name},
                      {QStringLiteral("created"), created++},
                      {QStringLiteral("pinned"), false}};
        if (sheet.group) o.insert(QStringLiteral("group"), *sheet.group);
        pages.append(o);
        writeAll(sheetPath(sheet.id), sheet.text.toUtf8());
    }
    for (const SeedGroup& group : groups)
        folders.append(QJsonObject{{QStringLiteral("id"), group.id},
                                   {QStringLiteral("name"), group.name},
                                   {QStringLiteral("collapsed"), group.collapsed}});
    const QJsonObject root{{QStringLiteral("pages"), pages},
                           {QStringLiteral("groups"), folders},
                           {QStringLiteral("selected"), selected}};
    writeAll(QDir(m_dataDir).filePath(QStringLiteral("pages.json")), QJsonDocument(root).toJson());
}
