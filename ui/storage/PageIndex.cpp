#include "ui/storage/PageIndex.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QUuid>

namespace VexilUI::PageIndex {

namespace {

struct DecodeError {};

QString requiredString(const QJsonObject& o, const QString& key) {
    const QJsonValue v = o.value(key);
    if (!v.isString()) throw DecodeError{};
    return v.toString();
}

std::optional<QString> optionalString(const QJsonObject& o, const QString& key) {
    const QJsonValue v = o.value(key);
    if (v.isUndefined() || v.isNull()) return std::nullopt;
    if (!v.isString()) throw DecodeError{};
    return v.toString();
}

bool isHexDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

} // namespace

QString newId() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

bool isSheetId(const QString& id) {
    if (id.size() != 36) return false;
    for (qsizetype i = 0; i < id.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? id[i] != u'-' : !isHexDigit(id[i])) return false;
    }
    return true;
}

QByteArray encode(const Index& index) {
    QJsonArray pages;
    for (const Page& p : index.pages) {
        QJsonObject o;
        o.insert(QStringLiteral("id"), p.id);
        o.insert(QStringLiteral("name"), p.name);
        if (p.color) o.insert(QStringLiteral("color"), *p.color);
        o.insert(QStringLiteral("created"), p.created);
        if (p.group) o.insert(QStringLiteral("group"), *p.group);
        o.insert(QStringLiteral("pinned"), p.pinned);
        pages.append(o);
    }
    QJsonArray groups;
    if (index.groups) {
        for (const Group& g : *index.groups) {
            QJsonObject o;
            o.insert(QStringLiteral("id"), g.id);
            o.insert(QStringLiteral("name"), g.name);
            o.insert(QStringLiteral("collapsed"), g.collapsed);
            groups.append(o);
        }
    }
    // QJsonObject keeps its keys sorted, which gives the alphabetical order of the file.
    QJsonObject root;
    root.insert(QStringLiteral("pages"), pages);
    root.insert(QStringLiteral("groups"), groups);
    if (index.selected) root.insert(QStringLiteral("selected"), *index.selected);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<Index> decode(const QByteArray& bytes) {
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &err);
    if (err.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
    const QJsonObject root = doc.object();
    // The accessors of QJsonValue are lenient (a string reads as 0, a number as false), so every
    // type is checked by hand.
    try {
        const QJsonValue pagesValue = root.value(QStringLiteral("pages"));
        if (!pagesValue.isArray()) throw DecodeError{};
        Index index;
        QSet<QString> seen;
        for (const QJsonValue& v : pagesValue.toArray()) {
            if (!v.isObject()) throw DecodeError{};
            const QJsonObject o = v.toObject();
            Page p;
            p.id = requiredString(o, QStringLiteral("id"));
            p.name = requiredString(o, QStringLiteral("name"));
            p.color = optionalString(o, QStringLiteral("color"));
            const QJsonValue created = o.value(QStringLiteral("created"));
            if (!created.isDouble()) throw DecodeError{};
            p.created = created.toDouble();
            p.group = optionalString(o, QStringLiteral("group"));
            const QJsonValue pinned = o.value(QStringLiteral("pinned"));
            if (pinned.isBool())
                p.pinned = pinned.toBool();
            else if (!pinned.isUndefined() && !pinned.isNull())
                throw DecodeError{};
            if (!isSheetId(p.id) || seen.contains(p.id)) continue;
            seen.insert(p.id);
            index.pages.append(p);
        }
        index.selected = optionalString(root, QStringLiteral("selected"));
        const QJsonValue groupsValue = root.value(QStringLiteral("groups"));
        if (!groupsValue.isUndefined() && !groupsValue.isNull()) {
            if (!groupsValue.isArray()) throw DecodeError{};
            QList<Group> groups;
            for (const QJsonValue& v : groupsValue.toArray()) {
                if (!v.isObject()) throw DecodeError{};
                const QJsonObject o = v.toObject();
                Group g;
                g.id = requiredString(o, QStringLiteral("id"));
                g.name = requiredString(o, QStringLiteral("name"));
                const QJsonValue collapsed = o.value(QStringLiteral("collapsed"));
                if (!collapsed.isBool()) throw DecodeError{};
                g.collapsed = collapsed.toBool();
                groups.append(g);
            }
            index.groups = groups;
        }
        return index;
    } catch (const DecodeError&) {
        return std::nullopt;
    }
}

QHash<QString, QString> salvageNames(const QByteArray& bytes) {
    QHash<QString, QString> names;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes);
    if (!doc.isObject()) return names;
    for (const QJsonValue& v : doc.object().value(QStringLiteral("pages")).toArray()) {
        const QJsonObject o = v.toObject();
        const QJsonValue id = o.value(QStringLiteral("id"));
        const QJsonValue name = o.value(QStringLiteral("name"));
        if (id.isString() && name.isString() && !names.contains(id.toString()))
            names.insert(id.toString(), name.toString());
    }
    return names;
}

} // namespace VexilUI::PageIndex
