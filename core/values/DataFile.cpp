#include "core/values/DataFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTimeZone>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace VexilCore::DataFile {

namespace {

FaultHook& faultHook() {
    static FaultHook hook;
    return hook;
}

// The injected errno for a call, or 0.
int injected(const char* call) {
    const FaultHook& hook = faultHook();
    return hook ? hook(call) : 0;
}

QString systemError(int code) {
    return qt_error_string(code);
}

QString notRegular(mode_t mode) {
    const char* what = S_ISLNK(mode)                      ? "a symbolic link"
                       : S_ISDIR(mode)                    ? "a folder"
                       : S_ISFIFO(mode)                   ? "a pipe"
                       : S_ISSOCK(mode)                   ? "a socket"
                       : (S_ISCHR(mode) || S_ISBLK(mode)) ? "a device"
                                                          : "not a plain file";
    return QStringLiteral("Not a regular file (%1)").arg(QString::fromLatin1(what));
}

QString tooLarge(qint64 maxBytes) {
    constexpr qint64 MiB = 1024 * 1024;
    return QStringLiteral("File too large (over %1 MiB)").arg((maxBytes + MiB - 1) / MiB);
}

// Makes a folder and its missing parents; the reason when that fails.
std::optional<QString> makeFolders(const QByteArray& dir) {
    if (dir.isEmpty()) return std::nullopt;
    struct stat st {};
    if (::stat(dir.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return std::nullopt;
        return systemError(ENOTDIR);
    }
    if (errno != ENOENT) return systemError(errno);
    const qsizetype slash = dir.lastIndexOf('/');
    if (slash > 0) {
        if (auto error = makeFolders(dir.left(slash))) return error;
    }
    if (::mkdir(dir.constData(), 0777) != 0 && errno != EEXIST) return systemError(errno);
    return std::nullopt;
}

// A name beside the target that no other writer picks: the process id and a counter.
QByteArray temporaryName(const QByteArray& target) {
    static std::atomic<unsigned> counter{0};
    const qsizetype slash = target.lastIndexOf('/');
    return target.left(slash + 1) + '.' + target.mid(slash + 1) + ".tmp-" + QByteArray::number(::getpid()) +
           '-' + QByteArray::number(++counter);
}

} // namespace

ReadResult read(const QString& path, qint64 maxBytes) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0) {
        if (errno == ENOENT) return {ReadResult::Missing, {}, {}};
        return {ReadResult::Failed, {}, systemError(errno)};
    }
    if (!S_ISREG(st.st_mode)) return {ReadResult::Failed, {}, notRegular(st.st_mode)};
    if (st.st_size > maxBytes) return {ReadResult::Failed, {}, tooLarge(maxBytes)};
    // No link is followed and no open waits, should the file have been swapped since the look above.
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) return {ReadResult::Missing, {}, {}};
        if (errno == ELOOP) return {ReadResult::Failed, {}, notRegular(S_IFLNK)};
        return {ReadResult::Failed, {}, systemError(errno)};
    }
    ReadResult result{ReadResult::Read, {}, {}};
    if (::fstat(fd, &st) != 0) {
        result = {ReadResult::Failed, {}, systemError(errno)};
    } else if (!S_ISREG(st.st_mode)) {
        result = {ReadResult::Failed, {}, notRegular(st.st_mode)};
    } else {
        // Read to the end rather than trust the size: the file may grow, but never past the limit.
        QByteArray bytes;
        bytes.reserve(qsizetype(std::min<qint64>(st.st_size, maxBytes)) + 1);
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got < 0) {
                if (errno == EINTR) continue;
                result = {ReadResult::Failed, {}, systemError(errno)};
                break;
            }
            if (got == 0) break;
            if (bytes.size() + got > maxBytes) {
                result = {ReadResult::Failed, {}, tooLarge(maxBytes)};
                break;
            }
            bytes.append(buffer, got);
        }
        if (result.kind == ReadResult::Read) result.bytes = std::move(bytes);
    }
    ::close(fd);
    return result;
}

std::optional<QString> write(const QString& path, const QByteArray& bytes) {
    const QByteArray target = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    struct stat st {};
    mode_t keepMode = 0;
    if (::lstat(target.constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return notRegular(st.st_mode);
        keepMode = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        return systemError(errno);
    } else if (auto error = makeFolders(target.left(target.lastIndexOf('/')))) {
        return error;
    }

    const QByteArray temp = temporaryName(target);
    int error = injected("open");
    const int fd =
        error ? -1 : ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) return systemError(error ? error : errno);
    const auto fail = [&](int code) {
        ::close(fd);
        ::unlink(temp.constData());
        return systemError(code);
    };

    qsizetype written = 0;
    while (written < bytes.size()) {
        if ((error = injected("write"))) return fail(error);
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(errno);
        }
        if (n == 0) return fail(EIO);
        written += n;
    }
    // The bytes must be on the disk, and all of them, before the file may replace the old one.
    if ((error = injected("fsync")) || ::fsync(fd) != 0) return fail(error ? error : errno);
    if (::fstat(fd, &st) != 0) return fail(errno);
    if (st.st_size != bytes.size()) return fail(EIO);
    if (keepMode) ::fchmod(fd, keepMode);
    error = injected("close");
    if (::close(fd) != 0 || error) {
        const int code = error ? error : errno;
        ::unlink(temp.constData());
        return systemError(code);
    }
    if ((error = injected("rename")) || ::rename(temp.constData(), target.constData()) != 0) {
        const int code = error ? error : errno;
        ::unlink(temp.constData());
        return systemError(code);
    }
    // The rename itself survives a power cut only once the folder is synced; a folder that cannot be
    // synced still holds the complete new file.
    const int dir =
        ::open(target.left(target.lastIndexOf('/') + 1).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return std::nullopt;
}

bool moveAside(const QString& path, double secondsSince1970) {
    const QString base = path + QStringLiteral(".unreadable-") +
                         QDateTime::fromMSecsSinceEpoch(qint64(secondsSince1970 * 1000.0), QTimeZone::utc())
                             .toString(u"yyyyMMdd-HHmmss");
    const auto taken = [](const QString& p) {
        struct stat st {};
        return ::lstat(QFile::encodeName(p).constData(), &st) == 0;
    };
    QString aside = base;
    for (int n = 2; taken(aside) && n < 10000; ++n)
        aside = base + u'-' + QString::number(n);
    return ::rename(QFile::encodeName(path).constData(), QFile::encodeName(aside).constData()) == 0;
}

void setFaultHook(FaultHook hook) {
    faultHook() = std::move(hook);
}

} // namespace VexilCore::DataFile
