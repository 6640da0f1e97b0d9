#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

// A broken promise of the code under test is a crash to libFuzzer, which then keeps the input.
#define VEXIL_FUZZ_CHECK(cond)                                                                               \
    do {                                                                                                     \
        if (!(cond)) {                                                                                       \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);                    \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)

namespace VexilFuzz {

// The same fixed surroundings as the tests: UTC and the en_US locale, whatever the machine has.
inline void fixEnvironment() {
    qputenv("TZ", "UTC");
    qputenv("LC_ALL", "C.UTF-8");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

// libFuzzer's input as bytes, and as UTF-8 text.
inline QByteArray inputBytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}
inline QString inputText(const uint8_t* data, size_t size) {
    return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
}

// User time of this thread: a loaded machine, the kernel's paging or the sanitizers' own housekeeping
// between inputs does not make an input slow.
inline double threadSeconds() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return double(usage.ru_utime.tv_sec) + double(usage.ru_utime.tv_usec) * 1e-6;
}

// Any one input taking over a second of processor time is a hang: the engine runs on every keystroke.
// A target off that path may allow more. (libFuzzer's own wall-clock -timeout stays as the net for real
// endless loops.)
class SecondLimit {
public:
    explicit SecondLimit(double seconds = 1.0) : start_(threadSeconds()), seconds_(seconds) {}
    ~SecondLimit() {
        const double spent = threadSeconds() - start_;
        if (spent > seconds_) {
            std::fprintf(stderr, "hang: one input took %.2f s of processor time\n", spent);
            std::abort();
        }
    }
    SecondLimit(const SecondLimit&) = delete;
    SecondLimit& operator=(const SecondLimit&) = delete;

private:
    double start_;
    double seconds_;
};

} // namespace VexilFuzz
