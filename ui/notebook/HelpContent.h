#pragma once

#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTextEdit>

class QTextDocument;
class QWidget;

namespace VexilUI {

// The application's help: the shortcuts, the examples to try and the notes, and the view that shows
// them (in the notebook's help popover and in the preview set). Nothing in it reacts to clicks; its text
// can be selected and copied.
namespace HelpContent {

struct Shortcut {
    QStringList keys; // each one key cap, modifiers named as everywhere else in the interface
    QString mouse;    // the mouse gesture, or empty
    QString what;
};

struct Row {
    QString row;
    QString text; // examples separated by exactly four spaces
};

struct Example {
    QString row;
    QStringList lines;
};

// The fixed tables, built once on first use.
const QList<Shortcut>& shortcuts();
const QList<Row>& rows();
const QStringList& footer();

// The rows that calculate ("Totals", "References" and "Notes" dropped), each split into its examples.
const QList<Example>& calculableExamples();
// Every shortcut, row and note as one line each.
const QString& allText();

inline constexpr int viewWidth = 644;
inline constexpr int labelWidth = 600; // the label's longest line
inline constexpr int horizontalInset = 22;
inline constexpr int verticalInset = 20;
inline constexpr qreal shortcutTab = 160; // the least column of the shortcuts' descriptions
inline constexpr qreal shortcutGap = 20;  // at least this much between the widest keys and their description
inline constexpr qreal rowTab = 90;
inline constexpr qreal noteTab = 14;
inline constexpr qreal lineSpacing = 2;
inline constexpr qreal keyCapAlpha = 0.09;

QFont keyFont();     // monospaced, 12 px, regular
QFont exampleFont(); // monospaced, 12 px, light
QFont bodyFont();    // system, 12 px
QFont actionFont();  // system, 12 px, medium
QFont headingFont(); // system, 11 px, semibold

// Where every shortcut's description starts: the tab stop, moved right when the widest keys and gesture
// would reach it, so that all descriptions share one column.
qreal shortcutColumn();
// The height of every shortcut row, whichever of the key, body and action fonts it holds.
qreal shortcutRowHeight();

// Fills an empty document with the styled help text, one block per paragraph.
void fill(QTextDocument& document);

// A new view each call, owned by the caller: the selectable text inside a 644-pixel-wide container whose
// height follows the wrapped text.
QWidget* makeView(QWidget* parent = nullptr);

} // namespace HelpContent

// The help's text as a read-only, selectable label of fixed width whose height fits the text.
class HelpTextLabel : public QTextEdit {
    Q_OBJECT
public:
    explicit HelpTextLabel(QWidget* parent = nullptr);
};

} // namespace VexilUI
