// The wordmark, the title strip's glyph buttons and their shared hover tip.
#include "ui/common/Controls.h"

#include "ui/common/KeyNames.h"
#include "ui/common/SymbolPainter.h"
#include "ui/common/Theme.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include <cmath>

namespace VexilUI {

namespace {

QFont tipFont() {
    QFont font = QApplication::font();
    font.setPixelSize(11);
    font.setWeight(QFont::Medium);
    return font;
}

// The dark rounded panel behind a hover tip.
class TipPanel : public QWidget {
public:
    explicit TipPanel(QWidget* parent) : QWidget(parent, tipFlags()) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        label = new QLabel(this);
        label->setFont(tipFont());
        label->setAlignment(Qt::AlignCenter);
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, Theme::text());
        label->setPalette(pal);
    }

    static Qt::WindowFlags tipFlags() {
        return Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
               Qt::WindowTransparentForInput;
    }

    QLabel* label = nullptr;

protected:
    void resizeEvent(QResizeEvent*) override { label->setGeometry(rect()); }
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Theme::rgb(0xFFFFFF, 0.1), 1));
        painter.setBrush(QColor(42, 44, 49));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    }
};

// Hides the wordmark's hint on any mouse press anywhere in the application; passes every event on.
class ClickMonitor : public QObject {
public:
    explicit ClickMonitor(WordmarkLabel* label) : m_label(label) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        const auto type = event->type();
        if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) && m_label)
            m_label->hideHint();
        return false;
    }

private:
    QPointer<WordmarkLabel> m_label;
};

// Gives the wordmark its named action for assistive technology.
class WordmarkAccessible : public QAccessibleWidget {
public:
    explicit WordmarkAccessible(WordmarkLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        const QString own = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && own.isEmpty()) return label()->text();
        return own;
    }
    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (!label()->accessibilityActionName().isEmpty()) names << label()->accessibilityActionName();
        return names;
    }
    void doAction(const QString& name) override {
        if (!name.isEmpty() && name == label()->accessibilityActionName())
            label()->performAccessibilityAction();
        else
            QAccessibleWidget::doAction(name);
    }

private:
    WordmarkLabel* label() const { return static_cast<WordmarkLabel*>(widget()); }
};

QAccessibleInterface* wordmarkAccessibleFactory(const QString&, QObject* object) {
    if (auto* label = qobject_cast<WordmarkLabel*>(object)) return new WordmarkAccessible(label);
    return nullptr;
}

void hideTipOwnedBy(QWidget* widget) {
    HoverTip& tip = HoverTip::shared();
    if (tip.owner() == widget) tip.hide(); // a tip shown for another control is left alone
}

} // namespace

// --- HoverTip -----------------------------------------------------------------------------------------

HoverTip& HoverTip::shared() {
    static HoverTip tip;
    return tip;
}

void HoverTip::show(const QString& text, QWidget* view) {
    if (!view) return;
    QWidget* window = view->window();
    if (!window || !window->isVisible()) return;
    m_owner = view;

    auto* panel = static_cast<TipPanel*>(m_panel.data());
    if (!panel) {
        panel = new TipPanel(window);
        m_panel = panel;
        m_label = panel->label;
    } else if (panel->parentWidget() != window) {
        panel->setParent(window, TipPanel::tipFlags());
    }
    panel->label->setText(text);

    const int w = int(std::ceil(QFontMetricsF(panel->label->font()).horizontalAdvance(text))) + 16;
    const int h = 22;
    const QRect anchor(view->mapToGlobal(QPoint(0, 0)), view->size());
    const QRect frame = window->frameGeometry();
    qreal x = anchor.x() + anchor.width() / 2.0 - w / 2.0;
    x = std::max(x, qreal(frame.x() + 6));
    x = std::min(x, qreal(frame.x() + frame.width() - w - 6)); // the right bound wins when both cannot hold
    // Screen y grows downwards: the tip's top edge lies 6 below the view.
    const int y = anchor.y() + anchor.height() + 6;
    panel->setGeometry(int(std::round(x)), y, w, h);
    panel->show(); // a tooltip window stays above its parent
}

void HoverTip::hide() {
    m_owner = nullptr;
    if (m_panel) m_panel->hide();
}

bool HoverTip::isShowing() const {
    return m_panel && m_panel->isVisible();
}

QString HoverTip::text() const {
    return m_label ? m_label->text() : QString();
}

// --- WordmarkLabel ------------------------------------------------------------------------------------

