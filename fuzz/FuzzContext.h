#pragma once

#include "core/currency/RatesTable.h"
#include "core/values/EvalContext.h"

#include <QLocale>
#include <QTimeZone>

namespace VexilFuzz {

// The one evaluation context of the sheet targets: a fixed instant, a zone with daylight saving, the
// en_US locale and small fiat and crypto tables, so that results depend on the input alone.
inline VexilCore::EvalContext fixedContext() {
    using namespace VexilCore;
    RatesTable fiat;
    fiat.base = QStringLiteral("USD");
    const char* codes[] = {"USD", "EUR", "GBP", "JPY", "CHF", "CAD", "AUD", "NZD", "SEK",
                           "NOK", "DKK", "PLN", "CZK", "HUF", "INR", "CNY", "KRW", "BRL",
                           "MXN", "ZAR", "TRY", "RUB", "THB", "ILS", "VND", "KWD"};
    double rate = 1;
    for (const char* code : codes) {
        fiat.rates.insert(QString::fromLatin1(code), rate);
        rate = rate * 1.7 + 0.013;
    }
    fiat.rates.insert(QStringLiteral("USD"), 1.0);
    fiat.providerTimestamp = 1'699'990'000;
    fiat.fetchedAt = 1'699'999'000;
    fiat.source = QStringLiteral("Coinbase");
    CryptoTable crypto{{{QStringLiteral("BTC"), 36'500.0},
                        {QStringLiteral("ETH"), 2'050.5},
                        {QStringLiteral("USDT"), 1.0},
                        {QStringLiteral("SOL"), 56.25},
                        {QStringLiteral("XRP"), 0.61},
                        {QStringLiteral("DOGE"), 0.073}},
                       1'699'995'000,
                       1'699'999'000,
                       QStringLiteral("CoinGecko")};
    const CalendarCtx calendar{QTimeZone("America/New_York"),
                               QLocale(QLocale::English, QLocale::UnitedStates)};
    return EvalContext::make(calendar, 1'700'000'000.25, fiat, crypto, 16, true);
}

} // namespace VexilFuzz
