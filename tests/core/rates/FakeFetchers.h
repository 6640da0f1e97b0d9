#pragma once

#include "core/currency/Currencies.h"
#include "core/rates/Providers.h"
#include "core/rates/RatesCacheFile.h"
#include "core/rates/RatesFetching.h"

#include <QFile>
#include <QList>
#include <QStringList>

#include <memory>
#include <thread>

namespace FakeRates {

using namespace VexilCore;

// Keeps every completion; the test delivers later, in any order, as often as it likes.
class ManualFetcher : public RatesFetching {
public:
    void fetch(FetchCompletion completion) override { completions.append(std::move(completion)); }
    void deliver(qsizetype i, FetchResult result) { completions.at(i)(std::move(result)); }
    void deliverLast(FetchResult result) { deliver(completions.size() - 1, std::move(result)); }
    int calls() const { return int(completions.size()); }
    QList<FetchCompletion> completions;
};

// Answers inside fetch, on the calling thread (as the offline fetcher does).
class ImmediateFetcher : public RatesFetching {
public:
    explicit ImmediateFetcher(FetchResult r) : result(std::move(r)) {}
    void fetch(FetchCompletion completion) override {
        ++calls;
        completion(result);
    }
    FetchResult result;
    int calls = 0;
};

// Answers from a thread of its own.
class ThreadFetcher : public RatesFetching {
public:
    explicit ThreadFetcher(FetchResult r) : result(std::move(r)) {}
    ~ThreadFetcher() override { join(); }
    void fetch(FetchCompletion completion) override {
        join();
        worker = std::thread([completion, r = result] { completion(r); });
    }
    void join() {
        if (worker.joinable()) worker.join();
    }
    FetchResult result;
    std::thread worker;
};

inline FetchError urlError(qint64 code) {
    return FetchError{kURLErrorDomain, code, std::nullopt};
}

// "CODE":rate members: USD at 1 and the first n - 1 other ISO codes at 2, plus extra codes at 3.
inline QMap<QString, double> fiatRates(int n, const QStringList& extra = {}, double rate = 2) {
    QMap<QString, double> rates{{QStringLiteral("USD"), 1.0}};
    for (const QString& code : Currencies::codes()) {
        if (rates.size() >= n) break;
        rates.insert(code, code == u"USD" ? 1.0 : rate);
    }
    for (const QString& code : extra)
        rates.insert(code, 3.0);
    return rates;
}

inline QByteArray membersOf(const QMap<QString, double>& rates, bool quoted) {
    QByteArray out;
    for (auto it = rates.cbegin(); it != rates.cend(); ++it) {
        if (!out.isEmpty()) out += ',';
        const QByteArray v = QByteArray::number(it.value(), 'g', 17);
        out += '"' + it.key().toLatin1() + "\":" + (quoted ? '"' + v + '"' : v);
    }
    return out;
}

inline QByteArray dailyBody(const QMap<QString, double>& rates, double time = 1700000000) {
    return "{\"result\":\"success\",\"base_code\":\"USD\",\"time_last_update_unix\":" +
           QByteArray::number(time, 'g', 17) + ",\"rates\":{" + membersOf(rates, false) + "}}";
}

inline QByteArray coinbaseBody(const QMap<QString, double>& rates) {
    return "{\"data\":{\"currency\":\"USD\",\"rates\":{" + membersOf(rates, true) + "}}}";
}

inline QByteArray geckoBody(double time = 1700000000, double btc = 50000) {
    const QByteArray t = QByteArray::number(time, 'g', 17);
    return "{\"bitcoin\":{\"usd\":" + QByteArray::number(btc, 'g', 17) + ",\"last_updated_at\":" + t +
           "},\"ethereum\":{\"usd\":3000,\"last_updated_at\":" + t +
           "},\"tether\":{\"usd\":1},"
           "\"solana\":{\"usd\":150},\"ripple\":{\"usd\":0.5}}";
}

inline RatesTable fiatTable(double providerTimestamp, double fetchedAt, std::optional<QString> source,
                            int n = 20) {
    return RatesTable{QStringLiteral("USD"), fiatRates(n), providerTimestamp, fetchedAt, std::move(source)};
}

inline CryptoTable cryptoTable(double providerTimestamp, double fetchedAt, QString source) {
    return CryptoTable{{{QStringLiteral("BTC"), 50000},
                        {QStringLiteral("ETH"), 3000},
                        {QStringLiteral("SOL"), 150},
                        {QStringLiteral("DOGE"), 0.1},
                        {QStringLiteral("ADA"), 0.4}},
                       providerTimestamp,
                       fetchedAt,
                       std::move(source)};
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
}

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeCache(const QString& path, std::optional<RatesTable> fiat,
                       std::optional<CryptoTable> crypto) {
    writeFile(path, RatesCacheFile{std::move(fiat), std::move(crypto)}.encode().value());
}

} // namespace FakeRates
