#include "ui/shell/GifFile.h"

#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QScopeGuard>

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace VexilUI::GifFile {

namespace {

int appendOutput(GifFileType* gif, const GifByteType* bytes, int length) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), length);
    return length;
}

int readInput(GifFileType* gif, GifByteType* bytes, int length) {
    const qint64 n = static_cast<QIODevice*>(gif->UserData)->read(reinterpret_cast<char*>(bytes), length);
    return n < 0 ? 0 : int(n);
}

int channel(QRgb color, int which) {
    return which == 0 ? qRed(color) : which == 1 ? qGreen(color) : qBlue(color);
}

struct ColorCount {
    QRgb color;
    qint64 count;
};

// Median cut: split the box with the widest channel range at its pixel-weighted median until there
// are 256 boxes; each box gives its weighted mean. Few colours are kept exactly.
QList<QRgb> paletteFor(const QHash<QRgb, qint64>& histogram) {
    std::vector<ColorCount> entries;
    entries.reserve(histogram.size());
    for (auto it = histogram.cbegin(); it != histogram.cend(); ++it)
        entries.push_back({it.key(), it.value()});
    std::sort(entries.begin(), entries.end(),
              [](const ColorCount& a, const ColorCount& b) { return a.color < b.color; });
    QList<QRgb> palette;
    if (entries.size() <= 256) {
        for (const ColorCount& entry : entries)
            palette.append(entry.color);
        return palette;
    }
    struct Box {
        size_t begin, end;
    };
    std::vector<Box> boxes{{0, entries.size()}};
    auto widest = [&](const Box& box, int& which) {
        int best = -1;
        for (int c = 0; c < 3; ++c) {
            int lo = 255, hi = 0;
            for (size_t i = box.begin; i < box.end; ++i) {
                lo = std::min(lo, channel(entries[i].color, c));
                hi = std::max(hi, channel(entries[i].color, c));
            }
            if (hi - lo > best) {
                best = hi - lo;
                which = c;
            }
        }
        return best;
    };
    while (boxes.size() < 256) {
        int bestRange = 0, bestChannel = 0;
        size_t bestBox = boxes.size();
        for (size_t b = 0; b < boxes.size(); ++b) {
            if (boxes[b].end - boxes[b].begin < 2) continue;
            int which = 0;
            const int range = widest(boxes[b], which);
            if (range > bestRange) {
                bestRange = range;
                bestChannel = which;
                bestBox = b;
            }
        }
        if (bestBox == boxes.size()) break;
        const Box box = boxes[bestBox];
        std::sort(entries.begin() + box.begin, entries.begin() + box.end,
                  [&](const ColorCount& a, const ColorCount& b) {
                      return channel(a.color, bestChannel) < channel(b.color, bestChannel);
                  });
        qint64 total = 0;
        for (size_t i = box.begin; i < box.end; ++i)
            total += entries[i].count;
        qint64 running = 0;
        size_t split = box.begin + 1;
        for (size_t i = box.begin; i < box.end - 1; ++i) {
            running += entries[i].count;
            split = i + 1;
            if (running * 2 >= total) break;
        }
        boxes[bestBox] = {box.begin, split};
        boxes.push_back({split, box.end});
    }
    for (const Box& box : boxes) {
        double r = 0, g = 0, b = 0, n = 0;
        for (size_t i = box.begin; i < box.end; ++i) {
            const double w = double(entries[i].count);
            r += qRed(entries[i].color) * w;
            g += qGreen(entries[i].color) * w;
            b += qBlue(entries[i].color) * w;
            n += w;
        }
        palette.append(qRgb(int(std::lround(r / n)), int(std::lround(g / n)), int(std::lround(b / n))));
    }
    return palette;
}

