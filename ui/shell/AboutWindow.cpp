#include "ui/shell/AboutWindow.h"

#include "core/about/VexilInfo.h"
#include "ui/shell/AboutAnimation.h"
#include "ui/shell/GifFile.h"
#include "ui/shell/WindowPlacement.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace VexilUI {

namespace {

// A file the program ships beside itself: in its resources or in its share folder.
std::optional<QString> shippedFile(const QString& name) {
    const QString candidates[] = {
        QStringLiteral(":/vexil/") + name,
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../share/vexil/") + name),
    };
    for (const QString& path : candidates)
        if (QFileInfo(path).isFile()) return QDir::cleanPath(path);
    return std::nullopt;
}

QLabel* label(const QString& text, int pixelSize, bool bold, bool secondary, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    label->setFont(font);
    label->setAlignment(Qt::AlignHCenter);
    if (secondary) {
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, pal.color(QPalette::PlaceholderText));
        label->setPalette(pal);
    }
    return label;
}

// A frame as an image of iconSize points whatever its pixel size.
QPixmap pointImage(const QImage& image, int points) {
    QPixmap pixmap = QPixmap::fromImage(image);
    if (image.width() > 0) pixmap.setDevicePixelRatio(qreal(image.width()) / points);
    return pixmap;
}

} // namespace

ClickableImageView::ClickableImageView(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::PointingHandCursor);
}

void ClickableImageView::setImage(const QPixmap& image) {
    m_image = image;
    update();
}

void ClickableImageView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    event->accept(); // goes no further, set or not
    if (onClick) onClick();
}

void ClickableImageView::paintEvent(QPaintEvent*) {
    if (m_image.isNull()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSizeF size = m_image.deviceIndependentSize().scaled(QSizeF(this->size()), Qt::KeepAspectRatio);
    const QRectF target(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    painter.drawPixmap(target, m_image, QRectF(m_image.rect()));
}

AnimatedImageView::AnimatedImageView(QList<QImage> frames, QList<double> delays, QWidget* parent)
    : ClickableImageView(parent), m_frames(std::move(frames)), m_delays(std::move(delays)) {
    setCursor(Qt::ArrowCursor);
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { showFrame((m_index + 1) % m_frames.size()); });
    if (!m_frames.isEmpty()) showFrame(0);
}

void AnimatedImageView::showFrame(qsizetype index) {
    m_index = index;
    setImage(QPixmap::fromImage(m_frames[index]));
    if (m_frames.size() > 1) m_timer.start(int(std::lround(m_delays.value(index, 0.1) * 1000)));
}

void AnimatedImageView::setAnimates(bool on) {
    if (!on) {
        m_timer.stop();
        return;
    }
    if (!m_timer.isActive() && m_frames.size() > 1) showFrame(m_index);
}

QString AboutWindowController::credit() {
    return VexilCore::VexilInfo::credit.toString();
}

QString AboutWindowController::versionString() {
    QString text = QStringLiteral("Version ");
#ifdef VEXIL_VERSION
    text += QStringLiteral(VEXIL_VERSION);
#else
    text += QStringLiteral("dev");
#endif
#ifdef VEXIL_BUILD
    text += QStringLiteral(" (") + QStringLiteral(VEXIL_BUILD) + u')';
#endif
    return text;
}

std::optional<QString> AboutWindowController::defaultClickGIF() {
    return shippedFile(QStringLiteral("AboutClick.gif"));
}

AboutWindowController::AboutWindowController(std::optional<QString> dataDirectory,
                                             std::optional<QString> clickGIF, QObject* parent)
    : QObject(parent), m_clickGIF(std::move(clickGIF)), m_dataDirectory(std::move(dataDirectory)) {
    if (const std::optional<QString> icon = shippedFile(QStringLiteral("AppIcon.png")))
        m_staticIcon = QPixmap(*icon);
    if (m_staticIcon.isNull()) m_staticIcon = QPixmap::fromImage(AboutAnimation::iconImage(256));
    // The resting icon is shown at 96 points, whatever its pixels.
    if (m_staticIcon.width() > 0) m_staticIcon.setDevicePixelRatio(qreal(m_staticIcon.width()) / iconSize);

    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);

    m_window = std::make_unique<QWidget>(nullptr, fixedDialogFlags());
    m_window->setWindowTitle(QStringLiteral("About VEXIL"));
    m_window->resize(300, 250);
    m_window->installEventFilter(this);
    build();
}

AboutWindowController::~AboutWindowController() {
    m_timer.stop();
    if (m_popover) delete m_popover.data();
}

