#include "ui/shell/AppEnvironment.h"

#include "ScratchHome.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace VexilUI;

namespace {

// Points the user's data and config folders at a scratch folder, so nothing real is read or written.
class AppEnvironmentTest : public ::testing::Test {
protected:
    const QTemporaryDir& home = scratchHome();
};

} // namespace

TEST_F(AppEnvironmentTest, DefaultRunUsesTheUserFoldersAndFetchers) {
    for (const QHash<QString, QString>& vars :
         {QHash<QString, QString>{}, QHash<QString, QString>{{"VEXIL_DATA_DIR", ""}},
          QHash<QString, QString>{{"VEXIL_OFFLINE", "1"}}}) {
        const AppEnvironment env = AppEnvironment::live(vars);
        EXPECT_FALSE(env.isolated);
        EXPECT_EQ(env.dataDirectory, home.filePath(QStringLiteral("data/Vexil")));
        EXPECT_TRUE(env.fetcher);
        EXPECT_TRUE(env.cryptoFetcher);
        EXPECT_TRUE(dynamic_cast<SettingsIntStore*>(env.prefsStore.get()));
    }
}

TEST_F(AppEnvironmentTest, IsolatedRunKeepsPreferencesInMemory) {
    struct Case {
        const char* offline; // nullptr: unset
        bool fetchers;
    };
    const Case cases[] = {{nullptr, true}, {"1", false}, {"true", true},
                          {"0", true},     {"01", true}, {"yes", true}};
    for (const Case& c : cases) {
        QHash<QString, QString> vars{{"VEXIL_DATA_DIR", home.filePath(QStringLiteral("iso"))}};
        if (c.offline) vars.insert(QStringLiteral("VEXIL_OFFLINE"), QString::fromLatin1(c.offline));
        const AppEnvironment env = AppEnvironment::live(vars);
        EXPECT_TRUE(env.isolated);
        EXPECT_EQ(env.dataDirectory, home.filePath(QStringLiteral("iso")));
        EXPECT_EQ(bool(env.fetcher), c.fetchers) << (c.offline ? c.offline : "unset");
        EXPECT_EQ(bool(env.cryptoFetcher), c.fetchers);
        EXPECT_TRUE(dynamic_cast<MemoryIntStore*>(env.prefsStore.get()));
    }
    EXPECT_FALSE(QDir(home.filePath(QStringLiteral("iso"))).exists()) << "the folder is made on first write";
}

TEST_F(AppEnvironmentTest, RelativeAndTildePathsAreTakenLiterally) {
    const QString cwd = QDir::currentPath();
    EXPECT_EQ(AppEnvironment::live({{"VEXIL_DATA_DIR", "sub/dir"}}).dataDirectory,
              cwd + QStringLiteral("/sub/dir"));
    EXPECT_EQ(AppEnvironment::live({{"VEXIL_DATA_DIR", "~/notes"}}).dataDirectory,
              cwd + QStringLiteral("/~/notes"));
    const AppEnvironment env = AppEnvironment::live({{"VEXIL_DATA_DIR", "/tmp/x"}});
    EXPECT_EQ(env.notesURL(), QStringLiteral("/tmp/x/note.txt"));
    EXPECT_EQ(env.ratesURL(), QStringLiteral("/tmp/x/rates.json"));
}

TEST(OfflineFetcherTest, FailsBeforeReturning) {
    OfflineFetcher fetcher;
    std::optional<VexilCore::FetchResult> got;
    fetcher.fetch([&](VexilCore::FetchResult result) { got = std::move(result); });
    ASSERT_TRUE(got);
    const auto* error = std::get_if<VexilCore::FetchError>(&*got);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain, QStringLiteral("VexilRates"));
    EXPECT_EQ(error->code, 0);
    EXPECT_EQ(error->description, QStringLiteral("Offline mode"));
}
