#include "ui/shell/SettingsWindow.h"
#include "ui/storage/IntStore.h"
#include "ui/storage/Preferences.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>

using namespace VexilUI;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        store = std::make_shared<MemoryIntStore>();
        prefs = std::make_shared<Preferences>(store);
        settings = std::make_unique<SettingsWindowController>(prefs);
    }

    std::optional<qint64> stored(const char* key) const { return store->intForKey(QString::fromUtf8(key)); }

    // Shows the window and puts the keyboard into a field, as a person editing it would.
    void edit(QLineEdit* field) {
        settings->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(settings->window()));
        field->setFocus();
        field->selectAll();
    }

    std::shared_ptr<MemoryIntStore> store;
    std::shared_ptr<Preferences> prefs;
    std::unique_ptr<SettingsWindowController> settings;
};

} // namespace

TEST_F(SettingsTest, WindowShowsEveryRowWithItsLabelsAndStoredValues) {
    store->set(20, QStringLiteral("fontSize"));
    store->set(1, QStringLiteral("foldersOff"));
    settings = std::make_unique<SettingsWindowController>(prefs);
    EXPECT_EQ(settings->window()->windowTitle(), QStringLiteral("Settings"));
    EXPECT_FALSE(settings->window()->isVisible());

    QStringList labels;
    for (QLabel* label : settings->window()->findChildren<QLabel*>())
        labels << label->text();
    for (const char16_t* text :
         {u"Text Size:", u"Max Decimal Places:", u"Currency Decimals:", u"Crypto Decimals:",
          u"CSS em/rem Base:", u"Folders:", u"pt   (11 to 30)", u"(0 to 12, display only)",
          u"USD, EUR \u2026   (0 to 12)", u"BTC, ETH \u2026   (0 to 12)", u"px   (8 to 96)",
          u"Results are rounded for display only; the full value is kept for working."})
        EXPECT_TRUE(labels.contains(QString::fromUtf16(text))) << QString::fromUtf16(text).toStdString();

    const std::vector<std::tuple<const SettingsWindowController::Row*, int, int, int>> rows = {
        {&*settings->fontRow(), 20, 11, 30},   {&*settings->decimalsRow(), 8, 0, 12},
        {&*settings->currencyRow(), 2, 0, 12}, {&*settings->cryptoRow(), 8, 0, 12},
        {&*settings->emRow(), 16, 8, 96},
    };
    ASSERT_EQ(settings->rows().size(), 5u);
    for (const auto& [row, value, low, high] : rows) {
        EXPECT_EQ(row->field->text(), QString::number(value));
        EXPECT_EQ(row->field->width(), 52);
        EXPECT_EQ(row->stepper->value(), value);
        EXPECT_EQ(row->stepper->minimum(), low);
        EXPECT_EQ(row->stepper->maximum(), high);
    }
    EXPECT_EQ(settings->foldersCheckbox()->text(), QStringLiteral("Organise Sheets in Folders"));
    EXPECT_FALSE(settings->foldersCheckbox()->isChecked());
    EXPECT_EQ(settings->window()->width(), 460);
}

TEST_F(SettingsTest, CommittedTextIsClampedTrimmedOrRestored) {
    const SettingsWindowController::Row& font = *settings->fontRow();
    struct Case {
        const char* typed;
        int stored;
    };
    for (const Case& c : {Case{"40", 30}, Case{"5", 11}, Case{"  12 ", 12}, Case{"", 12}, Case{"abc", 12},
                          Case{"+17", 17}, Case{"99999999999999999999999", 30}}) {
        SCOPED_TRACE(c.typed);
        font.field->setText(QString::fromUtf8(c.typed));
        settings->commit(font.field);
        EXPECT_EQ(prefs->fontSize(), c.stored);
        EXPECT_EQ(font.field->text(), QString::number(c.stored));
        EXPECT_EQ(font.stepper->value(), c.stored);
    }
}

TEST_F(SettingsTest, TypingAppliesOnlyValidNumbers) {
    const SettingsWindowController::Row& font = *settings->fontRow();
    edit(font.field);
    QSignalSpy changes(prefs.get(), &Preferences::didChange);
    QTest::keyClick(font.field, Qt::Key_2);
    EXPECT_EQ(stored("fontSize"), std::nullopt); // 2 is outside 11 to 30
    QTest::keyClick(font.field, Qt::Key_0);
    EXPECT_EQ(stored("fontSize"), 20);
    EXPECT_EQ(font.stepper->value(), 20);
    EXPECT_EQ(font.field->text(), QStringLiteral("20"));
    EXPECT_EQ(changes.size(), 1);
    // Spaces count only when the entry is committed.
    font.field->setText(QStringLiteral("  12 "));
    settings->textChanged(font.field);
    EXPECT_EQ(prefs->fontSize(), 20);
    QTest::keyClick(font.field, Qt::Key_Return);
    EXPECT_EQ(prefs->fontSize(), 12);
}

