#pragma once

#include <QString>
#include <QTimer>

#include <functional>
#include <limits>
#include <optional>

namespace VexilUI {

// One sheet's text file: loads it, takes every edit, and writes it back atomically a short delay after
// the last edit, or at the latest once text has waited two seconds, so steady typing is saved too. A
// failed save keeps the text and tries again on the next edit and on a timer of its own. A file that
// cannot be read makes the store read-only for the rest of its life, so an empty editor never overwrites
// text it could not show.
class NoteStore {
public:
    struct Status {
        enum Kind { Failed, ReadOnly, Saved, Edited };
        Kind kind = Saved;
        QString message; // only for Failed and ReadOnly

        static Status failed(const QString& message) { return {Failed, message}; }
        static Status readOnly(const QString& message) { return {ReadOnly, message}; }
        static Status saved() { return {Saved, {}}; }
        static Status edited() { return {Edited, {}}; }
        bool operator==(const Status& other) const {
            if (kind != other.kind) return false;
            return (kind != Failed && kind != ReadOnly) || message == other.message;
        }
    };

    // The largest sheet file opened: the editor counts its text in int positions.
    static constexpr qint64 kMaxSheetBytes = std::numeric_limits<int>::max();
    // Milliseconds text may wait unsaved while edits keep coming, and between tries after a failed save.
    static constexpr int kMaxPendingMs = 2000;
    static constexpr int kRetryMs = 3000;

    explicit NoteStore(const QString& path);
    NoteStore(const NoteStore&) = delete;
    NoteStore& operator=(const NoteStore&) = delete;

    const QString& path() const { return m_filePath; }
    const Status& status() const { return m_currentStatus; }
    // The text the editor shows beside the sheet: "Saved", "Edited" or the message.
    QString statusText() const;

    // Seconds from the last edit to the save; 0.5 by default.
    double saveDelay() const { return m_delaySeconds; }
    void setSaveDelay(double seconds);

    // Text not yet on disk, if any.
    const std::optional<QString>& pending() const { return m_pendingText; }
    bool isSaveScheduled() const { return m_timer.isActive(); }

    // The sheet's text. Unsaved text wins over the file, so switching back after a failed save never
    // reloads the older file.
    QString load();
    void textDidChange(const QString& text);
    void flush();
    // Forgets text that could not be saved, once it has gone somewhere else or the user gave it up.
    void dropPending();

    // Told of every change of status; the notebook sets it for its current store and clears it.
    std::function<void(const Status&)> onStatus;

private:
    void setStatus(const Status& status);

    QString m_filePath;
    Status m_currentStatus;
    double m_delaySeconds = 0.5;
    std::optional<QString> m_pendingText;
    // Owned by the store, so a scheduled save can never outlive it.
    QTimer m_timer;
    QTimer m_maxWaitTimer;
    QTimer m_retryTimer;
};

// The file's text when it is a regular file that decodes as UTF-8 (a leading byte-order mark is dropped);
// a missing file gives an empty text. Otherwise nullopt, with the reason in error when asked for.
std::optional<QString> readUtf8File(const QString& path, QString* error = nullptr);

} // namespace VexilUI
