// Compresses chunks on worker threads while the caller reads the next ones
// and writes the finished ones in order. Each chunk is one zlib stream made
// by libdeflate at a fixed level, which gives the same bytes for the same
// input whatever thread or machine compresses it, so the bytes do not depend
// on how many workers there are. With one job everything runs on the
// caller's thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "common/formats.h"

// The most a chunk of `size` bytes takes compressed: zlib's compressBound, on
// which the reader's bound rests too. Data that would take more at the chosen
// level is stored instead, which always fits.
constexpr uint64_t packedChunkBound(uint64_t size) {
    return size + (size >> 12) + (size >> 14) + (size >> 25) + 13;
}
static_assert(packedChunkBound(kMaxChunkSize) == kMaxCompressedChunkSize,
              "the reader must accept every chunk the packer can write");

class ChunkCompressor {
public:
    struct Task {
        std::vector<uint8_t> input;
        std::vector<uint8_t> output;  // sized to the compressed length when done
        bool ok = false;
        bool done = false;
    };

    ChunkCompressor(int jobs, int level);
    ~ChunkCompressor();
    ChunkCompressor(const ChunkCompressor&) = delete;
    ChunkCompressor& operator=(const ChunkCompressor&) = delete;

    // A task to fill, reusing the buffers of a collected one when there is one.
    std::shared_ptr<Task> makeTask();
    void submit(const std::shared_ptr<Task>& task);
    // Waits until the task is compressed; then its buffers may be reused.
    void wait(const std::shared_ptr<Task>& task);
    // Whether the task is compressed, without waiting.
    bool ready(const std::shared_ptr<Task>& task);
    void recycle(std::shared_ptr<Task> task);

    // Chunks worth keeping in flight so that no worker waits.
    size_t window() const { return workers_.empty() ? 1 : workers_.size() * 2 + 1; }

private:
    class Deflater;

    void work();

    int level_;
    // The caller's own, for one job.
    std::unique_ptr<Deflater> deflater_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    std::deque<std::shared_ptr<Task>> queue_;
    std::vector<std::shared_ptr<Task>> spare_;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};