void AboutWindowController::build() {
    auto* container = new QWidget(m_window.get());
    container->installEventFilter(this); // dragging the background moves the window

    m_iconView = new ClickableImageView(container);
    m_iconView->setImage(m_staticIcon);
    m_iconView->setFixedSize(iconSize, iconSize);
    m_iconView->setAccessibleName(QStringLiteral("VEXIL Icon"));
    if (m_clickGIF) {
        m_iconView->setAccessibleDescription(QStringLiteral("Click to play a GIF"));
        const QPointer<AboutWindowController> weak(this);
        m_iconView->onClick = [weak] {
            if (weak) weak->togglePopup();
        };
    }

    auto* stack = new QVBoxLayout;
    stack->setSpacing(6);
    stack->addWidget(m_iconView, 0, Qt::AlignHCenter);
    stack->addSpacing(10 - 6);
    stack->addWidget(label(QStringLiteral("VEXIL"), 15, true, false, container), 0, Qt::AlignHCenter);
    stack->addWidget(label(versionString(), 11, false, true, container), 0, Qt::AlignHCenter);
    stack->addWidget(label(credit(), 11, false, true, container), 0, Qt::AlignHCenter);

    auto* column = new QVBoxLayout(container);
    column->setContentsMargins(0, 34, 0, 22);
    column->addLayout(stack);
    container->setFixedWidth(300);

    auto* outer = new QVBoxLayout(m_window.get());
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(container);
    m_window->setFixedSize(300, container->sizeHint().height());
}

bool AboutWindowController::isShowingStaticIcon() const {
    return m_iconView->image().cacheKey() == m_staticIcon.cacheKey();
}

bool AboutWindowController::isPopupShown() const {
    return m_popover && m_popover->isVisible();
}

void AboutWindowController::show() {
    showCentred(m_window.get());
    playOnce(reduceMotionFlag());
}

void AboutWindowController::playOnce(bool reduceMotion) {
    stop();
    if (reduceMotion) return;
    const int px = int(std::max<qreal>(1, m_window->devicePixelRatioF()) * iconSize);
    if (std::optional<AboutAnimation::CustomFrames> custom = AboutAnimation::customFrames(m_dataDirectory);
        custom && !custom->frames.isEmpty()) {
        m_playFrames = custom->frames;
        m_playDelays = custom->delays;
    } else {
        if (m_cachedFrames.isEmpty() || m_cachedFrames.first().width() != px)
            m_cachedFrames = AboutAnimation::frames(px);
        m_playFrames = m_cachedFrames;
        m_playDelays = QList<double>(m_playFrames.size(), AboutAnimation::frameDelay);
    }
    if (m_playFrames.isEmpty()) return;
    ++m_playCount;
    m_framesShown = 0;
    m_isAnimating = true;
    showFrame(0);
    scheduleNext(0);
}

void AboutWindowController::showFrame(qsizetype index) {
    m_iconView->setImage(pointImage(m_playFrames[index], iconSize));
    ++m_framesShown;
}

void AboutWindowController::scheduleNext(qsizetype index) {
    m_timer.disconnect();
    // The timer belongs to the controller, so it dies with it.
    connect(&m_timer, &QTimer::timeout, this, [this, index] {
        const qsizetype next = index + 1;
        if (next < m_playFrames.size()) {
            showFrame(next);
            scheduleNext(next);
        } else {
            stop();
        }
    });
    m_timer.start(int(std::lround(m_playDelays.value(index, AboutAnimation::frameDelay) * 1000)));
}

void AboutWindowController::stop() {
    m_timer.stop();
    m_isAnimating = false;
    m_iconView->setImage(m_staticIcon);
}

void AboutWindowController::togglePopup() {
    if (isPopupShown()) {
        m_popover->close();
        return;
    }
    if (!m_clickGIF) return;
    const std::optional<GifFile::Animation> gif = GifFile::read(*m_clickGIF);
    if (!gif || gif->frames.isEmpty() || gif->size.width() <= 0) return;
    const int h = int(std::lround(double(popupWidth) * gif->size.height() / gif->size.width()));

    QList<double> delays;
    for (const std::optional<double>& delay : gif->delays)
        delays.append(std::max(delay.value_or(0.1), 0.02));
    if (m_popover) m_popover->deleteLater();
    // A popup closes on a click outside it; that click must not reach the icon and reopen it.
    auto* panel = new QWidget(m_window.get(), Qt::Popup | Qt::FramelessWindowHint);
    panel->setAttribute(Qt::WA_NoMouseReplay);
    panel->setFixedSize(popupWidth, h);
    panel->installEventFilter(this);
    auto* view = new AnimatedImageView(gif->frames, delays, panel);
    view->setGeometry(0, 0, popupWidth, h);
    view->setAccessibleName(QStringLiteral("Animated GIF"));
    m_popover = panel;
    m_popupView = view;

    // Beside the icon's right edge, centred on it.
    const QPoint anchor = m_iconView->mapToGlobal(QPoint(m_iconView->width(), m_iconView->height() / 2));
    panel->move(anchor.x(), anchor.y() - h / 2);
    panel->show();
}

void AboutWindowController::windowWillClose() {
    stop();
    if (m_popover) m_popover->close();
}

void AboutWindowController::close() {
    windowWillClose();
    m_window->close();
}

bool AboutWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window.get() && event->type() == QEvent::Close) {
        windowWillClose();
    } else if (watched == m_popover && event->type() == QEvent::Hide) {
        if (m_popupView) m_popupView->setAnimates(false); // the panel closed: its GIF rests
    } else if (event->type() == QEvent::MouseButtonPress && watched != m_popover) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && m_window->windowHandle())
            m_window->windowHandle()->startSystemMove();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace VexilUI
