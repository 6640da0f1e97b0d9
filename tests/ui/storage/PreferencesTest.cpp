#include "ui/storage/Preferences.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "ui/storage/QtPrinters.h"

#include <gtest/gtest.h>

#include <functional>

using namespace VexilUI;

namespace {

struct PrefCase {
    const char* name;
    QHash<QString, qint64> before;
    std::function<void(Preferences&)> act;
    QHash<QString, qint64> after; // the whole store afterwards
    int emissions;
    std::function<void(const Preferences&)> check;
};

} // namespace

TEST(Preferences, WriteRuleAndClampsTable) {
    const QList<PrefCase> cases = {
        {"fresh store reads the defaults",
         {},
         [](Preferences&) {},
         {},
         0,
         [](const Preferences& p) {
             EXPECT_EQ(p.fontSize(), 15);
             EXPECT_EQ(p.maxDecimals(), 8);
             EXPECT_EQ(p.currencyDecimals(), 2);
             EXPECT_EQ(p.cryptoDecimals(), 8);
             EXPECT_EQ(p.emBasePixels(), 16);
             EXPECT_TRUE(p.foldersEnabled());
             EXPECT_TRUE(p.drawerOpen());
             EXPECT_EQ(p.drawerWidth(), 0);
             EXPECT_EQ(p.resultsPerMille(), 0);
             EXPECT_EQ(p.resultsFraction(), std::nullopt);
             EXPECT_EQ(p.snakeBest(), 0);
             EXPECT_EQ(p.snakeStyle(), 0);
         }},
        {"fontSize 40 stores 30 once",
         {},
         [](Preferences& p) { p.setFontSize(40); },
         {{"fontSize", 30}},
         1,
         [](const Preferences& p) { EXPECT_EQ(p.fontSize(), 30); }},
        {"fontSize 30 over a stored 30 posts nothing",
         {{"fontSize", 30}},
         [](Preferences& p) { p.setFontSize(30); },
         {{"fontSize", 30}},
         0,
         nullptr},
        {"40 then 30 is one effective change",
         {},
         [](Preferences& p) {
             p.setFontSize(40);
             p.setFontSize(30);
         },
         {{"fontSize", 30}},
         1,
         nullptr},
        {"a stored 5 reads 11 and is not written back",
         {{"fontSize", 5}},
         [](Preferences&) {},
         {{"fontSize", 5}},
         0,
         [](const Preferences& p) { EXPECT_EQ(p.fontSize(), 11); }},
        {"writing 11 over a stored 5 stores it (raw comparison)",
         {{"fontSize", 5}},
         [](Preferences& p) { p.setFontSize(11); },
         {{"fontSize", 11}},
         1,
         nullptr},
        {"decimals and em base clamp",
         {},
         [](Preferences& p) {
             p.setMaxDecimals(-3);
             p.setCurrencyDecimals(99);
             p.setCryptoDecimals(5);
             p.setEmBasePixels(4);
         },
         {{"maxDecimals", 0}, {"currencyDecimals", 12}, {"cryptoDecimals", 5}, {"emBasePixels", 8}},
         4,
         nullptr},
        {"stored values outside the ranges read clamped",
         {{"maxDecimals", 40}, {"emBasePixels", 1000}},
         [](Preferences&) {},
         {{"maxDecimals", 40}, {"emBasePixels", 1000}},
         0,
         [](const Preferences& p) {
             EXPECT_EQ(p.maxDecimals(), 12);
             EXPECT_EQ(p.emBasePixels(), 96);
         }},
        {"folders off stores 1 under foldersOff",
         {},
         [](Preferences& p) { p.setFoldersEnabled(false); },
         {{"foldersOff", 1}},
         1,
         [](const Preferences& p) { EXPECT_FALSE(p.foldersEnabled()); }},
        {"folders on over absent stores 0",
         {},
         [](Preferences& p) { p.setFoldersEnabled(true); },
         {{"foldersOff", 0}},
         1,
         [](const Preferences& p) { EXPECT_TRUE(p.foldersEnabled()); }},
        {"drawer closed stores 1; a negative reads open",
         {{"foldersOff", -4}},
         [](Preferences& p) { p.setDrawerOpen(false); },
         {{"foldersOff", -4}, {"drawerClosed", 1}},
         1,
         [](const Preferences& p) {
             EXPECT_FALSE(p.drawerOpen());
             EXPECT_TRUE(p.foldersEnabled());
         }},
        {"drawerWidth 100 stores 160",
         {},
         [](Preferences& p) { p.setDrawerWidth(100); },
         {{"drawerWidth", 160}},
         1,
         [](const Preferences& p) { EXPECT_EQ(p.drawerWidth(), 160); }},
        {"drawerWidth 0 stays 0",
         {{"drawerWidth", 300}},
         [](Preferences& p) { p.setDrawerWidth(0); },
         {{"drawerWidth", 0}},
         1,
         [](const Preferences& p) { EXPECT_EQ(p.drawerWidth(), 0); }},
        {"drawerWidth negative and huge",
         {},
         [](Preferences& p) {
             p.setDrawerWidth(-5);
             p.setDrawerWidth(5000);
         },
         {{"drawerWidth", 420}},
         2,
         nullptr},
        {"a stored drawerWidth of 1000 reads 420, of -7 reads 160",
         {{"drawerWidth", 1000}, {"snakeBest", -7}},
         [](Preferences&) {},
         {{"drawerWidth", 1000}, {"snakeBest", -7}},
         0,
         [](const Preferences& p) {
             EXPECT_EQ(p.drawerWidth(), 420);
             EXPECT_EQ(p.snakeBest(), 0);
         }},
        {"resultsFraction 0.0004 stores 1",
         {},
         [](Preferences& p) { p.setResultsFraction(0.0004); },
         {{"resultsFraction", 1}},
         1,
         [](const Preferences& p) {
             EXPECT_EQ(p.resultsFraction(), 0.001);
             EXPECT_EQ(p.resultsPerMille(), 1);
         }},
        {"resultsFraction 0 stores 1, not none",
         {},
         [](Preferences& p) { p.setResultsFraction(0.0); },
         {{"resultsFraction", 1}},
         1,
         nullptr},
        {"resultsFraction none stores 0 and reads none",
         {{"resultsFraction", 400}},
         [](Preferences& p) { p.setResultsFraction(std::nullopt); },
         {{"resultsFraction", 0}},
         1,
         [](const Preferences& p) { EXPECT_EQ(p.resultsFraction(), std::nullopt); }},
        {"resultsFraction 0.95 stores 900; 0.0625 rounds half away to 63",
         {},
         [](Preferences& p) {
             p.setResultsFraction(0.95);
             p.setResultsFraction(0.0625);
         },
         {{"resultsFraction", 63}},
         2,
         nullptr},
        {"resultsFraction of a stored 5000 reads 0.9",
         {{"resultsFraction", 5000}},
         [](Preferences&) {},
         {{"resultsFraction", 5000}},
         0,
         [](const Preferences& p) { EXPECT_EQ(p.resultsFraction(), 0.9); }},
        {"resultsPerMille shares the key",
         {},
         [](Preferences& p) { p.setResultsPerMille(950); },
         {{"resultsFraction", 900}},
         1,
         [](const Preferences& p) { EXPECT_EQ(p.resultsFraction(), 0.9); }},
        {"snakeBest clamps to a million",
         {},
         [](Preferences& p) { p.setSnakeBest(2000000); },
         {{"snakeBest", 1000000}},
         1,
         [](const Preferences& p) { EXPECT_EQ(p.snakeBest(), 1000000); }},
        {"snakeStyle reads 1 for a stored 7",
         {{"snakeStyle", 7}},
         [](Preferences& p) { p.setSnakeStyle(9); },
         {{"snakeStyle", 1}},
         1,
         [](const Preferences& p) { EXPECT_EQ(p.snakeStyle(), 1); }},
    };
    for (const PrefCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto store = std::make_shared<MemoryIntStore>();
        store->values = c.before;
        Preferences prefs(store);
        QSignalSpy spy(&prefs, &Preferences::didChange);
        c.act(prefs);
        if (c.check) c.check(prefs);
        EXPECT_EQ(spy.count(), c.emissions);
        EXPECT_EQ(store->values, c.after);
    }
}

