// The install step's arithmetic: the target folder chain and the two
// progress bars.
#pragma once

#include <cstdint>
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

class InstallProgress {
public:
    explicit InstallProgress(uint64_t totalBytes) : totalBytes_(totalBytes) {}

    void beginFile(uint64_t chunkCount);
    ProgressPercentages chunkWritten(uint64_t bytes);
    // The overall percentage when it has grown past the last one shown, once.
    std::optional<int> newOverallPercentage(int overall);

private:
    uint64_t totalBytes_;
    uint64_t bytesDone_ = 0;
    uint64_t chunksDone_ = 0;
    uint64_t fileChunks_ = 0;
    int lastShownPercent_ = -1;
};

// trunc(part / whole * 100) in double precision, within 0 to 100; a whole of
// 0 counts as done (100) for the overall bar and as nothing (0) elsewhere.
int percentOf(uint64_t part, uint64_t whole, int whenWholeIsZero);
