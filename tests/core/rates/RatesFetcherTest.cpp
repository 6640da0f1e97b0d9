#include "core/fetch/RatesFetcher.h"
#include "core/rates/Providers.h"
#include "core/rates/RatesCacheFile.h"
#include "core/rates/RatesService.h"

#include "WaitFor.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <thread>

using namespace VexilCore;

TEST(RatesFetcher, Classify) {
    using E = QNetworkReply::NetworkError;
    const FetchError timedOut{kURLErrorDomain, URLError::TimedOut, std::nullopt};
    auto url = [](qint64 code) { return FetchError{kURLErrorDomain, code, std::nullopt}; };
    auto http = [](int status) {
        return FetchError{kVexilRatesDomain, status, QStringLiteral("HTTP ") + QString::number(status)};
    };
    struct Case {
        E error;
        std::optional<int> status;
        bool timedOut;
        std::optional<FetchError> expected;
    };
    const Case cases[] = {
        {E::NoError, 200, false, std::nullopt},
        {E::NoError, 204, false, std::nullopt},
        {E::NoError, 299, false, std::nullopt},
        {E::NoError, 304, false, http(304)},
        {E::ProtocolUnknownError, 302, false, http(302)},
        {E::ContentNotFoundError, 404, false, http(404)},
        {E::InternalServerError, 500, false, http(500)},
        {E::ServiceUnavailableError, 503, false, http(503)},
        {E::NoError, std::nullopt, false, http(0)},
        {E::NoError, 200, true, timedOut},
        {E::OperationCanceledError, std::nullopt, false, timedOut},
        {E::TimeoutError, std::nullopt, false, timedOut},
        // A 200 header followed by a lost body is a transport failure.
        {E::RemoteHostClosedError, 200, false, url(URLError::NetworkConnectionLost)},
        {E::ConnectionRefusedError, std::nullopt, false, url(URLError::CannotConnectToHost)},
        {E::HostNotFoundError, std::nullopt, false, url(URLError::CannotFindHost)},
        {E::TemporaryNetworkFailureError, std::nullopt, false, url(URLError::NotConnectedToInternet)},
        {E::NetworkSessionFailedError, std::nullopt, false, url(URLError::NotConnectedToInternet)},
        {E::SslHandshakeFailedError, std::nullopt, false, url(URLError::SecureConnectionFailed)},
        {E::TooManyRedirectsError, 301, false, url(URLError::HTTPTooManyRedirects)},
        {E::InsecureRedirectError, 302, false, url(URLError::Unknown)},
        {E::UnknownNetworkError, std::nullopt, false, url(URLError::Unknown)},
        {E::ProxyAuthenticationRequiredError, 407, false, url(URLError::Unknown)},
        {E::ProtocolFailure, std::nullopt, false, url(URLError::Unknown)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "error " << int(c.error) << " status " << c.status.value_or(-1));
        EXPECT_EQ(URLSessionRatesFetcher::classify(c.error, c.status, c.timedOut), c.expected);
    }
}

