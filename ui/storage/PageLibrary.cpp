#include "ui/storage/PageLibrary.h"

#include "core/values/DataFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace VexilUI {

namespace DataFile = VexilCore::DataFile;

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

// Unsaved text left by a run that had to end while a sheet could not be saved: "recovery-", the sheet's
// id, an optional "-" and number, ".txt".
const QString kRecoveryPrefix = QStringLiteral("recovery-");

std::optional<QString> recoveredSheetId(const QString& fileName) {
    if (!fileName.startsWith(kRecoveryPrefix) || !fileName.endsWith(QStringLiteral(".txt")))
        return std::nullopt;
    const QString id = fileName.mid(kRecoveryPrefix.size(), 36);
    const QString rest = fileName.mid(kRecoveryPrefix.size() + 36).chopped(4);
    if (!PageIndex::isSheetId(id)) return std::nullopt;
    if (rest.isEmpty()) return id;
    bool number = false;
    rest.mid(1).toInt(&number);
    if (!rest.startsWith(u'-') || !number) return std::nullopt;
    return id;
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
    : discard(&PageLibrary::moveToTrash), m_dir(directory) {
    // An index that could not be written is tried again, so the sheets' names are not left behind.
    m_indexRetry.setSingleShot(true);
    m_indexRetry.setInterval(NoteStore::kRetryMs);
    QObject::connect(&m_indexRetry, &QTimer::timeout, &m_indexRetry, [this] {
        if (m_indexError) save();
    });

    const double stamp = now.value_or(currentTime());
    const QString path = indexPath();
    const DataFile::ReadResult file = DataFile::read(path, DataFile::kMaxIndexBytes);
    if (file.kind == DataFile::ReadResult::Missing) {
        startAfresh(stamp, std::nullopt);
    } else if (auto index = file.ok() ? PageIndex::decode(file.bytes) : std::nullopt;
               index && !index->pages.isEmpty()) {
        m_pageList = std::move(index->pages);
        m_groupList = index->groups.value_or(QList<Group>());
        // Names are held to the length a rename allows, whoever wrote the file.
        for (Page& p : m_pageList) {
            p.name = firstGraphemes(p.name, kMaxNameLength);
            if (p.group && groupIndex(*p.group) < 0) p.group.reset();
        }
        for (Group& g : m_groupList)
            g.name = firstGraphemes(g.name, kMaxNameLength);
        m_selectedId =
            index->selected && pageIndex(*index->selected) >= 0 ? *index->selected : m_pageList.first().id;
        if (adoptUnlistedSheets(stamp)) save();
    } else {
        // Never overwrite an index that could not be used (nor follow a link or wait on a pipe in its
        // place): keep it beside the new one.
        if (!DataFile::moveAside(path, stamp)) m_indexLocked = true;
        startAfresh(stamp, file.ok() ? std::optional<QByteArray>(file.bytes) : std::nullopt);
    }
    adoptRecoveryFiles(stamp);
}

QString PageLibrary::indexPath() const {
    return QDir(m_dir).filePath(QStringLiteral("pages.json"));
}

QString PageLibrary::sheetPath(const QString& id) const {
    return QDir(m_dir).filePath(QStringLiteral("pages/") + id + QStringLiteral(".txt"));
}

QList<std::pair<QString, double>> PageLibrary::sheetFilesOnDisk() const {
    QList<std::pair<QString, double>> files;
    const QDir pagesDir(QDir(m_dir).filePath(QStringLiteral("pages")));
    const auto entries = pagesDir.entryInfoList(
        {QStringLiteral("*.txt")}, QDir::Files | QDir::Hidden | QDir::NoSymLinks | QDir::CaseSensitive);
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
    m_pageList.clear();
    m_groupList.clear();
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
            m_pageList.append(p);
        }
    } else {
        const QString legacy =
            readUtf8File(QDir(m_dir).filePath(QStringLiteral("note.txt"))).value_or(QString());
        Page p;
        p.id = PageIndex::newId();
        p.name = QStringLiteral("Sheet 1");
        p.created = now;
        m_pageList.append(p);
        QDir().mkpath(QDir(m_dir).filePath(QStringLiteral("pages")));
        // Text that cannot be written yet waits in the sheet's store, shown and saved like any edit:
        // the old note is never read again once the index exists.
        if (!legacy.isEmpty() && DataFile::write(sheetPath(p.id), legacy.toUtf8()))
            store(p.id)->textDidChange(legacy);
    }
    m_selectedId = m_pageList.first().id;
    save();
}

