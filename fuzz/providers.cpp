// Any response body through the fiat and the crypto parser. Each either refuses the body with its
// validation error or returns a table that is valid and can be written to the rates cache unchanged.
#include "FuzzSupport.h"

#include "core/rates/Providers.h"
#include "core/rates/RatesCacheFile.h"

#include <cstddef>
#include <cstdint>

using namespace VexilCore;

namespace {

constexpr double kFetchedAt = 1'700'000'000.0;

void checkCachedUnchanged(const RatesCacheFile& file) {
    const std::optional<QByteArray> bytes = file.encode();
    VEXIL_FUZZ_CHECK(bytes.has_value());
    const std::optional<RatesCacheFile> back = RatesCacheFile::decode(*bytes);
    VEXIL_FUZZ_CHECK(back.has_value());
    // Keys and names cross UTF-8 once; after that a table must come back exactly.
    const std::optional<RatesCacheFile> again = RatesCacheFile::decode(back->encode().value());
    VEXIL_FUZZ_CHECK(again == back);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    VexilFuzz::fixEnvironment();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const VexilFuzz::SecondLimit limit;
    const QByteArray body = VexilFuzz::inputBytes(data, size);
    try {
        const RatesTable fiat = RatesProvider::parseProvider(body, kFetchedAt);
        VEXIL_FUZZ_CHECK(fiat.base == u"USD");
        VEXIL_FUZZ_CHECK(fiat.rates.size() >= 20);
        checkCachedUnchanged(RatesCacheFile{fiat, std::nullopt});
    } catch (const RatesTable::ValidationError& e) {
        VEXIL_FUZZ_CHECK(!e.description().isEmpty());
    }
    try {
        const CryptoTable crypto = CryptoProvider::parse(body, kFetchedAt);
        VEXIL_FUZZ_CHECK(crypto.isValid());
        checkCachedUnchanged(RatesCacheFile{std::nullopt, crypto});
    } catch (const RatesTable::ValidationError& e) {
        VEXIL_FUZZ_CHECK(!e.description().isEmpty());
    }
    return 0;
}
