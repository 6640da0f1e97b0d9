#pragma once

#include "core/rates/RatesFetching.h"
#include "ui/storage/IntStore.h"

#include <QHash>
#include <QString>

#include <memory>

namespace VexilUI {

// Where one run keeps its data and how it reaches the rate services. An isolated run (VEXIL_DATA_DIR set)
// keeps its preferences in memory and never touches the user's settings file.
struct AppEnvironment {
    QString dataDirectory; // absolute path
    std::shared_ptr<IntStore> prefsStore;
    std::shared_ptr<VexilCore::RatesFetching> fetcher;       // none: offline
    std::shared_ptr<VexilCore::RatesFetching> cryptoFetcher; // none: no crypto prices
    bool isolated = false;

    QString notesURL() const;
    QString ratesURL() const;

    // Builds the environment from variable name to value; never fails.
    static AppEnvironment live(const QHash<QString, QString>& processEnv);
    // The process's own environment as such a map.
    static QHash<QString, QString> processEnvironment();
    // The default data directory: the user's data location joined with "Vexil".
    static QString defaultDataDirectory();
};

// Stands in for a fiat fetcher when there is none: every fetch fails at once with "Offline mode".
class OfflineFetcher final : public VexilCore::RatesFetching {
public:
    void fetch(VexilCore::FetchCompletion completion) override;
};

} // namespace VexilUI
