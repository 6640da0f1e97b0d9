#include "ui/shell/HelpContent.h"

#include "core/document/Document.h"
#include "ui/notebook/KeyNames.h"
#include "ui/shell/MainMenu.h"

#include "tests/support/OfflineNotebook.h"
#include "tests/support/SampleContext.h"
#include "tests/support/Sheets.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

// The Help's examples and shortcuts checked against the program itself: the examples are evaluated with
// the sample rates, the shortcuts compared with the menu's.

using namespace VexilUI;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString exampleSeparator = u"    "_s;

const HelpContent::Row* helpRow(const QString& title) {
    for (const HelpContent::Row& row : HelpContent::rows())
        if (row.row == title) return &row;
    return nullptr;
}

QList<VexilCore::LineOutcome> evaluate(const QStringList& lines) {
    return VexilCore::DocumentEvaluator(TestSupport::sampleContext()).evaluate(lines.join(u'\n'));
}

} // namespace

// ---- Examples ----------------------------------------------------------------------------------

TEST(HelpExamples, EveryCalculatingExampleGivesAValue) {
    // In the Help's order as one sheet, so that the variable is set before its use.
    QStringList lines, titles;
    for (const HelpContent::Example& example : HelpContent::calculableExamples()) {
        for (const QString& line : example.lines) {
            lines << line;
            titles << example.row;
        }
    }
    ASSERT_FALSE(lines.isEmpty());
    const QList<VexilCore::LineOutcome> outcomes = evaluate(lines);
    ASSERT_EQ(outcomes.size(), lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i)
        EXPECT_TRUE(outcomes[i].isValue())
            << titles[i] << ": " << lines[i] << " gives " << Sheets::describe(outcomes[i]);
}

TEST(HelpExamples, EveryRowIsCheckedWhole) {
    // The rows that calculate are split into examples without losing any text; the others are the
    // totals and the notes, checked below.
    for (const HelpContent::Row& row : HelpContent::rows()) {
        const auto& examples = HelpContent::calculableExamples();
        const auto example = std::find_if(examples.begin(), examples.end(),
                                          [&](const HelpContent::Example& e) { return e.row == row.row; });
        if (example == examples.end()) {
            EXPECT_TRUE(row.row == u"Totals" || row.row == u"Notes") << row.row << " is left unchecked";
            continue;
        }
        EXPECT_EQ(example->lines.join(exampleSeparator), row.text) << row.row;
        for (const QString& line : example->lines)
            EXPECT_EQ(line, line.trimmed()) << row.row;
    }
}

TEST(HelpExamples, TheTotalsRowsWordsSumUpTheLineBefore) {
    // "Flights: 420 + 385, then Total or Average on the next line": the example, then each summary word
    // the row names on the line below it.
    const HelpContent::Row* totals = helpRow(u"Totals"_s);
    ASSERT_NE(totals, nullptr);
    const QString example = totals->text.section(u", then"_s, 0, 0);
    QStringList words;
    for (const QString& word : totals->text.mid(example.size()).split(u' ', Qt::SkipEmptyParts))
        if (VexilCore::DocumentEvaluator::isSummaryRow(word)) words << word;
    ASSERT_FALSE(words.isEmpty()) << totals->text;
    for (const QString& word : words) {
        const QList<VexilCore::LineOutcome> outcomes = evaluate({example, word});
        ASSERT_EQ(outcomes.size(), 2);
        EXPECT_TRUE(outcomes[0].isValue()) << example << " gives " << Sheets::describe(outcomes[0]);
        EXPECT_TRUE(outcomes[1].isValue() && outcomes[1].isSummary)
            << word << " gives " << Sheets::describe(outcomes[1]);
    }
}

TEST(HelpExamples, TheNotesRowIsAHeadingAndAComment) {
    const HelpContent::Row* notes = helpRow(u"Notes"_s);
    ASSERT_NE(notes, nullptr);
    QStringList kinds;
    for (const QString& line : notes->text.split(exampleSeparator))
        kinds << Sheets::describe(evaluate({line}).first());
    EXPECT_EQ(kinds, (QStringList{u"#"_s, u"//"_s})) << notes->text;
}

// ---- Shortcuts ---------------------------------------------------------------------------------

namespace {

// A chord as the Help writes it: the platform's names for the modifiers, arrows and the minus sign as
// glyphs.
QString helpText(const QKeySequence& sequence) {
    const QKeyCombination chord = sequence[0];
    const QString key = QKeySequence(chord.key()).toString(QKeySequence::NativeText);
    QString text = shortcutText(QKeySequence(chord));
    text.chop(key.size());
    static const QHash<QString, QString> glyphs{{u"Up"_s, u"\u2191"_s},
                                                {u"Down"_s, u"\u2193"_s},
                                                {u"Left"_s, u"\u2190"_s},
                                                {u"Right"_s, u"\u2192"_s},
                                                {u"-"_s, u"\u2212"_s}};
    return text + glyphs.value(key, key);
}

class HelpShortcuts : public OfflineNotebookFixture {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(OfflineNotebookFixture::SetUp());
        menu = std::make_unique<MainMenu>(nullptr, *controller, AppMenuHooks{});
        for (QMenu* m : menu->menus())
            for (QAction* action : m->actions())
                for (const QKeySequence& keys : action->shortcuts())
                    owners.insert(helpText(keys), action);
    }

