// The bytes of one chunk. It grows only when a chunk needs more, and then in
// whole steps, so that a walk over chunks of varying sizes allocates (and
// faults in) its memory a few times at most: a block of this size is mapped
// and unmapped by the system allocator, and under Wine every unmapping stops
// the process's other threads on every core for a moment.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#ifdef __linux__
#include <sys/mman.h>
#endif

class ChunkBuffer {
public:
    // False when the memory cannot be had.
    bool reserve(size_t size) {
        if (size <= capacity_ && bytes_) {
            return true;
        }
        const size_t steps = size == 0 ? 1 : size / kStep + (size % kStep != 0 ? 1 : 0);
        const size_t capacity = steps <= SIZE_MAX / kStep ? steps * kStep : size;
        bytes_.reset();
        capacity_ = capacity;
        bytes_.reset(allocate(capacity_));
        capacity_ = bytes_ ? capacity_ : 0;
        touch();
        return bytes_ != nullptr;
    }
    uint8_t* data() { return bytes_.get(); }
    size_t capacity() const { return bytes_ ? capacity_ : 0; }
    void release() {
        bytes_.reset();
        capacity_ = 0;
    }

private:
    static constexpr size_t kStep = 256U << 10;
    static constexpr size_t kPage = 4096;

#ifdef __linux__
    // A block of 1 MiB or more is given whole 2 MiB pages where the system
    // grants them: one page fault instead of 512 for each 2 MiB. On a virtual
    // machine each fault of fresh memory is costly, and the threads of a
    // parallel unpack each fill buffers of their own: with small pages,
    // `medium extract --jobs 2` spent a tenth of its time in them.
    static uint8_t* allocate(size_t& capacity) {
        constexpr size_t kHugePage = size_t{2} << 20;
        if (capacity < kHugePage / 2 || capacity > SIZE_MAX - kHugePage) {
            return static_cast<uint8_t*>(std::malloc(capacity));
        }
        capacity = (capacity + kHugePage - 1) / kHugePage * kHugePage;
        void* bytes = std::aligned_alloc(kHugePage, capacity);
        if (bytes != nullptr) {
            (void)madvise(bytes, capacity, MADV_HUGEPAGE);  // a hint; small pages do too
        }
        return static_cast<uint8_t*>(bytes);
    }
#else
    static uint8_t* allocate(size_t& capacity) {
        return static_cast<uint8_t*>(std::malloc(capacity));
    }
#endif

    // Writes into every page once. Under Wine a read into a buffer first
    // checks that it can be written by reading and writing back each page:
    // a page never written is then mapped from the shared zero page and
    // copied on the write, and each such copy makes the system flush the
    // other cores' address caches (on a virtual machine, a costly exit per
    // page). A page written first is simply given to the process.
    void touch() {
        volatile uint8_t* bytes = bytes_.get();
        for (size_t at = 0; bytes != nullptr && at < capacity_; at += kPage) {
            bytes[at] = 0;
        }
    }

    struct Free {
        void operator()(uint8_t* bytes) const { std::free(bytes); }
    };
    std::unique_ptr<uint8_t, Free> bytes_;
    size_t capacity_ = 0;
};

// Buffers done with, for whichever chunk needs one next. Fresh memory is what
// costs: on a virtual machine the first touch of a 2 MiB block can take
// milliseconds, so a buffer that held packed bytes serves inflated ones next,
// and the other way round. Not locked: its owner locks.
class ChunkBufferPool {
public:
    // The smallest buffer kept that holds `size` bytes, else the largest (it
    // grows when reserved), else a new one.
    ChunkBuffer take(size_t size) {
        const auto best =
            std::min_element(buffers_.begin(), buffers_.end(),
                             [size](const ChunkBuffer& one, const ChunkBuffer& other) {
                                 return better(one, other, size);
                             });
        if (best == buffers_.end()) {
            return ChunkBuffer();
        }
        ChunkBuffer taken = std::move(*best);
        buffers_.erase(best);
        return taken;
    }

    void keep(ChunkBuffer buffer) {
        if (buffer.data() != nullptr) {
            buffers_.push_back(std::move(buffer));
        }
    }

private:
    static bool better(const ChunkBuffer& one, const ChunkBuffer& other, size_t size) {
        const bool fits = one.capacity() >= size;
        const bool otherFits = other.capacity() >= size;
        if (fits != otherFits) {
            return fits;
        }
        return fits ? one.capacity() < other.capacity() : one.capacity() > other.capacity();
    }

    std::vector<ChunkBuffer> buffers_;
};
