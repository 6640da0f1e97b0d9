#pragma once

#include "core/parser/Highlight.h"
#include "core/values/TextRange.h"

#include <QFont>
#include <QHash>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QStaticText>
#include <QStringList>
#include <QTextBlock>
#include <QTextEdit>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QMenu;
class QPainter;

namespace VexilUI {

class NotebookTextView;
class Pasteboard;

// Draws everything the editor shows besides its text (gutter numbers, divider, results, pills, hint).
// It is not a widget of its own: the text view paints it over its text in the same coordinates, so the
// overlay never takes a click.
class OverlayView {
public:
    explicit OverlayView(NotebookTextView* owner) : owner(owner) {}
    QPointer<NotebookTextView> owner;

    // Asks for the whole overlay to be drawn again.
    void setNeedsDisplay();
    int displayRequests() const { return m_requests; }

private:
    int m_requests = 0;
};

// The sheet editor: a plain-text editor with a line-number gutter on its left and a results column on
// its right, each line's result level with the line's first row. One coordinate space ("view
// coordinates": the viewport's content coordinates, y growing downwards) holds gutter, text and results.
class NotebookTextView : public QTextEdit {
    Q_OBJECT

public:
    struct ResultItem {
        QString text; // the formatted result or the error message
        bool isError = false;
        bool operator==(const ResultItem&) const = default;
    };
    using Items = std::map<int, ResultItem>; // by 0-based line

    struct LineMetric {
        int index = 0; // 0-based line
        QRectF rect;   // the line's first row, x = gutter width
        qreal baseline = 0;
        qreal textMaxX = 0; // right end of the text on that row
    };

    enum class PillFeedback { Inserted, Copied };
    struct PillState {
        int line = 0;
        PillFeedback kind = PillFeedback::Inserted;
        bool operator==(const PillState&) const = default;
    };

    struct ResultLayout {
        QString text; // possibly ending in an ellipsis
        QRectF rect;
        QFont font;
    };

    static constexpr qreal defaultResultsFraction = 0.372;
    static constexpr qreal minColumnWidth = 140;
    // Milliseconds a pill flash lasts.
    static int feedbackDuration(PillFeedback kind);

    explicit NotebookTextView(qreal fontSize = 18, QWidget* parent = nullptr);
    ~NotebookTextView() override;
    // A configured 600 by 400 view at the given font size.
    static NotebookTextView* make(qreal fontSize, QWidget* parent = nullptr);

    // --- Text ---------------------------------------------------------------------------------------
    // Replaces the whole text without reporting an edit; line spacing and margins are put back.
    void setSheetText(const QString& text);
    // Holds the document's layout back while a new text is set up (spacing, margins, colours), so that
    // a long text is laid out once, lazily from its top, when the last hold ends.
    class LayoutHold {
    public:
        explicit LayoutHold(NotebookTextView* view);
        ~LayoutHold();
        LayoutHold(const LayoutHold&) = delete;
        LayoutHold& operator=(const LayoutHold&) = delete;

    private:
        NotebookTextView* m_view;
    };
    // Qt measures a word to its end for every row it breaks it into, which grows with the square of
    // its length: while the text has a word longer than this (in UTF-16 units), rows break anywhere.
    static constexpr qsizetype kLongestWord = 2000;
    // Counts the changes of the text, so that a reader can tell its copy is current.
    quint64 editCount() const { return m_editCount; }
    // The text with "\n" between lines (the editor's own separators mapped back).
    QString canonicalText() const;
    bool isEmptyText() const;
    int lineCount() const { return m_lineCount; }
    // Replaces a range without reporting an edit; the caller then runs didChangeText().
    void replaceCharacters(VexilCore::TextRange range, const QString& text);
    // Lays the text out again, redraws the overlay and reports the edit (textDidChange).
    void didChangeText();
    // Edits are allowed unless the view is read-only.
    bool shouldChangeText() const { return !isReadOnly(); }
    VexilCore::TextRange selectedRange() const;
    void setSelectedRange(VexilCore::TextRange range);
    // An input method composition is in progress.
    bool hasMarkedText() const { return m_composing; }
    // Colours the text: every line plain, then each highlight by its role; a highlight reaching past the
    // text is skipped. Only lines whose colours change are touched.
    void setHighlights(const std::vector<VexilCore::Highlight>& highlights);
    // The highlights of one line (ranges in the whole text), or none for a line without.
    using HighlightsOf = std::function<const QList<VexilCore::Highlight>*(int line)>;
    // Colours again the given lines and every line edited since the last colouring, the others keep
    // theirs: what setHighlights would give when only those lines' highlights changed.
    void recolourLines(const QList<int>& lines, const HighlightsOf& highlightsOf);

