#pragma once

#include <QPointer>
#include <QRectF>
#include <QWidget>

namespace VexilUI {

class SnakeController;

// Lies over the whole notebook while the game shows: dims the sheet, draws the card holding the game,
// takes the keyboard focus and swallows mouse, wheel and editing input. A click outside the card closes
// the game; presses in the title strip go on to the controls beneath.
class SnakeOverlayView : public QWidget {
    Q_OBJECT
public:
    // The height of the title strip that stays clickable.
    static constexpr int titlebarHeight = 28;

    explicit SnakeOverlayView(SnakeController* controller, QWidget* parent = nullptr);

    SnakeController* controller() const { return m_controller; }
    // Where the card lies in the view.
    QRectF cardRect() const;
    static QRectF cardRect(QSizeF bounds);
    // "Score 70, Best 340"; set by the controller.
    QString accessibilityValue() const { return m_accessibilityValue; }
    void setAccessibilityValue(const QString& value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Sends a mouse event on to the widget beneath the overlay at the event's position.
    bool forwardMouse(QMouseEvent* event, QWidget* target);
    QWidget* widgetBeneath(QPointF position) const;

    QPointer<SnakeController> m_controller;
    // The control beneath that took a press in the title strip; it gets the rest of that click.
    QPointer<QWidget> m_forwardTarget;
    QString m_accessibilityValue;
};

} // namespace VexilUI