    void TearDown() override {
        menu.reset();
        controller.reset();
    }

    // The menu items each Help record with keys describes, in the Help's order.
    QList<QAction*> itemsFor(const QString& what) const {
        const auto item = [&](const char* menuTitle, const QString& title) {
            return menu->item(QString::fromUtf8(menuTitle), title);
        };
        const QHash<QString, QList<QAction*>> items{
            {u"Copy All Results, Each Line With Its Answer"_s, {item("Edit", u"Copy All Results"_s)}},
            {u"Start a Line Reference, Then Type Its Number"_s, {item("Edit", u"Insert Line Reference"_s)}},
            {u"New Sheet"_s, {item("File", u"New Sheet"_s)}},
            {u"New Folder in the Drawer (Drag Sheets Onto It)"_s, {item("File", u"New Folder"_s)}},
            {u"Close or Open the Drawer"_s,
             {item("View", NotebookController::drawerTitle(controller->isDrawerOpen()))}},
            {u"Search the Drawer by Name or Contents"_s, {item("File", u"Search the Drawer"_s)}},
            {u"Move the Current Line Up or Down"_s,
             {item("Edit", u"Move Line Up"_s), item("Edit", u"Move Line Down"_s)}},
            {alsoMoveLines, {item("Edit", u"Move Line Up"_s), item("Edit", u"Move Line Down"_s)}},
            {u"Bigger, Smaller, Actual Text Size"_s,
             {item("View", u"Bigger"_s), item("View", u"Smaller"_s), item("View", u"Actual Size"_s)}},
            {u"Settings"_s, {item("VEXIL", u"Settings\u2026"_s)}},
        };
        return items.value(what);
    }

    // A record that lists only the second chords of items whose first chords another record lists.
    inline static const QString alsoMoveLines = u"Also Move the Line, Where the Desktop Takes Ctrl+Alt"_s;

    std::unique_ptr<MainMenu> menu;
    QHash<QString, QAction*> owners; // every chord of every menu item, as the Help writes it
};

} // namespace

TEST_F(HelpShortcuts, EveryChordIsTheMenusOwn) {
    QStringList modifiers;
    for (Qt::KeyboardModifier m : {Qt::MetaModifier, Qt::ControlModifier, Qt::AltModifier, Qt::ShiftModifier})
        modifiers << modifierName(m);

    for (const HelpContent::Shortcut& record : HelpContent::shortcuts()) {
        SCOPED_TRACE(record.what.toStdString());
        if (!record.mouse.isEmpty()) {
            // A gesture: its keys are modifiers held while clicking, and no menu item's chord.
            for (const QString& cap : record.keys) {
                for (const QString& part : cap.split(u'+'))
                    EXPECT_TRUE(modifiers.contains(part)) << cap;
                EXPECT_FALSE(owners.contains(cap)) << cap;
            }
            continue;
        }
        const QList<QAction*> items = itemsFor(record.what);
        ASSERT_FALSE(items.isEmpty()) << "no menu item is paired with this record";
        if (record.what == alsoMoveLines) {
            // Each item's second chord is listed, in the menu's order.
            ASSERT_EQ(record.keys.size(), items.size());
            for (qsizetype i = 0; i < items.size(); ++i) {
                ASSERT_GE(items[i]->shortcuts().size(), 2) << items[i]->text();
                EXPECT_EQ(record.keys[i], helpText(items[i]->shortcuts()[1])) << items[i]->text();
            }
            continue;
        }
        // Each item's primary chord, the one its menu shows, is listed, in the menu's order.
        qsizetype previous = -1;
        for (QAction* action : items) {
            ASSERT_NE(action, nullptr);
            ASSERT_FALSE(action->shortcut().isEmpty()) << action->text();
            const QString primary = helpText(action->shortcut());
            const qsizetype at = record.keys.indexOf(primary);
            EXPECT_GE(at, 0) << primary << " of " << action->text() << " is not listed";
            if (at < 0) continue;
            EXPECT_GT(at, previous) << primary << " is listed out of the menu's order";
            previous = at;
        }
        // Any other chord listed is another chord of the same items or an alternative no other item owns.
        for (const QString& cap : record.keys) {
            QAction* owner = owners.value(cap);
            EXPECT_TRUE(!owner || items.contains(owner)) << cap << " belongs to " << owner->text();
        }
    }
}
