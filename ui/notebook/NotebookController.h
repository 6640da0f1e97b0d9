#pragma once

#include "core/document/Formatting.h"
#include "core/document/Incremental.h"
#include "core/document/LineOutcome.h"
#include "core/rates/RatesService.h"
#include "core/values/Calendar.h"
#include "core/values/EvalContext.h"
#include "core/values/TextRange.h"
#include "ui/notebook/HelpPopover.h"
#include "ui/notebook/RootView.h"
#include "ui/notebook/TextUndoRecorder.h"

#include <QList>
#include <QLocale>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>

class QMenu;
class QUndoStack;
class QVariantAnimation;
class QWidget;

namespace VexilUI {

class DrawerEdgeView;
class ElidedLabel;
class HelpButton;
class NoteStore;
class NotebookScrollView;
class NotebookTextView;
class Pasteboard;
class Preferences;
class StatusButton;
class TintView;
class WordmarkLabel;

// The controller of the main window's content: it builds the notebook's views, re-evaluates the sheet on
// every edit and shows the results, the total, the rates state and the save state, and carries the
// notebook's commands.
class NotebookController : public QObject {
    Q_OBJECT
public:
    // Menu commands whose state the controller decides.
    enum class Command {
        MoveLineUp,
        MoveLineDown,
        InsertLineReference,
        CopyAllResults,
        CopyTotal,
        BiggerFont,
        SmallerFont,
        ResetFont,
        RefreshRates,
        ShowAbout,
        ShowHelp,
        ToggleDrawer,
    };
    struct MenuState {
        bool enabled = true;
        std::optional<QString> title; // a new title for the item, when it has one
    };

    static constexpr qreal minNotebookWidth = 400;
    static const QStringList& hintLines();
    static QString drawerTitle(bool open);

    NotebookController(std::shared_ptr<Preferences> prefs, std::shared_ptr<NoteStore> notes,
                       std::shared_ptr<VexilCore::RatesService> rates, QObject* parent = nullptr);
    ~NotebookController() override;

    // --- Views ------------------------------------------------------------------------------------
    RootView* rootView() const { return m_rootView; }
    NotebookTextView* textView() const { return m_textView; }
    NotebookScrollView* scrollView() const { return m_scrollView; }
    QWidget* effectView() const { return m_effectView; }
    TintView* tintView() const { return m_tintView; }
    WordmarkLabel* wordmark() const { return m_wordmark; }
    HelpButton* helpButton() const { return m_helpButton; }
    HelpButton* aboutButton() const { return m_aboutButton; }
    HelpButton* drawerButton() const { return m_drawerButton; }
    DrawerEdgeView* drawerEdge() const { return m_drawerEdge; }
    QWidget* sidebarView() const { return m_sidebarView; }
    ElidedLabel* saveLabel() const { return m_saveLabel; }
    StatusButton* ratesButton() const { return m_ratesButton; }
    StatusButton* totalButton() const { return m_totalButton; }
    QUndoStack* undo() const { return m_undo; }

    // --- Model ------------------------------------------------------------------------------------
    Preferences& prefs() const { return *m_prefs; }
    const std::shared_ptr<NoteStore>& notes() const { return m_notes; }
    VexilCore::RatesService& rates() const { return *m_rates; }
    const QList<VexilCore::LineOutcome>& outcomes() const { return m_outcomes; }
    const std::map<int, QString>& displayed() const { return m_displayed; }
    const QString& totalText() const { return m_totalText; }

    // The clock, calendar, locale and clipboard; tests replace them.
    VexilCore::CalendarCtx calendar;
    QLocale locale;
    std::function<double()> now;
    std::shared_ptr<Pasteboard> pasteboard;
    std::function<void()> onAbout;

    // --- Drawer and window ------------------------------------------------------------------------
    void installSidebar(QWidget* view, qreal width);
    qreal drawerWidth() const { return m_sidebarFullWidth; }
    qreal sidebarFullWidth() const { return m_sidebarFullWidth; }
    qreal defaultSidebarWidth() const { return m_defaultSidebarWidth; }
    void setDrawerWidth(qreal width);
    void resetDrawerWidth();
    bool isDrawerOpen() const { return m_isDrawerOpen; }
    void setDrawerOpen(bool open, bool animated);
    void toggleDrawer();
    void setTitlebarHeight(qreal height);
    bool reduceTransparency() const { return m_reduceTransparency; }
    void setReduceTransparency(bool on);
    void updateMinWindowWidth();
    // Opens the hidden game behind the wordmark over the window; answers whether it shows.
    bool playSnake();
    // The game lives in a layer above the notebook: the application delegate sets this to open it over
    // the given window (or bring it forward) and answer whether it shows.
    std::function<bool(QWidget* window)> onPlaySnake;

    // --- Recalculation ----------------------------------------------------------------------------
    void recalc();
    VexilCore::EvalContext context() const;
    VexilCore::ResultFormatter formatter() const;
    int caretLine() const;
    void applyHighlights();
    void refreshResults();
    void updateTotal(const QList<VexilCore::Quantity>& totals);
    void updateRatesLabel();
    void textDidChange();
    void textViewDidChangeSelection();
    // Evaluates and colours a user's edit before the editor lays it out; its results follow in
    // textDidChange.
    void textWillLayout();

