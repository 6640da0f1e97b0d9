#include "ui/shell/GifFile.h"
#include "ui/shell/AboutAnimation.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <optional>
#include <vector>

using namespace VexilUI;

namespace {

int append(GifFileType* gif, const GifByteType* bytes, int length) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), length);
    return length;
}

struct RawFrame {
    QRect rect;
    std::vector<GifPixelType> pixels; // rect.width() × rect.height() indices
    bool withColorMap = true;
    std::optional<GraphicsControlBlock> control;
};

// Removes the local colour table of the image at `index`: giflib's encoder refuses an image without one.
QByteArray withoutColorMap(QByteArray bytes, int index) {
    auto at = [&](qsizetype i) { return quint8(bytes[i]); };
    qsizetype pos = 13 + ((at(10) & 0x80) ? 3 * (2 << (at(10) & 7)) : 0);
    auto skipSubBlocks = [&] {
        while (at(pos) != 0)
            pos += at(pos) + 1;
        ++pos;
    };
    int image = 0;
    while (pos < bytes.size() && at(pos) != 0x3B) {
        if (at(pos) == 0x21) {
            pos += 2;
            skipSubBlocks();
            continue;
        }
        const qsizetype packed = pos + 9;
        const qsizetype table = (at(packed) & 0x80) ? 3 * (2 << (at(packed) & 7)) : 0;
        if (image++ == index) {
            bytes[packed] = char(at(packed) & 0x78);
            bytes.remove(packed + 1, table);
            return bytes;
        }
        pos = packed + 1 + table + 1; // the table and the LZW code size
        skipSubBlocks();
    }
    return bytes;
}

// A GIF written directly with giflib, for what our writer never produces: frames without a delay or a
// colour map, sub-rectangles, transparency and disposal.
QByteArray handMade(QSize screen, const std::vector<RawFrame>& frames, bool globalMap) {
    GifColorType colors[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, append, &error);
    EGifSetGifVersion(gif, true);
    ColorMapObject* map = GifMakeMapObject(4, colors);
    EGifPutScreenDesc(gif, screen.width(), screen.height(), 8, 0, globalMap ? map : nullptr);
    for (const RawFrame& frame : frames) {
        if (frame.control) {
            GifByteType ext[4];
            const size_t n = EGifGCBToExtension(&*frame.control, ext);
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(n), ext);
        }
        EGifPutImageDesc(gif, frame.rect.x(), frame.rect.y(), frame.rect.width(), frame.rect.height(), false,
                         globalMap ? nullptr : map);
        std::vector<GifPixelType> pixels = frame.pixels;
        EGifPutLine(gif, pixels.data(), int(pixels.size()));
    }
    GifFreeMapObject(map);
    EGifCloseFile(gif, &error);
    if (!globalMap) {
        for (int i = int(frames.size()) - 1; i >= 0; --i)
            if (!frames[size_t(i)].withColorMap) out = withoutColorMap(out, i);
    }
    return out;
}

GraphicsControlBlock control(int delay, int disposal = DISPOSE_DO_NOT,
                             int transparent = NO_TRANSPARENT_COLOR) {
    GraphicsControlBlock block{};
    block.DisposalMode = disposal;
    block.DelayTime = delay;
    block.TransparentColor = transparent;
    return block;
}

RawFrame filled(QRect rect, GifPixelType index, std::optional<GraphicsControlBlock> gcb,
                bool withMap = true) {
    return {rect, std::vector<GifPixelType>(size_t(rect.width() * rect.height()), index), withMap, gcb};
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

int maxDifference(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    int worst = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    return worst;
}

} // namespace