TEST(RatesFetcher, Describe) {
    struct Case {
        FetchError error;
        const char* text;
    };
    const Case cases[] = {
        {{kURLErrorDomain, -1009, std::nullopt}, "Offline"},
        {{kURLErrorDomain, -1005, QStringLiteral("ignored")}, "Offline"},
        {{kURLErrorDomain, -1006, std::nullopt}, "Can't reach server"},
        {{kURLErrorDomain, -1003, std::nullopt}, "Can't reach server"},
        {{kURLErrorDomain, -1001, std::nullopt}, "Timed out"},
        {{kURLErrorDomain, -1004, std::nullopt}, "Network error"},
        {{kURLErrorDomain, -1200, std::nullopt}, "Network error"},
        {{kURLErrorDomain, -1, std::nullopt}, "Network error"},
        {{kVexilRatesDomain, 503, QStringLiteral("HTTP 503")}, "HTTP 503"},
        {{kVexilRatesDomain, 0, QStringLiteral("Offline mode")}, "Offline mode"},
        {{kVexilRatesDomain, 0, std::nullopt}, "VexilRates error 0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RatesService::describe(c.error), QString::fromUtf8(c.text));
}

TEST(RatesFetcher, EmptyListFailsInsideFetch) {
    auto fetcher = URLSessionRatesFetcher::make({}, 15);
    std::optional<FetchResult> got;
    fetcher->fetch([&](FetchResult r) { got = std::move(r); });
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(std::get<FetchError>(*got), (FetchError{kVexilRatesDomain, 0, std::nullopt}));
}

TEST(RatesFetcher, Factories) {
    auto fiat = std::dynamic_pointer_cast<URLSessionRatesFetcher>(URLSessionRatesFetcher::fiat());
    auto crypto = std::dynamic_pointer_cast<URLSessionRatesFetcher>(URLSessionRatesFetcher::crypto());
    ASSERT_TRUE(fiat && crypto);
    EXPECT_EQ(fiat->urls(), (QList<QUrl>{RatesProvider::coinbaseURL(), URLSessionRatesFetcher::endpoint()}));
    EXPECT_EQ(crypto->urls(), (QList<QUrl>{CryptoProvider::coinGeckoURL(), CryptoProvider::coinbaseURL()}));
    EXPECT_EQ(fiat->timeout(), 15);
    EXPECT_EQ(crypto->timeout(), 15);
}

namespace {

// A scripted HTTPS server on 127.0.0.1: each request's path picks what happens to its connection.
class LocalHttpsServer : public QTcpServer {
public:
    struct Action {
        enum Kind { Respond, Close, Silent, Stall } kind = Respond; // Stall: write, then keep the line open
        QByteArray response;
    };

    QSslCertificate certificate;
    QSslKey key;
    QHash<QByteArray, Action> script; // by path; an unknown path gets a 404
    QList<QByteArray> requests;       // raw request heads, in arrival order

    static Action respond(int status, const QByteArray& body = {}, const QByteArray& headers = {}) {
        QByteArray r = "HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Type: application/json\r\n";
        if (status != 204 && status != 304)
            r += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
        return {Action::Respond, r + headers + "Connection: close\r\n\r\n" + body};
    }

    int pathCount(const QByteArray& path) const {
        int n = 0;
        for (const QByteArray& request : requests)
            if (request.startsWith("GET " + path + " ")) ++n;
        return n;
    }

protected:
    void incomingConnection(qintptr descriptor) override {
        auto* socket = new QSslSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        socket->setLocalCertificate(certificate);
        socket->setPrivateKey(key);
        socket->setPeerVerifyMode(QSslSocket::VerifyNone);
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QSslSocket::readyRead, socket, [this, socket, buffer] {
            *buffer += socket->readAll();
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0) return;
            const QByteArray head = buffer->left(end);
            buffer->clear();
            requests.append(head);
            const QByteArray path = head.split(' ').value(1);
            const Action action = script.value(path, respond(404));
            if (action.kind == Action::Respond) {
                socket->write(action.response);
                socket->disconnectFromHost();
            } else if (action.kind == Action::Stall) {
                socket->write(action.response);
            } else if (action.kind == Action::Close) {
                socket->disconnectFromHost();
            }
        });
        connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
        socket->startServerEncryption();
    }
};

class HttpsFetch : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!QSslSocket::supportsSsl()) return;
        const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
        if (openssl.isEmpty()) return;
        s_dir = new QTemporaryDir;
        QProcess process;
        process.setWorkingDirectory(s_dir->path());
        process.start(openssl, {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "key.pem", "-out",
                                "cert.pem", "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
                                "subjectAltName=IP:127.0.0.1"});
        if (!process.waitForFinished(60000) || process.exitCode() != 0) return;
        QFile certFile(s_dir->filePath(QStringLiteral("cert.pem")));
        QFile keyFile(s_dir->filePath(QStringLiteral("key.pem")));
        if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly)) return;
        s_certificate = new QSslCertificate(certFile.readAll(), QSsl::Pem);
        s_key = new QSslKey(keyFile.readAll(), QSsl::Rsa, QSsl::Pem);
    }
    static void TearDownTestSuite() {
        delete s_certificate;
        delete s_key;
        delete s_dir;
        s_certificate = nullptr;
        s_key = nullptr;
        s_dir = nullptr;
    }

    void SetUp() override {
        if (!s_certificate || s_certificate->isNull() || !s_key || s_key->isNull())
            GTEST_SKIP() << "no TLS backend or no openssl command to make a test certificate";
        server.certificate = *s_certificate;
        server.key = *s_key;
        ASSERT_TRUE(server.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    }

    QUrl url(const char* path) const {
        return QUrl(
            QStringLiteral("https://127.0.0.1:%1%2").arg(server.serverPort()).arg(QLatin1String(path)));
    }

    // A configuration that trusts the test certificate, as the system's authorities would trust a real one.
    static QSslConfiguration trusting() {
        QSslConfiguration c = QSslConfiguration::defaultConfiguration();
        c.addCaCertificate(*s_certificate);
        return c;
    }

    std::shared_ptr<URLSessionRatesFetcher> fetcher(double timeout = 10) const {
        return URLSessionRatesFetcher::make({url("/a"), url("/b")}, timeout, trusting());
    }

    // Fetches once and waits for the single completion.
    static FetchResult run(RatesFetching& f) {
        std::optional<FetchResult> result;
        int calls = 0;
        f.fetch([&](FetchResult r) {
            ++calls;
            result = std::move(r);
        });
        EXPECT_TRUE(waitFor([&] { return result.has_value(); }, 30000));
        waitFor([] { return false; }, 50); // a second completion would show up here
        EXPECT_EQ(calls, 1);
        return result.value_or(FetchResult(FetchError{}));
    }

    static QString describeResult(const FetchResult& r) {
        if (const auto* e = std::get_if<FetchError>(&r)) return RatesService::describe(*e);
        return QStringLiteral("body ") + QString::fromUtf8(std::get<QByteArray>(r));
    }

    LocalHttpsServer server;
    static inline QTemporaryDir* s_dir = nullptr;
    static inline QSslCertificate* s_certificate = nullptr;
    static inline QSslKey* s_key = nullptr;
};

} // namespace

