// Any bytes as the user's "about.gif": the reader refuses them or gives frames of one sane size with a
// delay each; a small animation it gives writes out and reads back with the same frames.
#include "FuzzSupport.h"

#include "ui/shell/GifFile.h"

#include <cstddef>
#include <cstdint>

using namespace VexilUI;

namespace {

// Not on the keystroke path, and bounded by the frame budget rather than by the input: the time goes into
// filling up to 32 MB of frames, which a busy machine can stretch past a second.
constexpr double maxSeconds = 5.0;

// Writing quantises every frame: keep the round trip to small animations.
constexpr qint64 maxRoundTripPixels = 64 * 64 * 8;

void checkAnimation(const GifFile::Animation& animation) {
    VEXIL_FUZZ_CHECK(!animation.frames.isEmpty());
    VEXIL_FUZZ_CHECK(animation.delays.size() == animation.frames.size());
    VEXIL_FUZZ_CHECK(animation.size.width() >= 1 && animation.size.width() <= GifFile::maxSide);
    VEXIL_FUZZ_CHECK(animation.size.height() >= 1 && animation.size.height() <= GifFile::maxSide);
    const qint64 framePixels = qint64(animation.size.width()) * animation.size.height();
    VEXIL_FUZZ_CHECK(framePixels * animation.frames.size() <= GifFile::maxTotalPixels);
    for (const QImage& frame : animation.frames) {
        VEXIL_FUZZ_CHECK(frame.size() == animation.size);
        VEXIL_FUZZ_CHECK(frame.format() == QImage::Format_ARGB32_Premultiplied);
    }
    for (const std::optional<double>& delay : animation.delays)
        VEXIL_FUZZ_CHECK(!delay || (*delay >= 0 && *delay <= 655.35));
    if (animation.loopCount) VEXIL_FUZZ_CHECK(*animation.loopCount >= 0 && *animation.loopCount <= 65535);
}

void checkRoundTrip(const GifFile::Animation& animation) {
    const qint64 pixels = qint64(animation.size.width()) * animation.size.height() * animation.frames.size();
    if (pixels > maxRoundTripPixels) return;
    QList<GifFile::Frame> frames;
    for (qsizetype i = 0; i < animation.frames.size(); ++i)
        frames.append({animation.frames[i], animation.delays[i].value_or(0.1)});
    const std::optional<GifFile::Animation> back = GifFile::read(GifFile::write(frames, 0));
    VEXIL_FUZZ_CHECK(back.has_value());
    VEXIL_FUZZ_CHECK(back->size == animation.size);
    VEXIL_FUZZ_CHECK(back->frames.size() == animation.frames.size());
    for (qsizetype i = 0; i < frames.size(); ++i)
        VEXIL_FUZZ_CHECK(back->delays[i] == animation.delays[i].value_or(0.1));
    VEXIL_FUZZ_CHECK(back->loopCount == 0);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    VexilFuzz::fixEnvironment();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const VexilFuzz::SecondLimit limit(maxSeconds);
    const std::optional<GifFile::Animation> animation = GifFile::read(VexilFuzz::inputBytes(data, size));
    if (!animation) return 0;
    checkAnimation(*animation);
    checkRoundTrip(*animation);
    return 0;
}