int nearest(const QList<QRgb>& palette, QRgb color) {
    int best = 0;
    int bestDistance = INT_MAX;
    for (int i = 0; i < palette.size(); ++i) {
        const int dr = qRed(palette[i]) - qRed(color);
        const int dg = qGreen(palette[i]) - qGreen(color);
        const int db = qBlue(palette[i]) - qBlue(color);
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

bool putFrame(GifFileType* gif, const QImage& source, double delay) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int width = image.width();
    const int height = image.height();

    QHash<QRgb, qint64> histogram;
    for (int y = 0; y < height; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x)
            ++histogram[line[x] | 0xFF000000u];
    }
    const QList<QRgb> palette = paletteFor(histogram);

    int mapSize = 2;
    while (mapSize < palette.size())
        mapSize *= 2;
    std::vector<GifColorType> colors(size_t(mapSize), GifColorType{0, 0, 0});
    for (int i = 0; i < palette.size(); ++i)
        colors[size_t(i)] = {GifByteType(qRed(palette[i])), GifByteType(qGreen(palette[i])),
                             GifByteType(qBlue(palette[i]))};

    QHash<QRgb, GifPixelType> indexOf;
    indexOf.reserve(histogram.size());
    for (auto it = histogram.cbegin(); it != histogram.cend(); ++it)
        indexOf.insert(it.key(), GifPixelType(nearest(palette, it.key())));

    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.UserInputFlag = false;
    const double hundredths = std::isfinite(delay) ? std::round(delay * 100.0) : 0.0;
    control.DelayTime = int(std::clamp(hundredths, 0.0, 65535.0));
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    const size_t extensionLength = EGifGCBToExtension(&control, extension);
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(extensionLength), extension) == GIF_ERROR)
        return false;

    ColorMapObject* map = GifMakeMapObject(mapSize, colors.data());
    if (!map) return false;
    const bool described = EGifPutImageDesc(gif, 0, 0, width, height, false, map) != GIF_ERROR;
    GifFreeMapObject(map);
    if (!described) return false;

    std::vector<GifPixelType> row(static_cast<size_t>(width));
    for (int y = 0; y < height; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x)
            row[size_t(x)] = indexOf.value(line[x] | 0xFF000000u);
        if (EGifPutLine(gif, row.data(), width) == GIF_ERROR) return false;
    }
    return true;
}

bool putLoopCount(GifFileType* gif, int loopCount) {
    const int count = std::clamp(loopCount, 0, 65535);
    const GifByteType data[3] = {1, GifByteType(count & 0xFF), GifByteType((count >> 8) & 0xFF)};
    return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) != GIF_ERROR &&
           EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") != GIF_ERROR &&
           EGifPutExtensionBlock(gif, 3, data) != GIF_ERROR && EGifPutExtensionTrailer(gif) != GIF_ERROR;
}

// Skips an image's compressed data without decoding it.
bool skipImageData(GifFileType* gif) {
    int codeSize = 0;
    GifByteType* block = nullptr;
    if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR) return false;
    while (block) {
        if (DGifGetCodeNext(gif, &block) == GIF_ERROR) return false;
    }
    return true;
}

bool readRaster(GifFileType* gif, const GifImageDesc& desc, std::vector<GifPixelType>& raster) {
    const int width = desc.Width;
    const int height = desc.Height;
    raster.assign(size_t(width) * size_t(height), 0);
    if (!desc.Interlace) return DGifGetLine(gif, raster.data(), width * height) != GIF_ERROR;
    static constexpr std::array<int, 4> offsets{0, 4, 2, 1};
    static constexpr std::array<int, 4> steps{8, 8, 4, 2};
    for (size_t pass = 0; pass < offsets.size(); ++pass) {
        for (int y = offsets[pass]; y < height; y += steps[pass]) {
            if (DGifGetLine(gif, raster.data() + size_t(y) * size_t(width), width) == GIF_ERROR) return false;
        }
    }
    return true;
}

