#include "ui/storage/PageIndex.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "ui/storage/QtPrinters.h"

#include <gtest/gtest.h>

using namespace VexilUI;

namespace {

const QString kA = QStringLiteral("0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D");
const QString kB = QStringLiteral("11111111-2222-4333-8444-555555555555");
const QString kG = QStringLiteral("AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE");

QStringList keys(const QJsonObject& o) {
    return o.keys();
}

} // namespace

TEST(PageIndex, EncodesTheDocumentedJsonForm) {
    Index index;
    index.pages = {Page{kA, QStringLiteral("Budget \u00E9/\"x\""), QStringLiteral("FF6B6B"),
                        1700000000.123456789, kG, true},
                   Page{kB, QStringLiteral("Plain"), std::nullopt, 12.5, std::nullopt, false}};
    index.selected = kB;
    index.groups = QList<Group>{Group{kG, QStringLiteral("Work"), true}};
    const QByteArray bytes = PageIndex::encode(index);

    const QJsonObject root = QJsonDocument::fromJson(bytes).object();
    EXPECT_EQ(keys(root), (QStringList{"groups", "pages", "selected"}));
    const QJsonArray pages = root.value("pages").toArray();
    ASSERT_EQ(pages.size(), 2);
    EXPECT_EQ(keys(pages[0].toObject()), (QStringList{"color", "created", "group", "id", "name", "pinned"}));
    // No colour and no folder: the keys are left out, but "pinned" is always written.
    EXPECT_EQ(keys(pages[1].toObject()), (QStringList{"created", "id", "name", "pinned"}));
    EXPECT_EQ(pages[1].toObject().value("pinned"), QJsonValue(false));
    EXPECT_EQ(pages[0].toObject().value("created").toDouble(), 1700000000.123456789);
    EXPECT_EQ(keys(root.value("groups").toArray()[0].toObject()), (QStringList{"collapsed", "id", "name"}));

    // Keys appear in the file itself in alphabetical order.
    const auto at = [&](const char* key) { return bytes.indexOf(QByteArray("\"") + key + "\":"); };
    EXPECT_LT(at("groups"), at("pages"));
    EXPECT_LT(at("pages"), at("selected"));
    EXPECT_LT(at("collapsed"), at("color"));
    EXPECT_LT(at("color"), at("created"));
    EXPECT_TRUE(bytes.contains('\n')) << "pretty printed";

    EXPECT_EQ(PageIndex::decode(bytes), index);
}

TEST(PageIndex, AlwaysWritesGroupsAndLeavesOutANoneSelection) {
    Index index;
    index.pages = {Page{kA, QStringLiteral("S"), std::nullopt, 0, std::nullopt, false}};
    const QJsonObject root = QJsonDocument::fromJson(PageIndex::encode(index)).object();
    EXPECT_EQ(keys(root), (QStringList{"groups", "pages"}));
    EXPECT_EQ(root.value("groups"), QJsonValue(QJsonArray()));
}

TEST(PageIndex, ReadsIndexesOfEarlierVersionsAndIgnoresUnknownKeys) {
    const QString json = QStringLiteral(R"({"pages":[{"id":"%1","name":"Old","created":5,"extra":[1],
        "color":null,"group":null}],"selected":null,"future":true})")
                             .arg(kA);
    const auto index = PageIndex::decode(json.toUtf8());
    ASSERT_TRUE(index);
    ASSERT_EQ(index->pages.size(), 1);
    EXPECT_EQ(index->pages[0], (Page{kA, QStringLiteral("Old"), std::nullopt, 5, std::nullopt, false}));
    EXPECT_EQ(index->groups, std::nullopt);
    EXPECT_EQ(index->selected, std::nullopt);
    // A byte-order mark is accepted.
    EXPECT_TRUE(PageIndex::decode("\xEF\xBB\xBF" + json.toUtf8()));
}

