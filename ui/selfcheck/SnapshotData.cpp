// The snapshot's options, its fixed sample sheet and rate tables, and its error type.
#include "ui/selfcheck/Snapshot.h"
#include "ui/shell/AboutWindow.h"
#include "ui/shell/SettingsWindow.h"
#include "ui/sidebar/PagesController.h"

#include "core/rates/Providers.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

namespace VexilUI::Snapshot {

const QString& sampleText() {
    static const QString text = QStringLiteral("# Weekend in Lisbon\n"
                                               "Tibo: 688+999+1000\n"
                                               "Maro: 24+65+88\n"
                                               "Total\n"
                                               "Average\n"
                                               "\n"
                                               "300ml to fl oz\n"
                                               "500 x line2\n"
                                               "$1,200 to EUR   // indicative\n"
                                               "0.05 BTC in EUR\n"
                                               "June 4 + 18 days\n"
                                               "6pm Lisbon in Tokyo\n"
                                               "15% off $240\n"
                                               "loan payment on $25k over 5 years at 6%\n"
                                               "300ml to oz");
    return text;
}

Options optionsFrom(const CommandLine::SnapshotSwitches& switches) {
    Options options;
    if (switches.fontSize) options.fontSize = *switches.fontSize;
    if (switches.decimals) options.decimals = *switches.decimals;
    if (switches.size) options.size = QSizeF(double(switches.size->first), double(switches.size->second));
    options.pages = switches.pages;
    options.reduceTransparency = switches.reduceTransparency;
    if (switches.wordmarkColor) options.wordmarkColor = *switches.wordmarkColor;
    return options;
}

VexilCore::RatesTable sampleRates(double now) {
    static const QMap<QString, double> rates{
        {QStringLiteral("USD"), 1.0},    {QStringLiteral("EUR"), 0.9187}, {QStringLiteral("GBP"), 0.7712},
        {QStringLiteral("JPY"), 151.2},  {QStringLiteral("CHF"), 0.8811}, {QStringLiteral("CAD"), 1.3702},
        {QStringLiteral("AUD"), 1.5233}, {QStringLiteral("INR"), 83.4},   {QStringLiteral("CNY"), 7.21},
        {QStringLiteral("MXN"), 18.1},   {QStringLiteral("BRL"), 5.02},   {QStringLiteral("SEK"), 10.6},
        {QStringLiteral("NOK"), 10.8},   {QStringLiteral("DKK"), 6.86},   {QStringLiteral("PLN"), 3.98},
        {QStringLiteral("HKD"), 7.8},    {QStringLiteral("SGD"), 1.35},   {QStringLiteral("NZD"), 1.66},
        {QStringLiteral("ZAR"), 18.4},   {QStringLiteral("KRW"), 1352.0}, {QStringLiteral("CUP"), 24.0},
    };
    return VexilCore::RatesTable{QStringLiteral("USD"), rates, now - 7500, now - 600,
                                 VexilCore::RatesProvider::dailyLabel()};
}

VexilCore::CryptoTable sampleCrypto(double now) {
    static const QMap<QString, double> prices{
        {QStringLiteral("BTC"), 83600.0}, {QStringLiteral("ETH"), 2518.0}, {QStringLiteral("SOL"), 108.0},
        {QStringLiteral("DOGE"), 0.085},  {QStringLiteral("USDT"), 1.0},   {QStringLiteral("XRP"), 1.38},
    };
    return VexilCore::CryptoTable{prices, now - 90, now - 60, QStringLiteral("CoinGecko")};
}

std::optional<QByteArray> CacheFile::encode() const {
    const auto fiatJson = fiat.toJson();
    const auto cryptoJson = crypto.toJson();
    if (!fiatJson || !cryptoJson) return std::nullopt;
    // A JSON object from Qt always sorts its keys; the two tables go in their own order.
    return QByteArray("{\"fiat\":") + QJsonDocument(*fiatJson).toJson(QJsonDocument::Compact) +
           QByteArray(",\"crypto\":") + QJsonDocument(*cryptoJson).toJson(QJsonDocument::Compact) +
           QByteArray("}");
}

Error::Error(QString domain, int code, QString description)
    : m_domain(std::move(domain)), m_code(code), m_description(std::move(description)),
      m_utf8(m_description.toUtf8()) {}

Error Error::snapshot(int code) {
    return Error(QStringLiteral("Snapshot"), code,
                 QStringLiteral("The operation couldn\u2019t be completed. (Snapshot error %1.)").arg(code));
}

Error Error::fileWrite(const QString& path, const QString& reason) {
    return Error(QStringLiteral("File"), 0,
                 QStringLiteral("The file \u201C%1\u201D couldn\u2019t be saved: %2")
                     .arg(QFileInfo(path).fileName(), reason));
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw Error::fileWrite(path, file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.close();
        throw Error::fileWrite(path, reason);
    }
    file.close();
    if (file.error() != QFileDevice::NoError) throw Error::fileWrite(path, file.errorString());
}

Hooks& Hooks::shared() {
    // The real drawer and windows; tests may replace them.
    static Hooks hooks = [] {
        Hooks h;
        h.makeSidebar = [](PageLibrary& library, NotebookController& notebook) {
            auto pages = std::make_shared<PagesController>(library, notebook);
            Sidebar sidebar;
            sidebar.view = pages->view();
            const std::weak_ptr<PagesController> weak = pages;
            // The drawer takes its header's place from the title strip: max(strip, 28) + 8.
            sidebar.setHeaderTop = [weak](qreal top) {
                if (auto p = weak.lock()) p->setTitlebarHeight(top - 8);
            };
            sidebar.controller = std::move(pages);
            return sidebar;
        };
        h.makeSettingsWindow = [](std::shared_ptr<Preferences> prefs) {
            auto settings = std::make_shared<SettingsWindowController>(std::move(prefs));
            return OwnedWindow{settings, settings->window()};
        };
        h.makeAboutWindow = [] {
            auto about = std::make_shared<AboutWindowController>(std::nullopt,
                                                                 AboutWindowController::defaultClickGIF());
            return OwnedWindow{about, about->window()};
        };
        return h;
    }();
    return hooks;
}

} // namespace VexilUI::Snapshot