bool PageLibrary::adoptUnlistedSheets(double now) {
    bool adopted = false;
    for (const auto& [id, modified] : sheetFilesOnDisk()) {
        if (pageIndex(id) >= 0) continue;
        Page p;
        p.id = id;
        p.name = freeName(QStringLiteral("Recovered %1"), 1);
        p.created = modified > 0 ? modified : now;
        m_pageList.append(p);
        adopted = true;
    }
    return adopted;
}

void PageLibrary::adoptRecoveryFiles(double now) {
    const QDir folder(m_dir);
    const QStringList files =
        folder.entryList({kRecoveryPrefix + u'*'}, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Name);
    for (const QString& name : files) {
        const auto original = recoveredSheetId(name);
        if (!original) continue;
        const auto text = readUtf8File(folder.filePath(name));
        if (!text) continue; // left for a later start
        const qsizetype from = pageIndex(*original);
        const QString suffix = QStringLiteral(" (recovered)");
        Page p;
        p.id = PageIndex::newId();
        p.name = firstGraphemes(from >= 0 ? m_pageList[from].name : QStringLiteral("Sheet"),
                                kMaxNameLength - int(suffix.size())) +
                 suffix;
        p.created = now;
        if (from >= 0) p.group = m_pageList[from].group;
        if (DataFile::write(sheetPath(p.id), text->toUtf8())) continue;
        qsizetype at = 0;
        while (at < m_pageList.size() && m_pageList[at].group != p.group)
            ++at;
        m_pageList.insert(at == m_pageList.size() ? 0 : at, p);
        if (save()) {
            QFile::remove(folder.filePath(name));
        } else {
            // Listed nowhere, the copy would come back as an unnamed sheet beside the recovery file.
            m_pageList.removeAt(pageIndex(p.id));
            QFile::remove(sheetPath(p.id));
        }
    }
}

bool PageLibrary::writeRecoveryFiles() {
    bool all = true;
    for (auto it = m_stores.cbegin(); it != m_stores.cend(); ++it) {
        const std::shared_ptr<NoteStore>& s = it.value();
        if (!s->pending()) continue;
        const QString base = QDir(m_dir).filePath(kRecoveryPrefix + it.key());
        QString path = base + QStringLiteral(".txt");
        for (int n = 2; existsOrLink(path); ++n)
            path = base + u'-' + QString::number(n) + QStringLiteral(".txt");
        if (DataFile::write(path, s->pending()->toUtf8())) {
            all = false;
            continue;
        }
        s->dropPending();
    }
    return all;
}

QList<PageLibrary::Unsaved> PageLibrary::unsaved() const {
    QList<Unsaved> out;
    for (const Page& p : m_pageList) {
        const auto s = m_stores.value(p.id);
        if (s && s->pending()) out.append({p.id, p.name, s});
    }
    return out;
}

QString PageLibrary::freeName(const QString& pattern, qsizetype from) const {
    auto taken = [this](const QString& name) {
        return std::any_of(m_pageList.cbegin(), m_pageList.cend(),
                           [&](const Page& p) { return p.name == name; });
    };
    qsizetype n = from;
    while (taken(pattern.arg(n)))
        ++n;
    return pattern.arg(n);
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
    auto& slot = m_stores[id];
    if (!slot) slot = std::make_shared<NoteStore>(sheetPath(id));
    return slot;
}

