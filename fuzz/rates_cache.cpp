// Any bytes as "rates.json": the reader refuses them or gives tables that write back and read the same.
#include "FuzzSupport.h"

#include "core/rates/RatesCacheFile.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstddef>
#include <cstdint>

using namespace VexilCore;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    VexilFuzz::fixEnvironment();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const VexilFuzz::SecondLimit limit;
    const QByteArray bytes = VexilFuzz::inputBytes(data, size);
    const std::optional<RatesCacheFile> file = RatesCacheFile::decode(bytes);
    // The older cache format: a bare fiat record.
    const std::optional<RatesTable> bare = RatesTable::fromJson(QJsonDocument::fromJson(bytes).object());
    if (bare) {
        (void)bare->isValid();
        (void)bare->rate(QStringLiteral("EUR"));
    }
    if (!file) return 0;
    if (file->fiat) (void)file->fiat->isValid();
    if (file->crypto) (void)file->crypto->isValid();
    // JSON holds no infinity or NaN, so whatever was read can be written again.
    const std::optional<QByteArray> written = file->encode();
    VEXIL_FUZZ_CHECK(written.has_value());
    const std::optional<RatesCacheFile> back = RatesCacheFile::decode(*written);
    VEXIL_FUZZ_CHECK(back.has_value());
    VEXIL_FUZZ_CHECK(back->fiat.has_value() == file->fiat.has_value());
    VEXIL_FUZZ_CHECK(back->crypto.has_value() == file->crypto.has_value());
    // Text crosses UTF-8 once (a lone surrogate becomes a replacement character); after that nothing changes.
    const std::optional<RatesCacheFile> again = RatesCacheFile::decode(back->encode().value());
    VEXIL_FUZZ_CHECK(again == back);
    return 0;
}
