// Reading a user's "about.gif": an ordinary animation, and a small file whose one-pixel frames each make
// a whole screen of the largest size (the reader stops at its frame budget).
#include "ui/shell/AboutAnimation.h"
#include "ui/shell/GifFile.h"

#include <benchmark/benchmark.h>
#include <gif_lib.h>

using namespace VexilUI;

namespace {

int append(GifFileType* gif, const GifByteType* bytes, int length) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), length);
    return length;
}

QByteArray tinyFramesOnLargeScreen(int side, int frames) {
    GifColorType colors[2] = {{0, 0, 0}, {255, 0, 0}};
    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, append, &error);
    EGifSetGifVersion(gif, true);
    ColorMapObject* map = GifMakeMapObject(2, colors);
    EGifPutScreenDesc(gif, side, side, 1, 0, map);
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_PREVIOUS;
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    const size_t extensionLength = EGifGCBToExtension(&control, extension);
    for (int i = 0; i < frames; ++i) {
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(extensionLength), extension);
        EGifPutImageDesc(gif, i, i, 1, 1, false, nullptr);
        GifPixelType pixel = 1;
        EGifPutLine(gif, &pixel, 1);
    }
    GifFreeMapObject(map);
    EGifCloseFile(gif, &error);
    return out;
}

void BM_GifReadAnimation(benchmark::State& state) {
    const QByteArray bytes = AboutAnimation::makeGIF(240, 48, 0.04);
    for (auto _ : state) {
        const auto animation = GifFile::read(bytes);
        benchmark::DoNotOptimize(animation);
    }
}
BENCHMARK(BM_GifReadAnimation)->Unit(benchmark::kMillisecond);

void BM_GifReadTinyFramesOnLargeScreen(benchmark::State& state) {
    const int side = GifFile::maxSide;
    const QByteArray bytes = tinyFramesOnLargeScreen(side, 64);
    for (auto _ : state) {
        const auto animation = GifFile::read(bytes);
        if (!animation || animation->frames.size() != GifFile::maxTotalPixels / (qint64(side) * side))
            state.SkipWithError("unexpected frame count");
        benchmark::DoNotOptimize(animation);
    }
    state.counters["bytes"] = double(bytes.size());
}
BENCHMARK(BM_GifReadTinyFramesOnLargeScreen)->Unit(benchmark::kMillisecond);

} // namespace
