#pragma once

#include <QSize>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace VexilUI {

class NotebookController;

// The one main window: an ordinary decorated window whose client area is the notebook's root view.
// Closing it only hides it; with autosave its geometry is kept under "VexilMainWindow".
class NotebookWindow : public QWidget {
    Q_OBJECT
public:
    NotebookWindow(NotebookController& content, bool autosave);
    ~NotebookWindow() override;

    NotebookController& content() const { return m_content; }
    bool autosave() const { return m_autosave; }
    // Writes the geometry now (autosave only).
    void saveGeometryNow();
    // The stored geometry, if any (autosave only).
    void restoreStoredGeometry();

    static QString autosaveName();

protected:
    // A bar placed at the top through the contents margins grows a window not yet shown by its height,
    // so the content keeps its size (a restored geometry already holds the bar).
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    NotebookController& m_content;
    bool m_autosave;
    bool m_geometryRestored = false;
    int m_contentTop = 0;
    QTimer m_saveTimer;
};

namespace MainWindow {

inline constexpr QSize defaultSize{749, 516};
inline constexpr QSize minSizeWithSidebar{600, 360};
inline constexpr QSize minSize{520, 360};
// Our own title strip: the platform's title bar sits outside the client area.
inline constexpr qreal titlebarHeight = 28;

// Makes the window around the controller's root view, centred, not yet shown.
std::unique_ptr<NotebookWindow> make(NotebookController& content, bool autosave);

} // namespace MainWindow
} // namespace VexilUI
