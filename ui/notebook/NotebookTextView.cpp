#include "ui/notebook/NotebookTextView.h"

#include "ui/common/Theme.h"
#include "ui/notebook/Pasteboard.h"
#include "ui/notebook/TextViewGeometry.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QResizeEvent>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>

#include <algorithm>
#include <array>
#include <cmath>

namespace VexilUI {

using namespace TextGeometry;

// Marks changes the view makes itself: the editor reports them like typing, but they are not edits.
class NotebookTextView::Programmatic {
public:
    explicit Programmatic(NotebookTextView* view) : m_view(view) { ++m_view->m_programmatic; }
    ~Programmatic() { --m_view->m_programmatic; }
    Programmatic(const Programmatic&) = delete;
    Programmatic& operator=(const Programmatic&) = delete;

private:
    NotebookTextView* m_view;
};

void OverlayView::setNeedsDisplay() {
    ++m_requests;
    if (owner) owner->viewport()->update();
}

int NotebookTextView::feedbackDuration(PillFeedback kind) {
    switch (kind) {
    case PillFeedback::Inserted:
        return 250;
    case PillFeedback::Copied:
        return 700;
    }
    return 300;
}

NotebookTextView::NotebookTextView(qreal fontSize, QWidget* parent)
    : QTextEdit(parent), m_overlay(this), m_editorFont(Theme::editorFont(18)),
      m_smallFont(Theme::smallFont(18)) {
    configure();
    resize(600, 400);
    setFontSize(fontSize);
}

NotebookTextView::~NotebookTextView() = default;

NotebookTextView* NotebookTextView::make(qreal fontSize, QWidget* parent) {
    return new NotebookTextView(fontSize, parent);
}

void NotebookTextView::configure() {
    Programmatic guard(this);
    setAcceptRichText(false);
    setUndoRedoEnabled(false); // the controller keeps its own undo stack
    setTabChangesFocus(false);
    setFrameShape(QFrame::NoFrame);
    // A width that shrinks with the content would re-wrap and can oscillate; the window shows its own
    // thin scroll bar.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QTextEdit::FixedPixelWidth);
    setLineWrapColumnOrWidth(400);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document()->setDocumentMargin(0);

    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::transparent);
    pal.setColor(QPalette::Text, Theme::text()); // the caret; the text itself is coloured per line
    pal.setColor(QPalette::Highlight, Theme::selection());
    pal.setBrush(QPalette::HighlightedText, QBrush(Qt::NoBrush)); // keep role colours inside a selection
    setPalette(pal);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(true);
    setAccessibleName(QStringLiteral("Sheet"));

    connect(this, &QTextEdit::textChanged, this, [this] {
        if (!m_programmatic) didChangeText();
    });
    connect(document(), &QTextDocument::contentsChange, this, &NotebookTextView::noteEdit);
    connect(this, &QTextEdit::cursorPositionChanged, this, [this] {
        if (!m_programmatic) emit selectionDidChange();
    });
    connect(this, &QTextEdit::selectionChanged, this, [this] {
        if (!m_programmatic) emit selectionDidChange();
    });
}

// --- Text ---------------------------------------------------------------------------------------------

void NotebookTextView::setSheetText(const QString& text) {
    followLongWords(text, true);
    {
        Programmatic guard(this);
        setPlainText(text);
        // Loading a text resets the frame margins and every line's spacing and direction.
        applyBlockSpacing();
        followDirections(true);
    }
    layoutContainer();
    m_overlay.setNeedsDisplay();
}

// A document whose page has no size is not laid out; setting the page again lays it out lazily.
NotebookTextView::LayoutHold::LayoutHold(NotebookTextView* view) : m_view(view) {
    if (m_view->m_layoutHolds++ > 0) return;
    m_view->m_heldPageSize = m_view->document()->pageSize();
    m_view->document()->setPageSize(QSizeF(0, 0));
}

NotebookTextView::LayoutHold::~LayoutHold() {
    if (--m_view->m_layoutHolds > 0) return;
    m_view->document()->setPageSize(m_view->m_heldPageSize);
}

