// The real program on a real X server with a real window manager, driven by X key and mouse events.
// Positions are window coordinates of the default 749-wide window at the default text size with the
// drawer open; each step checks its effect on disk, so a position that misses fails loudly.
#include "XSession.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <map>

namespace {

const QString sheet1 = QStringLiteral("11111111-1111-4111-8111-111111111111");
const QString sheet2 = QStringLiteral("22222222-2222-4222-8222-222222222222");
const QString folder1 = QStringLiteral("33333333-3333-4333-8333-333333333333");

// Waits for files: a sheet is saved half a second after the last edit.
constexpr int saveTimeoutMs = 15'000;
constexpr int uiTimeoutMs = 15'000;

// Drawer rows: the first row of a plain list, the row below it.
constexpr QPoint firstDrawerRow{60, 104};
constexpr QPoint secondDrawerRow{60, 136};
// "Sheet 2" under a collapsed folder holding the open sheet, a "Folders" and a "Sheets" heading.
constexpr QPoint sheetBelowCollapsedFolder{60, 240};
// Empty space in the editor, well below a few lines of text: a click there puts the caret at the end.
constexpr QPoint editorBelowText{380, 420};
// The result of the first line ("5"), right-aligned in the results column.
constexpr QPoint firstResult{727, 71};
// The menu bar's "Edit", and the height of the first two items of its menu (Undo and Redo).
constexpr QPoint editMenuTitle{105, 8};
constexpr int disabledMenuRows = 40;
// The gutter's line numbers lie in this band.
constexpr int gutterLeft = 203, gutterRight = 237, contentTop = 50, contentBottom = 480;

class Desktop : public ::testing::Test {
protected:
    void SetUp() override {
        const QString error = x.start();
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    }

    void launch() {
        const QString error = x.launch();
        ASSERT_TRUE(error.isEmpty()) << error.toStdString() << "\n" << x.vexilOutput().toStdString();
    }

    // Waits until the sheet's file holds exactly the text; the message shows what it holds instead.
    void expectSheet(const QString& id, const QString& expected, const char* what) {
        const bool saved = XSession::waitFor([&] { return x.sheetText(id) == expected; }, saveTimeoutMs);
        EXPECT_TRUE(saved) << what << ": the sheet file holds \""
                           << escaped(x.sheetText(id).value_or("<none>")) << "\", expected \""
                           << escaped(expected) << "\" (screenshot "
                           << x.keepScreenshot(QString::fromLatin1(what).replace(u' ', u'-')).toStdString()
                           << ")";
    }

    static std::string escaped(QString text) {
        return text.replace(u'\n', QStringLiteral("\\n")).toStdString();
    }

    void rightClickForMenu(QPoint point) {
        x.click(point, 3);
        ASSERT_TRUE(XSession::waitFor([this] { return x.openMenus().size() == 1; }, uiTimeoutMs))
            << "no context menu opened";
    }

    void closeMenuWith(const QStringList& keys) {
        x.keys(keys);
        ASSERT_TRUE(XSession::waitFor([this] { return x.openMenus().isEmpty(); }, uiTimeoutMs))
            << "the context menu stayed open";
    }

    // The bottoms of the gutter's line numbers, top to bottom: every line's number sits on its baseline.
    std::vector<int> numberBaselines(const QImage& shot) {
        std::vector<int> bottoms;
        bool inside = false;
        for (int y = contentTop; y < std::min(contentBottom, shot.height()); ++y) {
            bool ink = false;
            for (int xx = gutterLeft; xx < gutterRight && !ink; ++xx)
                ink = qGray(shot.pixel(xx, y)) > 80;
            if (ink) inside = true;
            if (!ink && inside) {
                bottoms.push_back(y - 1);
                inside = false;
            }
        }
        return bottoms;
    }

