#include "chunk_compressor.h"

#include <zlib.h>

ChunkCompressor::ChunkCompressor(int jobs, int level) : level_(level) {
    if (jobs > 1) {
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

void ChunkCompressor::compress(Task& task) const {
    const uLong bound = compressBound(static_cast<uLong>(task.input.size()));
    if (task.output.size() < bound) {
        task.output.resize(bound);
    }
    uLongf length = static_cast<uLongf>(task.output.size());
    task.ok = compress2(task.output.data(), &length, task.input.data(),
                        static_cast<uLong>(task.input.size()), level_) == Z_OK;
    task.output.resize(task.ok ? length : 0);
}

void ChunkCompressor::submit(const std::shared_ptr<Task>& task) {
    if (workers_.empty()) {
        compress(*task);
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
        compress(*task);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            task->done = true;
        }
        finished_.notify_all();
    }
}
