#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QMetaObject>
#include <QString>
#include <QThread>

#include <functional>
#include <optional>
#include <utility>
#include <variant>

namespace VexilCore {

// Domain of the errors the rates machinery makes itself (HTTP statuses, an empty address list).
inline const QString kVexilRatesDomain = QStringLiteral("VexilRates");
// Domain of transport failures; the codes are the published URL-loading codes, so that the wording of
// failures (RatesService::describe) reads the same on every platform.
inline const QString kURLErrorDomain = QStringLiteral("NSURLErrorDomain");

namespace URLError {
inline constexpr qint64 Unknown = -1;
inline constexpr qint64 TimedOut = -1001;
inline constexpr qint64 CannotFindHost = -1003;
inline constexpr qint64 CannotConnectToHost = -1004;
inline constexpr qint64 NetworkConnectionLost = -1005;
inline constexpr qint64 DNSLookupFailed = -1006;
inline constexpr qint64 HTTPTooManyRedirects = -1007;
inline constexpr qint64 NotConnectedToInternet = -1009;
inline constexpr qint64 DataLengthExceedsMaximum = -1103;
inline constexpr qint64 SecureConnectionFailed = -1200;
} // namespace URLError

// An error record: domain, code and an optional description for the user.
struct FetchError {
    QString domain;
    qint64 code = 0;
    std::optional<QString> description;

    bool operator==(const FetchError&) const = default;
};

// Either the response body or the error of the fetch.
using FetchResult = std::variant<QByteArray, FetchError>;
using FetchCompletion = std::function<void(FetchResult)>;

// Hands back one response body. An implementation calls the completion exactly once per fetch, on any
// thread; the caller moves to the thread it needs.
class RatesFetching {
public:
    virtual ~RatesFetching() = default;
    virtual void fetch(FetchCompletion completion) = 0;
};

// Runs fn on the application's main thread: at once when already there, otherwise queued.
template <class F> void onMainThread(F fn) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread())
        fn();
    else
        QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
}

} // namespace VexilCore