TEST_F(HttpsFetch, StatusesAndFallback) {
    using S = LocalHttpsServer;
    struct Case {
        const char* what;
        S::Action a;
        S::Action b;
        const char* expected; // describe() of the error, or "body " + body
        int bRequests;
    };
    const Case cases[] = {
        {"503 twice", S::respond(503), S::respond(503), "HTTP 503", 1},
        {"404 then 200", S::respond(404), S::respond(200, "{\"ok\":2}"), "body {\"ok\":2}", 1},
        {"first success ends the fetch", S::respond(200, "{\"ok\":1}"), S::respond(200, "x"),
         "body {\"ok\":1}", 0},
        {"204 is an empty body", S::respond(204), S::respond(503), "body ", 0},
        {"304 is an error", S::respond(304), S::respond(304), "HTTP 304", 1},
        {"redirect is followed", S::respond(302, {}, "Location: /b\r\n"), S::respond(200, "{}"), "body {}",
         1},
        {"closed without a reply", S::respond(500), {S::Action::Close, {}}, "Offline", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        server.requests.clear();
        server.script = {{"/a", c.a}, {"/b", c.b}};
        auto f = fetcher();
        EXPECT_EQ(describeResult(run(*f)), QString::fromUtf8(c.expected));
        EXPECT_GE(server.pathCount("/a"), 1);
        if (c.bRequests >= 0) {
            EXPECT_EQ(server.pathCount("/b"), c.bRequests);
        }
    }
}

TEST_F(HttpsFetch, HeadersAndNoCookies) {
    server.script = {{"/a", LocalHttpsServer::respond(200, "{}", "Set-Cookie: session=abc; Path=/\r\n")}};
    auto f = fetcher();
    EXPECT_EQ(describeResult(run(*f)), u"body {}");
    EXPECT_EQ(describeResult(run(*f)), u"body {}");
    ASSERT_EQ(server.requests.size(), 2);
    for (const QByteArray& request : server.requests) {
        const QByteArray lower = request.toLower();
        EXPECT_TRUE(lower.contains("\r\naccept: application/json\r\n") ||
                    lower.endsWith("\r\naccept: application/json"))
            << request.constData();
        EXPECT_FALSE(lower.contains("\r\ncookie:")) << request.constData();
        EXPECT_FALSE(lower.contains("cache-control")) << request.constData();
        EXPECT_FALSE(lower.contains("pragma")) << request.constData();
    }
}

TEST_F(HttpsFetch, TimeOuts) {
    // A silent second address after a 500: the time-out is what is reported, not the 500.
    server.script = {{"/a", LocalHttpsServer::respond(500)}, {"/b", {LocalHttpsServer::Action::Silent, {}}}};
    auto f = URLSessionRatesFetcher::make({url("/a"), url("/b")}, 1, trusting());
    EXPECT_EQ(describeResult(run(*f)), u"Timed out");

    // A header and then a stalled body.
    server.script = {{"/a",
                      {LocalHttpsServer::Action::Stall,
                       "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\n{\"partial\":"}}};
    auto g = URLSessionRatesFetcher::make({url("/a")}, 1, trusting());
    EXPECT_EQ(describeResult(run(*g)), u"Timed out");
}

TEST_F(HttpsFetch, OversizedBodyIsRefusedAndTheNextAddressTried) {
    const QByteArray big(URLSessionRatesFetcher::maxBodyBytes + 1, ' ');
    const QByteArray claimed =
        "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(URLSessionRatesFetcher::maxBodyBytes + 1) +
        "\r\nConnection: close\r\n\r\n{";
    struct Case {
        const char* what;
        LocalHttpsServer::Action a;
    };
    const Case cases[] = {
        {"announced too long", {LocalHttpsServer::Action::Stall, claimed}},
        {"sent too long without a length",
         {LocalHttpsServer::Action::Respond, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + big}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        server.script = {{"/a", c.a}, {"/b", LocalHttpsServer::respond(200, "{}")}};
        auto f = fetcher();
        EXPECT_EQ(describeResult(run(*f)), u"body {}");
        server.script = {{"/a", c.a}};
        const FetchResult alone = run(*URLSessionRatesFetcher::make({url("/a")}, 15, trusting()));
        const auto* error = std::get_if<FetchError>(&alone);
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->code, URLError::DataLengthExceedsMaximum);
        EXPECT_EQ(RatesService::describe(*error), u"Network error");
    }
}

TEST_F(HttpsFetch, TransportFailures) {
    // An untrusted certificate: the default configuration knows nothing of the test authority.
    server.script = {{"/a", LocalHttpsServer::respond(200, "{}")}};
    auto untrusted = URLSessionRatesFetcher::make({url("/a")}, 10);
    EXPECT_EQ(describeResult(run(*untrusted)), u"Network error");
    EXPECT_TRUE(server.requests.isEmpty());

    // A closed port.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    const quint16 port = probe.serverPort();
    probe.close();
    auto refused = URLSessionRatesFetcher::make({QUrl(QStringLiteral("https://127.0.0.1:%1/a").arg(port))},
                                                10, trusting());
    EXPECT_EQ(describeResult(run(*refused)), u"Network error");
}

TEST_F(HttpsFetch, ReleasedFetcherStillCompletes) {
    for (bool succeed : {false, true}) {
        SCOPED_TRACE(succeed ? "success" : "failure");
        server.requests.clear();
        server.script = {
            {"/a", succeed ? LocalHttpsServer::respond(200, "{\"x\":1}") : LocalHttpsServer::respond(503)},
            {"/b", LocalHttpsServer::respond(200, "{}")}};
        auto f = fetcher();
        std::optional<FetchResult> result;
        int calls = 0;
        f->fetch([&](FetchResult r) {
            ++calls;
            result = std::move(r);
        });
        f.reset();
        ASSERT_TRUE(waitFor([&] { return result.has_value(); }, 30000));
        waitFor([] { return false; }, 50);
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(describeResult(*result), succeed ? u"body {\"x\":1}" : u"HTTP 503");
        EXPECT_EQ(server.pathCount("/b"), 0);
    }
}

TEST_F(HttpsFetch, FetchFromAnotherThread) {
    server.script = {{"/a", LocalHttpsServer::respond(200, "{}")}};
    auto f = fetcher();
    std::optional<FetchResult> result;
    std::thread caller([&] { f->fetch([&](FetchResult r) { result = std::move(r); }); });
    caller.join();
    ASSERT_TRUE(waitFor([&] { return result.has_value(); }, 30000));
    EXPECT_EQ(describeResult(*result), u"body {}");
}

TEST_F(HttpsFetch, ServiceEndToEnd) {
    // Canned answers: Coinbase fails, the daily service answers; CoinGecko answers.
    QByteArray dailyRates = "\"USD\":1";
    const char* codes[] = {"EUR", "GBP", "JPY", "CHF", "CAD", "AUD", "INR", "CNY", "MXN", "BRL",
                           "SEK", "NOK", "DKK", "PLN", "HKD", "SGD", "NZD", "ZAR", "KRW", "CUP"};
    for (const char* code : codes)
        dailyRates += QByteArray(",\"") + code + "\":2.5";
    const QByteArray daily =
        "{\"result\":\"success\",\"base_code\":\"USD\",\"time_last_update_unix\":1700000000,"
        "\"rates\":{" +
        dailyRates + "}}";
    const QByteArray gecko = "{\"bitcoin\":{\"usd\":50000,\"last_updated_at\":1700000100},"
                             "\"ethereum\":{\"usd\":3000,\"last_updated_at\":1700000090},"
                             "\"tether\":{\"usd\":1,\"last_updated_at\":1700000090},"
                             "\"solana\":{\"usd\":150,\"last_updated_at\":1700000090},"
                             "\"ripple\":{\"usd\":0.5,\"last_updated_at\":1700000090}}";
    server.script = {{"/coinbase", LocalHttpsServer::respond(503)},
                     {"/daily", LocalHttpsServer::respond(200, daily)},
                     {"/gecko", LocalHttpsServer::respond(200, gecko)}};

    QTemporaryDir dir;
    const QString cachePath = dir.filePath(QStringLiteral("data/rates.json"));
    double clock = 1700000400;
    RatesService service(cachePath,
                         URLSessionRatesFetcher::make({url("/coinbase"), url("/daily")}, 10, trusting()),
                         URLSessionRatesFetcher::make({url("/gecko"), url("/coinbase")}, 10, trusting()),
                         [&] { return clock; });
    int changes = 0;
    service.onChange = [&] { ++changes; };
    EXPECT_TRUE(service.refresh());
    EXPECT_EQ(service.shortStatus(), QStringLiteral("Updating rates\u2026"));
    ASSERT_TRUE(waitFor([&] { return !service.isRefreshing(); }, 30000));

    EXPECT_EQ(service.state(), RatesService::State::idle());
    EXPECT_EQ(service.cryptoState(), RatesService::State::idle());
    ASSERT_TRUE(service.table().has_value());
    EXPECT_EQ(service.table()->source, RatesProvider::dailyLabel());
    EXPECT_EQ(service.table()->rates.size(), 21);
    ASSERT_TRUE(service.crypto().has_value());
    EXPECT_EQ(service.crypto()->pricesUSD.value(QStringLiteral("BTC")), 50000);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(service.statusText(), QStringLiteral("Rates \u00B7 6m old \u00B7 crypto 5m old"));
    EXPECT_EQ(service.shortStatus(), u"Rates updated 5 mins ago");

    QFile file(cachePath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const auto cache = RatesCacheFile::decode(file.readAll());
    ASSERT_TRUE(cache.has_value());
    EXPECT_EQ(cache->fiat, service.table());
    EXPECT_EQ(cache->crypto, service.crypto());
}
