#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QLabel>
#include <QPointer>
#include <QRectF>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

class QPainter;

namespace VexilUI {

// Fills a rectangle with a colour in bands of a few dozen rows. Qt hands a translucent fill of a
// hundred rows or more to its thread pool, and waking the threads costs more than the whole fill:
// on a keystroke's repaint it was a third of the time.
void fillInBands(QPainter& painter, const QRectF& rect, const QColor& color);

// Height of the window's own title strip; a press on the backdrop above it moves the window.
inline constexpr int titleStripHeight = 28;

// The window's tinted backdrop: opaque when solid, otherwise at the theme's tint alpha.
class TintView : public QWidget {
    Q_OBJECT
public:
    explicit TintView(QWidget* parent = nullptr);
    bool solid() const { return m_solid; }
    void setSolid(bool solid);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool m_solid = false;
};

// A label that never takes the mouse: clicks reach whatever lies below it.
class PassthroughLabel : public QLabel {
    Q_OBJECT
public:
    explicit PassthroughLabel(QWidget* parent = nullptr);
};

// A label that cuts its text with an ellipsis when it gets less room than the text needs.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);
    void setTextColor(const QColor& color);
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A borderless text button of the status row with a pointing-hand cursor; dimmed while disabled.
class StatusButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit StatusButton(QWidget* parent = nullptr);
    // The title's font, colour and alignment; the text is the button's text().
    void setTitleFont(const QFont& font);
    void setTitleColor(const QColor& color);
    QColor titleColor() const { return m_titleColor; }
    void setTitleAlignment(Qt::Alignment alignment);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_titleColor;
    Qt::Alignment m_alignment = Qt::AlignCenter;
};

// The wordmark in the middle of the title strip. A plain press moves the window; an Alt-press calls
// onOptionClick. Hovering shows a hint after a short delay.
class WordmarkLabel : public QLabel {
    Q_OBJECT
public:
    explicit WordmarkLabel(QWidget* parent = nullptr);
    ~WordmarkLabel() override;

    static QString hintText();
    static int hintDelay();
    std::function<void()> onOptionClick;
    // A named accessibility action (the hidden game); the handler answers whether it took effect.
    void setAccessibilityAction(const QString& name, std::function<bool()> handler);
    QString accessibilityActionName() const { return m_actionName; }
    bool performAccessibilityAction();

    bool isHovering() const { return m_hovering; }
    bool hasClickMonitor() const { return m_clickMonitor != nullptr; }
    void hideHint();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void stopTracking();
    void removeMonitor();

    QTimer m_hintTimer;
    QObject* m_clickMonitor = nullptr;
    bool m_hovering = false;
    QString m_actionName;
    std::function<bool()> m_actionHandler;
};

// A small circled-glyph (or symbol) button of the title strip that shows a hover tip after a delay.
class HelpButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit HelpButton(const QString& glyph = QStringLiteral("?"), QWidget* parent = nullptr);
    ~HelpButton() override;

    static int hoverDelay(); // milliseconds

    QString glyph() const { return m_glyph; }
    void setGlyph(const QString& glyph);
    std::optional<QString> symbol() const { return m_symbol; }
    void setSymbol(const std::optional<QString>& name);
    std::optional<QString> hoverText() const { return m_hoverText; }
    void setHoverText(const std::optional<QString>& text);
    bool isHovering() const { return m_hovering; }
    bool isTipScheduled() const { return m_tipTimer.isActive(); }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void scheduleTip();
    void hideTip();

    bool m_hovering = false;
    QString m_glyph;
    std::optional<QString> m_symbol;
    std::optional<QString> m_hoverText;
    QTimer m_tipTimer;
};

// The one dark tip panel shared by every control: shown under a control, never takes the mouse,
// focus or activation.
class HoverTip {
public:
    static HoverTip& shared();

    // Shows the text centred under the view, kept 6 pixels inside its window's frame.
    void show(const QString& text, QWidget* view);
    void hide();
    bool isShowing() const;
    QString text() const;
    QWidget* owner() const { return m_owner; }
    QWidget* panel() const { return m_panel; }

private:
    QPointer<QWidget> m_owner;
    QPointer<QWidget> m_panel;
    QPointer<QLabel> m_label;
};

// What the drawer's edge handle needs from the window's controller.
struct DrawerEdgeOwner {
    std::function<void(qreal)> setDrawerWidth; // clamps and stores the width
    std::function<qreal()> defaultSidebarWidth;
    std::function<qreal()> sidebarFullWidth;
};

// The thin drag handle on the drawer's edge: dragging resizes the drawer, a double-click restores
// its default width.
class DrawerEdgeView : public QWidget {
    Q_OBJECT
public:
    explicit DrawerEdgeView(QWidget* parent = nullptr);
    // The context object holds the owner weakly: once it is gone the handle does nothing.
    void setOwner(QObject* context, DrawerEdgeOwner owner);
    bool isDragging() const { return m_isDragging; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool hasOwner() const { return m_context && m_owner.setDrawerWidth; }

    QPointer<QObject> m_context;
    DrawerEdgeOwner m_owner;
    qreal m_startX = 0;
    qreal m_startWidth = 0;
    bool m_isDragging = false;
};

} // namespace VexilUI
