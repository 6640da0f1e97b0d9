#include "ui/storage/PageLibrary.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextBoundaryFinder>
#include <QTimeZone>

#include <algorithm>

namespace VexilUI {

namespace {

constexpr int kMaxNameLength = 60;

// The first count user-perceived characters, so a cut never splits a surrogate pair or a base letter
// from its combining marks.
QString firstGraphemes(const QString& s, int count) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, s);
    qsizetype pos = 0;
    for (int i = 0; i < count; ++i) {
        pos = finder.toNextBoundary();
        if (pos < 0) return s;
    }
    return s.left(pos);
}

bool existsOrLink(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

void writeAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) file.commit();
}

} // namespace

const QList<PageLibrary::Color>& PageLibrary::colors() {
    static const QList<Color> table = {
        {QStringLiteral("None"), std::nullopt},
        {QStringLiteral("Lime"), QStringLiteral("DFFF57")},
        {QStringLiteral("Red"), QStringLiteral("FF6B6B")},
        {QStringLiteral("Orange"), QStringLiteral("FFA94D")},
        {QStringLiteral("Yellow"), QStringLiteral("FFD43B")},
        {QStringLiteral("Green"), QStringLiteral("69DB7C")},
        {QStringLiteral("Teal"), QStringLiteral("38D9A9")},
        {QStringLiteral("Blue"), QStringLiteral("4DABF7")},
        {QStringLiteral("Purple"), QStringLiteral("B197FC")},
        {QStringLiteral("Pink"), QStringLiteral("F783AC")},
        {QStringLiteral("Grey"), QStringLiteral("ADB5BD")},
    };
    return table;
}

double PageLibrary::currentTime() {
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
}

PageLibrary::PageLibrary(const QString& directory, std::optional<double> now)
    : discard(&PageLibrary::moveToTrash), dir(directory) {
    const double stamp = now.value_or(currentTime());
    const QString path = indexPath();
    if (!existsOrLink(path)) {
        startAfresh(stamp, std::nullopt);
        return;
    }
    QFile file(path);
    QByteArray bytes;
    bool readable = file.open(QIODevice::ReadOnly);
    if (readable) {
        bytes = file.readAll();
        readable = file.error() == QFileDevice::NoError;
        file.close();
    }
    if (readable) {
        if (auto index = PageIndex::decode(bytes); index && !index->pages.isEmpty()) {
            pageList = std::move(index->pages);
            groupList = index->groups.value_or(QList<Group>());
            for (Page& p : pageList) {
                if (p.group && groupIndex(*p.group) < 0) p.group.reset();
            }
            selectedId =
                index->selected && pageIndex(*index->selected) >= 0 ? *index->selected : pageList.first().id;
            return;
        }
    }
    // Never overwrite an index that could not be used: keep it beside the new one.
    const QString base =
        path + QStringLiteral(".unreadable-") +
        QDateTime::fromMSecsSinceEpoch(qint64(stamp * 1000.0), QTimeZone::utc()).toString(u"yyyyMMdd-HHmmss");
    QString aside = base;
    for (int n = 2; existsOrLink(aside); ++n)
        aside = base + u'-' + QString::number(n);
    if (!QFile::rename(path, aside)) indexLocked = true;
    startAfresh(stamp, readable ? std::optional<QByteArray>(bytes) : std::nullopt);
}

QString PageLibrary::indexPath() const {
    return QDir(dir).filePath(QStringLiteral("pages.json"));
}

QString PageLibrary::sheetPath(const QString& id) const {
    return QDir(dir).filePath(QStringLiteral("pages/") + id + QStringLiteral(".txt"));
}

QList<std::pair<QString, double>> PageLibrary::sheetFilesOnDisk() const {
    QList<std::pair<QString, double>> files;
    const QDir pagesDir(QDir(dir).filePath(QStringLiteral("pages")));
    const auto entries =
        pagesDir.entryInfoList({QStringLiteral("*.txt")}, QDir::Files | QDir::Hidden | QDir::CaseSensitive);
    for (const QFileInfo& info : entries) {
        const QString name = info.fileName();
        const QString id = name.chopped(4);
        if (!name.endsWith(QStringLiteral(".txt")) || !PageIndex::isSheetId(id)) continue;
        const QDateTime modified = info.lastModified();
        files.append({id, modified.isValid() ? double(modified.toMSecsSinceEpoch()) / 1000.0 : 0.0});
    }
    // Newest first, as sheets made in the app are listed; ties by id so the order is stable.
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    return files;
}