QString PageLibrary::text(const QString& id) const {
    if (!PageIndex::isSheetId(id)) return QString();
    return readUtf8File(sheetPath(id)).value_or(QString());
}

void PageLibrary::flushAll() {
    for (const auto& s : std::as_const(m_stores))
        s->flush();
    if (m_indexError) save();
}

bool PageLibrary::save() {
    if (m_indexLocked) return false;
    QDir().mkpath(QDir(m_dir).filePath(QStringLiteral("pages")));
    m_indexError =
        DataFile::write(indexPath(), PageIndex::encode(Index{m_pageList, m_selectedId, m_groupList}));
    if (m_indexError)
        m_indexRetry.start();
    else
        m_indexRetry.stop();
    return !m_indexError;
}

qsizetype PageLibrary::pageIndex(const QString& id) const {
    for (qsizetype i = 0; i < m_pageList.size(); ++i) {
        if (m_pageList[i].id == id) return i;
    }
    return -1;
}

qsizetype PageLibrary::groupIndex(const QString& id) const {
    for (qsizetype i = 0; i < m_groupList.size(); ++i) {
        if (m_groupList[i].id == id) return i;
    }
    return -1;
}

std::optional<PageLibrary::Page> PageLibrary::selected() const {
    if (!m_selectedId) return std::nullopt;
    const qsizetype i = pageIndex(*m_selectedId);
    if (i < 0) return std::nullopt;
    return m_pageList[i];
}

QList<PageLibrary::Page> PageLibrary::pinnedPages() const {
    QList<Page> out;
    for (const Page& p : m_pageList) {
        if (p.pinned) out.append(p);
    }
    return out;
}

QList<PageLibrary::Page> PageLibrary::pages(const std::optional<QString>& inGroup) const {
    QList<Page> out;
    for (const Page& p : m_pageList) {
        if (p.group == inGroup) out.append(p);
    }
    return out;
}

PageLibrary::Page PageLibrary::create(std::optional<double> now, bool joinOpenFolder) {
    Page p;
    p.id = PageIndex::newId();
    p.name = freeName(QStringLiteral("Sheet %1"), m_pageList.size() + 1);
    p.created = now.value_or(currentTime());
    if (joinOpenFolder) {
        if (const auto current = selected()) p.group = current->group;
    }
    qsizetype at = 0;
    for (qsizetype i = 0; i < m_pageList.size(); ++i) {
        if (m_pageList[i].group == p.group) {
            at = i;
            break;
        }
    }
    m_pageList.insert(at, p);
    m_selectedId = p.id;
    save();
    return p;
}

PageLibrary::Group PageLibrary::createGroup() {
    qsizetype n = m_groupList.size() + 1;
    auto nameTaken = [this](const QString& name) {
        return std::any_of(m_groupList.cbegin(), m_groupList.cend(),
                           [&](const Group& g) { return g.name == name; });
    };
    while (nameTaken(QStringLiteral("Folder %1").arg(n)))
        ++n;
    Group g;
    g.id = PageIndex::newId();
    g.name = QStringLiteral("Folder %1").arg(n);
    m_groupList.insert(0, g);
    save();
    return g;
}

void PageLibrary::rename(const QString& id, const QString& to) {
    const QString trimmed = to.trimmed();
    const qsizetype i = pageIndex(id);
    if (trimmed.isEmpty() || i < 0) return;
    const QString name = firstGraphemes(trimmed, kMaxNameLength);
    if (name == m_pageList[i].name) return;
    m_pageList[i].name = name;
    save();
}

void PageLibrary::renameGroup(const QString& id, const QString& to) {
    const QString trimmed = to.trimmed();
    const qsizetype i = groupIndex(id);
    if (trimmed.isEmpty() || i < 0) return;
    const QString name = firstGraphemes(trimmed, kMaxNameLength);
    if (name == m_groupList[i].name) return;
    m_groupList[i].name = name;
    save();
}

