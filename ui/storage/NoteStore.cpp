#include "ui/storage/NoteStore.h"

#include "core/values/DataFile.h"

#include <QStringDecoder>

#include <algorithm>
#include <cmath>

namespace VexilUI {

std::optional<QString> readUtf8File(const QString& path, QString* error) {
    const VexilCore::DataFile::ReadResult file = VexilCore::DataFile::read(path, NoteStore::kMaxSheetBytes);
    if (file.kind == VexilCore::DataFile::ReadResult::Missing) return QString();
    if (!file.ok()) {
        if (error) *error = file.error;
        return std::nullopt;
    }
    // fromUtf8 would quietly substitute U+FFFD and the next save would corrupt the file for good.
    // Stateless, so a sequence cut off at the end of the file counts as an error instead of being
    // held back as state and dropped.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(file.bytes);
    if (decoder.hasError()) {
        if (error) *error = QStringLiteral("Not valid UTF-8 text");
        return std::nullopt;
    }
    return text;
}

NoteStore::NoteStore(const QString& path) : filePath(path) {
    timer.setSingleShot(true);
    timer.setInterval(500);
    maxWaitTimer.setSingleShot(true);
    maxWaitTimer.setInterval(kMaxPendingMs);
    retryTimer.setSingleShot(true);
    retryTimer.setInterval(kRetryMs);
    for (QTimer* t : {&timer, &maxWaitTimer, &retryTimer})
        QObject::connect(t, &QTimer::timeout, t, [this] { flush(); });
}

void NoteStore::setSaveDelay(double seconds) {
    delaySeconds = seconds;
    const double ms = std::isfinite(seconds) ? std::clamp(seconds * 1000.0, 0.0, 86400000.0) : 0.0;
    timer.setInterval(int(std::lround(ms)));
}

QString NoteStore::statusText() const {
    switch (currentStatus.kind) {
    case Status::Saved:
        return QStringLiteral("Saved");
    case Status::Edited:
        return QStringLiteral("Edited");
    case Status::Failed:
    case Status::ReadOnly:
        break;
    }
    return currentStatus.message;
}

QString NoteStore::load() {
    if (pendingText) return *pendingText;
    QString error;
    if (const auto text = readUtf8File(filePath, &error)) return *text;
    setStatus(
        Status::readOnly(QStringLiteral("Couldn't read this sheet, so edits won't be saved: ") + error));
    return QString();
}

void NoteStore::textDidChange(const QString& text) {
    if (currentStatus.kind == Status::ReadOnly) return;
    pendingText = text;
    setStatus(Status::edited());
    timer.start();
    if (!maxWaitTimer.isActive()) maxWaitTimer.start();
}

void NoteStore::flush() {
    timer.stop();
    maxWaitTimer.stop();
    retryTimer.stop();
    if (!pendingText || currentStatus.kind == Status::ReadOnly) return;
    if (const auto error = VexilCore::DataFile::write(filePath, pendingText->toUtf8())) {
        setStatus(Status::failed(QStringLiteral("Not saved: ") + *error));
        retryTimer.start();
        return;
    }
    pendingText.reset();
    setStatus(Status::saved());
}

void NoteStore::dropPending() {
    timer.stop();
    maxWaitTimer.stop();
    retryTimer.stop();
    pendingText.reset();
}

void NoteStore::setStatus(const Status& status) {
    if (status == currentStatus) return;
    currentStatus = status;
    if (onStatus) onStatus(currentStatus);
}

} // namespace VexilUI