QString NotebookTextView::canonicalText() const {
    QString text = document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

bool NotebookTextView::isEmptyText() const {
    return document()->characterCount() <= 1;
}

void NotebookTextView::replaceCharacters(VexilCore::TextRange range, const QString& text) {
    followLongWords(text, false);
    const qsizetype length = document()->characterCount() - 1;
    const qsizetype start = std::clamp<qsizetype>(range.location, 0, length);
    const qsizetype end = std::clamp<qsizetype>(range.end(), start, length);
    Programmatic guard(this);
    QTextCursor cursor(document());
    cursor.setPosition(int(start));
    cursor.setPosition(int(end), QTextCursor::KeepAnchor);
    cursor.beginEditBlock();
    if (text.isEmpty())
        cursor.removeSelectedText();
    else
        cursor.insertText(text);
    cursor.endEditBlock();
}

void NotebookTextView::didChangeText() {
    if (m_colourLater) {
        const ColourLater later = std::move(*m_colourLater);
        m_colourLater.reset();
        recolourLines(later.lines, later.highlightsOf);
    }
    followDirections(false);
    // Typing makes a word longer only in the caret's line. The raw text will do for a whole look:
    // its line separators count as blanks.
    if (wordWrapMode() == QTextOption::WrapAnywhere)
        followLongWords(document()->toRawText(), true);
    else
        followLongWords(textCursor().block().text(), false);
    layoutContainer();
    m_overlay.setNeedsDisplay();
    emit textDidChange();
}

VexilCore::TextRange NotebookTextView::selectedRange() const {
    const QTextCursor cursor = textCursor();
    return {cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart()};
}

void NotebookTextView::setSelectedRange(VexilCore::TextRange range) {
    const qsizetype length = document()->characterCount() - 1;
    const qsizetype start = std::clamp<qsizetype>(range.location, 0, length);
    const qsizetype end = std::clamp<qsizetype>(range.end(), start, length);
    QTextCursor cursor(document());
    cursor.setPosition(int(start));
    cursor.setPosition(int(end), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

QString NotebookTextView::selectedText() const {
    QString text = textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

namespace {

const QTextCharFormat& plainFormat() {
    static const QTextCharFormat format = [] {
        QTextCharFormat f;
        f.setForeground(Theme::plain());
        return f;
    }();
    return format;
}

const QTextCharFormat& roleFormat(VexilCore::Role role) {
    static const std::array<QTextCharFormat, 9> formats = [] {
        std::array<QTextCharFormat, 9> all;
        for (int i = 0; i < 9; ++i) {
            const auto r = VexilCore::Role(i);
            all[size_t(i)].setForeground(Theme::color(r));
            if (r == VexilCore::Role::Ref) {
                all[size_t(i)].setUnderlineStyle(QTextCharFormat::SingleUnderline);
                all[size_t(i)].setUnderlineColor(Theme::rgb(0x87B3F5, 0.6));
            }
        }
        return all;
    }();
    const auto index = size_t(role);
    return index < formats.size() ? formats[index] : plainFormat();
}

} // namespace

namespace {

// A line with more coloured runs than this is drawn as one plain run: laying out an unbreakable
// line of a hundred thousand runs takes Qt far longer than a frame, and such a line is not read by
// its colours.
constexpr size_t kMaxRunsPerLine = 4000;

struct BlockRange {
    int start = 0;
    int count = 0;
    VexilCore::Role role = VexilCore::Role::Text;
};

// A fingerprint of one line's colouring, kept in the block's user state: a line whose length and
// ranges are unchanged keeps its formats (they survive edits inside the line) and costs nothing.
int fingerprint(int blockLength, const std::vector<BlockRange>& ranges) {
    quint32 hash = 2166136261u;
    const auto mix = [&hash](quint32 value) {
        for (int i = 0; i < 4; ++i) {
            hash ^= (value >> (8 * i)) & 0xFF;
            hash *= 16777619u;
        }
    };
    mix(quint32(blockLength));
    for (const BlockRange& r : ranges) {
        mix(quint32(r.start));
        mix(quint32(r.count));
        mix(quint32(r.role));
    }
    return int(hash & 0x7FFFFFFF); // never -1, the state of a line never coloured
}

// Gives one line its colours unless it has them already; answers whether it changed.
bool colourBlock(QTextBlock block, std::vector<BlockRange>& ranges) {
    const int blockLength = block.length();
    if (ranges.size() > kMaxRunsPerLine) ranges.clear();
    const int print = fingerprint(blockLength, ranges);
    QTextLayout* layout = block.layout();
    if (!layout || block.userState() == print) return false;
    QList<QTextLayout::FormatRange> formats;
    formats.reserve(qsizetype(1 + ranges.size()));
    formats.append({0, blockLength, plainFormat()});
    for (const BlockRange& r : ranges)
        formats.append({r.start, r.count, roleFormat(r.role)});
    // Colours change no text: they go straight into the line's layout, which reports no edit.
    layout->setFormats(formats);
    block.setUserState(print);
    return true;
}

// Changed lines close together are marked dirty as one range: each mark moves every later line.
class DirtyLines {
public:
    explicit DirtyLines(QTextDocument* doc) : m_doc(doc) {}
    ~DirtyLines() { flush(); }
    DirtyLines(const DirtyLines&) = delete;
    DirtyLines& operator=(const DirtyLines&) = delete;

    void add(int index, int position, int length) {
        if (m_from >= 0 && index - m_lastIndex > 32) flush();
        if (m_from < 0) m_from = position;
        m_to = position + length;
        m_lastIndex = index;
    }

private:
    void flush() {
        if (m_from >= 0) m_doc->markContentsDirty(m_from, m_to - m_from);
        m_from = m_to = -1;
    }
    QTextDocument* m_doc;
    int m_from = -1, m_to = -1, m_lastIndex = -1;
};

// One line's highlights, made relative to the line and clipped to it.
void appendRange(std::vector<BlockRange>& ranges, const VexilCore::Highlight& h, int blockStart,
                 int blockLength) {
    const int start = int(h.range.location) - blockStart;
    if (start < 0 || h.range.length <= 0) return;
    const int count = int(std::min<qsizetype>(h.range.length, blockLength - 1 - start));
    if (count > 0) ranges.push_back({start, count, h.role});
}

} // namespace

void NotebookTextView::setHighlights(const std::vector<VexilCore::Highlight>& highlights) {
    QTextDocument* doc = document();
    const qsizetype length = doc->characterCount() - 1;
    std::vector<std::vector<BlockRange>> perBlock(size_t(doc->blockCount()));

    // Highlights come in text order: walk the lines alongside them, counting positions as we go
    // (asking a line for its position or number is not free).
    QTextBlock block = doc->begin();
    int blockStart = 0, blockIndex = 0;
    for (const VexilCore::Highlight& h : highlights) {
        if (h.range.location < 0 || h.range.length <= 0 || h.range.end() > length) continue;
        if (h.range.location < blockStart) {
            block = doc->findBlock(int(h.range.location));
            blockStart = block.position();
            blockIndex = block.blockNumber();
        }
        while (block.isValid() && h.range.location >= blockStart + block.length()) {
            blockStart += block.length();
            block = block.next();
            ++blockIndex;
        }
        if (!block.isValid() || size_t(blockIndex) >= perBlock.size()) break;
        appendRange(perBlock[size_t(blockIndex)], h, blockStart, block.length());
    }

    const QScopedValueRollback<bool> colouring(m_colouring, true);
    m_uncoloured.clear();
    DirtyLines dirty(doc);
    int position = 0, index = 0;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next(), ++index) {
        const int blockLength = b.length();
        if (colourBlock(b, perBlock[size_t(index)])) dirty.add(index, position, blockLength);
        position += blockLength;
    }
}

void NotebookTextView::recolourLines(const QList<int>& lines, const HighlightsOf& highlightsOf) {
    QTextDocument* doc = document();
    std::vector<int> todo(lines.cbegin(), lines.cend());
    std::pair<int, int> edited{-1, -1};
    if (m_uncoloured.from >= 0) {
        edited = m_uncoloured.lines(doc);
        for (int n = edited.first; n <= edited.second; ++n)
            todo.push_back(n);
    }
    std::sort(todo.begin(), todo.end());
    todo.erase(std::unique(todo.begin(), todo.end()), todo.end());
    if (m_insideEdit) {
        // A line marked dirty inside an edit widens the edit, and Qt lays every line between out in
        // full: lines far from it wait until the edit is laid out, where each costs a move instead.
        std::vector<int> later;
        const auto far = [&edited](int n) {
            return n < edited.first - kNearEdit || n > edited.second + kNearEdit;
        };
        std::copy_if(todo.begin(), todo.end(), std::back_inserter(later), far);
        if (!later.empty()) {
            todo.erase(std::remove_if(todo.begin(), todo.end(), far), todo.end());
            m_colourLater = {QList<int>(later.begin(), later.end()), highlightsOf};
        }
    }

    const QScopedValueRollback<bool> colouring(m_colouring, true);
    m_uncoloured.clear();
    DirtyLines dirty(doc);
    const qsizetype length = doc->characterCount() - 1;
    QTextBlock block;
    int blockStart = 0;
    std::vector<BlockRange> ranges;
    for (const int n : todo) {
        // The next line follows from the last one; any other is looked up.
        if (block.isValid() && block.blockNumber() + 1 == n) {
            blockStart += block.length();
            block = block.next();
        } else {
            block = doc->findBlockByNumber(n);
            blockStart = block.isValid() ? block.position() : 0;
        }
        if (!block.isValid()) break;
        ranges.clear();
        if (const QList<VexilCore::Highlight>* highlights = highlightsOf(n))
            for (const VexilCore::Highlight& h : *highlights)
                if (h.range.end() <= length) appendRange(ranges, h, blockStart, block.length());
        if (colourBlock(block, ranges)) dirty.add(n, blockStart, block.length());
    }
}

void NotebookTextView::EditSpan::note(int position, int removed, int added) {
    if (from < 0) {
        from = position;
        to = position + added;
        return;
    }
    // One range holding every edit so far, in today's positions.
    const int end = to > position + removed ? to + added - removed : position + added;
    from = std::min(from, position);
    to = std::max(end, position + added);
}

std::pair<int, int> NotebookTextView::EditSpan::lines(const QTextDocument* doc) const {
    const int last = doc->characterCount() - 1;
    return {doc->findBlock(std::clamp(from, 0, last)).blockNumber(),
            doc->findBlock(std::clamp(to, 0, last)).blockNumber()};
}

void NotebookTextView::noteEdit(int position, int removed, int added) {
    if (m_colouring) return;
    ++m_editCount;
    m_uncoloured.note(position, removed, added);
    m_undirected.note(position, removed, added);
    if (!m_programmatic) {
        const QScopedValueRollback<bool> inside(m_insideEdit, true);
        emit textWillLayout();
    }
}

namespace {

// What Qt would read from the text of a line whose direction is left to it.
Qt::LayoutDirection directionOf(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode()))
            c = QChar::surrogateToUcs4(char16_t(c), text[++i].unicode());
        switch (QChar::direction(c)) {
        case QChar::DirL:
            return Qt::LeftToRight;
        case QChar::DirR:
        case QChar::DirAL:
            return Qt::RightToLeft;
        default:
            break;
        }
    }
    return Qt::LeftToRight;
}

} // namespace

