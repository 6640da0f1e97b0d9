#pragma once

#include "core/currency/RatesTable.h"
#include "core/rates/RatesFetching.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace VexilCore {

// Owns the program's exchange rates: the current fiat and crypto tables, the fetchers that renew them,
// a state for each side and the cache file that carries the tables across launches. Main thread only;
// fetch completions are moved there before they touch it, and find nothing once it is gone.
class RatesService : public QObject {
public:
    // One side's condition. Equal when the kinds are equal and, for failed, the texts too.
    struct State {
        enum class Kind { Failed, Idle, Refreshing };
        Kind kind = Kind::Idle;
        QString text; // the reason shown to the user; failed only

        static State failed(QString reason) { return {Kind::Failed, std::move(reason)}; }
        static State idle() { return {Kind::Idle, {}}; }
        static State refreshing() { return {Kind::Refreshing, {}}; }
        bool isFailed() const { return kind == Kind::Failed; }
        bool isIdle() const { return kind == Kind::Idle; }
        bool isRefreshing() const { return kind == Kind::Refreshing; }
        bool operator==(const State&) const = default;
    };

    // Seconds since 1970.
    using Clock = std::function<double()>;
    static double systemNow();

    // Reads no file and starts no fetch. Without a crypto fetcher the crypto side never refreshes.
    RatesService(QString cacheURL, std::shared_ptr<RatesFetching> fetcher,
                 std::shared_ptr<RatesFetching> cryptoFetcher = nullptr, Clock now = &RatesService::systemNow,
                 QObject* parent = nullptr);

    const std::optional<RatesTable>& table() const { return m_table; }
    const std::optional<CryptoTable>& crypto() const { return m_crypto; }
    const State& state() const { return m_state; }
    const State& cryptoState() const { return m_cryptoState; }
    const QString& cacheURL() const { return m_cacheURL; }
    bool hasCryptoFetcher() const { return m_cryptoFetcher != nullptr; }
    double now() const { return m_now(); }

    // Told after every change of tables or states.
    std::function<void()> onChange;

    // True when a table was taken from the cache file; never rewrites the file.
    bool loadCache();
    // Starts each side that is not already refreshing; true when something was started.
    bool refresh();
    bool isRefreshing() const { return m_state.isRefreshing() || m_cryptoState.isRefreshing(); }

    // The short reason kept in a failed state for a fetch error.
    static QString describe(const FetchError& error);

    // Status texts.
    QString shortStatus() const;
    QString statusText() const;
    QString tooltip() const;
    // Ages of a time stamp (seconds since 1970): "5 mins ago" and the compact "5m".
    static QString friendlyAge(double date, double now);
    static QString age(double date, double now);

private:
    void install(RatesTable table);
    void completeFiat(const FetchResult& result, qint64 generation);
    void completeCrypto(const FetchResult& result, qint64 generation);
    void saveCache() const;
    void changed();

    std::optional<RatesTable> m_table;
    std::optional<CryptoTable> m_crypto;
    State m_state;
    State m_cryptoState;
    const QString m_cacheURL;
    const std::shared_ptr<RatesFetching> m_fetcher;
    const std::shared_ptr<RatesFetching> m_cryptoFetcher;
    const Clock m_now;
    qint64 m_generation = 0;
    qint64 m_cryptoGeneration = 0;
};

} // namespace VexilCore
