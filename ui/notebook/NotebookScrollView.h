#pragma once

#include <QWidget>

class QScrollBar;

namespace VexilUI {

class FindBar;
class NotebookTextView;

// Holds the editor with its find bar above it and a thin scroll bar drawn over its right edge; the bar
// shows only while the text is taller than the view.
class NotebookScrollView : public QWidget {
    Q_OBJECT
public:
    explicit NotebookScrollView(NotebookTextView* editor, QWidget* parent = nullptr);

    NotebookTextView* documentView() const { return m_editor; }
    FindBar* findBar() const { return m_findBar; }
    QScrollBar* scroller() const { return m_scroller; }

    bool isFindBarVisible() const;
    void setFindBarVisible(bool visible);

    static constexpr int scrollerWidth = 8;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layoutChildren();
    void syncScroller();

    NotebookTextView* m_editor;
    FindBar* m_findBar;
    QScrollBar* m_scroller;
};

} // namespace VexilUI
