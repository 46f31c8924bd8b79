// The install step's arithmetic: the target folder chain and the two
// progress bars.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "common/platform.h"

// Creates the target folder and every missing folder on the way, from the
// drive down. Nothing is recorded here. Answers the first folder that could
// not be created, or nothing when the target folder exists afterwards.
std::optional<std::wstring> createTargetFolder(Platform& platform, const std::wstring& target);

// The overall and the current file's percentage, both 0 to 100.
struct ProgressPercentages {
    int overall = 0;
    int file = 0;
};

// The two bars of the install page, worked out from what has been written.
class InstallProgress {
public:
    explicit InstallProgress(uint64_t totalBytes) : totalBytes_(totalBytes) {}

    void beginFile(uint64_t chunkCount);
    // `bytesDone` of the whole set, `chunksDone` of the current file.
    ProgressPercentages at(uint64_t bytesDone, uint64_t chunksDone) const;
    // The overall percentage when it has grown past the last one shown, once.
    std::optional<int> newOverallPercentage(int overall);

private:
    uint64_t totalBytes_;
    uint64_t fileChunks_ = 0;
    int lastShownPercent_ = -1;
};

// What the install worker publishes for its page: counters it only adds to,
// the folders and the file it began, and whether a notification is on its
// way. The page reads the counters when
// that notification arrives, so the worker never waits for a repaint and the
// page catches up in one step however many chunks went by.
class ProgressCounters {
public:
    struct FileStart {
        std::wstring name;
        uint32_t chunkCount = 0;
    };
    struct Sample {
        uint64_t bytesDone = 0;
        uint64_t fileChunksDone = 0;
        // Since the last look: the folders made, the latest file begun, and
        // whether a folder was made after that file.
        uint32_t foldersCreated = 0;
        std::optional<FileStart> fileBegun;
        bool folderLast = false;
    };

    // Worker: a chunk of `bytes` is written, a folder is made, the next file
    // begins. Each answers true when the page must be notified, because no
    // notification is pending.
    bool chunkWritten(uint64_t bytes);
    bool folderCreated();
    bool beginFile(std::wstring name, uint32_t chunkCount);
    // Page: the counters now; the next report notifies again.
    Sample take();

private:
    std::atomic<uint64_t> bytesDone_{0};
    std::atomic<uint64_t> fileChunksDone_{0};
    std::atomic<bool> pending_{false};
    // Folders and files are few: a lock is cheap for them.
    std::mutex mutex_;
    uint32_t foldersCreated_ = 0;
    std::optional<FileStart> fileBegun_;
    bool folderLast_ = false;
};

// trunc(part / whole * 100) in double precision, within 0 to 100; a whole of
// 0 counts as done (100) for the overall bar and as nothing (0) elsewhere.
int percentOf(uint64_t part, uint64_t whole, int whenWholeIsZero);
