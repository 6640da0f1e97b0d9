#include "core/currency/Currencies.h"

#include <gtest/gtest.h>

namespace Currencies = VexilCore::Currencies;

TEST(Currencies, IsoCodes) {
    const QStringList& codes = Currencies::codes();
    ASSERT_EQ(codes.size(), 153);
    EXPECT_EQ(codes.first(), "AED");
    EXPECT_EQ(codes.last(), "ZWL");
    QStringList sorted = codes;
    sorted.sort();
    EXPECT_EQ(codes, sorted);
    EXPECT_EQ(Currencies::codeSet().size(), 153);
    for (const QString& code : codes) {
        EXPECT_EQ(code.size(), 3) << code.toStdString();
        EXPECT_EQ(code, code.toUpper());
        EXPECT_TRUE(Currencies::codeSet().contains(code));
        EXPECT_FALSE(Currencies::cryptoCodes().contains(code)) << code.toStdString();
    }
    EXPECT_TRUE(codes.contains("SLE"));
    EXPECT_TRUE(codes.contains("VES"));
}

TEST(Currencies, CoinsInOrder) {
    const auto& coins = Currencies::crypto();
    ASSERT_EQ(coins.size(), 22);
    EXPECT_EQ(Currencies::cryptoCodes().size(), 22);
    QStringList order;
    for (const auto& coin : coins) {
        order << coin.code;
        EXPECT_TRUE(coin.code.size() == 3 || coin.code.size() == 4);
        for (const QString& name : coin.names)
            EXPECT_EQ(name, name.toLower());
    }
    EXPECT_EQ(order.join(" "),
              "BTC ETH USDT BNB SOL XRP USDC DOGE ADA TRX AVAX LINK DOT LTC BCH XLM SHIB TON "
              "ATOM XMR ETC UNI");
    EXPECT_EQ(coins[6].geckoId, "usd-coin");
    EXPECT_EQ(coins[10].geckoId, "avalanche-2");
    EXPECT_EQ(coins[17].geckoId, "the-open-network");
    EXPECT_EQ(coins[1].names, (QStringList{"ethereum", "ether"}));
    EXPECT_TRUE(coins[3].names.isEmpty());
}

TEST(Currencies, Words) {
    const auto& words = Currencies::words();
    ASSERT_EQ(words.size(), 25);
    EXPECT_EQ(words.first(), std::make_pair(QString("dollar"), QString("USD")));
    EXPECT_EQ(words[10], std::make_pair(QString("sterling"), QString("GBP")));
    EXPECT_EQ(words[11], std::make_pair(QString("bitcoin"), QString("BTC")));
    EXPECT_EQ(words.last(), std::make_pair(QString("monero"), QString("XMR")));
    QHash<QString, QString> map;
    for (const auto& [word, code] : words) {
        map.insert(word, code);
        EXPECT_TRUE(Currencies::isKnown(code));
    }
    EXPECT_EQ(map.size(), 25);
    EXPECT_EQ(map.value("ether"), "ETH");
    EXPECT_EQ(map.value("tether"), "USDT");
    for (const char* nameless :
         {"BNB", "XRP", "USDC", "TRX", "AVAX", "BCH", "XLM", "SHIB", "TON", "ATOM", "ETC", "UNI"})
        EXPECT_EQ(map.key(nameless), QString()) << nameless;
}

TEST(Currencies, WordLikeCodesAreLowerCaseCodes) {
    const auto& wordLike = Currencies::wordLikeCodes();
    EXPECT_EQ(wordLike.size(), 20);
    for (const QString& w : wordLike) {
        EXPECT_EQ(w, w.toLower());
        EXPECT_TRUE(Currencies::isKnown(w.toUpper())) << w.toStdString();
    }
    EXPECT_TRUE(wordLike.contains("link"));
    EXPECT_FALSE(wordLike.contains("LINK"));
}

TEST(Currencies, Symbols) {
    const auto& symbols = Currencies::symbols();
    EXPECT_EQ(symbols.size(), 16);
    EXPECT_EQ(symbols.value(U'$'), "USD");
    EXPECT_EQ(symbols.value(U'\u039E'), "ETH");
    EXPECT_EQ(symbols.value(U'\u20BF'), "BTC");
    EXPECT_EQ(symbols.value(U'\u00A5'), "JPY");
    EXPECT_EQ(symbols.keys(QString("JPY")).size(), 1);
    for (auto it = symbols.cbegin(); it != symbols.cend(); ++it) {
        EXPECT_LT(it.key(), 0x10000u); // one UTF-16 unit each
        EXPECT_TRUE(Currencies::isKnown(it.value()));
    }
}

TEST(Currencies, KnownAndCrypto) {
    EXPECT_TRUE(Currencies::isKnown("USD"));
    EXPECT_FALSE(Currencies::isKnown("usd"));
    EXPECT_TRUE(Currencies::isKnown("DOGE"));
    EXPECT_FALSE(Currencies::isKnown("sat"));
    EXPECT_FALSE(Currencies::isKnown(""));
    EXPECT_TRUE(Currencies::isCrypto("sat"));
    EXPECT_TRUE(Currencies::isCrypto("BTC"));
    EXPECT_FALSE(Currencies::isCrypto("btc"));
    EXPECT_FALSE(Currencies::isCrypto("SAT"));
    EXPECT_FALSE(Currencies::isCrypto("USD"));
}

TEST(Currencies, DynamicCodesGrow) {
    // A made-up code of this test alone: the set lives for the whole process.
    const QString code = "QQZ";
    ASSERT_FALSE(Currencies::isKnown(code));
    Currencies::dynamicCodes().insert(code);
    EXPECT_TRUE(Currencies::isKnown(code));
    EXPECT_FALSE(Currencies::isCrypto(code));
    EXPECT_FALSE(Currencies::codeSet().contains(code));
    Currencies::dynamicCodes().remove(code);
}
