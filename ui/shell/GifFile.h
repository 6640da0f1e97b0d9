#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QSize>
#include <QString>

#include <optional>

namespace VexilUI {

// Animated GIF files through giflib, so that reading and writing depend on no image plugin.
namespace GifFile {

struct Frame {
    QImage image;
    double delay = 0; // seconds
};

// Writes the frames as one animated GIF of the first frame's size; every frame is drawn at the origin,
// opaque (alpha is dropped), with at most 256 colours of its own. Delays are stored in hundredths of a
// second. loopCount 0 repeats forever. Frames of another size are skipped. Empty bytes when there is
// nothing to write or the encoder cannot start.
QByteArray write(const QList<Frame>& frames, int loopCount);

struct Animation {
    QSize size;                          // the logical screen
    QList<QImage> frames;                // composed as shown, each of `size`, ARGB32 premultiplied
    QList<std::optional<double>> delays; // seconds; none when the frame declares no delay
    std::optional<int> loopCount;        // none when the file carries no loop extension
};

// What one file may make the reader hold. A header may claim any screen up to 65535 × 65535, and every
// frame is a whole screen however small its image, so a tiny file could otherwise ask for gigabytes;
// the About window shows the animation 96 points wide.
inline constexpr int maxSide = 2048;
inline constexpr qint64 maxTotalPixels = qint64(2) * maxSide * maxSide; // all frames together, 32 MB

// Reads every frame that decodes, composed over the earlier ones as the frame's disposal asks. A frame
// that cannot be decoded is left out; data that breaks the stream ends the reading with the frames so
// far, and so does a frame that would take the frames past maxTotalPixels. Nothing when the file is
// missing, is no GIF, its screen is wider or taller than maxSide or it holds no decodable frame.
std::optional<Animation> read(const QString& path);
std::optional<Animation> read(const QByteArray& data);

} // namespace GifFile
} // namespace VexilUI
