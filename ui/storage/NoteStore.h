#pragma once

#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

namespace VexilUI {

// One sheet's text file: loads it, takes every edit, and writes it back atomically a short delay after
// the last edit. A file that cannot be read makes the store read-only for the rest of its life, so an
// empty editor never overwrites text it could not show.
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

    explicit NoteStore(const QString& path);
    NoteStore(const NoteStore&) = delete;
    NoteStore& operator=(const NoteStore&) = delete;

    const QString& path() const { return filePath; }
    const Status& status() const { return currentStatus; }
    // The text the editor shows beside the sheet: "Saved", "Edited" or the message.
    QString statusText() const;

    // Seconds from the last edit to the save; 0.5 by default.
    double saveDelay() const { return delaySeconds; }
    void setSaveDelay(double seconds);

    // Text not yet on disk, if any.
    const std::optional<QString>& pending() const { return pendingText; }
    bool isSaveScheduled() const { return timer.isActive(); }

    // The sheet's text. Unsaved text wins over the file, so switching back after a failed save never
    // reloads the older file.
    QString load();
    void textDidChange(const QString& text);
    void flush();

    // Told of every change of status; the notebook sets it for its current store and clears it.
    std::function<void(const Status&)> onStatus;

private:
    void setStatus(const Status& status);

    QString filePath;
    Status currentStatus;
    double delaySeconds = 0.5;
    std::optional<QString> pendingText;
    // Owned by the store, so a scheduled save can never outlive it.
    QTimer timer;
};

// The file's text when it exists and decodes as UTF-8; nullopt when it cannot be read or is not valid
// UTF-8 (a leading byte-order mark is dropped). A missing file gives an empty text.
std::optional<QString> readUtf8File(const QString& path);

} // namespace VexilUI