std::optional<Animation> readDevice(QIODevice& device) {
    int error = 0;
    GifFileType* gif = DGifOpen(&device, readInput, &error);
    if (!gif) return std::nullopt;
    const auto close = qScopeGuard([gif] {
        int closeError = 0;
        DGifCloseFile(gif, &closeError);
    });

    const int screenWidth = gif->SWidth;
    const int screenHeight = gif->SHeight;
    if (screenWidth <= 0 || screenHeight <= 0 || screenWidth > maxSide || screenHeight > maxSide)
        return std::nullopt;

    Animation animation;
    animation.size = QSize(screenWidth, screenHeight);
    QImage canvas; // made at the first frame: a header alone costs nothing
    const qint64 framePixels = qint64(screenWidth) * screenHeight;

    // The graphic control block that applies to the next image, when one came.
    GraphicsControlBlock control{};
    bool hasControl = false;
    std::vector<GifPixelType> raster;
    bool more = true;
    while (more) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) break;
        switch (type) {
        case IMAGE_DESC_RECORD_TYPE: {
            if (DGifGetImageDesc(gif) == GIF_ERROR) {
                more = false;
                break;
            }
            const GifImageDesc desc = gif->Image;
            const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
            const bool withinBudget = qint64(animation.frames.size() + 1) * framePixels <= maxTotalPixels;
            const bool decodable = map && map->Colors && desc.Width > 0 && desc.Height > 0 &&
                                   desc.Width <= maxSide && desc.Height <= maxSide;
            if (!withinBudget) {
                more = false;
                break;
            }
            if (!decodable) {
                more = skipImageData(gif);
                hasControl = false;
                break;
            }
            if (!readRaster(gif, desc, raster)) {
                more = false; // the stream cannot be followed past broken image data
                break;
            }
            if (canvas.isNull()) {
                canvas = QImage(screenWidth, screenHeight, QImage::Format_ARGB32);
                if (canvas.isNull()) return std::nullopt;
                canvas.fill(Qt::transparent);
            }
            const int disposal = hasControl ? control.DisposalMode : DISPOSAL_UNSPECIFIED;
            const int transparent = hasControl ? control.TransparentColor : NO_TRANSPARENT_COLOR;
            const QImage previous = disposal == DISPOSE_PREVIOUS ? canvas.copy() : QImage();
            const QRect area = QRect(desc.Left, desc.Top, desc.Width, desc.Height) & canvas.rect();
            for (int y = area.top(); y <= area.bottom(); ++y) {
                QRgb* line = reinterpret_cast<QRgb*>(canvas.scanLine(y));
                const GifPixelType* source = raster.data() + size_t(y - desc.Top) * size_t(desc.Width);
                for (int x = area.left(); x <= area.right(); ++x) {
                    const int index = source[x - desc.Left];
                    if (index == transparent || index >= map->ColorCount) continue;
                    const GifColorType& c = map->Colors[index];
                    line[x] = qRgb(c.Red, c.Green, c.Blue);
                }
            }
            animation.frames.append(canvas.convertToFormat(QImage::Format_ARGB32_Premultiplied));
            animation.delays.append(hasControl ? std::optional<double>(control.DelayTime / 100.0)
                                               : std::nullopt);
            if (disposal == DISPOSE_BACKGROUND) {
                for (int y = area.top(); y <= area.bottom(); ++y) {
                    QRgb* line = reinterpret_cast<QRgb*>(canvas.scanLine(y));
                    std::fill(line + area.left(), line + area.right() + 1, QRgb(0));
                }
            } else if (disposal == DISPOSE_PREVIOUS) {
                canvas = previous;
            }
            hasControl = false;
            break;
        }
        case EXTENSION_RECORD_TYPE: {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) {
                more = false;
                break;
            }
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] == 4) {
                GraphicsControlBlock parsed{};
                if (DGifExtensionToGCB(block[0], block + 1, &parsed) != GIF_ERROR) {
                    control = parsed;
                    hasControl = true;
                }
            }
            const bool looping = code == APPLICATION_EXT_FUNC_CODE && block && block[0] == 11 &&
                                 (std::memcmp(block + 1, "NETSCAPE2.0", 11) == 0 ||
                                  std::memcmp(block + 1, "ANIMEXTS1.0", 11) == 0);
            while (block) {
                if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) {
                    more = false;
                    break;
                }
                if (looping && block && block[0] >= 3 && block[1] == 1)
                    animation.loopCount = block[2] | (block[3] << 8);
            }
            break;
        }
        default: // the trailer, or anything that is no record
            more = false;
            break;
        }
    }
    if (animation.frames.isEmpty()) return std::nullopt;
    return animation;
}

} // namespace

QByteArray write(const QList<Frame>& frames, int loopCount) {
    if (frames.isEmpty() || frames.first().image.isNull()) return {};
    const QSize size = frames.first().image.size();
    if (size.width() > 65535 || size.height() > 65535) return {};

    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendOutput, &error);
    if (!gif) return {};
    EGifSetGifVersion(gif, true);
    bool ok = EGifPutScreenDesc(gif, size.width(), size.height(), 8, 0, nullptr) != GIF_ERROR &&
              putLoopCount(gif, loopCount);
    for (const Frame& frame : frames) {
        if (!ok) break;
        if (frame.image.size() != size) continue;
        ok = putFrame(gif, frame.image, frame.delay);
    }
    EGifCloseFile(gif, &error);
    return ok ? out : QByteArray();
}

std::optional<Animation> read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return readDevice(file);
}

std::optional<Animation> read(const QByteArray& data) {
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly)) return std::nullopt;
    return readDevice(buffer);
}

} // namespace VexilUI::GifFile