    // Every line of the sheet shown is as tall as every other.
    void expectEvenPitch(int lines, const char* what) {
        const QImage shot = x.screenshot();
        ASSERT_FALSE(shot.isNull()) << "no screenshot";
        const std::vector<int> baselines = numberBaselines(shot);
        std::map<int, int> pitches;
        QStringList all;
        for (size_t i = 1; i < baselines.size(); ++i) {
            const int pitch = baselines[i] - baselines[i - 1];
            ++pitches[pitch];
            all << QString::number(pitch);
        }
        // Digits differ by a pixel of antialiasing at their feet; a lost line spacing costs several.
        const bool even = !pitches.empty() && pitches.rbegin()->first - pitches.begin()->first <= 1;
        if (int(baselines.size()) == lines && even) return;
        const QString kept = x.keepScreenshot(QString::fromLatin1(what).replace(u' ', u'-'));
        EXPECT_EQ(int(baselines.size()), lines) << what << ": line numbers found in " << kept.toStdString();
        EXPECT_TRUE(even) << what << ": line pitches " << all.join(u' ').toStdString() << " ("
                          << kept.toStdString() << ")";
    }

    XSession x;
};

TEST_F(Desktop, ReturnOnEmptyLinesKeepsEveryLineFeedAndThePitch) {
    x.seed({{sheet1, QStringLiteral("Sheet 1"), QString()},
            {sheet2, QStringLiteral("Sheet 2"), QStringLiteral("2\n")}},
           {}, sheet1);
    launch();

    // Right after launch the caret is on the empty sheet's only line.
    x.keys({QStringLiteral("Return")});
    x.type(QStringLiteral("1"));
    x.keys({QStringLiteral("Return"), QStringLiteral("Return")});
    x.type(QStringLiteral("2"));
    x.keys({QStringLiteral("Return")});
    x.type(QStringLiteral("3"));
    x.keys({QStringLiteral("Return"), QStringLiteral("Return"), QStringLiteral("Return")});
    x.type(QStringLiteral("4"));
    expectSheet(sheet1, QStringLiteral("\n1\n\n2\n3\n\n\n4"), "after launch");
    expectEvenPitch(8, "pitch after launch");

    // Switching sheets puts the caret at the end: on the empty line after "2".
    x.click(secondDrawerRow);
    ASSERT_TRUE(XSession::waitFor([this] { return x.selectedId() == sheet2; }, uiTimeoutMs))
        << "the click on the second drawer row did not open Sheet 2";
    x.click(editorBelowText);
    x.keys({QStringLiteral("Return")});
    x.type(QStringLiteral("5"));
    expectSheet(sheet2, QStringLiteral("2\n\n5"), "after switching");
    expectEvenPitch(3, "pitch after switching");

    // A new sheet: its name is edited in place first; Escape keeps the name and returns to the sheet.
    x.keys({QStringLiteral("ctrl+n")});
    std::optional<QString> created;
    ASSERT_TRUE(XSession::waitFor(
        [&] {
            created = x.selectedId();
            return created && *created != sheet1 && *created != sheet2;
        },
        uiTimeoutMs))
        << "Ctrl+N made no new sheet";
    x.keys({QStringLiteral("Escape")});
    x.keys({QStringLiteral("Return"), QStringLiteral("Return")});
    x.type(QStringLiteral("6"));
    x.keys({QStringLiteral("Return")});
    x.type(QStringLiteral("7"));
    expectSheet(*created, QStringLiteral("\n\n6\n7"), "new sheet");
    expectEvenPitch(4, "pitch on a new sheet");
}

TEST_F(Desktop, RightClickOnADrawerRowKeepsTheOpenSheet) {
    x.seed({{sheet1, QStringLiteral("Sheet 1"), QStringLiteral("first")},
            {sheet2, QStringLiteral("Sheet 2"), QStringLiteral("second")}},
           {}, sheet1);
    launch();

    rightClickForMenu(secondDrawerRow);
    closeMenuWith({QStringLiteral("Escape")});
    // Typing goes to the sheet the notebook shows.
    x.click(editorBelowText);
    x.keys({QStringLiteral("ctrl+End")});
    x.type(QStringLiteral("x"));
    expectSheet(sheet1, QStringLiteral("firstx"), "the open sheet");
    EXPECT_EQ(x.sheetText(sheet2).value_or("<none>").toStdString(), "second");
    EXPECT_EQ(x.selectedId().value_or("<none>").toStdString(), sheet1.toStdString());
}

TEST_F(Desktop, RightClickBelowACollapsedFolderOpensTheSheetsMenu) {
    x.seed({{sheet1, QStringLiteral("Sheet 1"), QStringLiteral("first"), folder1},
            {sheet2, QStringLiteral("Sheet 2"), QStringLiteral("second")}},
           {{folder1, QStringLiteral("Folder 1"), true}}, sheet1);
    launch();

    // The sheet's menu starts with "Pin"; the menu of empty space would start with "New Sheet".
    rightClickForMenu(sheetBelowCollapsedFolder);
    closeMenuWith({QStringLiteral("Down"), QStringLiteral("Return")});
    const bool pinned = XSession::waitFor(
        [this] {
            for (const QJsonValue& page : x.index().value(QStringLiteral("pages")).toArray())
                if (page[QStringLiteral("id")] == sheet2) return page[QStringLiteral("pinned")].toBool();
            return false;
        },
        uiTimeoutMs);
    EXPECT_TRUE(pinned) << "the first item of the menu did not pin Sheet 2; pages.json: "
                        << QJsonDocument(x.index()).toJson().toStdString();
    EXPECT_EQ(x.index().value(QStringLiteral("pages")).toArray().size(), 2) << "a sheet was made";
    EXPECT_EQ(x.selectedId().value_or("<none>").toStdString(), sheet1.toStdString());
}

TEST_F(Desktop, CtrlShiftArrowsMoveLinesUnderTheWindowManager) {
    x.seed({{sheet1, QStringLiteral("Sheet 1"), QStringLiteral("alpha\nbeta")}}, {}, sheet1);
    launch();
    // The caret starts at the end, on "beta".
    x.keys({QStringLiteral("ctrl+shift+Up")});
    expectSheet(sheet1, QStringLiteral("beta\nalpha"), "moved up");
    x.keys({QStringLiteral("ctrl+shift+Down")});
    expectSheet(sheet1, QStringLiteral("alpha\nbeta"), "moved down");
}

TEST_F(Desktop, RightClickOnAResultCopiesItOrInsertsAReference) {
    x.seed({{sheet1, QStringLiteral("Sheet 1"), QStringLiteral("2 + 3\n")}}, {}, sheet1);
    launch();
    // The caret stays on the empty second line throughout.
    rightClickForMenu(firstResult);
    closeMenuWith({QStringLiteral("Down"), QStringLiteral("Return")}); // "Copy Result"
    x.keys({QStringLiteral("ctrl+v")});
    expectSheet(sheet1, QStringLiteral("2 + 3\n5"), "copied result pasted");

    rightClickForMenu(firstResult);
    closeMenuWith(
        {QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Return")}); // "Insert Reference"
    const bool inserted = XSession::waitFor(
        [this] {
            const auto text = x.sheetText(sheet1);
            return text && text->startsWith(QStringLiteral("2 + 3\n5")) &&
                   text->contains(QStringLiteral("line1"));
        },
        saveTimeoutMs);
    EXPECT_TRUE(inserted) << "no reference to line 1: \"" << escaped(x.sheetText(sheet1).value_or(""))
                          << "\"";
}

TEST_F(Desktop, ContentSizeFlatDisabledItemsAndFixedDialogs) {
    launch();
    // The notebook's content below the menu bar is the default 749 by 516.
    const auto size = x.windowSize(x.window());
    ASSERT_TRUE(size);
    EXPECT_EQ(size->width(), 749);
    EXPECT_GT(size->height(), 516 + 10) << "the menu bar takes its height from the content";
    EXPECT_LT(size->height(), 516 + 50);

    // On an empty sheet the Edit menu opens with Undo and Redo disabled: drawn once, dimmed, never etched
    // with a light copy.
    x.click(editMenuTitle);
    QStringList menus;
    ASSERT_TRUE(XSession::waitFor([&] { return (menus = x.openMenus()).size() == 1; }, uiTimeoutMs))
        << "no Edit menu";
    const QImage menu = x.screenshot(menus.first());
    ASSERT_FALSE(menu.isNull());
    int brightest = 0;
    for (int y = 0; y < std::min(disabledMenuRows, menu.height()); ++y)
        for (int xx = 0; xx < menu.width(); ++xx)
            brightest = std::max(brightest, qGray(menu.pixel(xx, y)));
    EXPECT_LT(brightest, 170) << "disabled items drawn bright ("
                              << x.keepScreenshot("edit-menu").toStdString() << ")";
    x.keys({QStringLiteral("Escape")});
    ASSERT_TRUE(XSession::waitFor([&] { return x.openMenus().isEmpty(); }, uiTimeoutMs));

    x.keys({QStringLiteral("ctrl+comma")});
    QStringList settings;
    ASSERT_TRUE(XSession::waitFor(
        [&] { return (settings = x.windowsNamed(QStringLiteral("^Settings$"))).size() == 1; }, uiTimeoutMs))
        << "Ctrl+, showed no Settings window";
    // The About window comes from the first item of the application menu.
    x.click({27, 8});
    ASSERT_TRUE(XSession::waitFor([this] { return x.openMenus().size() == 1; }, uiTimeoutMs))
        << "no application menu";
    x.keys({QStringLiteral("Down"), QStringLiteral("Return")});
    QStringList about;
    ASSERT_TRUE(XSession::waitFor(
        [&] { return (about = x.windowsNamed(QStringLiteral("^About VEXIL$"))).size() == 1; }, uiTimeoutMs))
        << "no About window";

    for (const QString& id : {settings.first(), about.first()}) {
        const QString name = x.windowProperty(id, QStringLiteral("WM_NAME"));
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(x.windowProperty(id, QStringLiteral("_NET_WM_WINDOW_TYPE"))
                        .contains(QStringLiteral("_NET_WM_WINDOW_TYPE_DIALOG")));
        const QString actions = x.windowProperty(id, QStringLiteral("_NET_WM_ALLOWED_ACTIONS"));
        EXPECT_TRUE(actions.contains(QStringLiteral("_NET_WM_ACTION_CLOSE"))) << actions.toStdString();
        EXPECT_FALSE(actions.contains(QStringLiteral("MAXIMIZE"))) << actions.toStdString();
        EXPECT_FALSE(actions.contains(QStringLiteral("_NET_WM_ACTION_RESIZE"))) << actions.toStdString();
    }
}

TEST_F(Desktop, ShortcutSelfTestPassesUnderTheWindowManager) {
    int exitCode = -1;
    const std::optional<QString> output =
        x.runToEnd({QStringLiteral("--shortcut-check")}, 240'000, &exitCode);
    ASSERT_TRUE(output) << "--shortcut-check did not end within four minutes";
    const QStringList failures =
        output->split(u'\n').filter(QRegularExpression(QStringLiteral("^(FAIL|FOCUS_UNAVAILABLE)")));
    EXPECT_TRUE(output->contains(QStringLiteral("\nSHORTCUTS_OK\n")))
        << failures.join(u'\n').toStdString() << "\n"
        << output->toStdString();
    EXPECT_EQ(exitCode, 0);
}

TEST_F(Desktop, TermRightAfterTypingKeepsEveryCharacter) {
    x.seed({{sheet1, QStringLiteral("Sheet 1"), QStringLiteral("start")}}, {}, sheet1);
    launch();
    const QString typed = QStringLiteral(" 12 + 34 quick brown fox");
    x.type(typed);
    // The signal follows the last key at once, long before the half-second save.
    QElapsedTimer sinceLastKey;
    sinceLastKey.start();
    x.sendTerm();
    EXPECT_LT(sinceLastKey.elapsed(), 100);
    EXPECT_TRUE(x.waitForExit(30'000)) << "vexil did not end by itself after SIGTERM";

    launch();
    EXPECT_EQ(x.sheetText(sheet1).value_or("<none>").toStdString(),
              (QStringLiteral("start") + typed).toStdString());
    x.keys({QStringLiteral("ctrl+End")});
    x.type(QStringLiteral("!"));
    expectSheet(sheet1, QStringLiteral("start") + typed + u'!', "after the restart");
}

} // namespace
