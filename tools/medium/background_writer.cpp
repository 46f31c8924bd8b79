#include "background_writer.h"

BackgroundWriter::BackgroundWriter() {
    thread_ = std::thread([this] { work(); });
}

BackgroundWriter::~BackgroundWriter() {
    drain();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

bool BackgroundWriter::write(const std::shared_ptr<File>& file, const std::wstring& path,
                             const uint8_t* data, size_t size) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return !job_; });
    if (!failedPath_.empty()) {
        return false;
    }
    job_ = Job{file, path, data, size};
    lock.unlock();
    changed_.notify_all();
    return true;
}

bool BackgroundWriter::drain() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return !job_; });
    return failedPath_.empty();
}

std::wstring BackgroundWriter::failedPath() {
    std::lock_guard<std::mutex> lock(mutex_);
    return failedPath_;
}

void BackgroundWriter::work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stopping_ || job_; });
        if (!job_) {
            return;
        }
        Job& job = *job_;
        lock.unlock();
        const bool written = job.file->write(job.data, job.size) == job.size;
        // Dropping the last reference closes the file here, after its data.
        job.file.reset();
        lock.lock();
        if (!written && failedPath_.empty()) {
            failedPath_ = job.path;
        }
        job_.reset();
        changed_.notify_all();
    }
}
