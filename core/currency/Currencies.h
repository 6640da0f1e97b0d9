#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <utility>

// The fixed money vocabulary: ISO codes, crypto coins, currency words and signs.
// Every table is built once on first use; only dynamicCodes changes afterwards.
namespace VexilCore::Currencies {

struct Coin {
    QString code;      // upper-case ticker, three or four letters
    QString geckoId;   // the coin's identifier at the crypto price service
    QStringList names; // lower-case English names users may type
};

// The 153 ISO 4217 codes, alphabetical.
const QStringList& codes();
const QSet<QString>& codeSet();

// The 22 coins, in the order the price service is asked for them.
const QList<Coin>& crypto();
const QSet<QString>& cryptoCodes();

// Fiat codes learnt from live rate tables during the run. Main thread only; only grows.
QSet<QString>& dynamicCodes();

// Lower-case codes that are also plain English words ("all", "top", "dot", ...).
const QSet<QString>& wordLikeCodes();

// (word, code) pairs: the fixed fiat words, then each coin's names in coin order.
const QList<std::pair<QString, QString>>& words();

// Currency signs, one Unicode scalar each, to their codes.
const QHash<char32_t, QString>& symbols();

// An ISO code, a coin code or a learnt code; exact and case-sensitive.
bool isKnown(const QString& code);

// A coin code, or exactly "sat" (the satoshi unit).
bool isCrypto(const QString& code);

} // namespace VexilCore::Currencies
