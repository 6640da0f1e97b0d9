#pragma once

#include "core/values/Unit.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

// The process-wide unit registry and the resolver of typed unit words. Built once on first use;
// afterwards only byId grows (currency codes learnt at run time), on the main thread.
namespace VexilCore::Units {

// Metres.
inline constexpr double inch = 0.0254;
inline constexpr double pixel = 0.0254 / 96;
inline constexpr double point = 0.0254 / 72;

using Table = QHash<QString, UnitRef>;

// Every definition by id (built-in units, currency codes, the satoshi, learnt codes).
const Table& byId();
// Single words as typed ("mL", "Cal", "kn").
const Table& exact();
// Lower-cased single words of two or more characters, minus the folded collisions.
const Table& folded();
// Lower-cased multi-word names ("nautical miles", "fl oz") and the lower-cased currency words.
const Table& phrases();
// Folded words claimed by two different units; they resolve only when typed exactly.
const QSet<QString>& foldedCollisions();

// Each word followed by the word with "s" appended.
QStringList words(const QStringList& list);

// One typed word to a unit and power ("km" -> km^1, "m2" -> m^2, "usd" -> USD^1), or nothing.
// "pt" is the typographic point unless ptAsPint.
std::optional<UnitPower> lookupWord(const QString& word, bool ptAsPint = false);

// A built-in unit by id; a missing id is a programming error (aborts).
UnitRef unit(const QString& id);

// The currency unit of a code, created and registered when missing.
UnitRef currencyUnit(const QString& code);

} // namespace VexilCore::Units
