#include "core/currency/Currencies.h"

#include <string_view>

namespace VexilCore::Currencies {

namespace {

// 25 codes a line.
constexpr char16_t isoCodeText[] =
    u"AED AFN ALL AMD ANG AOA ARS AUD AWG AZN BAM BBD BDT BGN BHD BIF BMD BND BOB BRL BSD BTN BWP BYN BZD\n"
    u"CAD CDF CHF CLP CNY COP CRC CUP CVE CZK DJF DKK DOP DZD EGP ERN ETB EUR FJD FKP GBP GEL GHS GIP GMD\n"
    u"GNF GTQ GYD HKD HNL HTG HUF IDR ILS INR IQD IRR ISK JMD JOD JPY KES KGS KHR KMF KRW KWD KYD KZT LAK\n"
    u"LBP LKR LRD LSL LYD MAD MDL MGA MKD MMK MNT MOP MRU MUR MVR MWK MXN MYR MZN NAD NGN NIO NOK NPR NZD\n"
    u"OMR PAB PEN PGK PHP PKR PLN PYG QAR RON RSD RUB RWF SAR SBD SCR SDG SEK SGD SHP SLE SOS SRD SSP STN\n"
    u"SYP SZL THB TJS TMT TND TOP TRY TTD TWD TZS UAH UGX USD UYU UZS VES VND VUV WST XAF XCD XOF XPF YER\n"
    u"ZAR ZMW ZWL";

QStringList buildCodes() {
    QStringList out;
    QString code;
    for (char16_t c : std::u16string_view(isoCodeText)) {
        if (c == u' ' || c == u'\n') {
            if (!code.isEmpty()) out.append(std::exchange(code, QString()));
        } else {
            code.append(QChar(c));
        }
    }
    if (!code.isEmpty()) out.append(code);
    return out;
}

QList<Coin> buildCrypto() {
    using L = QStringList;
    return {
        {"BTC", "bitcoin", L{"bitcoin", "bitcoins"}},
        {"ETH", "ethereum", L{"ethereum", "ether"}},
        {"USDT", "tether", L{"tether"}},
        {"BNB", "binancecoin", L{}},
        {"SOL", "solana", L{"solana"}},
        {"XRP", "ripple", L{}},
        {"USDC", "usd-coin", L{}},
        {"DOGE", "dogecoin", L{"dogecoin", "dogecoins"}},
        {"ADA", "cardano", L{"cardano"}},
        {"TRX", "tron", L{}},
        {"AVAX", "avalanche-2", L{}},
        {"LINK", "chainlink", L{"chainlink"}},
        {"DOT", "polkadot", L{"polkadot"}},
        {"LTC", "litecoin", L{"litecoin", "litecoins"}},
        {"BCH", "bitcoin-cash", L{}},
        {"XLM", "stellar", L{}},
        {"SHIB", "shiba-inu", L{}},
        {"TON", "the-open-network", L{}},
        {"ATOM", "cosmos", L{}},
        {"XMR", "monero", L{"monero"}},
        {"ETC", "ethereum-classic", L{}},
        {"UNI", "uniswap", L{}},
    };
}

} // namespace

const QStringList& codes() {
    static const QStringList v = buildCodes();
    return v;
}

const QSet<QString>& codeSet() {
    static const QSet<QString> v(codes().cbegin(), codes().cend());
    return v;
}

const QList<Coin>& crypto() {
    static const QList<Coin> v = buildCrypto();
    return v;
}

const QSet<QString>& cryptoCodes() {
    static const QSet<QString> v = [] {
        QSet<QString> s;
        for (const Coin& coin : crypto())
            s.insert(coin.code);
        return s;
    }();
    return v;
}

QSet<QString>& dynamicCodes() {
    static QSet<QString> v;
    return v;
}

const QSet<QString>& wordLikeCodes() {
    static const QSet<QString> v{"all", "top", "try", "mad", "pen", "bob",  "gel",  "sos", "cop", "mop",
                                 "bam", "cup", "dot", "uni", "ton", "link", "atom", "sol", "etc", "ada"};
    return v;
}

const QList<std::pair<QString, QString>>& words() {
    static const QList<std::pair<QString, QString>> v = [] {
        QList<std::pair<QString, QString>> w{
            {"dollar", "USD"}, {"dollars", "USD"}, {"euro", "EUR"},     {"euros", "EUR"},
            {"yen", "JPY"},    {"rupee", "INR"},   {"rupees", "INR"},   {"yuan", "CNY"},
            {"franc", "CHF"},  {"francs", "CHF"},  {"sterling", "GBP"},
        };
        for (const Coin& coin : crypto())
            for (const QString& name : coin.names)
                w.append({name, coin.code});
        return w;
    }();
    return v;
}

const QHash<char32_t, QString>& symbols() {
    static const QHash<char32_t, QString> v{
        {U'\u0024', "USD"}, {U'\u20AC', "EUR"}, {U'\u00A3', "GBP"}, {U'\u00A5', "JPY"},
        {U'\u20B9', "INR"}, {U'\u20A9', "KRW"}, {U'\u20BD', "RUB"}, {U'\u20BA', "TRY"},
        {U'\u20AA', "ILS"}, {U'\u0E3F', "THB"}, {U'\u20AB', "VND"}, {U'\u20B1', "PHP"},
        {U'\u20B4', "UAH"}, {U'\u20A6', "NGN"}, {U'\u20BF', "BTC"}, {U'\u039E', "ETH"},
    };
    return v;
}

bool isKnown(const QString& code) {
    return codeSet().contains(code) || cryptoCodes().contains(code) || dynamicCodes().contains(code);
}

bool isCrypto(const QString& code) {
    return cryptoCodes().contains(code) || code == QLatin1String("sat");
}

} // namespace VexilCore::Currencies
