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

NoteStore::NoteStore(const QString& path) : m_filePath(path) {
    m_timer.setSingleShot(true);
    m_timer.setInterval(500);
    m_maxWaitTimer.setSingleShot(true);
    m_maxWaitTimer.setInterval(kMaxPendingMs);
    m_retryTimer.setSingleShot(true);
    m_retryTimer.setInterval(kRetryMs);
    for (QTimer* t : {&m_timer, &m_maxWaitTimer, &m_retryTimer})
        QObject::connect(t, &QTimer::timeout, t, [this] { flush(); });
}

void NoteStore::setSaveDelay(double seconds) {
    m_delaySeconds = seconds;
    const double ms = std::isfinite(seconds) ? std::clamp(seconds * 1000.0, 0.0, 86400000.0) : 0.0;
    m_timer.setInterval(int(std::lround(ms)));
}

QString NoteStore::statusText() const {
    switch (m_currentStatus.kind) {
    case Status::Saved:
        return QStringLiteral("Saved");
    case Status::Edited:
        return QStringLiteral("Edited");
    case Status::Failed:
    case Status::ReadOnly:
        break;
    }
    return m_currentStatus.message;
}

QString NoteStore::load() {
    if (m_pendingText) return *m_pendingText;
    QString error;
    if (const auto text = readUtf8File(m_filePath, &error)) return *text;
    setStatus(
        Status::readOnly(QStringLiteral("Couldn't read this sheet, so edits won't be saved: ") + error));
    return QString();
}

void NoteStore::textDidChange(const QString& text) {
    if (m_currentStatus.kind == Status::ReadOnly) return;
    m_pendingText = text;
    setStatus(Status::edited());
    m_timer.start();
    if (!m_maxWaitTimer.isActive()) m_maxWaitTimer.start();
}

void NoteStore::flush() {
    m_timer.stop();
    m_maxWaitTimer.stop();
    m_retryTimer.stop();
    if (!m_pendingText || m_currentStatus.kind == Status::ReadOnly) return;
    if (const auto error = VexilCore::DataFile::write(m_filePath, m_pendingText->toUtf8())) {
        setStatus(Status::failed(QStringLiteral("Not saved: ") + *error));
        m_retryTimer.start();
        return;
    }
    m_pendingText.reset();
    setStatus(Status::saved());
}

void NoteStore::dropPending() {
    m_timer.stop();
    m_maxWaitTimer.stop();
    m_retryTimer.stop();
    m_pendingText.reset();
}

void NoteStore::setStatus(const Status& status) {
    if (status == m_currentStatus) return;
    m_currentStatus = status;
    if (onStatus) onStatus(m_currentStatus);
}

} // namespace VexilUI