    // --- Fonts and geometry -------------------------------------------------------------------------
    void setFontSize(qreal size);
    qreal fontSize() const { return m_fontSize; }
    const QFont& editorFont() const { return m_editorFont; }
    const QFont& smallFont() const { return m_smallFont; }
    qreal digitAdvance() const { return m_digitAdvance; }
    qreal gutterWidth() const { return m_gutterWidth; }
    // The advance of the string's first character in the font, or the font's widest advance when the
    // font lacks a character.
    static qreal advance(const QString& text, const QFont& font);

    void layoutContainer();
    qreal viewWidth() const;
    qreal resultsWidth() const;
    qreal dividerX() const;
    qreal resultsLeft() const;
    qreal containerWidth() const;
    std::vector<LineMetric> lineMetrics() const;
    ResultLayout resultLayout(const ResultItem& item, const LineMetric& metric) const;
    QString truncate(const QString& text, const QFont& font, qreal width) const;
    QSizeF measure(const QString& text, const QFont& font) const;
    QRectF pillRect(const QRectF& textRect) const;
    std::optional<QRectF> resultRect(int line) const;
    bool isTruncated(int line) const;
    std::optional<int> resultLine(const QPointF& point) const;
    bool isOnDivider(const QPointF& point) const;
    // An event position in the viewport, in view coordinates.
    QPointF viewPoint(const QPointF& viewportPos) const;

    // --- Results column -----------------------------------------------------------------------------
    const Items& items() const { return m_items; }
    void setItems(Items items);
    // Follows an edit that replaced removed lines from first on with inserted ones (later lines move),
    // then gives each listed line its item or takes it away.
    void patchItems(int first, int removed, int inserted,
                    const std::vector<std::pair<int, std::optional<ResultItem>>>& lines);
    const QStringList& hint() const { return m_hint; }
    void setHint(const QStringList& lines);
    std::optional<qreal> resultsFraction() const { return m_resultsFraction; }
    void setResultsFraction(std::optional<qreal> fraction);
    // Clamps a wanted column width like resultsWidth and keeps it as a fraction of the width.
    void setResultsWidth(qreal width);
    std::optional<int> hoveredLine() const { return m_hoveredLine; }
    void setHoveredLine(std::optional<int> line);
    bool isDraggingDivider() const { return m_isDraggingDivider; }
    void setDraggingDivider(bool dragging);
    std::optional<PillState> pillFeedback() const { return m_pillFeedback; }
    void showPillFeedback(PillFeedback kind, int line);
    // The pill colour of a line, if it has one.
    std::optional<QColor> pillColor(int line) const;
    // The tooltip of the result at a point in view coordinates; empty when there is none.
    QString toolTipText(const QPointF& point) const;
    static QString tooltip(const ResultItem& item, int line, bool shortened);
    // Draws the overlay for a dirty rectangle in view coordinates.
    void drawOverlay(QPainter& painter, const QRectF& dirtyRect) const;
    OverlayView& overlay() { return m_overlay; }

    // --- Clipboard ----------------------------------------------------------------------------------
    // When set, copy, cut and paste use it instead of the system clipboard. Not owned.
    void setTestClipboard(Pasteboard* clipboard) { m_testClipboard = clipboard; }
    Pasteboard* testClipboard() const { return m_testClipboard; }
    // These replace the editor's own, so the controller is asked first and the test clipboard is honoured.
    void copy();
    void cut();
    void paste();
    bool canPaste() const;
    // Plain text only, in and out; pasted lines keep the line spacing.
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    QMimeData* createMimeDataFromSelection() const override;

    // --- Callbacks ----------------------------------------------------------------------------------
    std::function<void(int)> onResultClick;                    // a plain click on a line's result
    std::function<void(int)> onResultCopy;                     // an Alt-click on a line's result
    std::function<bool(VexilCore::TextRange)> onCopySelection; // true when the copy was handled
    std::function<void(std::optional<qreal>)> onDividerMoved; // the fraction after a drag, none after a reset
    std::function<void(QMenu&)> onContextMenu;                // may add items to the editor's context menu

