#include "chunk_compressor.h"

#include <libdeflate.h>

// The compressors of one thread: one at the chosen level and one that only
// stores, for data that would grow past packedChunkBound.
class ChunkCompressor::Deflater {
public:
    explicit Deflater(int level)
        : atLevel_(libdeflate_alloc_compressor(level)), storing_(libdeflate_alloc_compressor(0)) {}

    void compress(Task& task) {
        const size_t bound = static_cast<size_t>(packedChunkBound(task.input.size()));
        if (task.output.size() < bound) {
            task.output.resize(bound);
        }
        size_t length = 0;
        for (auto* compressor : {atLevel_.get(), storing_.get()}) {
            if (length == 0 && compressor != nullptr) {
                length = libdeflate_zlib_compress(compressor, task.input.data(), task.input.size(),
                                                  task.output.data(), bound);
            }
        }
        task.ok = length != 0;
        task.output.resize(length);
    }

private:
    struct Free {
        void operator()(libdeflate_compressor* compressor) const {
            libdeflate_free_compressor(compressor);
        }
    };
    std::unique_ptr<libdeflate_compressor, Free> atLevel_;
    std::unique_ptr<libdeflate_compressor, Free> storing_;
};

ChunkCompressor::ChunkCompressor(int jobs, int level) : level_(level) {
    if (jobs <= 1) {
        deflater_ = std::make_unique<Deflater>(level_);
    } else {
        for (int i = 0; i < jobs; ++i) {
            workers_.emplace_back([this] { work(); });
        }
    }
}

ChunkCompressor::~ChunkCompressor() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (auto& worker : workers_) {
        worker.join();
    }
}

std::shared_ptr<ChunkCompressor::Task> ChunkCompressor::makeTask() {
    if (spare_.empty()) {
        return std::make_shared<Task>();
    }
    auto task = std::move(spare_.back());
    spare_.pop_back();
    task->ok = false;
    task->done = false;
    return task;
}

void ChunkCompressor::recycle(std::shared_ptr<Task> task) {
    spare_.push_back(std::move(task));
}

void ChunkCompressor::submit(const std::shared_ptr<Task>& task) {
    if (deflater_) {
        deflater_->compress(*task);
        task->done = true;
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(task);
    }
    wake_.notify_one();
}

void ChunkCompressor::wait(const std::shared_ptr<Task>& task) {
    std::unique_lock<std::mutex> lock(mutex_);
    finished_.wait(lock, [&] { return task->done; });
}

bool ChunkCompressor::ready(const std::shared_ptr<Task>& task) {
    std::lock_guard<std::mutex> lock(mutex_);
    return task->done;
}

void ChunkCompressor::work() {
    Deflater deflater(level_);
    for (;;) {
        std::shared_ptr<Task> task;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
            if (queue_.empty()) {
                return;
            }
            task = std::move(queue_.front());
            queue_.pop_front();
        }
        deflater.compress(*task);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            task->done = true;
        }
        finished_.notify_all();
    }
}
