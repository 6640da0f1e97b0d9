#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace VexilUI {

// An image drawn scaled proportionally into the view, with a pointing hand over it; a click calls onClick.
class ClickableImageView : public QWidget {
    Q_OBJECT
public:
    explicit ClickableImageView(QWidget* parent = nullptr);
    std::function<void()> onClick;

    const QPixmap& image() const { return m_image; }
    void setImage(const QPixmap& image);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_image;
};

// Plays the frames of an animated GIF in a loop while it is animating.
class AnimatedImageView : public ClickableImageView {
    Q_OBJECT
public:
    explicit AnimatedImageView(QList<QImage> frames, QList<double> delays, QWidget* parent = nullptr);
    bool animates() const { return m_timer.isActive(); }
    void setAnimates(bool on);
    int frameIndex() const { return m_index; }

private:
    void showFrame(qsizetype index);

    QList<QImage> m_frames;
    QList<double> m_delays;
    qsizetype m_index = 0;
    QTimer m_timer;
};

// The About window: the icon, the name, the version and the credit. Showing it plays the icon animation
// once (or the user's own "about.gif"); a click on the icon toggles a small panel with an animated GIF.
class AboutWindowController : public QObject {
    Q_OBJECT
public:
    static constexpr int iconSize = 96;
    static constexpr int popupWidth = 240;
    static QString credit();
    static QString versionString();
    // The GIF the icon's panel shows, when the program ships one.
    static std::optional<QString> defaultClickGIF();

    AboutWindowController(std::optional<QString> dataDirectory, std::optional<QString> clickGIF,
                          QObject* parent = nullptr);
    ~AboutWindowController() override;

    QWidget* window() const { return m_window.get(); }
    ClickableImageView* iconView() const { return m_iconView; }
    QWidget* popover() const { return m_popover; }
    AnimatedImageView* popupView() const { return m_popupView; }
    const std::optional<QString>& clickGIF() const { return m_clickGIF; }
    bool isAnimating() const { return m_isAnimating; }
    int playCount() const { return m_playCount; }
    int framesShown() const { return m_framesShown; }
    bool isShowingStaticIcon() const;
    bool isPopupShown() const;

    // The desktop's request to keep motion down; Linux desktops offer none.
    static bool reduceMotionFlag() { return false; }

    void show();
    void playOnce(bool reduceMotion);
    void stop();
    void togglePopup();
    void close();
    void windowWillClose();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void showFrame(qsizetype index);
    void scheduleNext(qsizetype index);

    std::unique_ptr<QWidget> m_window;
    ClickableImageView* m_iconView = nullptr;
    QPointer<QWidget> m_popover;
    QPointer<AnimatedImageView> m_popupView;
    std::optional<QString> m_clickGIF;
    bool m_isAnimating = false;
    int m_playCount = 0;
    int m_framesShown = 0;
    std::optional<QString> m_dataDirectory;
    QPixmap m_staticIcon;
    QTimer m_timer;
    QList<QImage> m_cachedFrames;
    QList<QImage> m_playFrames;
    QList<double> m_playDelays;
};

} // namespace VexilUI
