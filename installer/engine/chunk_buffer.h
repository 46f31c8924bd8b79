// The bytes of one chunk. It grows only when a chunk needs more, so that a
// walk over many chunks allocates (and faults in) its memory once.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

class ChunkBuffer {
public:
    // False when the memory cannot be had.
    bool reserve(size_t size) {
        if (size <= capacity_ && bytes_) {
            return true;
        }
        bytes_.reset(static_cast<uint8_t*>(std::malloc(size == 0 ? 1 : size)));
        capacity_ = bytes_ ? size : 0;
        return bytes_ != nullptr;
    }
    uint8_t* data() { return bytes_.get(); }
    void release() {
        bytes_.reset();
        capacity_ = 0;
    }

private:
    struct Free {
        void operator()(uint8_t* bytes) const { std::free(bytes); }
    };
    std::unique_ptr<uint8_t, Free> bytes_;
    size_t capacity_ = 0;
};
