#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

namespace VexilUI {

// One sheet of the library.
struct Page {
    QString id; // an upper-case UUID; also the sheet's file name
    QString name;
    std::optional<QString> color; // six hexadecimal digits without "#"
    double created = 0;           // seconds since 1970-01-01 00:00 UTC
    std::optional<QString> group; // the id of the folder holding the sheet
    bool pinned = false;

    bool operator==(const Page&) const = default;
};

// One folder of the library.
struct Group {
    QString id;
    QString name;
    bool collapsed = false;

    bool operator==(const Group&) const = default;
};

// The root of "pages.json".
struct Index {
    QList<Page> pages;
    std::optional<QString> selected;
    std::optional<QList<Group>> groups; // absent in files of earlier versions

    bool operator==(const Index&) const = default;
};

namespace PageIndex {

// A new sheet or folder id: an upper-case UUID without braces.
QString newId();

// Whether an id has the UUID form (8-4-4-4-12 hexadecimal digits, no braces). Only such ids ever
// become file names, so nothing read from disk can resolve outside the sheets folder.
bool isSheetId(const QString& id);

// Pretty-printed JSON with keys in alphabetical order at every level.
QByteArray encode(const Index& index);

// Strict decoding: nullopt when the bytes are not an index. Sheets whose id is not a UUID, and later
// sheets that repeat an id, are skipped.
std::optional<Index> decode(const QByteArray& bytes);

// Whatever sheet names can still be read from a damaged index, by id.
QHash<QString, QString> salvageNames(const QByteArray& bytes);

} // namespace PageIndex

} // namespace VexilUI