TEST(GifFile, AnimationGifReadsBackAsDrawn) {
    const QByteArray bytes = AboutAnimation::makeGIF(240, 48, 0.04);
    ASSERT_TRUE(bytes.startsWith("GIF89a"));
    const auto animation = GifFile::read(bytes);
    ASSERT_TRUE(animation.has_value());
    EXPECT_EQ(animation->size, QSize(240, 240));
    ASSERT_EQ(animation->frames.size(), 48);
    ASSERT_EQ(animation->delays.size(), 48);
    for (const auto& delay : animation->delays)
        EXPECT_EQ(delay, std::optional<double>(0.04));
    EXPECT_EQ(animation->loopCount, std::optional<int>(0));

    const QImage first = animation->frames.first();
    for (int y = 0; y < 240; y += 5)
        for (int x = 0; x < 240; x += 5)
            ASSERT_EQ(first.pixel(x, y), qRgb(23, 34, 26)) << x << "," << y;

    // Quantised to each frame's palette, the frames stay close to the drawing.
    for (int i : {5, 20, 30, 36, 47}) {
        const QImage drawn = *AboutAnimation::frame(i / 47.0, 240, true, AboutAnimation::gifTileFraction);
        EXPECT_LE(maxDifference(animation->frames[i], drawn), 12) << i;
    }
    const QImage last = animation->frames.last();
    EXPECT_EQ(last.pixel(120, 120), qRgb(23, 34, 26));
    EXPECT_EQ(last.pixel(120 + 60, 120 - 60), qRgb(223, 255, 87) | 0xFF000000u);
}

TEST(GifFile, WritesManyColoursDelaysAndLoopCount) {
    QImage gradient(40, 24, QImage::Format_RGB32);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 40; ++x)
            gradient.setPixel(x, y, qRgb(x * 6, y * 10, (x * y) % 256));
    QImage plain(40, 24, QImage::Format_ARGB32);
    plain.fill(qRgb(10, 200, 30));
    QImage wrongSize(10, 10, QImage::Format_RGB32);
    wrongSize.fill(Qt::white);

    const QByteArray bytes =
        GifFile::write({{gradient, 0.5}, {wrongSize, 0.3}, {plain, 0}, {gradient, 2.456}}, 3);
    const auto animation = GifFile::read(bytes);
    ASSERT_TRUE(animation.has_value());
    EXPECT_EQ(animation->size, QSize(40, 24));
    ASSERT_EQ(animation->frames.size(), 3);
    EXPECT_EQ(animation->delays, (QList<std::optional<double>>{0.5, 0.0, 2.46}));
    EXPECT_EQ(animation->loopCount, std::optional<int>(3));
    EXPECT_LE(maxDifference(animation->frames[0], gradient), 24);
    EXPECT_EQ(maxDifference(animation->frames[1], plain), 0);
}

TEST(GifFile, NothingToWrite) {
    EXPECT_TRUE(GifFile::write({}, 0).isEmpty());
    EXPECT_TRUE(GifFile::write({{QImage(), 0.1}}, 0).isEmpty());
    EXPECT_TRUE(AboutAnimation::makeGIF(0, 48, 0.04).isEmpty());
    EXPECT_TRUE(AboutAnimation::makeGIF(32, 0, 0.04).isEmpty());
    // One frame has no progress range: it is the resting icon.
    const auto single = GifFile::read(AboutAnimation::makeGIF(32, 1, 0.04));
    ASSERT_TRUE(single.has_value());
    ASSERT_EQ(single->frames.size(), 1);
    EXPECT_EQ(single->frames[0].pixel(16, 16), qRgb(23, 34, 26));
    EXPECT_EQ(single->frames[0].pixel(16 + 7, 16 - 7), qRgb(223, 255, 87) | 0xFF000000u);
}

TEST(GifFile, ComposesSubRectanglesWithTransparencyAndDisposal) {
    const QSize screen(8, 8);
    std::vector<RawFrame> frames;
    frames.push_back(filled(QRect(0, 0, 8, 8), 1, std::nullopt));                   // red
    frames.push_back(filled(QRect(2, 2, 4, 4), 2, control(5, DISPOSE_BACKGROUND))); // green square
    RawFrame holes = filled(QRect(0, 0, 4, 4), 3, control(7, DISPOSE_PREVIOUS, 0)); // blue, index 0 clear
    holes.pixels[0] = 0;
    frames.push_back(holes);
    frames.push_back(filled(QRect(6, 6, 4, 4), 2, control(9))); // clipped at the edge
    const auto animation = GifFile::read(handMade(screen, frames, true));
    ASSERT_TRUE(animation.has_value());
    ASSERT_EQ(animation->frames.size(), 4);
    EXPECT_FALSE(animation->loopCount.has_value());
    EXPECT_EQ(animation->delays, (QList<std::optional<double>>{std::nullopt, 0.05, 0.07, 0.09}));
    const QRgb red = qRgb(255, 0, 0), green = qRgb(0, 255, 0), blue = qRgb(0, 0, 255), clear = 0;
    EXPECT_EQ(animation->frames[1].pixel(3, 3), green);
    EXPECT_EQ(animation->frames[1].pixel(0, 0), red);
    // The green square was disposed to the background (transparent) after its frame.
    EXPECT_EQ(animation->frames[2].pixel(0, 0), red); // the transparent index shows the canvas below
    EXPECT_EQ(animation->frames[2].pixel(1, 1), blue);
    EXPECT_EQ(animation->frames[2].pixel(5, 5), clear);
    EXPECT_EQ(animation->frames[2].pixel(7, 7), red);
    // The blue frame was disposed to the previous canvas.
    EXPECT_EQ(animation->frames[3].pixel(1, 1), red);
    EXPECT_EQ(animation->frames[3].pixel(3, 3), clear);
    EXPECT_EQ(animation->frames[3].pixel(7, 7), green);
}