WordmarkLabel::WordmarkLabel(QWidget* parent) : QLabel(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(wordmarkAccessibleFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setFocusPolicy(Qt::NoFocus);
    m_hintTimer.setSingleShot(true);
    m_hintTimer.setInterval(hintDelay());
    connect(&m_hintTimer, &QTimer::timeout, this, [this] {
        if (m_hovering) HoverTip::shared().show(hintText(), this);
    });
}

WordmarkLabel::~WordmarkLabel() {
    stopTracking();
}

QString WordmarkLabel::hintText() {
    return QStringLiteral("Psst. ") + modifierName(Qt::AltModifier) + QStringLiteral(" + click");
}

int WordmarkLabel::hintDelay() {
    static const int delay = HelpButton::hoverDelay();
    return delay;
}

void WordmarkLabel::setAccessibilityAction(const QString& name, std::function<bool()> handler) {
    m_actionName = name;
    m_actionHandler = std::move(handler);
}

bool WordmarkLabel::performAccessibilityAction() {
    return m_actionHandler ? m_actionHandler() : false;
}

void WordmarkLabel::hideHint() {
    m_hintTimer.stop();
    hideTipOwnedBy(this);
}

void WordmarkLabel::removeMonitor() {
    if (!m_clickMonitor) return;
    qApp->removeEventFilter(m_clickMonitor);
    delete m_clickMonitor;
    m_clickMonitor = nullptr;
}

void WordmarkLabel::stopTracking() {
    m_hovering = false;
    hideHint();
    removeMonitor();
}

void WordmarkLabel::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    m_hovering = true;
    m_hintTimer.start();
    if (!m_clickMonitor) {
        m_clickMonitor = new ClickMonitor(this);
        qApp->installEventFilter(m_clickMonitor);
    }
}

void WordmarkLabel::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    stopTracking();
}

void WordmarkLabel::hideEvent(QHideEvent* event) {
    stopTracking();
    QLabel::hideEvent(event);
}

void WordmarkLabel::mousePressEvent(QMouseEvent* event) {
    hideHint();
    if (event->button() != Qt::LeftButton) {
        event->ignore(); // falls through to the window behind
        return;
    }
    event->accept();
    if (event->modifiers() & Qt::AltModifier) {
        if (onOptionClick) onOptionClick();
    } else if (QWindow* window = this->window()->windowHandle()) {
        window->startSystemMove();
    }
}

void WordmarkLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

// --- HelpButton ---------------------------------------------------------------------------------------

HelpButton::HelpButton(const QString& glyph, QWidget* parent) : QAbstractButton(parent), m_glyph(glyph) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    m_tipTimer.setSingleShot(true);
    m_tipTimer.setInterval(hoverDelay());
    connect(&m_tipTimer, &QTimer::timeout, this, [this] {
        if (m_hovering && m_hoverText) HoverTip::shared().show(*m_hoverText, this);
    });
}

HelpButton::~HelpButton() {
    hideTip();
}

int HelpButton::hoverDelay() {
    return 450;
}

void HelpButton::setGlyph(const QString& glyph) {
    m_glyph = glyph;
    update();
}

void HelpButton::setSymbol(const std::optional<QString>& name) {
    m_symbol = name;
    update();
}

void HelpButton::setHoverText(const std::optional<QString>& text) {
    m_hoverText = text;
    setAccessibleDescription(text.value_or(QString()));
    HoverTip& tip = HoverTip::shared();
    if (tip.owner() != this) return;
    if (text)
        tip.show(*text, this);
    else
        tip.hide();
}

QSize HelpButton::sizeHint() const {
    return QSize(18, 18);
}

void HelpButton::scheduleTip() {
    m_tipTimer.stop();
    if (m_hoverText) m_tipTimer.start();
}

void HelpButton::hideTip() {
    m_tipTimer.stop();
    hideTipOwnedBy(this);
}

void HelpButton::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    m_hovering = true;
    update();
    scheduleTip();
}

void HelpButton::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    m_hovering = false;
    update();
    hideTip();
}

void HelpButton::hideEvent(QHideEvent* event) {
    hideTip();
    QAbstractButton::hideEvent(event);
}

void HelpButton::mousePressEvent(QMouseEvent* event) {
    hideTip();
    QAbstractButton::mousePressEvent(event);
}

void HelpButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor color = m_hovering ? Theme::text() : Theme::muted();
    if (isDown()) color.setAlphaF(float(Theme::pressedAlpha));
    if (m_symbol && SymbolPainter::draw(painter, *m_symbol, QRectF(rect()), color)) return;

    // An unknown symbol falls back to the circled glyph.
    painter.setPen(QPen(color, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5));
    const QFont font = tipFont();
    const QFontMetricsF metrics(font);
    const QSizeF size(metrics.horizontalAdvance(m_glyph), metrics.height());
    const QPointF topLeft = QRectF(rect()).center() - QPointF(size.width() / 2, size.height() / 2);
    painter.setFont(font);
    painter.drawText(QPointF(topLeft.x(), topLeft.y() + metrics.ascent()), m_glyph);
}

} // namespace VexilUI
