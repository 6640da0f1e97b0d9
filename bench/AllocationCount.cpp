#include "AllocationCount.h"

#include <atomic>
#include <cerrno>
#include <malloc.h>

// glibc's own entry points: the replacements below count and hand over to them. A definition in
// the executable wins over the C library's for every shared library as well, Qt's included.
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* ptr, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* ptr);
}

namespace {

std::atomic<bool> counting{false};
std::uint64_t taken = 0;
// Signed: blocks taken before counting began may be given back while it runs.
std::int64_t live = 0;
std::int64_t peak = 0;

void took(void* p) {
    if (!p || !counting.load(std::memory_order_relaxed)) return;
    ++taken;
    live += std::int64_t(malloc_usable_size(p));
    if (live > peak) peak = live;
}

void gave(void* p) {
    if (p && counting.load(std::memory_order_relaxed)) live -= std::int64_t(malloc_usable_size(p));
}

} // namespace

extern "C" {

void* malloc(std::size_t size) {
    void* p = __libc_malloc(size);
    took(p);
    return p;
}

void* calloc(std::size_t count, std::size_t size) {
    void* p = __libc_calloc(count, size);
    took(p);
    return p;
}

void* realloc(void* ptr, std::size_t size) {
    gave(ptr);
    void* p = __libc_realloc(ptr, size);
    if (p)
        took(p);
    else if (ptr && size)
        took(ptr); // failed: the old block stays
    return p;
}

void free(void* ptr) {
    gave(ptr);
    __libc_free(ptr);
}

void* memalign(std::size_t alignment, std::size_t size) {
    void* p = __libc_memalign(alignment, size);
    took(p);
    return p;
}

void* aligned_alloc(std::size_t alignment, std::size_t size) {
    return memalign(alignment, size);
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
    void* p = memalign(alignment, size);
    if (!p) return ENOMEM;
    *out = p;
    return 0;
}

} // extern "C"

namespace BenchAlloc {

Counting::Counting() {
    taken = 0;
    live = 0;
    peak = 0;
    counting.store(true, std::memory_order_relaxed);
}

Counting::~Counting() {
    counting.store(false, std::memory_order_relaxed);
}

std::uint64_t Counting::allocations() const {
    return taken;
}

std::size_t Counting::peakBytes() const {
    return std::size_t(peak);
}

} // namespace BenchAlloc
