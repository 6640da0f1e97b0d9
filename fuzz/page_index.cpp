// Any bytes as "pages.json": the strict reader refuses them or gives an index that writes back and reads
// the same; the salvage reader never fails.
#include "FuzzSupport.h"

#include "ui/storage/PageIndex.h"

#include <cstddef>
#include <cstdint>

using namespace VexilUI;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    VexilFuzz::fixEnvironment();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const VexilFuzz::SecondLimit limit;
    const QByteArray bytes = VexilFuzz::inputBytes(data, size);
    const QHash<QString, QString> names = PageIndex::salvageNames(bytes);
    const std::optional<Index> index = PageIndex::decode(bytes);
    if (!index) return 0;
    QSet<QString> ids;
    for (const Page& p : index->pages) {
        // Only sheet ids ever become file names.
        VEXIL_FUZZ_CHECK(PageIndex::isSheetId(p.id));
        VEXIL_FUZZ_CHECK(!ids.contains(p.id));
        ids.insert(p.id);
        VEXIL_FUZZ_CHECK(names.value(p.id) == p.name);
    }
    const std::optional<Index> back = PageIndex::decode(PageIndex::encode(*index));
    VEXIL_FUZZ_CHECK(back.has_value());
    VEXIL_FUZZ_CHECK(back->pages.size() == index->pages.size());
    VEXIL_FUZZ_CHECK(back->selected.has_value() == index->selected.has_value());
    // Text crosses UTF-8 once (a lone surrogate becomes a replacement character); after that nothing changes.
    const std::optional<Index> again = PageIndex::decode(PageIndex::encode(*back));
    VEXIL_FUZZ_CHECK(again == back);
    return 0;
}