TEST(PageIndex, RejectsEveryTypeViolation) {
    const QString page = QStringLiteral(R"("id":"%1","name":"N","created":1)").arg(kA);
    const QString group = QStringLiteral(R"("id":"g","name":"G")");
    const QList<std::pair<const char*, QString>> cases = {
        {"invalid JSON", QStringLiteral("{\"pages\":[")},
        {"trailing garbage", QStringLiteral("{\"pages\":[]} x")},
        {"empty file", QString()},
        {"root is an array", QStringLiteral("[]")},
        {"no pages", QStringLiteral("{\"groups\":[]}")},
        {"pages is an object", QStringLiteral("{\"pages\":{}}")},
        {"page is a string", QStringLiteral("{\"pages\":[\"x\"]}")},
        {"id is a number", QStringLiteral(R"({"pages":[{"id":1,"name":"N","created":1}]})")},
        {"name missing", QStringLiteral(R"({"pages":[{"id":"%1","created":1}]})").arg(kA)},
        {"created missing", QStringLiteral(R"({"pages":[{"id":"%1","name":"N"}]})").arg(kA)},
        {"created is a string",
         QStringLiteral(R"({"pages":[{"id":"%1","name":"N","created":"1"}]})").arg(kA)},
        {"pinned is a string", QStringLiteral(R"({"pages":[{%1,"pinned":"yes"}]})").arg(page)},
        {"pinned is a number", QStringLiteral(R"({"pages":[{%1,"pinned":1}]})").arg(page)},
        {"color is a number", QStringLiteral(R"({"pages":[{%1,"color":5}]})").arg(page)},
        {"group is a bool", QStringLiteral(R"({"pages":[{%1,"group":true}]})").arg(page)},
        {"selected is a number", QStringLiteral(R"({"pages":[{%1}],"selected":3})").arg(page)},
        {"groups is an object", QStringLiteral(R"({"pages":[{%1}],"groups":{}})").arg(page)},
        {"group without collapsed", QStringLiteral(R"({"pages":[{%1}],"groups":[{%2}]})").arg(page, group)},
        {"collapsed is a string",
         QStringLiteral(R"({"pages":[{%1}],"groups":[{%2,"collapsed":"no"}]})").arg(page, group)},
        {"group name is null",
         QStringLiteral(R"({"pages":[{%1}],"groups":[{"id":"g","name":null,"collapsed":false}]})").arg(page)},
    };
    for (const auto& [name, json] : cases)
        EXPECT_EQ(PageIndex::decode(json.toUtf8()), std::nullopt) << name;
}

TEST(PageIndex, SkipsIdsThatAreNoUuidAndRepeatedIds) {
    const QString json = QStringLiteral(R"({"pages":[
        {"id":"../../x","name":"Escape","created":1},
        {"id":"%1","name":"First","created":2},
        {"id":"%1","name":"Again","created":3},
        {"id":"{%2}","name":"Braced","created":4},
        {"id":"%3","name":"Lower","created":5}],"selected":"../../x"})")
                             .arg(kA, kB, kB.toLower());
    const auto index = PageIndex::decode(json.toUtf8());
    ASSERT_TRUE(index);
    ASSERT_EQ(index->pages.size(), 2);
    EXPECT_EQ(index->pages[0].name, QStringLiteral("First"));
    EXPECT_EQ(index->pages[1].name, QStringLiteral("Lower"));
}

TEST(PageIndex, SheetIdsAreUuids) {
    for (const QString& id : {kA, kB.toLower(), QStringLiteral("00000000-0000-0000-0000-000000000000")})
        EXPECT_TRUE(PageIndex::isSheetId(id)) << id.toStdString();
    for (const char* id : {"", "../../x", "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4",
                           "{0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D}", "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4G",
                           "0A1B2C3D+4E5F-4A6B-8C7D-9E0F1A2B3C4D", "0A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3/.."})
        EXPECT_FALSE(PageIndex::isSheetId(QString::fromLatin1(id))) << id;
    const QString id = PageIndex::newId();
    EXPECT_TRUE(PageIndex::isSheetId(id));
    EXPECT_EQ(id, id.toUpper());
    EXPECT_NE(id, PageIndex::newId());
}

TEST(PageIndex, SalvagesNamesFromAnIndexThatDoesNotDecode) {
    const QString json =
        QStringLiteral(R"({"pages":[{"id":"%1","name":"Taxes","created":"bad"},{"id":"%2","pinned":"yes"}]})")
            .arg(kA, kB);
    EXPECT_EQ(PageIndex::decode(json.toUtf8()), std::nullopt);
    const auto names = PageIndex::salvageNames(json.toUtf8());
    EXPECT_EQ(names.size(), 1);
    EXPECT_EQ(names.value(kA), QStringLiteral("Taxes"));
    EXPECT_TRUE(PageIndex::salvageNames("not json").isEmpty());
}
