#include "core/rates/Currencies.h"
#include "core/rates/Providers.h"
#include "core/rates/RatesService.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

// The texts the rates service shows about itself: button label, one-line summary, tooltip, ages.
namespace VexilCore {

namespace {

const QString kSep = QStringLiteral(" \u00B7 ");
const QString kUpdating = QStringLiteral("Updating rates\u2026");

// A whole count; a double formatted directly, since an absurd cache time can overflow any integer.
QString count(double n) {
    return QString::number(n, 'f', 0);
}

QString worded(double n, const QString& unit) {
    return count(n) + u' ' + unit + (n == 1 ? QString() : QStringLiteral("s")) + QStringLiteral(" ago");
}

// Qt has no medium date style: the locale's long date without its weekday, with the abbreviated
// month and a four-digit year ("Dec 10, 2024", "10 Dec 2024", "10. Dez. 2024").
QString mediumDatePattern(const QLocale& locale) {
    static const QRegularExpression weekday(QStringLiteral("^[\\s,\u060C]*d{3,4}[\\s,\u060C]*|"
                                                           "[\\s,\u060C]*d{3,4}[\\s,\u060C]*$"));
    QString pattern = locale.dateFormat(QLocale::LongFormat).remove(weekday);
    pattern.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    if (!pattern.contains(QStringLiteral("yyyy")))
        pattern.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return pattern;
}

// Medium date and short time in the current locale, e.g. "Dec 10, 2024 12:00 PM".
QString formatTime(double seconds) {
    // Clamp to the span QDateTime can hold (about 100 million days either side of 1970).
    constexpr double limit = 8.64e12;
    const double clamped = std::isnan(seconds) ? 0.0 : std::clamp(seconds, -limit, limit);
    const QDateTime dt = QDateTime::fromMSecsSinceEpoch(qint64(std::floor(clamped * 1000.0)));
    const QLocale locale;
    return locale.toString(dt.date(), mediumDatePattern(locale)) + u' ' +
           locale.toString(dt.time(), QLocale::ShortFormat);
}

} // namespace

QString RatesService::friendlyAge(double date, double now) {
    const double s = now - date;
    if (!(s >= 60)) return QStringLiteral("just now"); // NaN too
    if (s < 3600) return worded(std::trunc(s / 60), QStringLiteral("min"));
    if (s < 86400) return worded(std::trunc(s / 3600), QStringLiteral("hour"));
    return worded(std::trunc(s / 86400), QStringLiteral("day"));
}

QString RatesService::age(double date, double now) {
    const double s = now - date;
    if (!(s >= 3600)) {
        const double n = s > 0 ? std::trunc(s / 60) : 0;
        return count(std::max(n, 1.0)) + u'm';
    }
    if (s < 172800) return count(std::trunc(s / 3600)) + u'h';
    return count(std::trunc(s / 86400)) + u'd';
}

QString RatesService::shortStatus() const {
    if (isRefreshing()) return kUpdating;
    std::optional<double> latest;
    if (m_table) latest = m_table->providerTimestamp;
    if (m_crypto && (!latest || m_crypto->providerTimestamp > *latest)) latest = m_crypto->providerTimestamp;
    if (latest) return QStringLiteral("Rates updated ") + friendlyAge(*latest, now());
    if (m_state.isFailed()) return QStringLiteral("Rates unavailable, click to retry");
    return QStringLiteral("Rates not loaded, click to load");
}

QString RatesService::statusText() const {
    if (isRefreshing()) return kUpdating;
    const double t = now();

    QString fiatAge;
    if (m_table) {
        fiatAge =
            m_table->source == u"Coinbase"
                ? QStringLiteral("fetched ") + age(m_table->providerTimestamp, t) + QStringLiteral(" ago")
                : age(m_table->providerTimestamp, t) + QStringLiteral(" old");
    }

    QString text;
    if (m_state.isFailed()) {
        text = m_table ? QStringLiteral("Rates ") + fiatAge + kSep + m_state.text.toLower()
                       : QStringLiteral("No rates") + kSep + m_state.text.toLower();
    } else {
        text = m_table ? QStringLiteral("Rates") + kSep + fiatAge : QStringLiteral("No rates");
    }

    if (m_cryptoFetcher || m_crypto) {
        // Both parts when a table is held and the last crypto fetch failed.
        if (m_crypto)
            text += kSep + QStringLiteral("crypto ") + age(m_crypto->providerTimestamp, t) +
                    QStringLiteral(" old");
        if (m_cryptoState.isFailed())
            return text + kSep + QStringLiteral("crypto ") + m_cryptoState.text.toLower() + kSep +
                   QStringLiteral("retry");
        if (!m_crypto) text += kSep + QStringLiteral("no crypto");
    }

    if (m_state.isFailed()) return text + kSep + QStringLiteral("retry");
    if (!m_table && !m_crypto) return QStringLiteral("No rates") + kSep + QStringLiteral("click to load");
    return text;
}

QString RatesService::tooltip() const {
    QString text =
        QStringLiteral(
            "Indicative rates. Not for accounting or trading.\nFiat: Coinbase (near real-time), ") +
        RatesProvider::dailyLabel() + QStringLiteral(" (daily) as fallback");
    if (m_table) {
        if (m_table->source == u"Coinbase") {
            text += QStringLiteral(". From Coinbase, fetched ") + formatTime(m_table->fetchedAt) +
                    QStringLiteral(" (Coinbase gives no data time)");
        } else {
            text += QStringLiteral(". From ") + m_table->source.value_or(RatesProvider::dailyLabel()) +
                    QStringLiteral(", data time ") + formatTime(m_table->providerTimestamp);
        }
    }
    if (m_cryptoFetcher || m_crypto) {
        text += QStringLiteral("\nCrypto (") + QString::number(Currencies::crypto().size()) +
                QStringLiteral(" coins): CoinGecko, Coinbase as fallback");
        if (m_crypto) {
            text += QStringLiteral(". From ") + m_crypto->source + QStringLiteral(", data time ") +
                    formatTime(m_crypto->providerTimestamp);
            if (m_crypto->source == u"Coinbase")
                text += QStringLiteral(" (Coinbase gives no data time; fetch time shown)");
        }
    }
    text += QStringLiteral(
        "\nRefreshes on launch, hourly, and when clicked. Only plain requests for USD prices are sent.");
    return text;
}

} // namespace VexilCore
