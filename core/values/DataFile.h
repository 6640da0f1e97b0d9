#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace VexilCore::DataFile {

// Reading and writing the files of the data folder. Only regular files are read or replaced: a link, a
// FIFO, a device or a folder in a file's place is refused, and nothing ever waits on a file to open.

// The largest index or cache file read.
inline constexpr qint64 kMaxIndexBytes = qint64(64) * 1024 * 1024;

struct ReadResult {
    enum Kind { Read, Missing, Failed };
    Kind kind = Failed;
    QByteArray bytes; // Read: the whole file
    QString error;    // Failed: why, as the system words it ("Permission denied")

    bool ok() const { return kind == Read; }
};

// The whole file. Only "no such file" counts as missing; any other failure, a file that is not a regular
// file, or one larger than maxBytes, fails with its reason.
ReadResult read(const QString& path, qint64 maxBytes);

// Replaces the file at path with bytes in one step: they go to a temporary file beside it, which takes
// the file's place only once every byte is written and synced. Missing folders are made. On failure the
// old file is untouched and the result is the reason ("No space left on device"); nothing on success.
std::optional<QString> write(const QString& path, const QByteArray& bytes);

// Renames whatever stands at path to path + ".unreadable-" and the UTC time (then "-2", "-3"… when that
// name is taken), so a file that could not be used is kept, never overwritten. False when it cannot move.
bool moveAside(const QString& path, double secondsSince1970);

// Test seam: when set, called before each system call of a write with the call's name ("open", "write",
// "fsync", "close", "rename"); a non-zero result makes that call fail with that errno value.
using FaultHook = std::function<int(const char* call)>;
void setFaultHook(FaultHook hook);

} // namespace VexilCore::DataFile
