#include "core/rates/RatesService.h"

#include "core/rates/Currencies.h"
#include "core/rates/Providers.h"
#include "core/rates/RatesCacheFile.h"
#include "core/values/DataFile.h"
#include "core/values/Units.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QPointer>

namespace VexilCore {

namespace {

// Wraps a completion so that it reaches the service on the main thread, or nowhere once it is gone.
template <class Deliver>
FetchCompletion deliverTo(RatesService* service, qint64 generation, Deliver deliver) {
    QPointer<RatesService> weak(service);
    return [weak, generation, deliver](FetchResult result) {
        onMainThread([weak, generation, deliver, result] {
            if (RatesService* s = weak.data()) deliver(s, result, generation);
        });
    };
}

// Teaches the money vocabulary and the unit registry a fiat code they do not know yet, for the rest of
// the run (main thread only).
void learnCurrencyCode(const QString& code) {
    if (Currencies::codeSet().contains(code) || Currencies::cryptoCodes().contains(code) ||
        Currencies::dynamicCodes().contains(code))
        return;
    Currencies::dynamicCodes().insert(code);
    Units::currencyUnit(code);
}

} // namespace

double RatesService::systemNow() {
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
}

RatesService::RatesService(QString cacheURL, std::shared_ptr<RatesFetching> fetcher,
                           std::shared_ptr<RatesFetching> cryptoFetcher, Clock now, QObject* parent)
    : QObject(parent), m_cacheURL(std::move(cacheURL)), m_fetcher(std::move(fetcher)),
      m_cryptoFetcher(std::move(cryptoFetcher)), m_now(std::move(now)) {}

void RatesService::changed() {
    if (onChange) onChange();
}

bool RatesService::refresh() {
    bool started = false;
    // State and generation move before fetch: a fetcher may complete inside fetch, and its delivery must
    // find the side refreshing with the current generation.
    if (!m_state.isRefreshing()) {
        m_state = State::refreshing();
        const qint64 generation = ++m_generation;
        m_fetcher->fetch(deliverTo(this, generation, [](RatesService* s, const FetchResult& r, qint64 g) {
            s->completeFiat(r, g);
        }));
        started = true;
    }
    if (m_cryptoFetcher && !m_cryptoState.isRefreshing()) {
        m_cryptoState = State::refreshing();
        const qint64 generation = ++m_cryptoGeneration;
        m_cryptoFetcher->fetch(
            deliverTo(this, generation,
                      [](RatesService* s, const FetchResult& r, qint64 g) { s->completeCrypto(r, g); }));
        started = true;
    }
    if (!started) return false;
    changed();
    return true;
}

void RatesService::completeFiat(const FetchResult& result, qint64 generation) {
    if (generation != m_generation || !m_state.isRefreshing()) return;
    if (const auto* error = std::get_if<FetchError>(&result)) {
        m_state = State::failed(describe(*error));
    } else {
        std::optional<RatesTable> table;
        try {
            table = RatesProvider::parseProvider(std::get<QByteArray>(result), m_now());
        } catch (const RatesTable::ValidationError& e) {
            m_state = State::failed(e.description());
        }
        if (table) {
            // Coinbase lists fewer currencies than the daily service: keep the ones it leaves out.
            if (table->source == u"Coinbase" && m_table) {
                for (auto it = m_table->rates.cbegin(); it != m_table->rates.cend(); ++it)
                    if (!table->rates.contains(it.key())) table->rates.insert(it.key(), it.value());
            }
            install(std::move(*table));
            saveCache();
            m_state = State::idle();
        }
    }
    changed();
}

void RatesService::completeCrypto(const FetchResult& result, qint64 generation) {
    if (generation != m_cryptoGeneration || !m_cryptoState.isRefreshing()) return;
    if (const auto* error = std::get_if<FetchError>(&result)) {
        m_cryptoState = State::failed(describe(*error));
    } else {
        try {
            m_crypto = CryptoProvider::parse(std::get<QByteArray>(result), m_now());
            saveCache();
            m_cryptoState = State::idle();
        } catch (const RatesTable::ValidationError& e) {
            m_cryptoState = State::failed(e.description());
        }
    }
    changed();
}

void RatesService::install(RatesTable table) {
    for (auto it = table.rates.cbegin(); it != table.rates.cend(); ++it)
        learnCurrencyCode(it.key());
    m_table = std::move(table);
}

void RatesService::saveCache() const {
    const auto bytes = RatesCacheFile{m_table, m_crypto}.encode();
    if (!bytes) return;
    // A failed write is silent: the old file stays whole and the tables in memory are used all the same.
    DataFile::write(m_cacheURL, *bytes);
}

bool RatesService::loadCache() {
    const DataFile::ReadResult file = DataFile::read(m_cacheURL, DataFile::kMaxIndexBytes);
    if (file.kind == DataFile::ReadResult::Missing) return false;
    if (!file.ok()) {
        // A link, a pipe or an unreadable file is moved out of the way, so the next save writes a plain
        // file of its own instead of failing for good.
        DataFile::moveAside(m_cacheURL, m_now());
        return false;
    }
    const QByteArray& bytes = file.bytes;

    const auto cache = RatesCacheFile::decode(bytes);
    if (!cache || (!cache->fiat && !cache->crypto)) {
        // Older caches hold a bare fiat table at the top level.
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
        if (error.error != QJsonParseError::NoError || !doc.isObject()) return false;
        auto table = RatesTable::fromJson(doc.object());
        if (!table) return false;
        table->dropUnusableRates();
        if (!table->isValid()) return false;
        install(std::move(*table));
        changed();
        return true;
    }

    bool taken = false;
    if (cache->fiat) {
        RatesTable fiat = *cache->fiat;
        fiat.dropUnusableRates();
        if (fiat.isValid()) {
            install(std::move(fiat));
            taken = true;
        }
    }
    if (cache->crypto) {
        CryptoTable coins = *cache->crypto;
        coins.dropUnusablePrices();
        if (coins.isValid()) {
            m_crypto = std::move(coins);
            taken = true;
        }
    }
    if (taken) changed();
    return taken;
}

QString RatesService::describe(const FetchError& error) {
    if (error.domain == kURLErrorDomain) {
        switch (error.code) {
        case URLError::NotConnectedToInternet:
        case URLError::NetworkConnectionLost:
            return QStringLiteral("Offline");
        case URLError::DNSLookupFailed:
        case URLError::CannotFindHost:
            return QStringLiteral("Can't reach server");
        case URLError::TimedOut:
            return QStringLiteral("Timed out");
        default:
            return QStringLiteral("Network error");
        }
    }
    if (error.description) return *error.description;
    return error.domain + QStringLiteral(" error ") + QString::number(error.code);
}

} // namespace VexilCore
