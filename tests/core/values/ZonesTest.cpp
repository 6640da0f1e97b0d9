#include "core/values/Zones.h"

#include <gtest/gtest.h>

#include <QDateTime>

#include <cmath>

using namespace VexilCore;
using namespace Qt::Literals::StringLiterals;

namespace {

QStringList split(const char* phrase) {
    return QString::fromUtf8(phrase).split(u' ', Qt::SkipEmptyParts);
}

// Offset at a fixed instant, so that nothing depends on today's date.
int offsetAt2024(const QTimeZone& zone) {
    return zone.offsetFromUtc(QDateTime(QDate(2024, 1, 15), QTime(12, 0), QTimeZone::utc()));
}

} // namespace

TEST(Zones, TableSizes) {
    EXPECT_EQ(Zones::abbreviations().size(), 45);
    EXPECT_EQ(Zones::aliases().size(), 104);
    EXPECT_EQ(Zones::excluded().size(), 35);
}

TEST(Zones, AbbreviationsAreFixedOffsets) {
    struct Case {
        const char* word;
        int seconds;
        const char* id;
    };
    const Case cases[] = {
        {"PST", -8 * 3600, "UTC-08"},
        {"IST", 19800, "UTC+05:30"},
        {"NST", -12600, "UTC-03:30"},
        {"ACDT", 37800, "UTC+10:30"},
        {"NZDT", 13 * 3600, "UTC+13"},
        {"HST", -10 * 3600, "UTC-10"},
        {"GMT", 0, "UTC"},
        {"Z", 0, "UTC"},
        {"CET", 3600, "UTC+01"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        const auto m = Zones::match({QString::fromLatin1(c.word), u"at"_s});
        ASSERT_TRUE(m.has_value());
        EXPECT_EQ(m->zone.id(), QByteArray(c.id));
        EXPECT_EQ(m->label, QString::fromLatin1(c.word));
        EXPECT_EQ(m->length, 1);
        // A fixed offset keeps it all year: CET does not turn into summer time.
        EXPECT_EQ(m->zone.offsetFromUtc(QDateTime(QDate(2024, 7, 1), QTime(12, 0), QTimeZone::utc())),
                  c.seconds);
        EXPECT_FALSE(m->zone.hasDaylightTime());
    }
    // Same offset, same zone: equal zones compare equal.
    EXPECT_EQ(Zones::match({u"CET"_s})->zone, QTimeZone(3600));

    for (auto it = Zones::abbreviations().cbegin(); it != Zones::abbreviations().cend(); ++it) {
        SCOPED_TRACE(it.key().toStdString());
        EXPECT_EQ(it.key(), it.key().toUpper());
        const auto m = Zones::match({it.key()});
        ASSERT_TRUE(m.has_value());
        EXPECT_TRUE(m->zone.isValid());
        EXPECT_EQ(offsetAt2024(m->zone), int(it.value() * 3600));
    }
}

TEST(Zones, AbbreviationsAreCaseSensitive) {
    for (const char* word : {"pst", "Pst", "ist", "cet", "est", "z"}) {
        SCOPED_TRACE(word);
        EXPECT_FALSE(Zones::match({QString::fromLatin1(word)}).has_value());
    }
    // Only the first word is an abbreviation: later words go to the place names.
    EXPECT_FALSE(Zones::match(split("at PST")).has_value());
}

TEST(Zones, Places) {
    struct Case {
        const char* words;
        const char* id;
        const char* label;
        int length;
    };
    const Case cases[] = {
        {"new york at", "America/New_York", "New York", 2},
        {"nyc", "America/New_York", "NYC", 1},
        {"NYC", "America/New_York", "NYC", 1},
        {"la", "America/Los_Angeles", "LA", 1},
        {"uk", "Europe/London", "UK", 1},
        {"rio", "America/Sao_Paulo", "RIO", 1},
        {"rio de janeiro", "America/Sao_Paulo", "Rio De Janeiro", 3},
        {"buenos aires", "America/Argentina/Buenos_Aires", "Buenos Aires", 2},
        {"ho chi minh city", "Asia/Ho_Chi_Minh", "Ho Chi Minh", 3},
        {"london", "Europe/London", "London", 1},
        {"LONDON", "Europe/London", "LONDON", 1},
        {"nEW yORK", "America/New_York", "NEW YORK", 2},
        {"lima", "America/Lima", "Lima", 1},
        {"tokyo tomorrow", "Asia/Tokyo", "Tokyo", 1},
        {"mexico", "America/Mexico_City", "Mexico", 1},
        {"mexico city", "America/Mexico_City", "Mexico City", 2},
        {"salt lake city", "America/Denver", "Salt Lake City", 3},
        {"salt lake city utah", "America/Denver", "Salt Lake City", 3},
        {"new york city", "America/New_York", "New York City", 3},
        {"st petersburg", "Europe/Moscow", "St Petersburg", 2},
        {"port-au-prince", "America/Port-au-Prince", "Port-au-prince", 1},
        {"kyiv", "Europe/Kyiv", "Kyiv", 1},
        {"germany", "Europe/Berlin", "Germany", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.words);
        const auto m = Zones::match(split(c.words));
        ASSERT_TRUE(m.has_value());
        EXPECT_EQ(m->zone.id(), QByteArray(c.id));
        EXPECT_EQ(m->label, QString::fromUtf8(c.label));
        EXPECT_EQ(m->length, c.length);
    }
}

TEST(Zones, EveryAliasResolvesToItsZone) {
    for (auto it = Zones::aliases().cbegin(); it != Zones::aliases().cend(); ++it) {
        SCOPED_TRACE(it.key().toStdString());
        const QStringList words = it.key().split(u' ');
        const auto m = Zones::match(words);
        ASSERT_TRUE(m.has_value());
        EXPECT_EQ(m->zone.id(), it.value().toUtf8());
        EXPECT_EQ(m->length, words.size());
    }
}

TEST(Zones, ExcludedAndUnknownNamesGiveNothing) {
    const QByteArrayList ids = QTimeZone::availableTimeZoneIds();
    // These are in the database, under names that would shadow better-known places or read as words.
    for (const char* id : {"Pacific/Wake", "America/Indiana/Tell_City", "Europe/Jersey", "Pacific/Easter",
                           "Asia/Ust-Nera", "America/Indiana/Petersburg"})
        EXPECT_TRUE(ids.contains(id)) << id;

    for (const char* words : {"wake", "tell city", "jersey", "easter", "ust-nera", "petersburg", "truk",
                              "factory", "salem", "utc", "gmt", "etc", "hello world", "", "new"}) {
        SCOPED_TRACE(words);
        EXPECT_FALSE(Zones::match(split(words)).has_value());
    }
    EXPECT_FALSE(Zones::match({}).has_value());
    EXPECT_FALSE(Zones::match({QString()}).has_value());
    EXPECT_FALSE(Zones::match({u""_s, u"london"_s}).has_value());
    // Words are joined with one space: a doubled space is no place name.
    EXPECT_FALSE(Zones::match({u"new  york"_s}).has_value());
}

TEST(Zones, CitiesComeOnlyFromRegionIds) {
    const auto& cities = Zones::cities();
    EXPECT_GT(cities.size(), 300);
    for (auto it = cities.cbegin(); it != cities.cend(); ++it) {
        EXPECT_TRUE(it.value().contains(u'/')) << it.key().toStdString();
        EXPECT_FALSE(it.value().startsWith(u"Etc/"_s)) << it.key().toStdString();
        EXPECT_FALSE(Zones::excluded().contains(it.key())) << it.key().toStdString();
        EXPECT_EQ(it.key(), it.key().toLower());
    }
}

TEST(Zones, CitiesFromIdList) {
    const QByteArrayList ids = {"UTC",
                                "UTC+05:30",
                                "Etc/GMT+5",
                                "Etc/Foo",
                                "America/Foo",
                                "Europe/Foo",
                                "Pacific/Wake",
                                "America/Indiana/Tell_City",
                                "Asia/Ho_Chi_Minh",
                                "Europe/Berlin",
                                "Asia/Kolkata"};
    const auto cities = Zones::citiesFrom(ids);
    EXPECT_FALSE(cities.contains(u"utc"_s));
    EXPECT_FALSE(cities.contains(u"utc+05:30"_s));
    EXPECT_FALSE(cities.contains(u"gmt+5"_s));
    EXPECT_EQ(cities.value(u"foo"_s), u"America/Foo"_s); // the first id wins
    EXPECT_FALSE(cities.contains(u"wake"_s));
    EXPECT_FALSE(cities.contains(u"tell city"_s));
    EXPECT_EQ(cities.value(u"ho chi minh"_s), u"Asia/Ho_Chi_Minh"_s);
    EXPECT_EQ(cities.value(u"berlin"_s), u"Europe/Berlin"_s);
    // Aliases are added whatever the list holds.
    EXPECT_EQ(cities.value(u"germany"_s), u"Europe/Berlin"_s);
    EXPECT_EQ(cities.value(u"hong kong"_s), u"Asia/Hong_Kong"_s);
    EXPECT_EQ(cities.size(), 4 + Zones::aliases().size());

    // An alias replaces a database name of the same spelling.
    const auto withClash = Zones::citiesFrom({"Somewhere/Sf", "Somewhere/Rio"});
    EXPECT_EQ(withClash.value(u"sf"_s), u"America/Los_Angeles"_s);
    EXPECT_EQ(withClash.value(u"rio"_s), u"America/Sao_Paulo"_s);
}

TEST(Zones, UnknownIdFallsBackToFewerWords) {
    const QHash<QString, QString> map = {
        {u"new york"_s, u"Nowhere/Atlantis"_s},
        {u"new"_s, u"America/New_York"_s},
        {u"a b c"_s, u"Asia/Tokyo"_s},
        {u"a b"_s, u"Europe/Paris"_s},
    };
    const auto m = Zones::match(split("new york"), map);
    ASSERT_TRUE(m.has_value());
    EXPECT_EQ(m->zone.id(), QByteArray("America/New_York"));
    EXPECT_EQ(m->label, u"NEW"_s);
    EXPECT_EQ(m->length, 1);

    // The longest name wins; a fourth word is never read.
    const auto longest = Zones::match(split("a b c d"), map);
    ASSERT_TRUE(longest.has_value());
    EXPECT_EQ(longest->zone.id(), QByteArray("Asia/Tokyo"));
    EXPECT_EQ(longest->label, u"A B C"_s);
    EXPECT_EQ(longest->length, 3);
    EXPECT_FALSE(Zones::match(split("x a b c"), map).has_value());

    // Abbreviations come before any place name.
    const auto abbr = Zones::match({u"PST"_s}, {{u"pst"_s, u"Asia/Tokyo"_s}});
    ASSERT_TRUE(abbr.has_value());
    EXPECT_EQ(abbr->zone.id(), QByteArray("UTC-08"));
}

TEST(Zones, LabelCapitalisesFirstCharacterOnly) {
    const QHash<QString, QString> map = {
        {u"\u00e9vora"_s, u"Europe/Lisbon"_s},
        {u"\U00010428bcd"_s, u"Europe/Lisbon"_s},
    };
    const auto accented = Zones::match({u"\u00e9vORA"_s}, map);
    ASSERT_TRUE(accented.has_value());
    EXPECT_EQ(accented->label, u"\u00c9vORA"_s);
    // A character outside the basic plane is kept whole.
    const auto astral = Zones::match({u"\U00010428bcd"_s}, map);
    ASSERT_TRUE(astral.has_value());
    EXPECT_EQ(astral->label, u"\U00010400bcd"_s);
}
