#pragma once

#include <QByteArrayList>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <optional>

// Time-zone names in typed text: fixed-offset abbreviations ("PST"), places from the platform's
// time-zone database ("London", "Buenos Aires") and a list of popular aliases ("nyc", "germany").
namespace VexilCore::Zones {

struct Match {
    QTimeZone zone;
    QString label;  // the zone as it will be shown
    int length = 0; // how many of the given words were used, 1 to 3
};

// Abbreviation (capitals, matched case-sensitively) -> hours east of UTC.
const QHash<QString, double>& abbreviations();
// Lower-case alias -> time-zone identifier.
const QHash<QString, QString>& aliases();
// Lower-case place names never taken from the database.
const QSet<QString>& excluded();
// Lower-case place name -> time-zone identifier, from the platform's zone list and the aliases.
const QHash<QString, QString>& cities();

// The zone named by the leading words (at most three are read), or nothing.
std::optional<Match> match(const QStringList& words);

// The place-name map for a given list of zone identifiers, in the order given.
QHash<QString, QString> citiesFrom(const QByteArrayList& ids);
// match() over a given place-name map; the abbreviations still come from the fixed table.
std::optional<Match> match(const QStringList& words, const QHash<QString, QString>& cityMap);

} // namespace VexilCore::Zones
