#include "core/fetch/RatesFetcher.h"

#include "core/rates/Providers.h"

#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <climits>

namespace VexilCore {

namespace {

// Remembers nothing and sends nothing: rate requests carry no cookies.
class NoCookieJar : public QNetworkCookieJar {
public:
    using QNetworkCookieJar::QNetworkCookieJar;
    QList<QNetworkCookie> cookiesForUrl(const QUrl&) const override { return {}; }
    bool setCookiesFromUrl(const QList<QNetworkCookie>&, const QUrl&) override { return false; }
};

// One manager for the process, on the main thread and owned by the application object. It is kept apart
// from the fetchers because deleting a manager destroys its replies without `finished`, and a fetcher may
// go away while its request runs. No cache is installed, so nothing is stored or served from one.
QNetworkAccessManager* sharedManager() {
    static QPointer<QNetworkAccessManager> manager; // touched on the main thread only
    if (!manager) {
        manager = new QNetworkAccessManager(QCoreApplication::instance());
        manager->setCookieJar(new NoCookieJar);
    }
    return manager;
}

int milliseconds(double seconds) {
    const double ms = seconds * 1000.0;
    if (!(ms > 0)) return 0;
    return int(std::min(ms, double(INT_MAX)));
}

// Transport failures in the URL-loading codes that RatesService::describe words.
qint64 transportCode(QNetworkReply::NetworkError error) {
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return URLError::CannotConnectToHost;
    case QNetworkReply::RemoteHostClosedError:
        return URLError::NetworkConnectionLost;
    case QNetworkReply::HostNotFoundError:
        return URLError::CannotFindHost;
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError: // only our own time limits cancel a reply
        return URLError::TimedOut;
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return URLError::NotConnectedToInternet;
    case QNetworkReply::SslHandshakeFailedError:
        return URLError::SecureConnectionFailed;
    case QNetworkReply::TooManyRedirectsError:
        return URLError::HTTPTooManyRedirects;
    default:
        return URLError::Unknown;
    }
}

FetchError transportError(QNetworkReply::NetworkError error) {
    return FetchError{kURLErrorDomain, transportCode(error), std::nullopt};
}

FetchError statusError(int status) {
    return FetchError{kVexilRatesDomain, status, QStringLiteral("HTTP ") + QString::number(status)};
}

} // namespace

URLSessionRatesFetcher::URLSessionRatesFetcher(QList<QUrl> urls, double timeout,
                                               std::optional<QSslConfiguration> tls)
    : m_urls(std::move(urls)), m_timeout(timeout), m_tls(std::move(tls)) {}

std::shared_ptr<URLSessionRatesFetcher>
URLSessionRatesFetcher::make(QList<QUrl> urls, double timeout,
                             std::optional<QSslConfiguration> tlsConfiguration) {
    return std::shared_ptr<URLSessionRatesFetcher>(
        new URLSessionRatesFetcher(std::move(urls), timeout, std::move(tlsConfiguration)));
}

std::shared_ptr<RatesFetching> URLSessionRatesFetcher::fiat() {
    return make({RatesProvider::coinbaseURL(), endpoint()}, 15);
}

std::shared_ptr<RatesFetching> URLSessionRatesFetcher::crypto() {
    return make({CryptoProvider::coinGeckoURL(), CryptoProvider::coinbaseURL()}, 15);
}

const QUrl& URLSessionRatesFetcher::endpoint() {
    static const QUrl url(QStringLiteral("https://") + RatesProvider::dailyLabel() +
                          QStringLiteral("/v6/latest/USD"));
    return url;
}

std::optional<FetchError> URLSessionRatesFetcher::classify(QNetworkReply::NetworkError error,
                                                           std::optional<int> status, bool timedOut) {
    if (timedOut) return FetchError{kURLErrorDomain, URLError::TimedOut, std::nullopt};
    const int code = int(error);
    // Network and proxy failures win over any status (a 200 header followed by a lost body, say).
    if ((code >= 1 && code <= 99) || (code >= 101 && code <= 199)) return transportError(error);
    if (!status) {
        if (error != QNetworkReply::NoError) return transportError(error);
        return statusError(0);
    }
    // With a status, Qt's content, protocol and server errors only restate it.
    if (*status >= 200 && *status <= 299) return std::nullopt;
    return statusError(*status);
}

void URLSessionRatesFetcher::fetch(FetchCompletion completion) {
    if (m_urls.isEmpty()) {
        completion(FetchError{kVexilRatesDomain, 0, std::nullopt});
        return;
    }
    // The network manager is not thread-safe: transfers are started on the main thread.
    auto self = shared_from_this();
    onMainThread([self, completion] { self->attempt(0, std::nullopt, completion); });
}

void URLSessionRatesFetcher::attempt(qsizetype index, std::optional<FetchError> lastError,
                                     FetchCompletion completion) {
    if (index >= m_urls.size()) {
        completion(lastError ? *lastError : FetchError{kVexilRatesDomain, 0, std::nullopt});
        return;
    }

    QNetworkRequest request(m_urls[index]);
    request.setRawHeader("Accept", "application/json");
    request.setTransferTimeout(milliseconds(m_timeout)); // idle limit, connecting included
    if (m_tls) request.setSslConfiguration(*m_tls);

    QNetworkReply* reply = sharedManager()->get(request);

    // Qt has no limit on the whole transfer: this timer adds one.
    auto timedOut = std::make_shared<bool>(false);
    auto* limit = new QTimer(reply);
    limit->setSingleShot(true);
    QObject::connect(limit, &QTimer::timeout, reply, [reply, timedOut] {
        *timedOut = true;
        reply->abort();
    });
    limit->start(milliseconds(m_timeout + 5));

    // An announced length is refused with the header; an unannounced one as the bytes arrive.
    auto tooLarge = std::make_shared<bool>(false);
    const auto refuseAbove = [reply, tooLarge](qint64 bytes) {
        if (*tooLarge || bytes <= maxBodyBytes) return;
        *tooLarge = true;
        reply->abort();
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, refuseAbove] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid()) refuseAbove(length.toLongLong());
    });
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [refuseAbove](qint64 received, qint64) { refuseAbove(received); });

    std::weak_ptr<URLSessionRatesFetcher> weakSelf = weak_from_this();
    auto finishedOnce = std::make_shared<bool>(false);
    QObject::connect(reply, &QNetworkReply::finished, reply,
                     [weakSelf, index, reply, limit, timedOut, tooLarge, finishedOnce, completion] {
                         if (*finishedOnce) return;
                         *finishedOnce = true;
                         limit->stop();
                         reply->deleteLater();

                         const QVariant statusValue =
                             reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
                         std::optional<int> status;
                         if (statusValue.isValid()) status = statusValue.toInt();
                         std::optional<FetchError> error =
                             *tooLarge ? FetchError{kURLErrorDomain, URLError::DataLengthExceedsMaximum,
                                                    QStringLiteral("Response too large")}
                                       : classify(reply->error(), status, *timedOut);
                         if (!error) {
                             completion(reply->readAll());
                             return;
                         }
                         if (error->domain == kURLErrorDomain && !error->description)
                             error->description = reply->errorString();
                         if (auto self = weakSelf.lock())
                             self->attempt(index + 1, *error, completion);
                         else
                             completion(*error); // the fetcher is gone: report this failure, try no further
                     });
}

} // namespace VexilCore
