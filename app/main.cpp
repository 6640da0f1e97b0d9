// The program entry: reads the command line once and takes one of three roads: render a snapshot, render
// the preview set, or run the application.
#include "ui/shell/AppDelegate.h"
#include "ui/shell/AppEnvironment.h"
#include "ui/shell/AppStyle.h"
#include "ui/shell/CommandLine.h"
#include "ui/shell/DeveloperRoads.h"
#include "ui/shell/QuitSignals.h"
#include "ui/shell/SingleInstance.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QSessionManager>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace VexilUI;

void writeLine(std::FILE* stream, const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

QString scratchFolder(const char* prefix) {
    return QDir(QDir::tempPath())
        .filePath(QString::fromLatin1(prefix) + QString::number(QCoreApplication::applicationPid()));
}

int runSnapshot(const CommandLine::Args& args, const std::string& path) {
    const QString scratch = scratchFolder("vexil-snapshot-");
    const auto error = DeveloperRoads::shared().renderSnapshot(CommandLine::snapshotSwitches(args),
                                                               QString::fromStdString(path), scratch);
    if (error) {
        // The scratch folder stays for a look at what went wrong.
        writeLine(stderr, ("snapshot failed: " + *error).toUtf8());
        return 1;
    }
    QDir(scratch).removeRecursively();
    writeLine(stdout, QByteArray("wrote ") + QByteArray::fromStdString(path));
    return 0;
}

int runPreviews(const std::string& directory) {
    const QString scratch = scratchFolder("vexil-previews-");
    const auto error = DeveloperRoads::shared().renderPreviewSet(QString::fromStdString(directory), scratch);
    if (error) {
        writeLine(stderr, ("previews failed: " + *error).toUtf8());
        return 1;
    }
    QDir(scratch).removeRecursively();
    return 0;
}

int runApplication(QApplication& app, const CommandLine::Args& args) {
    QGuiApplication::setDesktopFileName(QStringLiteral("vexil"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vexil/AppIcon.png")));
    QApplication::setQuitOnLastWindowClosed(false); // closing the window only hides it

    AppEnvironment env = AppEnvironment::live(AppEnvironment::processEnvironment());
    // The data folder is claimed before anything in it is read: a second run would save over the first.
    SingleInstance instance(env.dataDirectory);
    SingleInstance::Claim claim = instance.claim();
    if (claim == SingleInstance::Claim::HeldElsewhere) {
        if (instance.askRunningInstanceToShow(3000)) return 0;
        // Nobody answers: the holder may be on its way out.
        claim = instance.claim(2000);
        if (claim == SingleInstance::Claim::HeldElsewhere) return 0;
    }
    if (claim == SingleInstance::Claim::Unavailable && instance.askRunningInstanceToShow()) return 0;
    instance.listen();

    auto delegate = std::make_unique<AppDelegate>(std::move(env));
    const CommandLine::NormalSwitches switches = CommandLine::normalSwitches(args);
    delegate->quitAfterLaunch = switches.quitAfterLaunch;
    delegate->runShortcutCheck = switches.runShortcutCheck;
    delegate->aboutCheckOnly = switches.aboutCheckOnly;

    AppDelegate* d = delegate.get();
    QObject::connect(&instance, &SingleInstance::showRequested, d, &AppDelegate::showNotebook);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, d, &AppDelegate::applicationWillTerminate);
    // Where nobody can be asked, unsaved text goes to recovery files on the way out.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, d, [d](QSessionManager&) { d->terminate(); });
    installQuitSignalHandlers(d, [d] { d->terminate(); });
    QTimer::singleShot(0, d, &AppDelegate::applicationDidFinishLaunching);

    const int status = app.exec();
    d->applicationWillTerminate();
    delegate.reset(); // widgets go before the application object
    return status;
}

} // namespace

int main(int argc, char** argv) {
    const CommandLine::Args args(argv, argv + argc);
    const CommandLine::RoadChoice road = CommandLine::chooseRoad(args);
    // The rendering roads never show a window and must run without a display.
    if (road.road != CommandLine::Road::Normal && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    // Qt sees only the program's name, so it never takes the user's arguments for its own.
    static int qtArgc = 1;
    static char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);
    QCoreApplication::setApplicationName(QStringLiteral("Vexil"));
    applyAppStyle();

    switch (road.road) {
    case CommandLine::Road::Snapshot:
        return runSnapshot(args, road.path);
    case CommandLine::Road::Previews:
        return runPreviews(road.path);
    case CommandLine::Road::Normal:
        break;
    }
    return runApplication(app, args);
}