bool PageLibrary::deletePage(const QString& id) {
    const qsizetype i = pageIndex(id);
    if (m_pageList.size() < 2 || i < 0) return false;
    if (const auto it = m_stores.constFind(id); it != m_stores.constEnd()) {
        const std::shared_ptr<NoteStore> s = *it;
        s->flush();
        m_stores.remove(id);
    }
    const QString path = sheetPath(id);
    if (existsOrLink(path) && discard) discard(path);
    m_pageList.removeAt(i);
    if (m_selectedId == id) m_selectedId = m_pageList[std::min(i, m_pageList.size() - 1)].id;
    save();
    return true;
}

void PageLibrary::setPinned(const QString& id, bool pinned, const std::optional<QString>& before) {
    const qsizetype i = pageIndex(id);
    if (i < 0) return;
    if (!pinned) {
        m_pageList[i].pinned = false;
        save();
        return;
    }
    Page p = m_pageList.takeAt(i);
    p.pinned = true;
    qsizetype at = -1;
    if (before) {
        const qsizetype j = pageIndex(*before);
        if (j >= 0 && m_pageList[j].pinned) at = j;
    }
    if (at < 0) {
        at = 0;
        for (qsizetype k = 0; k < m_pageList.size(); ++k) {
            if (m_pageList[k].pinned) at = k + 1;
        }
    }
    m_pageList.insert(at, p);
    save();
}

void PageLibrary::place(const QString& id, const std::optional<QString>& inGroup,
                        const std::optional<QString>& before) {
    const qsizetype i = pageIndex(id);
    if (i < 0 || (inGroup && groupIndex(*inGroup) < 0)) return;
    Page p = m_pageList.takeAt(i);
    p.group = inGroup;
    qsizetype at = before ? pageIndex(*before) : -1;
    if (at < 0) {
        // After the last sheet of the folder; at the end when the folder has no other sheet. A "before"
        // that names no sheet lands here too, so the sheet is always reinserted.
        at = m_pageList.size();
        for (qsizetype k = m_pageList.size() - 1; k >= 0; --k) {
            if (m_pageList[k].group == inGroup) {
                at = k + 1;
                break;
            }
        }
    }
    m_pageList.insert(at, p);
    save();
}

void PageLibrary::setCollapsed(const QString& groupId, bool collapsed) {
    const qsizetype i = groupIndex(groupId);
    if (i < 0) return;
    m_groupList[i].collapsed = collapsed;
    save();
}

void PageLibrary::ungroup(const QString& groupId) {
    const qsizetype i = groupIndex(groupId);
    if (i < 0) return;
    m_groupList.removeAt(i);
    for (Page& p : m_pageList) {
        if (p.group == groupId) p.group.reset();
    }
    save();
}

void PageLibrary::setColor(const QString& id, const std::optional<QString>& hex) {
    const qsizetype i = pageIndex(id);
    if (i < 0) return;
    m_pageList[i].color = hex;
    save();
}

void PageLibrary::select(const QString& id) {
    if (pageIndex(id) < 0) return;
    m_selectedId = id;
    save();
}

void PageLibrary::move(qsizetype from, qsizetype to) {
    if (from < 0 || from >= m_pageList.size()) return;
    Page p = m_pageList.takeAt(from);
    m_pageList.insert(std::clamp<qsizetype>(to, 0, m_pageList.size()), p);
    save();
}

void PageLibrary::moveGroup(qsizetype from, qsizetype to) {
    if (from < 0 || from >= m_groupList.size()) return;
    Group g = m_groupList.takeAt(from);
    m_groupList.insert(std::clamp<qsizetype>(to, 0, m_groupList.size()), g);
    save();
}

} // namespace VexilUI
