#pragma once

#include <cstddef>
#include <cstdint>

// Counts the heap blocks the benchmark binary takes, Qt's included: malloc and free are replaced
// in this executable only (see AllocationCount.cpp). Counting is off unless a Counting is alive, so
// timed loops pay one test per call; measure outside them.
namespace BenchAlloc {

// Counts from its construction on; one at a time, on one thread.
class Counting {
public:
    Counting();
    ~Counting();
    Counting(const Counting&) = delete;
    Counting& operator=(const Counting&) = delete;

    std::uint64_t allocations() const;
    // The most bytes in use at once beyond those in use at the start.
    std::size_t peakBytes() const;
};

} // namespace BenchAlloc