// Every frame is a whole screen: a small file of one-pixel images on a large screen stops at the frame
// budget (eight frames of 1024 × 1024) instead of growing to hundreds of megabytes.
TEST(GifFile, TinyFramesOnALargeScreenStopAtTheFrameBudget) {
    std::vector<RawFrame> frames;
    for (int i = 0; i < 12; ++i)
        frames.push_back(filled(QRect(i, i, 1, 1), 1, control(2, DISPOSE_PREVIOUS)));
    const QByteArray bytes = handMade(QSize(1024, 1024), frames, true);
    ASSERT_LT(bytes.size(), 1024);
    const auto animation = GifFile::read(bytes);
    ASSERT_TRUE(animation.has_value());
    ASSERT_EQ(animation->frames.size(), GifFile::maxTotalPixels / (1024 * 1024));
    EXPECT_EQ(animation->delays.size(), animation->frames.size());
    const QImage& last = animation->frames.last();
    EXPECT_EQ(last.size(), QSize(1024, 1024));
    EXPECT_EQ(last.pixel(7, 7), qRgb(255, 0, 0));
    EXPECT_EQ(last.pixel(0, 0), 0u); // the earlier frames were disposed
}

TEST(GifFile, ScreensUpToTheLargestSideAreRead) {
    const int side = GifFile::maxSide;
    const std::vector<RawFrame> frames{filled(QRect(0, 0, 2, 2), 2, std::nullopt)};
    for (const QSize screen : {QSize(side, 3), QSize(3, side), QSize(side + 1, 3), QSize(3, side + 1)}) {
        const auto animation = GifFile::read(handMade(screen, frames, true));
        EXPECT_EQ(animation.has_value(), screen.width() <= side && screen.height() <= side) << screen.width();
        if (animation) {
            EXPECT_EQ(animation->size, screen);
        }
    }
}

TEST(GifFile, CustomFramesTakeDelaysAndSkipUndecodableFrames) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::vector<RawFrame> frames;
    frames.push_back(filled(QRect(0, 0, 6, 6), 1, std::nullopt));       // no delay: 0.1 s
    frames.push_back(filled(QRect(0, 0, 6, 6), 2, control(0)));         // 0: at least 0.02 s
    frames.push_back(filled(QRect(0, 0, 6, 6), 3, control(40), false)); // no colour map at all
    frames.push_back(filled(QRect(0, 0, 6, 6), 3, control(25)));
    frames.push_back(filled(QRect(0, 0, 6, 6), 1, control(1)));
    writeFile(dir.filePath("about.gif"), handMade(QSize(6, 6), frames, false));

    const auto custom = AboutAnimation::customFrames(dir.path());
    ASSERT_TRUE(custom.has_value());
    ASSERT_EQ(custom->frames.size(), 4);
    EXPECT_EQ(custom->delays, (QList<double>{0.1, 0.02, 0.25, 0.02}));
    EXPECT_EQ(custom->frames[0].pixel(2, 2), qRgb(255, 0, 0));
    EXPECT_EQ(custom->frames[1].pixel(2, 2), qRgb(0, 255, 0));
    EXPECT_EQ(custom->frames[2].pixel(2, 2), qRgb(0, 0, 255));

    // The self-test's own GIF: four frames of 96 pixels at 0.2 s.
    writeFile(dir.filePath("about.gif"), AboutAnimation::makeGIF(96, 4, 0.2));
    const auto made = AboutAnimation::customFrames(dir.path());
    ASSERT_TRUE(made.has_value());
    EXPECT_EQ(made->frames.size(), 4);
    EXPECT_EQ(made->delays, (QList<double>{0.2, 0.2, 0.2, 0.2}));
    EXPECT_EQ(made->frames[0].size(), QSize(96, 96));
}

