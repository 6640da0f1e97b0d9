#pragma once

#include "ui/storage/NoteStore.h"
#include "ui/storage/PageIndex.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

namespace VexilUI {

// The sheets and folders of one data directory: the index "pages.json", one text file per sheet in
// "pages/", and one NoteStore per sheet opened so far. Every operation that changes the index writes it
// at once; an index that cannot be written keeps the old file and is tried again. Sheet files the index
// does not list, and unsaved text a previous run left in recovery files, become sheets when it opens.
class PageLibrary {
public:
    using Page = VexilUI::Page;
    using Group = VexilUI::Group;
    using Index = VexilUI::Index;

    struct Color {
        QString name;
        std::optional<QString> hex;
    };
    // The label colours offered for sheets, "None" first.
    static const QList<Color>& colors();

    // Seconds since 1970 of the current time.
    static double currentTime();

    // Opens the library in directory, or starts it afresh; now (default: the current time) stamps a
    // sheet created by a fresh start. Afterwards there is at least one sheet and one is selected.
    explicit PageLibrary(const QString& directory, std::optional<double> now = std::nullopt);
    PageLibrary(const PageLibrary&) = delete;
    PageLibrary& operator=(const PageLibrary&) = delete;

    const QString& directory() const { return m_dir; }
    // The file of a sheet: "pages/" + id + ".txt" in the directory.
    QString sheetPath(const QString& id) const;

    const QList<Page>& pages() const { return m_pageList; }
    const QList<Group>& groups() const { return m_groupList; }
    const std::optional<QString>& selectedID() const { return m_selectedId; }

    // How a deleted sheet's file is disposed of. By default it goes to the Trash and errors are ignored;
    // tests and the snapshot renderer supply their own.
    std::function<void(const QString& path)> discard;
    // Moves a file to the desktop Trash. A failed move leaves the file where it is.
    static void moveToTrash(const QString& path);

    // The sheet's store, made on first request and the same object on every later one. Null for an id
    // that is not a sheet id.
    std::shared_ptr<NoteStore> store(const QString& id);
    // The sheet's text read from its file; empty when the file is missing or unreadable.
    QString text(const QString& id) const;
    // Flushes every store, and the index when it still owes a write.
    void flushAll();
    // Writes the index; false when it could not (the old file then stays, and a write is tried again).
    bool save();
    // Why the last index write failed, while it has not succeeded since.
    const std::optional<QString>& indexSaveError() const { return m_indexError; }

    // The opened sheets whose text is not on disk, in library order.
    struct Unsaved {
        QString id;
        QString name;
        std::shared_ptr<NoteStore> store;
    };
    QList<Unsaved> unsaved() const;
    // Where nothing can be asked (a termination signal, the session ending): writes each unsaved text to
    // "recovery-" + id + ".txt" in the data directory, which the next start makes a sheet named after
    // the original and " (recovered)". False when some text could not be written anywhere.
    bool writeRecoveryFiles();

    std::optional<Page> selected() const;
    QList<Page> pinnedPages() const;
    // The sheets in a folder (none: the loose sheets), pinned or not, in library order.
    QList<Page> pages(const std::optional<QString>& inGroup) const;

    Page create(std::optional<double> now = std::nullopt, bool joinOpenFolder = false);
    Group createGroup();
    void rename(const QString& id, const QString& to);
    void renameGroup(const QString& id, const QString& to);
    // Deletes a sheet ("delete" in the library's vocabulary); false when it is the last sheet or unknown.
    bool deletePage(const QString& id);
    void setPinned(const QString& id, bool pinned, const std::optional<QString>& before = std::nullopt);
    void place(const QString& id, const std::optional<QString>& inGroup,
               const std::optional<QString>& before = std::nullopt);
    void setCollapsed(const QString& groupId, bool collapsed);
    void ungroup(const QString& groupId);
    void setColor(const QString& id, const std::optional<QString>& hex);
    void select(const QString& id);
    void move(qsizetype from, qsizetype to);
    void moveGroup(qsizetype from, qsizetype to);

    // False once an unreadable index could not be moved aside: the index is then never written, so the
    // old file survives for the rest of the run.
    bool indexWritable() const { return !m_indexLocked; }

private:
    QString indexPath() const;
    void startAfresh(double now, const std::optional<QByteArray>& damagedIndex);
    QList<std::pair<QString, double>> sheetFilesOnDisk() const;
    bool adoptUnlistedSheets(double now);
    void adoptRecoveryFiles(double now);
    // pattern with the first number from "from" up that no sheet's name has.
    QString freeName(const QString& pattern, qsizetype from) const;
    qsizetype pageIndex(const QString& id) const;
    qsizetype groupIndex(const QString& id) const;

    QString m_dir;
    QList<Page> m_pageList;
    QList<Group> m_groupList;
    std::optional<QString> m_selectedId;
    QHash<QString, std::shared_ptr<NoteStore>> m_stores;
    bool m_indexLocked = false;
    std::optional<QString> m_indexError;
    QTimer m_indexRetry;
};

} // namespace VexilUI