void NotebookTextView::followDirections(bool all) {
    QTextDocument* doc = document();
    if (!all && m_undirected.from < 0) return;
    const auto [from, to] = all ? std::pair(0, doc->blockCount() - 1) : m_undirected.lines(doc);
    Programmatic guard(this);
    // A line's format is no edit of the text.
    const QScopedValueRollback<bool> formatting(m_colouring, true);
    if (all) {
        // Left to right for all at once; the few lines that read right to left follow one by one.
        QTextCursor cursor(doc);
        cursor.select(QTextCursor::Document);
        QTextBlockFormat format;
        format.setLayoutDirection(Qt::LeftToRight);
        cursor.mergeBlockFormat(format);
    }
    QTextBlock block = doc->findBlockByNumber(from);
    for (int n = from; n <= to && block.isValid(); ++n, block = block.next()) {
        const Qt::LayoutDirection direction = directionOf(block.text());
        if (block.blockFormat().layoutDirection() == direction) continue;
        QTextBlockFormat format;
        format.setLayoutDirection(direction);
        QTextCursor(block).mergeBlockFormat(format);
    }
    m_undirected.clear();
}

namespace {

// The longest run of characters without a blank or a line break.
qsizetype longestWord(QStringView text) {
    qsizetype longest = 0, run = 0;
    for (const QChar c : text) {
        run = c.isSpace() ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    return longest;
}

} // namespace

void NotebookTextView::followLongWords(QStringView text, bool whole) {
    const bool longWords = longestWord(text) > kLongestWord;
    if (longWords == (wordWrapMode() == QTextOption::WrapAnywhere) || (!longWords && !whole)) return;
    setWordWrapMode(longWords ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere);
}

// --- Fonts and container ------------------------------------------------------------------------------

qreal NotebookTextView::advance(const QString& text, const QFont& font) {
    const QFontMetricsF metrics(font);
    bool found = !text.isEmpty();
    for (const char32_t ch : text.toUcs4())
        if (!metrics.inFontUcs4(ch)) found = false;
    if (found) {
        const qreal width = metrics.horizontalAdvance(text.left(text.at(0).isHighSurrogate() ? 2 : 1));
        if (width > 0) return width;
    }
    return metrics.maxWidth();
}

void NotebookTextView::setFontSize(qreal size) {
    m_fontSize = size;
    m_editorFont = Theme::editorFont(size);
    m_smallFont = Theme::smallFont(size);
    m_digitAdvance = advance(QStringLiteral("8"), m_smallFont);
    m_sizeCache.clear();
    for (auto& cache : m_staticTexts)
        cache.clear();
    {
        Programmatic guard(this);
        setFont(m_editorFont);
        document()->setDefaultFont(m_editorFont);
        applyBlockSpacing();
    }
    layoutContainer();
    m_overlay.setNeedsDisplay();
}

QTextBlockFormat NotebookTextView::spacingFormat() const {
    QTextBlockFormat format;
    format.setLineHeight(lineSpacing(m_fontSize), QTextBlockFormat::LineDistanceHeight);
    return format;
}

void NotebookTextView::applyBlockSpacing() {
    Programmatic guard(this);
    QTextCursor cursor(document());
    cursor.select(QTextCursor::Document);
    cursor.mergeBlockFormat(spacingFormat());
}

void NotebookTextView::insertLineFeed() {
    // The editor's own Return resets the format of an empty line instead of splitting it the first
    // time, and starts a line without the spacing: one new line, always spaced, is inserted here.
    QTextCursor cursor = textCursor();
    QTextBlockFormat format = cursor.blockFormat();
    format.merge(spacingFormat());
    cursor.insertBlock(format, cursor.charFormat());
    setTextCursor(cursor);
    ensureCursorVisible();
}

void NotebookTextView::updateGutter() {
    // Every line, the empty last one included, is one block.
    m_lineCount = document()->blockCount();
    m_gutterWidth = TextGeometry::gutterWidth(m_lineCount, m_digitAdvance, m_fontSize);
}

void NotebookTextView::applyFrameFormat() {
    QTextFrame* root = document()->rootFrame();
    QTextFrameFormat format = root->frameFormat();
    const qreal inset = insetTop(m_fontSize);
    if (format.leftMargin() == m_gutterWidth && format.topMargin() == inset &&
        format.bottomMargin() == inset && format.rightMargin() == 0)
        return;
    format.setMargin(0);
    format.setLeftMargin(m_gutterWidth);
    format.setRightMargin(0);
    format.setTopMargin(inset);
    format.setBottomMargin(inset);
    Programmatic guard(this);
    root->setFrameFormat(format);
    // A frame change leaves an empty document's only line unlaid; mark it so the layout runs again.
    document()->markContentsDirty(0, document()->characterCount());
}

void NotebookTextView::layoutContainer() {
    updateGutter();
    applyFrameFormat();
    const qreal width = containerWidth();
    // The wrap width counts from the view's left edge; the gutter is the frame's left margin.
    const int wrap = int(std::round(m_gutterWidth + width));
    if (std::abs(lineWrapColumnOrWidth() - wrap) > 0.5) {
        Programmatic guard(this);
        setLineWrapColumnOrWidth(wrap);
        // The new width sets the page again: keep holding the layout back under a hold.
        if (m_layoutHolds > 0) {
            m_heldPageSize = document()->pageSize();
            document()->setPageSize(QSizeF(0, 0));
        }
    }
}

qreal NotebookTextView::viewWidth() const {
    return viewport()->width();
}

qreal NotebookTextView::resultsWidth() const {
    return TextGeometry::resultsWidth(viewWidth(), m_gutterWidth, m_resultsFraction);
}

qreal NotebookTextView::dividerX() const {
    return viewWidth() - resultsWidth();
}

qreal NotebookTextView::resultsLeft() const {
    return TextGeometry::resultsLeft(dividerX(), m_fontSize);
}

qreal NotebookTextView::containerWidth() const {
    return TextGeometry::containerWidth(viewWidth(), m_gutterWidth, resultsWidth(), m_fontSize);
}

void NotebookTextView::resizeEvent(QResizeEvent* event) {
    QTextEdit::resizeEvent(event);
    layoutContainer();
    m_overlay.setNeedsDisplay();
}

// --- Clipboard and keys -------------------------------------------------------------------------------

void NotebookTextView::copy() {
    if (onCopySelection && onCopySelection(selectedRange())) return;
    if (m_testClipboard) {
        m_testClipboard->clear();
        m_testClipboard->setString(selectedText());
        return;
    }
    QTextEdit::copy();
}

void NotebookTextView::cut() {
    if (!m_testClipboard) {
        QTextEdit::cut();
        return;
    }
    copy();
    if (!shouldChangeText()) return;
    QTextCursor cursor = textCursor();
    cursor.removeSelectedText();
    setTextCursor(cursor);
}

void NotebookTextView::paste() {
    if (!m_testClipboard) {
        QTextEdit::paste();
        return;
    }
    const std::optional<QString> text = m_testClipboard->string();
    if (!text || !shouldChangeText()) return;
    followLongWords(*text, false);
    QTextCursor cursor = textCursor();
    cursor.insertText(*text);
    setTextCursor(cursor);
}

bool NotebookTextView::canPaste() const {
    if (m_testClipboard) return m_testClipboard->string().has_value();
    return QTextEdit::canPaste();
}

bool NotebookTextView::canInsertFromMimeData(const QMimeData* source) const {
    return source && source->hasText();
}

void NotebookTextView::insertFromMimeData(const QMimeData* source) {
    if (!source || !source->hasText() || !shouldChangeText()) return;
    const QString text = source->text();
    followLongWords(text, false);
    // Through the cursor, so new lines keep the line spacing and no formatting comes along.
    QTextCursor cursor = textCursor();
    cursor.insertText(text);
    setTextCursor(cursor);
    ensureCursorVisible();
}

QMimeData* NotebookTextView::createMimeDataFromSelection() const {
    auto* data = new QMimeData;
    data->setText(selectedText());
    return data;
}

void NotebookTextView::keyPressEvent(QKeyEvent* event) {
    const bool lineKey = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (lineKey && !(event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) && !isReadOnly()) {
        insertLineFeed();
    } else if (event == QKeySequence::Copy) {
        copy();
    } else if (event == QKeySequence::Cut) {
        cut();
    } else if (event == QKeySequence::Paste) {
        paste();
    } else if (event == QKeySequence::Undo) {
        emit undoRequested();
    } else if (event == QKeySequence::Redo) {
        emit redoRequested();
    } else {
        QTextEdit::keyPressEvent(event);
        return;
    }
    event->accept();
}

void NotebookTextView::inputMethodEvent(QInputMethodEvent* event) {
    // Known before the base call, so an edit it reports already sees the composition's state.
    m_composing = !event->preeditString().isEmpty();
    QTextEdit::inputMethodEvent(event);
}

void NotebookTextView::contextMenuEvent(QContextMenuEvent* event) {
    if (const std::unique_ptr<QMenu> menu = makeContextMenu(event->pos())) menu->exec(event->globalPos());
}

std::unique_ptr<QMenu> NotebookTextView::makeContextMenu(const QPoint& viewportPos) {
    std::unique_ptr<QMenu> menu(createStandardContextMenu(viewportPos));
    if (!menu) return nullptr;
    // The standard entries call the editor's internals directly; send them through this view instead.
    const auto rewire = [this, &menu](const char* name, auto handler) {
        if (auto* action = menu->findChild<QAction*>(QLatin1String(name))) {
            disconnect(action, &QAction::triggered, nullptr, nullptr);
            connect(action, &QAction::triggered, this, handler);
        }
    };
    rewire("edit-copy", [this] { copy(); });
    rewire("edit-cut", [this] { cut(); });
    rewire("edit-paste", [this] { paste(); });
    rewire("edit-undo", [this] { emit undoRequested(); });
    rewire("edit-redo", [this] { emit redoRequested(); });
    if (auto* action = menu->findChild<QAction*>(QStringLiteral("edit-paste")))
        action->setEnabled(!isReadOnly() && canPaste());
    if (onContextMenu) onContextMenu(*menu);
    // On a result, its two commands come first: the way in where the desktop keeps Alt+click.
    if (const std::optional<int> line = resultLine(viewPoint(viewportPos))) {
        QAction* first = menu->actions().value(0);
        auto* copyItem = new QAction(QStringLiteral("Copy Result"), menu.get());
        copyItem->setObjectName(QStringLiteral("copy-result"));
        connect(copyItem, &QAction::triggered, this,
                [this, l = *line] { activateResult(l, PillFeedback::Copied); });
        auto* insertItem =
            new QAction(QStringLiteral("Insert Reference to line") + QString::number(*line + 1), menu.get());
        insertItem->setObjectName(QStringLiteral("insert-reference"));
        connect(insertItem, &QAction::triggered, this,
                [this, l = *line] { activateResult(l, PillFeedback::Inserted); });
        menu->insertActions(first, {copyItem, insertItem});
        if (first) menu->insertSeparator(first);
    }
    return menu;
}

} // namespace VexilUI
