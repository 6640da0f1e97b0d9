#include "ControllerFixture.h"

#include "core/values/Units.h"
#include "ui/common/Controls.h"
#include "ui/common/Theme.h"

#include <QTextBlock>
#include <QTextLayout>
#include <QUndoStack>

#include <functional>
#include <tuple>

using namespace VexilUI;

namespace {

// The colour the editor gives a character of a line (from the line's own formats, last one wins).
QColor colourAt(const NotebookTextView* view, int line, int column) {
    const QTextBlock block = view->document()->findBlockByNumber(line);
    QColor colour;
    for (const QTextLayout::FormatRange& range : block.layout()->formats())
        if (column >= range.start && column < range.start + range.length)
            colour = range.format.foreground().color();
    return colour;
}

} // namespace

TEST_F(ControllerFixture, ConstructionSetsUpTheNotebook) {
    EXPECT_EQ(view()->hint(), Controller::hintLines());
    EXPECT_EQ(Controller::hintLines().size(), 4);
    EXPECT_EQ(Controller::hintLines()[1], QStringLiteral("      1000mg to g"));
    EXPECT_EQ(controller->saveLabel()->text(), QStringLiteral("Saved"));
    EXPECT_EQ(controller->ratesButton()->text(), rates->shortStatus());
    EXPECT_FALSE(controller->totalButton()->isVisibleTo(window.get()));
    EXPECT_EQ(controller->helpButton()->hoverText(), QStringLiteral("Shortcuts and Examples (Ctrl+?)"));
    EXPECT_EQ(controller->aboutButton()->hoverText(), QStringLiteral("About VEXIL"));
    EXPECT_EQ(controller->wordmark()->text(), QStringLiteral("VEXIL"));
    EXPECT_EQ(controller->wordmark()->accessibilityActionName(), QStringLiteral("Play Snake"));
    EXPECT_EQ(view()->fontSize(), 15);
}

TEST_F(ControllerFixture, EveryEditReEvaluatesAndColours) {
    type("1 + 2");
    ASSERT_EQ(controller->outcomes().size(), 1);
    ASSERT_TRUE(item(0));
    EXPECT_FALSE(item(0)->isError);
    EXPECT_EQ(item(0)->text, QStringLiteral("3"));
    EXPECT_EQ(controller->displayed().at(0), QStringLiteral("3"));
    EXPECT_EQ(colourAt(view(), 0, 0), Theme::number());
    EXPECT_EQ(colourAt(view(), 0, 2), Theme::op());
    // The store was told, and the total follows.
    EXPECT_EQ(notes->status().kind, NoteStore::Status::Edited);
    EXPECT_EQ(controller->totalText(), QStringLiteral("Total 3"));
    EXPECT_TRUE(controller->totalButton()->isVisibleTo(window.get()));
    EXPECT_EQ(controller->totalButton()->accessibleName(), QStringLiteral("Total 3"));

    QTest::keyClick(view(), Qt::Key_Return);
    type("# notes");
    EXPECT_EQ(controller->outcomes().size(), 2);
    EXPECT_FALSE(item(1));
    EXPECT_EQ(controller->displayed().size(), 1u);
}

TEST_F(ControllerFixture, UnfinishedLineStaysQuietWhileTheCaretIsOnIt) {
    type("2 *");
    ASSERT_EQ(controller->outcomes().size(), 1);
    EXPECT_EQ(controller->outcomes()[0].kind, VexilCore::LineOutcome::Kind::Error);
    EXPECT_TRUE(controller->outcomes()[0].incomplete);
    EXPECT_FALSE(item(0));
    EXPECT_TRUE(controller->displayed().empty());

    QTest::keyClick(view(), Qt::Key_Return); // the caret leaves the line
    ASSERT_TRUE(item(0));
    EXPECT_TRUE(item(0)->isError);
    EXPECT_FALSE(item(0)->text.isEmpty());
    EXPECT_EQ(controller->displayed().at(0), QStringLiteral("\u26A0 ") + item(0)->text);

    // A caret move back onto the line hides it again without re-evaluating.
    view()->setSelectedRange({1, 0});
    EXPECT_EQ(controller->caretLine(), 0);
    EXPECT_FALSE(item(0));
}

TEST_F(ControllerFixture, EmptySheetHasNoResultsAndAHiddenTotal) {
    load(QString());
    EXPECT_TRUE(view()->items().empty());
    EXPECT_TRUE(controller->displayed().empty());
    EXPECT_TRUE(controller->totalText().isEmpty());
    EXPECT_TRUE(controller->totalButton()->isHidden());
    EXPECT_EQ(controller->totalButton()->toolTip(),
              QStringLiteral("Total of every answer in this sheet. Click to copy."));
}

