#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QMap>
#include <QString>

#include <optional>

namespace VexilCore {

// Fiat exchange rates against the US dollar: rates[code] is how many units of the currency one
// dollar buys. Times are seconds since 1970 (kept as doubles so they survive any cache value and
// round-trip exactly).
struct RatesTable {
    // Error of the provider parsers; its description is the only wording shown to the user.
    struct ValidationError {
        enum class Kind { NotSuccess, WrongBase, Malformed, BadRates, BadTimestamp };
        Kind kind = Kind::Malformed;
        QString payload; // the service's result word, or the base it named

        static ValidationError notSuccess(const QString& word) { return {Kind::NotSuccess, word}; }
        static ValidationError wrongBase(const QString& base) { return {Kind::WrongBase, base}; }
        static ValidationError malformed() { return {Kind::Malformed, {}}; }
        static ValidationError badRates() { return {Kind::BadRates, {}}; }
        static ValidationError badTimestamp() { return {Kind::BadTimestamp, {}}; }

        QString description() const;
        bool operator==(const ValidationError&) const = default;
    };

    QString base;
    QMap<QString, double> rates;
    double providerTimestamp = 0;
    double fetchedAt = 0;
    std::optional<QString> source;

    std::optional<double> rate(const QString& code) const;
    // Coinbase's response carries no data time, so its providerTimestamp is only the fetch time.
    bool ageIsFetchTime() const;
    bool isValid() const;

    // Three capital ASCII letters: the only form of a fiat code.
    static bool isCurrencyCode(const QString& code);
    // A rate or price fit to compute with: finite and from 1e-12 to 1e12.
    static bool isUsableRate(double value);
    // Drops what no provider sends and a file may still hold: codes of another form and unusable rates.
    void dropUnusableRates();

    // The JSON record: absent when a number is not finite (JSON cannot hold it, and a written
    // null would make the whole record unreadable later).
    std::optional<QJsonObject> toJson() const;
    // Strict reading: every required key with its exact JSON type, or nothing at all.
    static std::optional<RatesTable> fromJson(const QJsonValue& json);

    bool operator==(const RatesTable&) const = default;
};

// US-dollar prices of the crypto coins, keyed by coin code.
struct CryptoTable {
    QMap<QString, double> pricesUSD;
    double providerTimestamp = 0;
    double fetchedAt = 0;
    QString source; // "CoinGecko" or "Coinbase"

    std::optional<double> price(const QString& code) const;
    bool isValid() const;
    // Drops prices that are not usable rates.
    void dropUnusablePrices();

    std::optional<QJsonObject> toJson() const;
    static std::optional<CryptoTable> fromJson(const QJsonValue& json);

    bool operator==(const CryptoTable&) const = default;
};

} // namespace VexilCore