TEST_F(SettingsTest, FollowsChangesMadeElsewhereWithoutMovingTheCaret) {
    const SettingsWindowController::Row& font = *settings->fontRow();
    const SettingsWindowController::Row& em = *settings->emRow();
    prefs->setEmBasePixels(20);
    EXPECT_EQ(em.field->text(), QStringLiteral("20"));
    EXPECT_EQ(em.stepper->value(), 20);

    edit(font.field);
    font.field->setText(QStringLiteral("16"));
    font.field->setCursorPosition(1);
    prefs->setFontSize(16); // the same number as typed: the caret stays
    EXPECT_EQ(font.field->cursorPosition(), 1);
    prefs->setFontSize(17);
    EXPECT_EQ(font.field->text(), QStringLiteral("17"));
    EXPECT_EQ(font.field->cursorPosition(), 2);
    EXPECT_EQ(font.stepper->value(), 17);
}

TEST_F(SettingsTest, StepperStepsWithinItsBounds) {
    const SettingsWindowController::Row& decimals = *settings->decimalsRow();
    decimals.stepper->upButton()->click();
    EXPECT_EQ(prefs->maxDecimals(), 9);
    EXPECT_EQ(decimals.field->text(), QStringLiteral("9"));
    prefs->setMaxDecimals(12);
    decimals.stepper->upButton()->click();
    EXPECT_EQ(prefs->maxDecimals(), 12); // no wrapping
    const SettingsWindowController::Row& currency = *settings->currencyRow();
    prefs->setCurrencyDecimals(0);
    currency.stepper->downButton()->click();
    EXPECT_EQ(prefs->currencyDecimals(), 0);
}

TEST_F(SettingsTest, FoldersCheckboxWritesTheInvertedFlag) {
    settings->foldersCheckbox()->click();
    EXPECT_EQ(stored("foldersOff"), 1);
    EXPECT_FALSE(prefs->foldersEnabled());
    settings->foldersCheckbox()->click();
    EXPECT_EQ(stored("foldersOff"), 0);
    prefs->setFoldersEnabled(false);
    EXPECT_FALSE(settings->foldersCheckbox()->isChecked());
}

TEST_F(SettingsTest, RestoreDefaultsWritesOnlyWhatDiffers) {
    QSignalSpy changes(prefs.get(), &Preferences::didChange);
    settings->restoreButton()->click();
    EXPECT_EQ(changes.size(), 6); // nothing stored yet: every key is written once

    changes.clear();
    settings->restoreButton()->click();
    EXPECT_EQ(changes.size(), 0); // all at their defaults: nothing announced

    prefs->setFontSize(22);
    prefs->setCryptoDecimals(3);
    prefs->setFoldersEnabled(false);
    prefs->setDrawerWidth(300);
    prefs->setSnakeBest(40);
    changes.clear();
    settings->restoreButton()->click();
    EXPECT_EQ(changes.size(), 3);
    EXPECT_EQ(prefs->fontSize(), 15);
    EXPECT_EQ(prefs->cryptoDecimals(), 8);
    EXPECT_TRUE(prefs->foldersEnabled());
    EXPECT_EQ(prefs->drawerWidth(), 300); // others stay
    EXPECT_EQ(prefs->snakeBest(), 40);
    EXPECT_EQ(settings->fontRow()->field->text(), QStringLiteral("15"));
    EXPECT_TRUE(settings->foldersCheckbox()->isChecked());
}

TEST_F(SettingsTest, ReadsDecimalIntegersStrictly) {
    using R = std::optional<qint64>;
    EXPECT_EQ(SettingsWindowController::readInteger(u"12"), R(12));
    EXPECT_EQ(SettingsWindowController::readInteger(u"-3"), R(-3));
    EXPECT_EQ(SettingsWindowController::readInteger(u"+0"), R(0));
    for (const char16_t* bad : {u"", u"+", u"-", u" 1", u"1 ", u"1.5", u"0x10", u"1e3", u"\u0661"})
        EXPECT_EQ(SettingsWindowController::readInteger(bad), std::nullopt);
    EXPECT_EQ(SettingsWindowController::readInteger(u"-99999999999999999999"),
              R(std::numeric_limits<qint64>::min()));
}
