#include "ui/shell/AppEnvironment.h"

#include "core/fetch/RatesFetcher.h"

#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QStandardPaths>

namespace VexilUI {

QString AppEnvironment::notesURL() const {
    return QDir(dataDirectory).filePath(QStringLiteral("note.txt"));
}

QString AppEnvironment::ratesURL() const {
    return QDir(dataDirectory).filePath(QStringLiteral("rates.json"));
}

QString AppEnvironment::defaultDataDirectory() {
    // The generic location is ~/.local/share; the per-application one would add the organisation name.
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(base).filePath(QStringLiteral("Vexil"));
}

QHash<QString, QString> AppEnvironment::processEnvironment() {
    QHash<QString, QString> map;
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& key : env.keys())
        map.insert(key, env.value(key));
    return map;
}

AppEnvironment AppEnvironment::live(const QHash<QString, QString>& processEnv) {
    AppEnvironment env;
    const QString dataDir = processEnv.value(QStringLiteral("VEXIL_DATA_DIR"));
    if (!dataDir.isEmpty()) {
        const bool offline = processEnv.value(QStringLiteral("VEXIL_OFFLINE")) == QLatin1String("1");
        // Taken literally: no tilde expansion; a relative path counts from the current directory.
        env.dataDirectory = QFileInfo(dataDir).absoluteFilePath();
        env.prefsStore = std::make_shared<MemoryIntStore>();
        if (!offline) {
            env.fetcher = VexilCore::URLSessionRatesFetcher::fiat();
            env.cryptoFetcher = VexilCore::URLSessionRatesFetcher::crypto();
        }
        env.isolated = true;
        return env;
    }
    env.dataDirectory = defaultDataDirectory();
    env.prefsStore = std::make_shared<SettingsIntStore>();
    env.fetcher = VexilCore::URLSessionRatesFetcher::fiat();
    env.cryptoFetcher = VexilCore::URLSessionRatesFetcher::crypto();
    env.isolated = false;
    return env;
}

void OfflineFetcher::fetch(VexilCore::FetchCompletion completion) {
    if (!completion) return;
    completion(VexilCore::FetchError{VexilCore::kVexilRatesDomain, 0, QStringLiteral("Offline mode")});
}

} // namespace VexilUI
