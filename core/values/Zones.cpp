#include "core/values/Zones.h"

#include <QMutex>
#include <QMutexLocker>

#include <algorithm>
#include <utility>
#include <vector>

namespace VexilCore::Zones {

using namespace Qt::Literals::StringLiterals;

namespace {

struct Tables {
    QHash<QString, double> abbreviations;
    QHash<QString, QTimeZone> abbreviationZones;
    QHash<QString, QString> aliases;
    QSet<QString> excluded;
    QHash<QString, QString> cities;
};

QHash<QString, double> makeAbbreviations() {
    return {
        {u"GMT"_s, 0},   {u"UTC"_s, 0},   {u"UT"_s, 0},     {u"Z"_s, 0},      {u"WET"_s, 0},
        {u"WEST"_s, 1},  {u"BST"_s, 1},   {u"IST"_s, 5.5},  {u"CET"_s, 1},    {u"CEST"_s, 2},
        {u"EET"_s, 2},   {u"EEST"_s, 3},  {u"MSK"_s, 3},    {u"GST"_s, 4},    {u"PKT"_s, 5},
        {u"ICT"_s, 7},   {u"WIB"_s, 7},   {u"HKT"_s, 8},    {u"SGT"_s, 8},    {u"AWST"_s, 8},
        {u"PHT"_s, 8},   {u"JST"_s, 9},   {u"KST"_s, 9},    {u"ACST"_s, 9.5}, {u"ACDT"_s, 10.5},
        {u"AEST"_s, 10}, {u"AEDT"_s, 11}, {u"NZST"_s, 12},  {u"NZDT"_s, 13},  {u"HST"_s, -10},
        {u"AKST"_s, -9}, {u"AKDT"_s, -8}, {u"PST"_s, -8},   {u"PDT"_s, -7},   {u"MST"_s, -7},
        {u"MDT"_s, -6},  {u"CST"_s, -6},  {u"CDT"_s, -5},   {u"EST"_s, -5},   {u"EDT"_s, -4},
        {u"AST"_s, -4},  {u"ADT"_s, -3},  {u"NST"_s, -3.5}, {u"BRT"_s, -3},   {u"ART"_s, -3},
    };
}

QHash<QString, QString> makeAliases() {
    struct Group {
        const char* id;
        std::vector<const char*> names;
    };
    const Group groups[] = {
        {"America/New_York",
         {"nyc", "new york city", "boston", "washington", "washington dc", "dc", "miami", "atlanta",
          "philadelphia", "usa", "united states"}},
        {"America/Los_Angeles",
         {"la", "san francisco", "sf", "seattle", "san diego", "las vegas", "portland", "silicon valley"}},
        {"America/Chicago", {"dallas", "houston", "austin"}},
        {"America/Denver", {"salt lake city"}},
        {"America/Toronto", {"montreal", "ottawa", "canada"}},
        {"Asia/Kolkata", {"delhi", "new delhi", "mumbai", "bangalore", "bengaluru", "chennai", "india"}},
        {"Asia/Shanghai", {"beijing", "shenzhen", "china"}},
        {"Asia/Tokyo", {"osaka", "kyoto", "japan"}},
        {"Asia/Jerusalem", {"tel aviv", "israel"}},
        {"Asia/Dubai", {"abu dhabi", "uae"}},
        {"America/Sao_Paulo", {"rio", "rio de janeiro", "brazil"}},
        {"Europe/Moscow", {"saint petersburg", "st petersburg", "russia"}},
        {"Europe/Berlin", {"munich", "frankfurt", "hamburg", "germany"}},
        {"Europe/Rome", {"milan", "italy"}},
        {"Europe/Madrid", {"barcelona", "spain"}},
        {"Europe/Zurich", {"geneva", "switzerland"}},
        {"Europe/London", {"edinburgh", "manchester", "uk", "united kingdom", "england", "britain"}},
        {"Australia/Sydney", {"canberra", "australia"}},
        {"Pacific/Auckland", {"wellington", "new zealand"}},
        {"Africa/Johannesburg", {"cape town", "south africa"}},
        {"Pacific/Honolulu", {"honolulu", "hawaii"}},
        {"Europe/Paris", {"france"}},
        {"Europe/Amsterdam", {"netherlands"}},
        {"Asia/Bangkok", {"thailand"}},
        {"Asia/Seoul", {"korea", "south korea"}},
        {"America/Mexico_City", {"mexico"}},
        {"Europe/Dublin", {"ireland"}},
        {"Europe/Lisbon", {"portugal"}},
        {"Europe/Athens", {"greece"}},
        {"Europe/Istanbul", {"turkey"}},
        {"Africa/Cairo", {"egypt"}},
        {"Asia/Jakarta", {"indonesia"}},
        {"Asia/Manila", {"philippines"}},
        {"Asia/Ho_Chi_Minh", {"vietnam"}},
        {"Asia/Kuala_Lumpur", {"malaysia"}},
        {"America/Argentina/Buenos_Aires", {"argentina"}},
        {"America/Santiago", {"chile"}},
        {"America/Bogota", {"colombia"}},
        {"America/Lima", {"peru"}},
        {"Africa/Lagos", {"nigeria"}},
        {"Africa/Nairobi", {"kenya"}},
        {"Europe/Stockholm", {"sweden"}},
        {"Europe/Oslo", {"norway"}},
        {"Europe/Copenhagen", {"denmark"}},
        {"Europe/Helsinki", {"finland"}},
        {"Europe/Warsaw", {"poland"}},
        {"Europe/Vienna", {"austria"}},
        {"Europe/Brussels", {"belgium"}},
        {"Asia/Taipei", {"taiwan"}},
        {"Asia/Singapore", {"singapore"}},
        {"Asia/Hong_Kong", {"hong kong"}},
    };
    QHash<QString, QString> out;
    for (const auto& [id, names] : groups)
        for (const char* name : names)
            out.insert(QString::fromLatin1(name), QString::fromLatin1(id));
    return out;
}

// Database names that are also common words, or that would shadow a better-known place.
QSet<QString> makeExcluded() {
    return {
        u"wake"_s,       u"easter"_s,    u"troll"_s,      u"midway"_s,  u"truk"_s,      u"jersey"_s,
        u"guernsey"_s,   u"chatham"_s,   u"casey"_s,      u"davis"_s,   u"mawson"_s,    u"palmer"_s,
        u"vostok"_s,     u"macquarie"_s, u"factory"_s,    u"knox"_s,    u"marengo"_s,   u"center"_s,
        u"beulah"_s,     u"salem"_s,     u"monticello"_s, u"creston"_s, u"regina"_s,    u"eucla"_s,
        u"dili"_s,       u"ust-nera"_s,  u"ojinaga"_s,    u"vevay"_s,   u"tell city"_s, u"winamac"_s,
        u"petersburg"_s, u"vincennes"_s, u"louisville"_s, u"boise"_s,   u"nome"_s,
    };
}

QHash<QString, QString> buildCities(const QByteArrayList& ids, const QHash<QString, QString>& aliasMap,
                                    const QSet<QString>& excludedNames) {
    QHash<QString, QString> out;
    for (const QByteArray& raw : ids) {
        if (!raw.contains('/') || raw.startsWith("Etc/")) continue;
        const QString id = QString::fromUtf8(raw);
        QString name = id.mid(id.lastIndexOf(u'/') + 1);
        name.replace(u'_', u' ');
        name = std::move(name).toLower();
        if (excludedNames.contains(name) || out.contains(name)) continue;
        out.insert(name, id);
    }
    for (auto it = aliasMap.cbegin(); it != aliasMap.cend(); ++it)
        out.insert(it.key(), it.value());
    return out;
}

const Tables& tables() {
    static const Tables t = [] {
        Tables t;
        t.abbreviations = makeAbbreviations();
        for (auto it = t.abbreviations.cbegin(); it != t.abbreviations.cend(); ++it)
            t.abbreviationZones.insert(it.key(), QTimeZone(int(it.value() * 3600)));
        t.aliases = makeAliases();
        t.excluded = makeExcluded();
        t.cities = buildCities(QTimeZone::availableTimeZoneIds(), t.aliases, t.excluded);
        return t;
    }();
    return t;
}

// Building a zone reads its tz file, and match() runs on every keystroke: keep one zone per id,
// invalid ones included, so an unknown id is not looked up on disk again.
QTimeZone zoneFor(const QString& id) {
    static QMutex mutex;
    static QHash<QString, QTimeZone> cache;
    QMutexLocker lock(&mutex);
    auto it = cache.constFind(id);
    if (it == cache.constEnd()) it = cache.insert(id, QTimeZone(id.toUtf8()));
    return *it;
}

// The word with its first character (a whole code point) upper-cased and the rest unchanged.
QString capitalised(const QString& word) {
    if (word.isEmpty()) return word;
    const qsizetype first =
        (word.size() > 1 && word.at(0).isHighSurrogate() && word.at(1).isLowSurrogate()) ? 2 : 1;
    return word.left(first).toUpper() + word.mid(first);
}

} // namespace

const QHash<QString, double>& abbreviations() {
    return tables().abbreviations;
}
const QHash<QString, QString>& aliases() {
    return tables().aliases;
}
const QSet<QString>& excluded() {
    return tables().excluded;
}
const QHash<QString, QString>& cities() {
    return tables().cities;
}

QHash<QString, QString> citiesFrom(const QByteArrayList& ids) {
    return buildCities(ids, tables().aliases, tables().excluded);
}

std::optional<Match> match(const QStringList& words) {
    return match(words, tables().cities);
}

std::optional<Match> match(const QStringList& words, const QHash<QString, QString>& cityMap) {
    if (words.isEmpty()) return std::nullopt;

    const Tables& t = tables();
    if (auto it = t.abbreviationZones.constFind(words.first()); it != t.abbreviationZones.constEnd())
        return Match{*it, words.first(), 1};

    for (int k = int(std::min<qsizetype>(3, words.size())); k >= 1; --k) {
        const QStringList used = words.mid(0, k);
        const QString key = used.join(u' ').toLower();
        const auto city = cityMap.constFind(key);
        if (city == cityMap.constEnd()) continue;
        QTimeZone zone = zoneFor(*city);
        if (!zone.isValid()) continue;

        QString label;
        if (key.size() < 4) {
            label = key.toUpper();
        } else {
            QStringList parts;
            parts.reserve(k);
            for (const QString& w : used)
                parts.append(capitalised(w));
            label = parts.join(u' ');
        }
        return Match{std::move(zone), std::move(label), k};
    }
    return std::nullopt;
}

} // namespace VexilCore::Zones