TEST_F(ControllerFixture, TotalsOfSeveralUnits) {
    using VexilCore::CompoundUnit;
    using VexilCore::Quantity;
    const auto unit = [](const char* word) { return CompoundUnit(VexilCore::Units::lookupWord(word)->unit); };
    const Quantity kilos(5, unit("kg"));
    const Quantity metres(3, unit("m"));
    const Quantity twelve(12, CompoundUnit::none());
    const VexilCore::ResultFormatter fmt = controller->formatter();

    controller->updateTotal({kilos, twelve});
    EXPECT_EQ(controller->totalText(), QStringLiteral("Total ") + fmt.format(twelve));
    EXPECT_EQ(controller->totalButton()->titleColor(), Theme::result());
    EXPECT_EQ(controller->totalButton()->toolTip(),
              QStringLiteral("Totals by unit:\n  ") + fmt.format(kilos) + QStringLiteral("\n  ") +
                  fmt.format(twelve) +
                  QStringLiteral("\nThe total shown adds the plain numbers only. Click to copy it."));

    controller->updateTotal({kilos, metres});
    EXPECT_EQ(controller->totalText(), QStringLiteral("Total: mixed units"));
    EXPECT_EQ(controller->totalButton()->titleColor(), Theme::muted());
    EXPECT_EQ(controller->totalButton()->toolTip(), QStringLiteral("Totals by unit:\n  ") +
                                                        fmt.format(kilos) + QStringLiteral("\n  ") +
                                                        fmt.format(metres));

    controller->updateTotal({kilos});
    EXPECT_EQ(controller->totalText(), QStringLiteral("Total ") + fmt.format(kilos));
    EXPECT_EQ(controller->totalButton()->toolTip(),
              QStringLiteral("Total of every answer in this sheet. Click to copy."));
}

TEST_F(ControllerFixture, DecimalsComeFromThePreferences) {
    store->set(20, QStringLiteral("maxDecimals"));
    EXPECT_EQ(controller->formatter().maxDecimals, 12);
    EXPECT_EQ(controller->formatter().currencyDecimals, 2);
    prefs->setMaxDecimals(2);
    load(QStringLiteral("1 / 3"));
    EXPECT_EQ(item(0)->text, QStringLiteral("0.33"));
    prefs->setMaxDecimals(4); // the change alone re-evaluates
    EXPECT_EQ(item(0)->text, QStringLiteral("0.3333"));
}

TEST_F(ControllerFixture, ContextCarriesClockRatesAndEmBase) {
    store->set(24, QStringLiteral("emBasePixels"));
    const VexilCore::EvalContext ctx = controller->context();
    EXPECT_EQ(ctx.now, 1717502400.0);
    EXPECT_EQ(ctx.emBasePixels, 24);
    EXPECT_TRUE(ctx.monthFirstDates);
    EXPECT_EQ(ctx.calendar.locale, controller->locale);
    controller->locale = QLocale(QLocale::English, QLocale::UnitedKingdom);
    EXPECT_FALSE(controller->context().monthFirstDates);
}

TEST_F(ControllerFixture, RatesButtonFollowsTheService) {
    rates->refresh(); // offline: fails at once and announces it
    EXPECT_TRUE(rates->state().isFailed());
    EXPECT_EQ(controller->ratesButton()->text(), rates->shortStatus());
    QColor failed = Theme::error();
    failed.setAlphaF(0.85f);
    EXPECT_EQ(controller->ratesButton()->titleColor(), failed);
    EXPECT_EQ(controller->ratesButton()->toolTip(), rates->tooltip());
    EXPECT_TRUE(controller->ratesButton()->isEnabled());
    EXPECT_EQ(controller->ratesButton()->accessibleName(),
              rates->shortStatus() + QStringLiteral(". Click to refresh."));
}

namespace {

// A fetcher that never answers, so the service stays refreshing.
class SilentFetcher : public VexilCore::RatesFetching {
public:
    void fetch(VexilCore::FetchCompletion) override {}
};

} // namespace

TEST_F(ControllerFixture, RatesButtonIsDisabledWhileRefreshing) {
    rates = std::make_shared<VexilCore::RatesService>(dir.filePath(QStringLiteral("r.json")),
                                                      std::make_shared<SilentFetcher>());
    controller.reset();
    makeController();
    EXPECT_TRUE(controller->ratesButton()->isEnabled());
    EXPECT_EQ(controller->ratesButton()->titleColor(), Theme::muted());
    controller->refreshRates();
    EXPECT_TRUE(rates->state().isRefreshing());
    EXPECT_FALSE(controller->ratesButton()->isEnabled());
    EXPECT_EQ(controller->ratesButton()->text(), rates->shortStatus());
}

namespace {

// Every line's colour runs, as (start, length, colour, underlined) per line.
std::vector<std::vector<std::tuple<int, int, QRgb, bool>>> colourRuns(const NotebookTextView* view) {
    std::vector<std::vector<std::tuple<int, int, QRgb, bool>>> runs;
    for (QTextBlock block = view->document()->begin(); block.isValid(); block = block.next()) {
        auto& line = runs.emplace_back();
        for (const QTextLayout::FormatRange& range : block.layout()->formats())
            line.emplace_back(range.start, range.length, range.format.foreground().color().rgba(),
                              range.format.fontUnderline());
    }
    return runs;
}

} // namespace