    // The context menu for a point in the viewport: the editor's items, the controller's, and on a
    // result its copy and reference commands at the top.
    std::unique_ptr<QMenu> makeContextMenu(const QPoint& viewportPos);

signals:
    // The text changed by the user or through didChangeText(); never for setSheetText().
    void textDidChange();
    // A user's edit is in the text but not yet laid out; textDidChange follows. Colours set now
    // are laid out with the edit, in one pass.
    void textWillLayout();
    // The caret or selection moved, outside setSheetText() and replaceCharacters().
    void selectionDidChange();
    // Undo and redo belong to the controller's own stack.
    void undoRequested();
    void redoRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    class Programmatic;
    void configure();
    void updateGutter();
    // Drops a hover the items no longer have and draws them again.
    void itemsDidChange();
    // The span of text edited since it was last taken, in today's positions; from < 0 when none.
    struct EditSpan {
        int from = -1;
        int to = -1;
        void note(int position, int removed, int added);
        void clear() { from = to = -1; }
        // The first and last line (block number) of the span, clamped to the text.
        std::pair<int, int> lines(const QTextDocument* doc) const;
    };
    // Keeps the span of text edited since the last colouring.
    void noteEdit(int position, int removed, int added);
    // Lines lay out left to right unless their first strong character reads right to left: every
    // line says so in its own format, so that Qt need not work it out from the text again each time
    // it moves the line. Looks at the lines edited since the last call, or at all of them.
    void followDirections(bool all);
    // Lines wrap at word boundaries, or anywhere while the text has a word longer than
    // kLongestWord. Given text about to be inserted (whole false) it only turns that on; given the
    // whole text it also turns it off.
    void followLongWords(QStringView text, bool whole);
    void applyFrameFormat();
    // Every line carries the line spacing.
    QTextBlockFormat spacingFormat() const;
    void applyBlockSpacing();
    // Return: exactly one new line, spaced like the others.
    void insertLineFeed();
    // Sets the cursor and hover for a point; answers whether the point is on the divider or a result.
    bool updateHover(const QPointF& point);
    void invalidateCursorRects();
    bool handleResultPress(QMouseEvent* event);
    // A click (Inserted) or Alt-click (Copied) on a line's result: the pill flashes, the controller acts.
    void activateResult(int line, PillFeedback kind);
    QString selectedText() const;
    qreal baselineOffset() const;
    std::optional<LineMetric> metricFor(const QTextBlock& block, qreal baselineOffset,
                                        const LineMetric* previous = nullptr) const;
    std::optional<LineMetric> lineMetric(int line) const;
    // The rectangle that shows a tooltip at a point, in view coordinates.
    std::optional<QRectF> toolTipRect(const QPointF& point) const;

    Items m_items;
    QStringList m_hint;
    std::optional<int> m_hoveredLine;
    std::optional<PillState> m_pillFeedback;
    int m_feedbackToken = 0;
    OverlayView m_overlay;
    qreal m_fontSize = 18;
    QFont m_editorFont;
    QFont m_smallFont;
    qreal m_digitAdvance = 10;
    qreal m_gutterWidth = 40;
    int m_lineCount = 1;
    mutable QHash<QString, QSizeF> m_sizeCache;
    mutable std::array<QHash<QString, QStaticText>, 2> m_staticTexts; // in the editor's font, the small one
    const QStaticText& staticText(const QString& text, bool small) const;
    std::optional<qreal> m_resultsFraction;
    bool m_isDraggingDivider = false;
    qreal m_dragOffset = 0;
    Pasteboard* m_testClipboard = nullptr;
    int m_programmatic = 0;
    bool m_composing = false;
    bool m_swallowRelease = false;
    bool m_colouring = false;
    bool m_insideEdit = false; // while the document reports a user's edit it has not laid out yet
    // Changed lines far from an edit, coloured once it is laid out.
    struct ColourLater {
        QList<int> lines;
        HighlightsOf highlightsOf;
    };
    std::optional<ColourLater> m_colourLater;
    static constexpr int kNearEdit = 32;
    int m_layoutHolds = 0;
    QSizeF m_heldPageSize; // the page size a hold put aside
    quint64 m_editCount = 0;
    // The text edited since the last colouring, and since directions were last followed.
    EditSpan m_uncoloured;
    EditSpan m_undirected;
};

} // namespace VexilUI
