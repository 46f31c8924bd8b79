// Compresses chunks on worker threads while the caller reads the next ones
// and writes the finished ones in order. Each chunk is one zlib stream made
// by compress2 at a fixed level, so the bytes do not depend on how many
// workers there are. With one job everything runs on the caller's thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

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
    void work();
    void compress(Task& task) const;

    int level_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    std::deque<std::shared_ptr<Task>> queue_;
    std::vector<std::shared_ptr<Task>> spare_;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};
