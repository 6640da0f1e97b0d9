#include "ui/notebook/HelpContent.h"

#include "ui/common/KeyNames.h"
#include "ui/common/Theme.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QKeySequence>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <optional>

namespace VexilUI {
namespace HelpContent {

namespace {

const QString separator = QStringLiteral("    ");

struct KeyCap {
    Qt::KeyboardModifiers modifiers;
    QString key; // empty for a modifier alone
};

// Modifiers are named through the interface's one key-name mapping; the key keeps its glyph.
QString keyText(const KeyCap& cap) {
    if (cap.key.isEmpty()) {
        QString name;
        for (Qt::KeyboardModifier modifier :
             {Qt::MetaModifier, Qt::ControlModifier, Qt::AltModifier, Qt::ShiftModifier}) {
            if (!cap.modifiers.testFlag(modifier)) continue;
            if (!name.isEmpty()) name += u'+';
            name += modifierName(modifier);
        }
        return name;
    }
    QString prefix = shortcutText(QKeySequence(QKeyCombination(cap.modifiers, Qt::Key_A)));
    prefix.chop(1);
    return prefix + cap.key;
}

Shortcut shortcut(std::initializer_list<KeyCap> caps, const char16_t* mouse, const char16_t* what) {
    Shortcut record;
    for (const KeyCap& cap : caps)
        record.keys.append(keyText(cap));
    record.mouse = QString::fromUtf16(mouse);
    record.what = QString::fromUtf16(what);
    return record;
}

QFont systemFont(QFontDatabase::SystemFont which, int pixelSize, QFont::Weight weight) {
    QFont font = QFontDatabase::systemFont(which);
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

// Builds the document paragraph by paragraph. AppKit adds the spacing after a paragraph to the spacing
// before the next; Qt collapses the two to the larger, so the sum goes into the next block's top margin.
class Writer {
public:
    explicit Writer(QTextDocument& document) : m_cursor(&document) {}

    // A fixed row height puts every row's baseline at the same place whatever fonts it mixes.
    void paragraph(qreal tab, qreal before, qreal after, std::optional<qreal> rowHeight = std::nullopt) {
        QTextBlockFormat format;
        format.setTabPositions({QTextOption::Tab(tab, QTextOption::LeftTab)});
        format.setLeftMargin(tab);
        format.setTextIndent(-tab);
        format.setTopMargin(before + m_previousAfter);
        format.setBottomMargin(after);
        if (rowHeight)
            format.setLineHeight(*rowHeight, QTextBlockFormat::FixedHeight);
        else
            format.setLineHeight(lineSpacing, QTextBlockFormat::LineDistanceHeight);
        if (m_first)
            m_cursor.setBlockFormat(format);
        else
            m_cursor.insertBlock(format, QTextCharFormat());
        m_first = false;
        m_previousAfter = after;
    }

    void text(const QString& text, const QFont& font, const QColor& color,
              const QColor& background = QColor()) {
        QTextCharFormat format;
        format.setFont(font);
        format.setForeground(color);
        if (background.isValid()) format.setBackground(background);
        m_cursor.insertText(text, format);
    }

private:
    QTextCursor m_cursor;
    bool m_first = true;
    qreal m_previousAfter = 0;
};

void section(Writer& writer, const QString& title, bool first) {
    writer.paragraph(0, first ? 0 : 14, 8);
    writer.text(title.toUpper(), headingFont(), Theme::muted());
}

} // namespace

const QList<Shortcut>& shortcuts() {
    static const QList<Shortcut> table = [] {
        const Qt::KeyboardModifiers command = Qt::ControlModifier;
        const Qt::KeyboardModifiers option = Qt::AltModifier;
        const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
        const Qt::KeyboardModifiers control = Qt::MetaModifier;
        return QList<Shortcut>{
            shortcut({{option, {}}}, u"Click a Result", u"Copy the Result"),
            shortcut({}, u"Click a Result", u"Insert It on Your Line as a Reference (line2)"),
            shortcut({}, u"Click the Total", u"Copy the Total in the Bottom Right"),
            shortcut({{shift | command, QStringLiteral("C")}}, u"",
                     u"Copy All Results, Each Line With Its Answer"),
            shortcut({{command, QStringLiteral("J")}}, u"", u"Start a Line Reference, Then Type Its Number"),
            shortcut({{command, QStringLiteral("N")}}, u"", u"New Sheet"),
            shortcut({{shift | command, QStringLiteral("N")}}, u"",
                     u"New Folder in the Drawer (Drag Sheets Onto It)"),
            shortcut({{control | command, QStringLiteral("S")}}, u"", u"Close or Open the Drawer"),
            shortcut({{option | command, QStringLiteral("F")}}, u"",
                     u"Search the Drawer by Name or Contents"),
            shortcut({}, u"Right-Click a Sheet", u"Pin It to the Top of the Drawer"),
            shortcut(
                {{option | command, QStringLiteral("\u2191")}, {option | command, QStringLiteral("\u2193")}},
                u"", u"Move the Current Line Up or Down"),
            // Desktops keep Ctrl+Alt+arrows for their workspaces.
            shortcut(
                {{shift | command, QStringLiteral("\u2191")}, {shift | command, QStringLiteral("\u2193")}},
                u"", u"Also Move the Line, Where the Desktop Takes Ctrl+Alt"),
            shortcut({}, u"Drag the Divider", u"Resize the Columns (Double-Click to Reset)"),
            shortcut({{command, QStringLiteral("+")},
                      {command, QStringLiteral("\u2212")},
                      {command, QStringLiteral("0")}},
                     u"", u"Bigger, Smaller, Actual Text Size"),
            shortcut({{command, QStringLiteral(",")}}, u"", u"Settings"),
        };
    }();
    return table;
}

const QList<Row>& rows() {
    static const QList<Row> table{
        {QStringLiteral("Maths"), QStringLiteral("48 \u00F7 6 + 2^3    17 mod 4    \u221A81")},
        {QStringLiteral("Percent"), QStringLiteral("15% of 80    15% off $80    12 is what % of 48")},
        {QStringLiteral("Totals"),
         QStringLiteral("Flights: 420 + 385, then Total or Average on the next line")},
        {QStringLiteral("Variables"), QStringLiteral("hourly rate = $65    hourly rate \u00D7 38")},
        {QStringLiteral("Units"), QStringLiteral("750 g to lb    6 ft 2 in to cm    36 px to pt")},
        {QStringLiteral("Dates"),
         QStringLiteral("March 3 + 45 days    days until Nov 27    today + 10 workdays")},
        {QStringLiteral("Times"), QStringLiteral("9:15 AM to 5:40 PM in hours    7pm Berlin in Singapore")},
        {QStringLiteral("Currency"), QStringLiteral("\u20AC250 to JPY    0.2 ETH in AUD    2 BTC + $500")},
        {QStringLiteral("Money"), QStringLiteral("$5,000 after 10 years at 4%    gain from $800 to $1,000")},
        {QStringLiteral("Loans"), QStringLiteral("loan payment on $18k over 4 years at 5.5%")},
        {QStringLiteral("Other"), QStringLiteral("4095 as hex    2/7 to 3 dp    1,234 to nearest 100")},
        {QStringLiteral("Notes"), QStringLiteral("# heading    // comment")},
    };
    return table;
}

const QStringList& footer() {
    static const QStringList notes{
        QStringLiteral("Total, Average, Median and Count use the rows since the last blank line."),
        QStringLiteral("Start a line with + \u00D7 or / to keep working on the line above."),
        QStringLiteral("Mixing crypto with a normal currency answers in the normal currency."),
        QStringLiteral("References follow line numbers, so moving lines can change them."),
        QStringLiteral(
            "Rates are indicative, not for accounting or trading. Click the rates label to refresh."),
    };
    return notes;
}

const QList<Example>& calculableExamples() {
    static const QList<Example> list = [] {
        QList<Example> examples;
        for (const Row& row : rows()) {
            if (row.row == u"Totals" || row.row == u"References" || row.row == u"Notes") continue;
            examples.append({row.row, row.text.split(separator)});
        }
        return examples;
    }();
    return list;
}

const QString& allText() {
    static const QString text = [] {
        QStringList lines;
        for (const Shortcut& record : shortcuts())
            lines.append(record.keys.join(u' ') + u' ' + record.mouse + u' ' + record.what);
        for (const Row& row : rows())
            lines.append(row.row + u' ' + row.text);
        lines.append(footer());
        return lines.join(u'\n');
    }();
    return text;
}

QFont keyFont() {
    return systemFont(QFontDatabase::FixedFont, 12, QFont::Normal);
}

QFont exampleFont() {
    return systemFont(QFontDatabase::FixedFont, 12, QFont::Light);
}

QFont bodyFont() {
    return systemFont(QFontDatabase::GeneralFont, 12, QFont::Normal);
}

QFont actionFont() {
    return systemFont(QFontDatabase::GeneralFont, 12, QFont::Medium);
}

QFont headingFont() {
    return systemFont(QFontDatabase::GeneralFont, 11, QFont::DemiBold);
}

qreal shortcutColumn() {
    const QFontMetricsF key(keyFont()), body(bodyFont()), action(actionFont());
    qreal widest = 0;
    for (const Shortcut& record : shortcuts()) {
        qreal width = 0;
        for (qsizetype i = 0; i < record.keys.size(); ++i)
            width += (i > 0 ? body.horizontalAdvance(u' ') : 0) +
                     key.horizontalAdvance(u' ' + record.keys[i] + u' ');
        if (!record.mouse.isEmpty())
            width += action.horizontalAdvance(record.keys.isEmpty() ? record.mouse : u' ' + record.mouse);
        widest = std::max(widest, width);
    }
    return std::max(shortcutTab, std::ceil(widest + shortcutGap));
}

qreal shortcutRowHeight() {
    qreal tallest = 0;
    for (const QFont& font : {keyFont(), bodyFont(), actionFont()})
        tallest = std::max(tallest, QFontMetricsF(font).lineSpacing());
    return std::ceil(tallest) + lineSpacing;
}

void fill(QTextDocument& document) {
    const QFont key = keyFont();
    const QFont example = exampleFont();
    const QFont body = bodyFont();
    const QFont action = actionFont();
    QColor keyCap(255, 255, 255);
    keyCap.setAlphaF(keyCapAlpha);

    const qreal column = shortcutColumn();
    const qreal rowHeight = shortcutRowHeight();
    Writer writer(document);
    section(writer, QStringLiteral("Shortcuts"), true);
    for (const Shortcut& record : shortcuts()) {
        writer.paragraph(column, 0, 4, rowHeight);
        for (qsizetype i = 0; i < record.keys.size(); ++i) {
            if (i > 0) writer.text(QStringLiteral(" "), body, Theme::text());
            writer.text(u' ' + record.keys[i] + u' ', key, Theme::text(), keyCap);
        }
        if (!record.mouse.isEmpty())
            writer.text(record.keys.isEmpty() ? record.mouse : u' ' + record.mouse, action, Theme::text());
        writer.text(u'\t' + record.what, body, Theme::text());
    }

    section(writer, QStringLiteral("Try Typing"), false);
    for (const Row& row : rows()) {
        writer.paragraph(rowTab, 0, 4);
        writer.text(row.row + u'\t', body, Theme::muted());
        writer.text(QString(row.text).replace(separator, QStringLiteral("     ")), example, Theme::text());
    }

    section(writer, QStringLiteral("Good to Know"), false);
    for (const QString& note : footer()) {
        writer.paragraph(noteTab, 0, 4);
        writer.text(QStringLiteral("\u2022\t"), body, Theme::muted());
        writer.text(note, body, Theme::text());
    }

    writer.paragraph(0, 8, 0);
    const QString gap = QStringLiteral("   ");
    writer.text(QStringLiteral("numbers"), key, Theme::number());
    writer.text(gap, key, Theme::muted());
    writer.text(QStringLiteral("operators"), key, Theme::op());
    writer.text(gap, key, Theme::muted());
    writer.text(QStringLiteral("units and currencies"), key, Theme::unit());
    writer.text(gap, key, Theme::muted());
    writer.text(QStringLiteral("line references"), key, Theme::ref());
}

QWidget* makeView(QWidget* parent) {
    auto* container = new QWidget(parent);
    auto* layout = new QVBoxLayout(container);
    layout->setContentsMargins(horizontalInset, verticalInset, horizontalInset, verticalInset);
    layout->setSpacing(0);
    layout->addWidget(new HelpTextLabel(container));
    container->setFixedWidth(viewWidth);
    container->adjustSize();
    return container;
}

} // namespace HelpContent

HelpTextLabel::HelpTextLabel(QWidget* parent) : QTextEdit(parent) {
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFocusPolicy(Qt::ClickFocus);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QTextEdit::FixedPixelWidth);
    setLineWrapColumnOrWidth(HelpContent::labelWidth);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    QPalette colors = palette();
    colors.setColor(QPalette::Base, Qt::transparent);
    colors.setColor(QPalette::Text, Theme::text());
    setPalette(colors);

    document()->setDocumentMargin(0);
    HelpContent::fill(*document());
    document()->setTextWidth(HelpContent::labelWidth);
    setFixedSize(HelpContent::labelWidth, int(std::ceil(document()->size().height())));
}

} // namespace VexilUI