void PageLibrary::startAfresh(double now, const std::optional<QByteArray>& damagedIndex) {
    pageList.clear();
    groupList.clear();
    const auto files = sheetFilesOnDisk();
    if (!files.isEmpty()) {
        // Sheet files without a usable index are adopted, never orphaned, and the old note is not
        // imported a second time.
        const QHash<QString, QString> names =
            damagedIndex ? PageIndex::salvageNames(*damagedIndex) : QHash<QString, QString>();
        int recovered = 0;
        for (const auto& [id, modified] : files) {
            Page p;
            p.id = id;
            const QString old = names.value(id).trimmed();
            p.name = old.isEmpty() ? QStringLiteral("Recovered %1").arg(++recovered)
                                   : firstGraphemes(old, kMaxNameLength);
            p.created = modified > 0 ? modified : now;
            pageList.append(p);
        }
    } else {
        const QString legacy =
            readUtf8File(QDir(dir).filePath(QStringLiteral("note.txt"))).value_or(QString());
        Page p;
        p.id = PageIndex::newId();
        p.name = QStringLiteral("Sheet 1");
        p.created = now;
        pageList.append(p);
        QDir().mkpath(QDir(dir).filePath(QStringLiteral("pages")));
        if (!legacy.isEmpty()) writeAtomically(sheetPath(p.id), legacy.toUtf8());
    }
    selectedId = pageList.first().id;
    save();
}

void PageLibrary::moveToTrash(const QString& path) {
    // Qt falls back to a trash in the working directory when the data home is missing, so make sure
    // it exists first.
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty() || !QDir().mkpath(dataHome)) return;
    QString where;
    if (!QFile::moveToTrash(path, &where)) return;
    // A relative location is no real trash: put the file back rather than lose track of it.
    if (!QFileInfo(where).isAbsolute()) QFile::rename(where, path);
}

std::shared_ptr<NoteStore> PageLibrary::store(const QString& id) {
    if (!PageIndex::isSheetId(id)) return nullptr;
    auto& slot = stores[id];
    if (!slot) slot = std::make_shared<NoteStore>(sheetPath(id));
    return slot;
}

QString PageLibrary::text(const QString& id) const {
    if (!PageIndex::isSheetId(id)) return QString();
    return readUtf8File(sheetPath(id)).value_or(QString());
}

void PageLibrary::flushAll() {
    for (const auto& s : std::as_const(stores))
        s->flush();
}

void PageLibrary::save() {
    if (indexLocked) return;
    QDir().mkpath(QDir(dir).filePath(QStringLiteral("pages")));
    writeAtomically(indexPath(), PageIndex::encode(Index{pageList, selectedId, groupList}));
}

qsizetype PageLibrary::pageIndex(const QString& id) const {
    for (qsizetype i = 0; i < pageList.size(); ++i) {
        if (pageList[i].id == id) return i;
    }
    return -1;
}

qsizetype PageLibrary::groupIndex(const QString& id) const {
    for (qsizetype i = 0; i < groupList.size(); ++i) {
        if (groupList[i].id == id) return i;
    }
    return -1;
}

std::optional<PageLibrary::Page> PageLibrary::selected() const {
    if (!selectedId) return std::nullopt;
    const qsizetype i = pageIndex(*selectedId);
    if (i < 0) return std::nullopt;
    return pageList[i];
}

QList<PageLibrary::Page> PageLibrary::pinnedPages() const {
    QList<Page> out;
    for (const Page& p : pageList) {
        if (p.pinned) out.append(p);
    }
    return out;
}

QList<PageLibrary::Page> PageLibrary::pages(const std::optional<QString>& inGroup) const {
    QList<Page> out;
    for (const Page& p : pageList) {
        if (p.group == inGroup) out.append(p);
    }
    return out;
}

PageLibrary::Page PageLibrary::create(std::optional<double> now, bool joinOpenFolder) {
    qsizetype n = pageList.size() + 1;
    auto nameTaken = [this](const QString& name) {
        return std::any_of(pageList.cbegin(), pageList.cend(), [&](const Page& p) { return p.name == name; });
    };
    while (nameTaken(QStringLiteral("Sheet %1").arg(n)))
        ++n;
    Page p;
    p.id = PageIndex::newId();
    p.name = QStringLiteral("Sheet %1").arg(n);
    p.created = now.value_or(currentTime());
    if (joinOpenFolder) {
        if (const auto current = selected()) p.group = current->group;
    }
    qsizetype at = 0;
    for (qsizetype i = 0; i < pageList.size(); ++i) {
        if (pageList[i].group == p.group) {
            at = i;
            break;
        }
    }
    pageList.insert(at, p);
    selectedId = p.id;
    save();
    return p;
}

