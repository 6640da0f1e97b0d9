#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QLineEdit;
class QTextEdit;
class QToolButton;

namespace VexilUI {

// The editor's find bar: a field that marks every match of its text, steps through them with Return and
// Shift+Return, and closes with Escape.
class FindBar : public QWidget {
    Q_OBJECT
public:
    explicit FindBar(QTextEdit* editor, QWidget* parent = nullptr);

    // Shows the bar with its text selected and the field focused.
    void open();
    // Hides the bar, drops the marks and gives the editor the focus back.
    void close();
    // Selects the next (or previous) match after (before) the editor's selection, wrapping around;
    // false when there is none.
    bool findNext(bool backward = false);
    int matchCount() const { return m_matches; }
    QLineEdit* field() const { return m_field; }
    QString statusText() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void updateMarks();

    QPointer<QTextEdit> m_editor;
    QLineEdit* m_field = nullptr;
    QLabel* m_status = nullptr;
    QToolButton* m_previous = nullptr;
    QToolButton* m_next = nullptr;
    QToolButton* m_done = nullptr;
    int m_matches = 0;
};

} // namespace VexilUI