TEST(GifFile, MissingOrBrokenFilesMeanNoCustomAnimation) {
    EXPECT_FALSE(AboutAnimation::customFrames(std::nullopt).has_value());
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_FALSE(AboutAnimation::customFrames(dir.path()).has_value());
    EXPECT_FALSE(AboutAnimation::customFrames(dir.filePath("nowhere")).has_value());

    const QString path = dir.filePath("about.gif");
    writeFile(path, QByteArray());
    EXPECT_FALSE(AboutAnimation::customFrames(dir.path()).has_value());
    writeFile(path, "GIF89a this is no picture at all");
    EXPECT_FALSE(AboutAnimation::customFrames(dir.path()).has_value());
    // A header that claims an enormous screen is refused before anything is allocated.
    QByteArray huge = AboutAnimation::makeGIF(16, 2, 0.1);
    huge[6] = char(0xFF), huge[7] = char(0xFF), huge[8] = char(0xFF), huge[9] = char(0xFF);
    writeFile(path, huge);
    EXPECT_FALSE(AboutAnimation::customFrames(dir.path()).has_value());
    // Screen and no frames.
    writeFile(path, handMade(QSize(4, 4), {}, true));
    EXPECT_FALSE(AboutAnimation::customFrames(dir.path()).has_value());

    QFile::remove(path);
    ASSERT_TRUE(QDir(dir.path()).mkdir("about.gif"));
    EXPECT_FALSE(AboutAnimation::customFrames(dir.path()).has_value());
}

// A pipe under that name would block the About window for ever; a link is not the folder's own file.
TEST(GifFile, AnAboutGifThatIsNoRegularFileIsNotRead) {
    QTemporaryDir dir, elsewhere;
    ASSERT_TRUE(dir.isValid() && elsewhere.isValid());
    const QString path = dir.filePath("about.gif");
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    EXPECT_FALSE(AboutAnimation::customFrames(dir.path()).has_value());

    ASSERT_TRUE(QFile::remove(path));
    const QString real = elsewhere.filePath("real.gif");
    writeFile(real, AboutAnimation::makeGIF(16, 2, 0.1));
    ASSERT_TRUE(QFile::link(real, path));
    EXPECT_FALSE(AboutAnimation::customFrames(dir.path()).has_value());
}

TEST(GifFile, TruncatedOrCorruptDataNeverCrashes) {
    const QByteArray bytes = AboutAnimation::makeGIF(16, 5, 0.1);
    ASSERT_FALSE(bytes.isEmpty());
    int lastCount = 0;
    for (qsizetype length = 0; length < bytes.size(); ++length) {
        const auto animation = GifFile::read(bytes.left(length));
        const int count = animation ? int(animation->frames.size()) : 0;
        ASSERT_LE(count, 5) << length;
        ASSERT_GE(count, lastCount) << length; // a longer prefix never loses frames
        if (animation) {
            ASSERT_EQ(animation->delays.size(), animation->frames.size());
        }
        lastCount = count;
    }
    EXPECT_EQ(lastCount, 5); // only the trailer is missing
    EXPECT_EQ(GifFile::read(bytes)->frames.size(), 5);

    QRandomGenerator random(42);
    for (int round = 0; round < 400; ++round) {
        QByteArray broken = bytes;
        for (int flips = 0; flips < 4; ++flips)
            broken[random.bounded(int(broken.size()))] = char(random.bounded(256));
        const auto animation = GifFile::read(broken);
        if (animation) {
            ASSERT_EQ(animation->delays.size(), animation->frames.size());
            for (const QImage& image : animation->frames)
                ASSERT_EQ(image.size(), animation->size);
        }
    }
}