PageLibrary::Group PageLibrary::createGroup() {
    qsizetype n = groupList.size() + 1;
    auto nameTaken = [this](const QString& name) {
        return std::any_of(groupList.cbegin(), groupList.cend(),
                           [&](const Group& g) { return g.name == name; });
    };
    while (nameTaken(QStringLiteral("Folder %1").arg(n)))
        ++n;
    Group g;
    g.id = PageIndex::newId();
    g.name = QStringLiteral("Folder %1").arg(n);
    groupList.insert(0, g);
    save();
    return g;
}

void PageLibrary::rename(const QString& id, const QString& to) {
    const QString trimmed = to.trimmed();
    const qsizetype i = pageIndex(id);
    if (trimmed.isEmpty() || i < 0) return;
    const QString name = firstGraphemes(trimmed, kMaxNameLength);
    if (name == pageList[i].name) return;
    pageList[i].name = name;
    save();
}

void PageLibrary::renameGroup(const QString& id, const QString& to) {
    const QString trimmed = to.trimmed();
    const qsizetype i = groupIndex(id);
    if (trimmed.isEmpty() || i < 0) return;
    const QString name = firstGraphemes(trimmed, kMaxNameLength);
    if (name == groupList[i].name) return;
    groupList[i].name = name;
    save();
}

bool PageLibrary::deletePage(const QString& id) {
    const qsizetype i = pageIndex(id);
    if (pageList.size() < 2 || i < 0) return false;
    if (const auto it = stores.constFind(id); it != stores.constEnd()) {
        const std::shared_ptr<NoteStore> s = *it;
        s->flush();
        stores.remove(id);
    }
    const QString path = sheetPath(id);
    if (existsOrLink(path) && discard) discard(path);
    pageList.removeAt(i);
    if (selectedId == id) selectedId = pageList[std::min(i, pageList.size() - 1)].id;
    save();
    return true;
}

void PageLibrary::setPinned(const QString& id, bool pinned, const std::optional<QString>& before) {
    const qsizetype i = pageIndex(id);
    if (i < 0) return;
    if (!pinned) {
        pageList[i].pinned = false;
        save();
        return;
    }
    Page p = pageList.takeAt(i);
    p.pinned = true;
    qsizetype at = -1;
    if (before) {
        const qsizetype j = pageIndex(*before);
        if (j >= 0 && pageList[j].pinned) at = j;
    }
    if (at < 0) {
        at = 0;
        for (qsizetype k = 0; k < pageList.size(); ++k) {
            if (pageList[k].pinned) at = k + 1;
        }
    }
    pageList.insert(at, p);
    save();
}

void PageLibrary::place(const QString& id, const std::optional<QString>& inGroup,
                        const std::optional<QString>& before) {
    const qsizetype i = pageIndex(id);
    if (i < 0 || (inGroup && groupIndex(*inGroup) < 0)) return;
    Page p = pageList.takeAt(i);
    p.group = inGroup;
    qsizetype at = before ? pageIndex(*before) : -1;
    if (at < 0) {
        // After the last sheet of the folder; at the end when the folder has no other sheet. A "before"
        // that names no sheet lands here too, so the sheet is always reinserted.
        at = pageList.size();
        for (qsizetype k = pageList.size() - 1; k >= 0; --k) {
            if (pageList[k].group == inGroup) {
                at = k + 1;
                break;
            }
        }
    }
    pageList.insert(at, p);
    save();
}

void PageLibrary::setCollapsed(const QString& groupId, bool collapsed) {
    const qsizetype i = groupIndex(groupId);
    if (i < 0) return;
    groupList[i].collapsed = collapsed;
    save();
}

void PageLibrary::ungroup(const QString& groupId) {
    const qsizetype i = groupIndex(groupId);
    if (i < 0) return;
    groupList.removeAt(i);
    for (Page& p : pageList) {
        if (p.group == groupId) p.group.reset();
    }
    save();
}

void PageLibrary::setColor(const QString& id, const std::optional<QString>& hex) {
    const qsizetype i = pageIndex(id);
    if (i < 0) return;
    pageList[i].color = hex;
    save();
}

void PageLibrary::select(const QString& id) {
    if (pageIndex(id) < 0) return;
    selectedId = id;
    save();
}

void PageLibrary::move(qsizetype from, qsizetype to) {
    if (from < 0 || from >= pageList.size()) return;
    Page p = pageList.takeAt(from);
    pageList.insert(std::clamp<qsizetype>(to, 0, pageList.size()), p);
    save();
}

void PageLibrary::moveGroup(qsizetype from, qsizetype to) {
    if (from < 0 || from >= groupList.size()) return;
    Group g = groupList.takeAt(from);
    groupList.insert(std::clamp<qsizetype>(to, 0, groupList.size()), g);
    save();
}

} // namespace VexilUI
