#pragma once

#include <QPointer>
#include <QWidget>

class QScrollArea;

namespace VexilUI {

// The shortcuts-and-examples panel under the help button. It floats above the window without taking the
// keyboard, so typing goes on in the editor; a click elsewhere or Escape closes it.
class HelpPopover : public QWidget {
    Q_OBJECT
public:
    explicit HelpPopover(QWidget* window);
    ~HelpPopover() override;

    // Shows the panel below the anchor, kept on the anchor's screen.
    void showBelow(QWidget* anchor);
    bool isShown() const { return isVisible(); }

signals:
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void removeMonitor();

    static constexpr int margin = 12;

    QScrollArea* m_scroll = nullptr;
    QPointer<QWidget> m_anchor;
    bool m_monitoring = false;
};

} // namespace VexilUI
