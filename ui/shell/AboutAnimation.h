#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QString>

#include <optional>

namespace VexilUI {

// The program's icon animation: a lime rounded square pops in, the dark plus on it spins half a turn and
// a ring of ten lime dots bursts outward and fades. Draws single frames, the whole sequence, an animated
// GIF of it, and reads a user's own "about.gif" in its place.
namespace AboutAnimation {

const QColor& lime(); // #DFFF57, the tile and the dots
const QColor& ink();  // #17221A, the background and the plus

inline constexpr int frameCount = 48;
inline constexpr double frameDelay = 0.04; // seconds, every drawn frame

// The tile's side as a fraction of the square's: the icon without background, and the GIF's frames.
inline constexpr double iconTileFraction = 0.8046875;
inline constexpr double gifTileFraction = 0.62;

// One frame at progress t (0 = start, 1 = rest): size × size pixels, RGBA premultiplied, sRGB,
// transparent unless `background` fills it with ink. Nothing when the bitmap cannot be created.
std::optional<QImage> frame(double t, int size, bool background, double tileFraction);

// The frameCount frames for progress i / 47, no background, icon tile fraction; a frame that cannot
// be drawn is left out.
QList<QImage> frames(int size);

// The rest frame at size pixels, no background, icon tile fraction (device pixel ratio 1).
QImage iconImage(int size);

// An animated GIF of `frames` frames (progress i / (frames - 1); a single frame is the rest frame) on the
// ink background with the GIF tile fraction, every frame with `frameDelay` seconds, looping forever.
// Empty bytes when no GIF could be made.
QByteArray makeGIF(int size, int frames, double frameDelay);

struct CustomFrames {
    QList<QImage> frames;
    QList<double> delays; // seconds, one per frame
};

// The frames and delays of dataDirectory/"about.gif": a frame without a delay plays 0.1 s, none plays
// shorter than 0.02 s. Nothing when there is no directory or the file is missing, unreadable or empty.
std::optional<CustomFrames> customFrames(const std::optional<QString>& dataDirectory);

} // namespace AboutAnimation
} // namespace VexilUI
