#include "ui/selfcheck/Snapshot.h"

#include "core/rates/Providers.h"
#include "core/rates/RatesCacheFile.h"
#include "ui/common/Controls.h"
#include "ui/notebook/NotebookController.h"
#include "ui/notebook/NotebookTextView.h"
#include "ui/shell/MainWindow.h"
#include "ui/storage/PageLibrary.h"
#include "ui/storage/Preferences.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace VexilUI;

namespace {

CommandLine::SnapshotSwitches parsed(std::vector<std::string> args) {
    args.insert(args.begin(), "vexil");
    return CommandLine::snapshotSwitches(args);
}

class SnapshotTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString scratch() const { return dir.filePath(QStringLiteral("scratch")); }
    void TearDown() override { Snapshot::Hooks::shared() = {}; }
};

} // namespace

TEST(SnapshotOptions, SwitchesChangeOnlyTheirFields) {
    struct Case {
        std::vector<std::string> args;
        QSizeF size;
        qint64 font, decimals;
        bool pages, reduce;
        std::optional<QColor> wordmark;
    };
    const QSizeF standard(900, 640);
    const Case cases[] = {
        {{}, standard, 18, 8, false, false, std::nullopt},
        {{"--font", "-3", "--decimals", "40"}, standard, -3, 40, false, false, std::nullopt},
        {{"--font", "--decimals", "4"}, standard, 18, 4, false, false, std::nullopt},
        {{"--width", "800"}, standard, 18, 8, false, false, std::nullopt},
        {{"--width", "800", "--height", "500"}, {800, 500}, 18, 8, false, false, std::nullopt},
        {{"--pages", "--reduce-transparency"}, standard, 18, 8, true, true, std::nullopt},
        {{"--wordmark-color", "ff8800"}, standard, 18, 8, false, false, QColor::fromRgbF(1, 136 / 255.0f, 0)},
        {{"--wordmark-color", "#ff8800"}, standard, 18, 8, false, false, std::nullopt},
    };
    for (const Case& c : cases) {
        const Snapshot::Options options = Snapshot::optionsFrom(parsed(c.args));
        const std::string label = c.args.empty() ? "defaults" : c.args.front();
        EXPECT_EQ(options.size, c.size) << label;
        EXPECT_EQ(options.fontSize, c.font) << label;
        EXPECT_EQ(options.decimals, c.decimals) << label;
        EXPECT_EQ(options.pages, c.pages) << label;
        EXPECT_EQ(options.reduceTransparency, c.reduce) << label;
        EXPECT_EQ(options.wordmarkColor.has_value(), c.wordmark.has_value()) << label;
        if (c.wordmark && options.wordmarkColor) {
            EXPECT_EQ(options.wordmarkColor->rgb(), c.wordmark->rgb());
        }
        EXPECT_EQ(options.text, Snapshot::sampleText());
        EXPECT_EQ(options.hoverLine, 7);
        EXPECT_TRUE(options.caretAtEnd);
    }
}

TEST(SnapshotData, SampleSheetAndTables) {
    const QStringList lines = Snapshot::sampleText().split(u'\n');
    ASSERT_EQ(lines.size(), 15);
    EXPECT_TRUE(lines[5].isEmpty());
    EXPECT_EQ(lines[7], QStringLiteral("500 x line2"));
    EXPECT_EQ(lines[8], QStringLiteral("$1,200 to EUR   // indicative"));

    const double now = 1'700'000'000;
    const VexilCore::RatesTable fiat = Snapshot::sampleRates(now);
    EXPECT_EQ(fiat.rates.size(), 21);
    EXPECT_EQ(fiat.rate(QStringLiteral("EUR")), 0.9187);
    EXPECT_EQ(fiat.rate(QStringLiteral("CUP")), 24.0);
    EXPECT_EQ(now - fiat.providerTimestamp, 7500);
    EXPECT_EQ(now - fiat.fetchedAt, 600);
    EXPECT_EQ(fiat.source, VexilCore::RatesProvider::dailyLabel());
    const VexilCore::CryptoTable crypto = Snapshot::sampleCrypto(now);
    EXPECT_EQ(crypto.price(QStringLiteral("BTC")), 83600.0);
    EXPECT_EQ(now - crypto.providerTimestamp, 90);
    EXPECT_EQ(now - crypto.fetchedAt, 60);

    // The cache holds "fiat" first and reads back as the rates service reads it.
    const auto bytes = Snapshot::CacheFile{fiat, crypto}.encode();
    ASSERT_TRUE(bytes);
    EXPECT_TRUE(bytes->startsWith("{\"fiat\":{"));
    const auto decoded = VexilCore::RatesCacheFile::decode(*bytes);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->fiat, fiat);
    EXPECT_EQ(decoded->crypto, crypto);
}

