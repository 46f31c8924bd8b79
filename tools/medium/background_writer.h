// Writes files on a thread of its own, in the order the writes were queued,
// so that extracting inflates the next chunk while the last one goes to
// disk. The bytes are not copied: one write is in flight at a time, and the
// next call waits for it, which fits the package reader's promise that a
// chunk's bytes stay valid until its write callback returns the next time.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "common/platform.h"

class BackgroundWriter {
public:
    BackgroundWriter();
    // Waits for the write in flight.
    ~BackgroundWriter();
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    // Waits for the previous write, then hands these bytes to the thread;
    // they must stay valid until the next call of write() or drain()
    // returns. `file` stays open until its last write is done. False once any
    // write has failed.
    bool write(const std::shared_ptr<File>& file, const std::wstring& path, const uint8_t* data,
               size_t size);
    // Waits until the write in flight is done and its file released; false
    // when a write failed (failedPath() names the file).
    bool drain();
    std::wstring failedPath();

private:
    struct Job {
        std::shared_ptr<File> file;
        std::wstring path;
        const uint8_t* data = nullptr;
        size_t size = 0;
    };

    void work();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<Job> job_;
    bool stopping_ = false;
    std::wstring failedPath_;
    std::thread thread_;
};