TEST_F(ControllerFixture, EditsShowWhatAFreshlyLoadedSheetShows) {
    // Nothing here reads the clock or draws random numbers, so two notebooks must agree exactly.
    QString sheet = QStringLiteral(
        "# Budget\nrent = 1200\nfood = 320.50\nrent + food\n\n1 glass = 250 ml\n2 glasses in ml\n"
        "ans * 2\n+ 3\nline2 + 1\ntotal\n\n10 EUR\n2 *\n// note\n0 * 1\nx km\nmonthly rent = 900\n"
        "monthly rent / 3\nsum");
    // A line far below the edits, whose colours change when its unit is defined at the top.
    for (int i = 0; i < 40; ++i)
        sheet += QStringLiteral("\n// far below");
    sheet += QStringLiteral("\n4 bosses in m");
    load(sheet);
    struct Edit {
        const char* what;
        std::function<void()> apply;
    };
    const auto at = [this](int line, int column) {
        const QTextBlock block = view()->document()->findBlockByNumber(line);
        view()->setSelectedRange({block.position() + std::min(column, block.length() - 1), 0});
    };
    const auto paste = [this](const char* text) {
        clipboard->clear();
        clipboard->setString(QString::fromUtf8(text));
        view()->paste();
    };
    const std::vector<Edit> edits = {
        {"type into a variable", [&] { at(1, 99), type("5"); }},
        {"delete that digit", [&] { QTest::keyClick(view(), Qt::Key_Backspace); }},
        {"define a unit used far below", [&] { at(0, 0), type("1 boss = 3 m // "); }},
        {"new line in the middle",
         [&] { at(3, 99), QTest::keyClick(view(), Qt::Key_Return), type("rent * 2"); }},
        {"unfinished line, caret on it",
         [&] { at(6, 99), QTest::keyClick(view(), Qt::Key_Return), type("4 +"); }},
        {"caret leaves the unfinished line", [&] { at(0, 0); }},
        {"caret back on it", [&] { at(7, 1); }},
        {"redefine a custom unit", [&] { at(5, 2), QTest::keyClick(view(), Qt::Key_Delete), type("3"); }},
        {"paste a block of lines", [&] { at(12, 0), paste("a = 2\na * 3\n\nline1 + a\n"); }},
        {"blank line under a summary goes", [&] { at(17, 0), QTest::keyClick(view(), Qt::Key_Backspace); }},
        {"sign of a zero", [&] { at(19, 4), type("-"); }},
        {"select two lines and delete them",
         [&] {
             const QTextBlock from = view()->document()->findBlockByNumber(2);
             const QTextBlock to = view()->document()->findBlockByNumber(4);
             view()->setSelectedRange({from.position(), to.position() - from.position()});
             QTest::keyClick(view(), Qt::Key_Delete);
         }},
        {"paste lines over the same lines",
         [&] {
             const QTextBlock from = view()->document()->findBlockByNumber(1);
             const QTextBlock to = view()->document()->findBlockByNumber(4);
             const VexilCore::TextRange range{from.position(), to.position() - from.position()};
             const QByteArray same = text().mid(range.location, range.length).toUtf8();
             view()->setSelectedRange(range);
             paste(same.constData());
         }},
        {"move a line up", [&] { at(6, 0), controller->moveLineUp(); }},
        {"undo", [&] { controller->undo()->undo(); }},
        {"fewer decimals", [&] { prefs->setMaxDecimals(1), controller->applyPreferences(); }},
        {"type at the very end",
         [&] {
             view()->setSelectedRange({text().size(), 0});
             QTest::keyClick(view(), Qt::Key_Return);
             type("1/3");
         }},
        {"retype the first line", [&] { at(0, 0), paste("x = 7\n"); }},
    };

    auto fresh = std::make_unique<Controller>(prefs, makeStore(QStringLiteral("fresh.txt")), rates);
    fresh->locale = controller->locale;
    fresh->calendar = controller->calendar;
    fresh->now = controller->now;
    QWidget freshWindow;
    freshWindow.resize(800, 500);
    fresh->rootView()->setParent(&freshWindow);
    fresh->rootView()->setGeometry(0, 0, 800, 500);
    for (const Edit& edit : edits) {
        edit.apply();
        fresh->setText(text());
        fresh->textView()->setSelectedRange(view()->selectedRange());
        fresh->refreshResults();
        fresh->applyHighlights();
        EXPECT_EQ(view()->items(), fresh->textView()->items()) << edit.what;
        EXPECT_EQ(controller->displayed(), fresh->displayed()) << edit.what;
        EXPECT_EQ(controller->totalText(), fresh->totalText()) << edit.what;
        EXPECT_EQ(colourRuns(view()), colourRuns(fresh->textView())) << edit.what;
    }
    fresh->rootView()->setParent(nullptr);
}
