// The rates cache against a full disk, links in its place and values no provider would send.
#include "core/rates/RatesService.h"
#include "core/values/Units.h"

#include "FakeFetchers.h"
#include "tests/support/QtPrinters.h"
#include "support/FileFaults.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <limits>

using namespace VexilCore;
using namespace FakeRates;

namespace {

class RatesCacheFaults : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    std::unique_ptr<RatesService> make(const QString& cache, std::shared_ptr<RatesFetching> fiat) {
        return std::make_unique<RatesService>(cache, std::move(fiat), nullptr,
                                              [] { return 1'700'000'600.0; });
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(RatesCacheFaults, FullDiskKeepsTheOldCacheWhole) {
    FileFaults::SmallDisk disk(dir.filePath(QStringLiteral("disk")));
    const QString cache = disk.folder() + QStringLiteral("/rates.json");
    writeCache(cache, fiatTable(1700000000, 1700000000, RatesProvider::dailyLabel()), std::nullopt);
    const QByteArray before = readFile(cache);
    ASSERT_FALSE(before.isEmpty());

    disk.fill();
    auto s = make(cache, std::make_shared<ImmediateFetcher>(dailyBody(fiatRates(30), 1700003600)));
    ASSERT_TRUE(s->loadCache());
    s->refresh();
    EXPECT_EQ(s->table()->rates.size(), 30) << "the new table is used all the same";
    EXPECT_EQ(readFile(cache), before);
}

TEST_F(RatesCacheFaults, LinkedCacheIsRefusedMovedAsideAndNeverWrittenThrough) {
    const QString target = dir.filePath(QStringLiteral("elsewhere/rates.json"));
    QDir().mkpath(QFileInfo(target).absolutePath());
    writeCache(target, fiatTable(1700000000, 1700000000, RatesProvider::dailyLabel()), std::nullopt);
    const QByteArray before = readFile(target);
    const QString cache = dir.filePath(QStringLiteral("rates.json"));
    ASSERT_TRUE(QFile::link(target, cache));

    auto s = make(cache, std::make_shared<ImmediateFetcher>(dailyBody(fiatRates(30), 1700003600)));
    EXPECT_FALSE(s->loadCache());
    EXPECT_FALSE(s->table().has_value());
    s->refresh();
    EXPECT_EQ(readFile(target), before);
    EXPECT_FALSE(QFileInfo(cache).isSymLink());
    EXPECT_EQ(QDir(dir.path())
                  .entryList({QStringLiteral("rates.json.unreadable-*")}, QDir::AllEntries | QDir::System)
                  .size(),
              1);
}

TEST_F(RatesCacheFaults, FifoInPlaceOfTheCacheNeverBlocks) {
    const QString cache = dir.filePath(QStringLiteral("rates.json"));
    FileFaults::makeFifo(cache);
    FileFaults::FifoWatchdog watchdog(cache);
    auto s = make(cache, std::make_shared<ManualFetcher>());
    EXPECT_FALSE(s->loadCache());
    EXPECT_FALSE(watchdog.finish()) << "loading waited on the FIFO";
}

TEST_F(RatesCacheFaults, CacheKeepsOnlyCurrencyCodesAndSaneRates) {
    RatesTable table = fiatTable(1700000000, 1700000000, RatesProvider::dailyLabel(), 25);
    const QStringList words = {QStringLiteral("FLOUR"), QStringLiteral("m"), QStringLiteral("QZ1"),
                               QStringLiteral("qzx")};
    for (const QString& w : words)
        table.rates.insert(w, 2);
    table.rates.insert(QStringLiteral("QZA"), 1e308);
    table.rates.insert(QStringLiteral("QZB"), 5e-324);
    table.rates.insert(QStringLiteral("QZC"), 1e13);
    table.rates.insert(QStringLiteral("QZD"), 1e-13);
    table.rates.insert(QStringLiteral("QZE"), 1e12);
    table.rates.insert(QStringLiteral("QZF"), 1e-12);
    const QString cache = dir.filePath(QStringLiteral("rates.json"));
    writeCache(cache, table, std::nullopt);

    auto s = make(cache, std::make_shared<ManualFetcher>());
    ASSERT_TRUE(s->loadCache());
    for (const QString& dropped : words + QStringList{"QZA", "QZB", "QZC", "QZD"}) {
        SCOPED_TRACE(dropped.toStdString());
        EXPECT_FALSE(s->table()->rates.contains(dropped));
        EXPECT_FALSE(Currencies::dynamicCodes().contains(dropped));
    }
    EXPECT_EQ(s->table()->rate(QStringLiteral("QZE")), 1e12);
    EXPECT_EQ(s->table()->rate(QStringLiteral("QZF")), 1e-12);
    EXPECT_EQ(s->table()->rates.size(), 27);
    EXPECT_FALSE(Units::lookupWord(QStringLiteral("flour")).has_value());
}
