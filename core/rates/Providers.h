#pragma once

#include "core/currency/RatesTable.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

// Reading the three rate services' responses, and their addresses.
// Both parsers are pure and throw RatesTable::ValidationError; no partial table is ever returned.
namespace VexilCore {

namespace RatesProvider {

// Host of the daily open exchange-rate service; it is also the label its tables carry as source.
const QString& dailyLabel();

// Coinbase's exchange rates against USD (fiat first choice).
const QUrl& coinbaseURL();

// Fiat rates from a Coinbase or a daily-service body; times are seconds since 1970.
RatesTable parseProvider(const QByteArray& data, double fetchedAt);

// A rate value as Coinbase sends it: a string read as one C-locale floating-point number (nothing
// before or after it), else a JSON number; nothing otherwise. Not range-checked.
std::optional<double> readRate(const QJsonValue& value);

} // namespace RatesProvider

namespace CryptoProvider {

// CoinGecko's simple-price address for every coin, in vocabulary order (crypto first choice).
const QUrl& coinGeckoURL();
// The same address as RatesProvider::coinbaseURL(); the coin fallback reads the same shape.
const QUrl& coinbaseURL();

// Coin prices in USD from a CoinGecko or a Coinbase body.
CryptoTable parse(const QByteArray& data, double fetchedAt);

} // namespace CryptoProvider

} // namespace VexilCore