TEST_F(SnapshotTest, WindowShowsTheSampleWithTheSampleRates) {
    Snapshot::Options options;
    options.fontSize = 99; // clamped by the preference
    const auto made = Snapshot::makeWindow(options, scratch());
    NotebookController& notebook = *made->controller;
    EXPECT_TRUE(QFile::exists(QDir(scratch()).filePath(QStringLiteral("rates.json"))));
    EXPECT_EQ(notebook.prefs().fontSize(), 30);
    EXPECT_EQ(made->window->size(), QSize(900, 640));
    ASSERT_TRUE(notebook.displayed().count(8));
    EXPECT_TRUE(notebook.displayed().at(8).contains(QStringLiteral("1,102.44")))
        << notebook.displayed().at(8).toStdString();
    ASSERT_TRUE(notebook.displayed().count(9));
    EXPECT_TRUE(notebook.displayed().at(9).contains(QStringLiteral("3,840.17")))
        << notebook.displayed().at(9).toStdString();
    EXPECT_EQ(notebook.textView()->hoveredLine(), 7);
    EXPECT_EQ(notebook.textView()->selectedRange().location, Snapshot::sampleText().size());
    EXPECT_FALSE(notebook.tintView()->solid());
    EXPECT_TRUE(notebook.effectView()->isHidden());
    EXPECT_FALSE(made->window->isVisible() && !made->window->testAttribute(Qt::WA_DontShowOnScreen));
}

TEST_F(SnapshotTest, EmptySheetReducedTransparencyAndNoHover) {
    Snapshot::Options options;
    options.text.clear();
    options.hoverLine.reset();
    options.reduceTransparency = true;
    const auto made = Snapshot::makeWindow(options, scratch());
    EXPECT_EQ(made->controller->textView()->selectedRange().location, 0);
    EXPECT_FALSE(made->controller->textView()->hoveredLine());
    EXPECT_TRUE(made->controller->tintView()->solid());
    EXPECT_TRUE(made->controller->displayed().empty());
}

TEST_F(SnapshotTest, PagesListFourSheetsWithTheLastSelectedThroughTheDrawerHook) {
    std::optional<qreal> headerTop;
    PageLibrary* seen = nullptr;
    Snapshot::Hooks::shared().makeSidebar = [&](PageLibrary& library, NotebookController&) {
        seen = &library;
        return Snapshot::Hooks::Sidebar{new QWidget, nullptr, [&](qreal top) { headerTop = top; }};
    };
    Snapshot::Options options;
    options.pages = true;
    const auto made = Snapshot::makeWindow(options, scratch());
    ASSERT_TRUE(made->library);
    EXPECT_EQ(seen, made->library.get());
    QStringList names;
    for (const PageLibrary::Page& page : made->library->pages())
        names << page.name;
    EXPECT_EQ(names, (QStringList{"Freelance hours", "Japan trip", "Groceries", "Weekend in Lisbon"}));
    EXPECT_EQ(made->library->selectedID(), made->library->pages().constLast().id);
    EXPECT_EQ(made->library->pages().constLast().color, QStringLiteral("DFFF57"));
    EXPECT_EQ(headerTop, 36);
    EXPECT_TRUE(made->controller->sidebarView());
    // The notebook still shows the options' text, not the sheet's file.
    EXPECT_EQ(made->controller->textView()->canonicalText(), Snapshot::sampleText());
}

TEST_F(SnapshotTest, RenderWritesThePngWithMarginsAroundTheWindow) {
    struct Case {
        QSizeF size;
        bool reduce;
        bool pages;
    };
    for (const Case& c : {Case{{900, 640}, false, false}, Case{{600, 400}, true, true}}) {
        Snapshot::Options options;
        options.size = c.size;
        options.reduceTransparency = c.reduce;
        options.pages = c.pages;
        const QString out = dir.filePath(QStringLiteral("out.png"));
        Snapshot::render(options, out, scratch());
        QImage image(out);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), (c.size + QSizeF(96, 96)).toSize());
        // The backdrop shows in the margin, opaque.
        EXPECT_EQ(qAlpha(image.pixel(2, 2)), 255);
    }
}

TEST_F(SnapshotTest, WriteErrorsAreTheFileSystemsNotSnapshotErrors) {
    const QString out = dir.filePath(QStringLiteral("missing/out.png"));
    try {
        Snapshot::render(Snapshot::Options(), out, scratch());
        FAIL() << "no error";
    } catch (const Snapshot::Error& error) {
        EXPECT_NE(error.domain(), QStringLiteral("Snapshot"));
        EXPECT_TRUE(error.description().contains(QStringLiteral("out.png")));
    }
    EXPECT_EQ(Snapshot::Error::snapshot(2).description(),
              QStringLiteral("The operation couldn\u2019t be completed. (Snapshot error 2.)"));
}

TEST_F(SnapshotTest, PreviewSetWritesTenFilesAndOverwritesThem) {
    const QString out = dir.filePath(QStringLiteral("previews/nested"));
    for (int run = 0; run < 2; ++run)
        Snapshot::renderPreviewSet(out, scratch());
    QStringList files = QDir(out).entryList(QDir::Files, QDir::Name);
    QStringList expected = Snapshot::previewFileNames();
    expected.sort();
    EXPECT_EQ(files, expected);
    EXPECT_EQ(files.size(), 10);
    EXPECT_EQ(QImage(QDir(out).filePath("6-minimum-window.png")).size(), QSize(616, 456));
    EXPECT_EQ(QImage(QDir(out).filePath("1-main-18pt.png")).size(), QSize(996, 736));
    EXPECT_TRUE(QFile(QDir(out).filePath("about-animation.gif")).size() > 0);
}

TEST_F(SnapshotTest, PreviewSetBelowARegularFileFailsBeforeRendering) {
    QFile file(dir.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_THROW(Snapshot::renderPreviewSet(dir.filePath(QStringLiteral("plain/previews")), scratch()),
                 Snapshot::Error);
    EXPECT_FALSE(QDir(scratch()).exists()); // no window was built
}