TEST(Preferences, ObserversRunInsideTheSetter) {
    auto store = std::make_shared<MemoryIntStore>();
    Preferences prefs(store);
    int seen = 0;
    QObject::connect(&prefs, &Preferences::didChange, [&] { seen = prefs.fontSize(); });
    prefs.setFontSize(20);
    EXPECT_EQ(seen, 20);

    // A value stored directly announces itself only through notifyChanged().
    prefs.store().set(15, QStringLiteral("fontSize"));
    EXPECT_EQ(seen, 20);
    prefs.notifyChanged();
    EXPECT_EQ(seen, 15);
    EXPECT_STREQ(Preferences::didChangeName, "VexilPreferencesDidChange");
}

TEST(SettingsIntStore, ReadsTextFromAnIniFile) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString path = tmp.filePath(QStringLiteral("Vexil.conf"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[General]\nzero=0\nsize=17\nbig=9000000000\nneg=-3\nfrac=3.7\nword=abc\nflag=true\n");
    }
    {
        SettingsIntStore store(path);
        EXPECT_EQ(store.intForKey(QStringLiteral("absent")), std::nullopt);
        EXPECT_EQ(store.intForKey(QStringLiteral("zero")), 0);
        EXPECT_EQ(store.intForKey(QStringLiteral("size")), 17);
        EXPECT_EQ(store.intForKey(QStringLiteral("big")), 9000000000LL);
        EXPECT_EQ(store.intForKey(QStringLiteral("neg")), -3);
        for (const char* key : {"frac", "word", "flag"})
            EXPECT_EQ(store.intForKey(QString::fromLatin1(key)), 0) << key;
        store.set(21, QStringLiteral("fontSize"));
    }
    // Each set reaches the file at once.
    SettingsIntStore reopened(path);
    EXPECT_EQ(reopened.intForKey(QStringLiteral("fontSize")), 21);
    Preferences prefs(std::make_shared<SettingsIntStore>(path));
    EXPECT_EQ(prefs.fontSize(), 21);
}

TEST(SettingsIntStore, UserStoreIsVexilConfUnderTheConfigHome) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    // Point the user scope at the temporary tree so the real configuration is never touched.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, tmp.path());
    {
        SettingsIntStore store;
        store.set(3, QStringLiteral("maxDecimals"));
        EXPECT_EQ(store.intForKey(QStringLiteral("maxDecimals")), 3);
    }
    QFile conf(tmp.filePath(QStringLiteral("Vexil/Vexil.conf")));
    ASSERT_TRUE(conf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(conf.readAll().contains("maxDecimals=3"));
}
