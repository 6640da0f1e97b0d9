#include "ui/shell/AboutAnimation.h"

#include "core/values/DataFile.h"
#include "ui/shell/GifFile.h"

#include <QColorSpace>
#include <QDir>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace VexilUI::AboutAnimation {

const QColor& lime() {
    static const QColor color = QColor::fromRgb(223, 255, 87);
    return color;
}

const QColor& ink() {
    static const QColor color = QColor::fromRgb(23, 34, 26);
    return color;
}

namespace {

QColor withAlpha(const QColor& color, double alpha) {
    QColor copy = color;
    copy.setAlphaF(float(std::clamp(alpha, 0.0, 1.0)));
    return copy;
}

double easeInOutCubic(double u) {
    return u < 0.5 ? 4 * u * u * u : 1 - std::pow(2 - 2 * u, 3) / 2;
}

// Ease-out-back with the usual overshoot constant 1.70158.
double easeOutBack(double q) {
    const double x = q - 1;
    return 1 + 2.70158 * x * x * x + 1.70158 * x * x;
}

} // namespace

std::optional<QImage> frame(double t, int size, bool background, double tileFraction) {
    if (size <= 0) return std::nullopt;
    QImage image(size, size, QImage::Format_RGBA8888_Premultiplied);
    if (image.isNull()) return std::nullopt;
    image.setColorSpace(QColorSpace::SRgb);
    image.fill(Qt::transparent);

    const double s = size;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    // Drawn in y-up coordinates with the origin at the lower left, so positive angles turn
    // counter-clockwise on screen.
    painter.setTransform(QTransform(1, 0, 0, -1, 0, s));

    if (background) painter.fillRect(QRectF(0, 0, s, s), ink());

    const double spin = easeInOutCubic(std::clamp((t - 0.2) / 0.35, 0.0, 1.0));
    const double p = std::clamp((t - 0.5) / 0.3, 0.0, 1.0);
    const double restTile = tileFraction * s;

    if (p > 0 && p < 1) {
        const double r0 = 0.45 * restTile;
        const double distance = r0 + (0.97 * s / 2 - r0) * p;
        const double radius = 0.032 * s * (1 - 0.5 * p);
        painter.setBrush(withAlpha(lime(), 1 - p));
        for (int i = 0; i < 10; ++i) {
            const double a = 2 * std::numbers::pi * i / 10 + 0.3;
            painter.drawEllipse(QRectF(s / 2 + distance * std::cos(a) - radius,
                                       s / 2 + distance * std::sin(a) - radius, 2 * radius, 2 * radius));
        }
    }

    const double w = t > 0.8 ? restTile : restTile * easeOutBack(std::clamp(4 * t, 0.0, 1.0));
    if (w > 1) {
        QPainterPath tile;
        const double corner = 185 * w / 824;
        tile.addRoundedRect(QRectF((s - w) / 2, (s - w) / 2, w, w), corner, corner);
        painter.fillPath(tile, lime());

        painter.save();
        painter.translate(s / 2, s / 2);
        painter.rotate(spin * 180);
        const double length = 0.56 * w;
        const double bar = 0.145 * w;
        QPainterPath plus;
        plus.setFillRule(Qt::WindingFill);
        plus.addRoundedRect(QRectF(-length / 2, -bar / 2, length, bar), bar / 2, bar / 2);
        plus.addRoundedRect(QRectF(-bar / 2, -length / 2, bar, length), bar / 2, bar / 2);
        painter.fillPath(plus, ink());
        painter.restore();
    }
    painter.end();
    return image;
}

QList<QImage> frames(int size) {
    QList<QImage> list;
    list.reserve(frameCount);
    for (int i = 0; i < frameCount; ++i) {
        if (auto image = frame(double(i) / (frameCount - 1), size, false, iconTileFraction))
            list.append(*image);
    }
    return list;
}

QImage iconImage(int size) {
    QImage image = frame(1, size, false, iconTileFraction).value_or(QImage());
    image.setDevicePixelRatio(1);
    return image;
}

QByteArray makeGIF(int size, int frames, double frameDelay) {
    QList<GifFile::Frame> list;
    list.reserve(std::max(frames, 0));
    for (int i = 0; i < frames; ++i) {
        const double t = frames > 1 ? double(i) / (frames - 1) : 1.0;
        if (auto image = frame(t, size, true, gifTileFraction)) list.append({*image, frameDelay});
    }
    return GifFile::write(list, 0);
}

std::optional<CustomFrames> customFrames(const std::optional<QString>& dataDirectory) {
    if (!dataDirectory) return std::nullopt;
    // The data folder may hold anything under that name: only a regular file is read, and never waited on.
    const auto file = VexilCore::DataFile::read(QDir(*dataDirectory).filePath(QStringLiteral("about.gif")),
                                                VexilCore::DataFile::kMaxIndexBytes);
    if (!file.ok()) return std::nullopt;
    const auto animation = GifFile::read(file.bytes);
    if (!animation) return std::nullopt;
    CustomFrames custom;
    custom.frames = animation->frames;
    for (const std::optional<double>& declared : animation->delays)
        custom.delays.append(std::max(declared.value_or(0.1), 0.02));
    return custom;
}

} // namespace VexilUI::AboutAnimation
