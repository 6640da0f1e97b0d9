#pragma once

#include "core/rates/RatesFetching.h"

#include <QList>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QUrl>

#include <memory>
#include <optional>

namespace VexilCore {

// Fetches over HTTPS: the addresses are tried in order until one answers with a 2xx status; the body
// of that answer is handed back unread. Transfers run on one network manager for the whole process,
// which lives on the main thread, so completions arrive there.
class URLSessionRatesFetcher : public RatesFetching,
                               public std::enable_shared_from_this<URLSessionRatesFetcher> {
public:
    // Always held by shared_ptr (replies refer back to the fetcher weakly): use make(), fiat() or crypto().
    // `timeout` is the idle limit in seconds; the whole transfer gets five seconds more.
    // `tlsConfiguration` replaces the default TLS settings; only tests set it (to trust their own server).
    static std::shared_ptr<URLSessionRatesFetcher>
    make(QList<QUrl> urls, double timeout, std::optional<QSslConfiguration> tlsConfiguration = {});

    // Coinbase first, the daily service second.
    static std::shared_ptr<RatesFetching> fiat();
    // CoinGecko first, Coinbase second.
    static std::shared_ptr<RatesFetching> crypto();

    // The daily open exchange-rate service's latest rates against USD.
    static const QUrl& endpoint();

    // From any thread; the transfers start on the main thread. An empty address list fails at once, inside
    // this call.
    void fetch(FetchCompletion completion) override;

    // A rates body is a few kilobytes; a longer one is refused as it arrives rather than held in memory.
    static constexpr qint64 maxBodyBytes = 16 * 1024 * 1024;

    const QList<QUrl>& urls() const { return m_urls; }
    double timeout() const { return m_timeout; }

    // What one finished reply amounts to: nothing for a success, else the error of the attempt.
    // `status` is the HTTP status when a response header arrived; `timedOut` when our own limit struck.
    static std::optional<FetchError> classify(QNetworkReply::NetworkError error, std::optional<int> status,
                                              bool timedOut);

private:
    URLSessionRatesFetcher(QList<QUrl> urls, double timeout, std::optional<QSslConfiguration> tls);
    void attempt(qsizetype index, std::optional<FetchError> lastError, FetchCompletion completion);

    const QList<QUrl> m_urls;
    const double m_timeout;
    const std::optional<QSslConfiguration> m_tls;
};

} // namespace VexilCore
