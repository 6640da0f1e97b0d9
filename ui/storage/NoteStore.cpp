#include "ui/storage/NoteStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>

namespace VexilUI {

std::optional<QString> readUtf8File(const QString& path) {
    if (!QFileInfo::exists(path)) return QString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return std::nullopt;
    // fromUtf8 would quietly substitute U+FFFD and the next save would corrupt the file for good.
    // Stateless, so a sequence cut off at the end of the file counts as an error instead of being
    // held back as state and dropped.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError()) return std::nullopt;
    return text;
}

NoteStore::NoteStore(const QString& path) : filePath(path) {
    timer.setSingleShot(true);
    timer.setInterval(500);
    QObject::connect(&timer, &QTimer::timeout, &timer, [this] { flush(); });
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
    if (const auto text = readUtf8File(filePath)) return *text;
    setStatus(Status::readOnly(QStringLiteral("Couldn't read this sheet, so edits won't be saved")));
    return QString();
}

void NoteStore::textDidChange(const QString& text) {
    if (currentStatus.kind == Status::ReadOnly) return;
    pendingText = text;
    setStatus(Status::edited());
    timer.start();
}

void NoteStore::flush() {
    timer.stop();
    if (!pendingText || currentStatus.kind == Status::ReadOnly) return;
    const QString dir = QFileInfo(filePath).absolutePath();
    if (!QDir().mkpath(dir)) {
        setStatus(Status::failed(
            QStringLiteral("Not saved: ") +
            QStringLiteral("Couldn't create the folder %1").arg(QDir::toNativeSeparators(dir))));
        return;
    }
    // QSaveFile writes a temporary file beside the target and renames it over, so a failure never
    // leaves a half-written sheet. Its direct-write fallback stays off for the same reason.
    QSaveFile file(filePath);
    QString error;
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
    } else {
        const QByteArray bytes = pendingText->toUtf8();
        if (file.write(bytes) != bytes.size() || !file.commit()) error = file.errorString();
    }
    if (!error.isNull()) {
        if (error.isEmpty()) error = QStringLiteral("Unknown error");
        setStatus(Status::failed(QStringLiteral("Not saved: ") + error));
        return;
    }
    pendingText.reset();
    setStatus(Status::saved());
}

void NoteStore::setStatus(const Status& status) {
    if (status == currentStatus) return;
    currentStatus = status;
    if (onStatus) onStatus(currentStatus);
}

} // namespace VexilUI
