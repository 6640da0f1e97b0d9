#include "core/rates/RatesCacheFile.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace VexilCore {

std::optional<QByteArray> RatesCacheFile::encode() const {
    QJsonObject top; // QJsonObject keeps its keys sorted, at every level
    if (fiat) {
        auto json = fiat->toJson();
        if (!json) return std::nullopt;
        top.insert(QStringLiteral("fiat"), *json);
    }
    if (crypto) {
        auto json = crypto->toJson();
        if (!json) return std::nullopt;
        top.insert(QStringLiteral("crypto"), *json);
    }
    return QJsonDocument(top).toJson(QJsonDocument::Compact);
}

std::optional<RatesCacheFile> RatesCacheFile::decode(const QByteArray& bytes) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
    const QJsonObject top = doc.object();

    RatesCacheFile file;
    const QJsonValue fiatValue = top.value(QStringLiteral("fiat"));
    if (!fiatValue.isUndefined() && !fiatValue.isNull()) {
        file.fiat = RatesTable::fromJson(fiatValue);
        if (!file.fiat) return std::nullopt;
    }
    const QJsonValue cryptoValue = top.value(QStringLiteral("crypto"));
    if (!cryptoValue.isUndefined() && !cryptoValue.isNull()) {
        file.crypto = CryptoTable::fromJson(cryptoValue);
        if (!file.crypto) return std::nullopt;
    }
    return file;
}

} // namespace VexilCore