    // --- Commands ---------------------------------------------------------------------------------
    void moveLineUp() { moveLines(true); }
    void moveLineDown() { moveLines(false); }
    void insertLineReference();
    void insertReference(int line);
    void copyResult(int line);
    std::optional<QString> allResultsText() const;
    void copyAllResults();
    void copyTotal();
    bool copySummaryValue(VexilCore::TextRange range);
    void biggerFont();
    void smallerFont();
    void resetFont();
    void refreshRates();
    void showAbout();
    void showHelp();
    bool isHelpShown() const;
    bool closeHelpIfShown();
    HelpPopover* helpPopover() const { return m_helpPopover; }
    bool isFindBarVisible() const;
    void setFindBarVisible(bool visible);
    void performFind() { setFindBarVisible(true); }
    void perform(Command command);
    MenuState validateMenuItem(Command command) const;
    // Adds "Copy All Results" after the menu's copy item (or at its end) when it has none.
    void addContextMenuItems(QMenu& menu);

    // --- Sheets, save state and preferences -------------------------------------------------------
    void loadNotes();
    void switchTo(const std::shared_ptr<NoteStore>& store);
    void setText(const QString& text);
    void updateSaveLabel();
    void applyPreferences();
    void windowWillClose();
    // Milliseconds a copy's message stays in the save label.
    static constexpr int feedbackDuration = 1500;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildViews();
    void recalc(const QString& text);
    // Evaluates the sheet and colours what changed; showEvaluation shows its results and total.
    void evaluate(const QString& text);
    void showEvaluation();
    // Colours the lines the last evaluation changed (all of them when the colours are stale).
    void recolourChangedLines();
    // Results of the lines the last evaluation changed, the caret's lines and the lines moved by it;
    // all of them when the formatting changed.
    void patchResults();
    // Makes every result again when the formatting differs from the one they were made with;
    // answers whether it did.
    bool refreshResultsIfFormatChanged(const VexilCore::ResultFormatter& fmt);
    // Shows the results of the changed lines, the other lines given and the caret's line, after an
    // edit that replaced removed lines from first on with inserted ones.
    void showResults(const QList<int>& changed, std::initializer_list<int> more,
                     const VexilCore::ResultFormatter& fmt, int first, int removed, int inserted);
    void moveLines(bool up);
    // Replaces a range of the text as one undoable edit named name, then selects selectionAfter.
    bool performEdit(VexilCore::TextRange range, const QString& replacement,
                     VexilCore::TextRange selectionAfter, const QString& name);
    // Replaces the whole text without an edit: the undo history starts afresh.
    void replaceSheetText(const QString& text);
    void showFeedback(const QString& text);
    void scrollRangeToVisible(VexilCore::TextRange range);
    void applyUndoEdit(VexilCore::TextRange range, const QString& text, VexilCore::TextRange selectionAfter);
    void watchStore();
    void setDrawerConstant(qreal width);

    std::shared_ptr<Preferences> m_prefs;
    std::shared_ptr<NoteStore> m_notes;
    std::shared_ptr<VexilCore::RatesService> m_rates;

    QPointer<RootView> m_rootView;
    NotebookTextView* m_textView = nullptr;
    NotebookScrollView* m_scrollView = nullptr;
    QWidget* m_effectView = nullptr;
    TintView* m_tintView = nullptr;
    WordmarkLabel* m_wordmark = nullptr;
    HelpButton* m_helpButton = nullptr;
    HelpButton* m_aboutButton = nullptr;
    HelpButton* m_drawerButton = nullptr;
    QPointer<QWidget> m_sidebarView;
    qreal m_sidebarFullWidth = 0;
    qreal m_defaultSidebarWidth = 0;
    DrawerEdgeView* m_drawerEdge = nullptr;
    bool m_isDrawerOpen = true;
    QPointer<QVariantAnimation> m_drawerAnimation;
    ElidedLabel* m_saveLabel = nullptr;
    StatusButton* m_ratesButton = nullptr;
    StatusButton* m_totalButton = nullptr;
    QString m_totalText;
    QUndoStack* m_undo = nullptr;
    std::unique_ptr<TextUndoRecorder> m_recorder;
    QString m_pendingActionName;
    bool m_reduceTransparency = false;
    QPointer<HelpPopover> m_helpPopover;

    QList<VexilCore::LineOutcome> m_outcomes;
    // Keeps each line's outcome between keystrokes so an edit re-evaluates only what it can change.
    VexilCore::IncrementalEvaluator m_evaluator;
    std::map<int, QString> m_displayed;
    int m_lastCaretLine = -1;
    // The formatting the shown results were made with; a change makes every result again.
    std::optional<VexilCore::ResultFormatter> m_resultsFormat;
    bool m_coloursStale = true;
    // An edit evaluated and coloured before its layout whose results are not shown yet, and the
    // text it was evaluated on.
    bool m_resultsPending = false;
    bool m_resultsStale = false; // two evaluations before one showing: every result is made again
    QString m_evaluatedText;
    quint64 m_evaluatedEdit = 0;
};

} // namespace VexilUI
