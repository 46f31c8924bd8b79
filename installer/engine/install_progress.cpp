#include "installer/engine/install_progress.h"

#include <algorithm>
#include <cmath>

#include "common/folder_chain.h"

std::optional<std::wstring> createTargetFolder(Platform& platform, const std::wstring& target) {
    const size_t root = target.find(L'\\');
    std::vector<std::wstring> folders;
    if (root != std::wstring::npos) {
        for (size_t end = target.find(L'\\', root + 1); end != std::wstring::npos;
             end = target.find(L'\\', end + 1)) {
            folders.push_back(target.substr(0, end));
        }
    }
    folders.push_back(target);
    for (const std::wstring& folder : folders) {
        if (!platform.folderExists(folder) && !CreateFolderChain(platform, folder)) {
            return folder;
        }
    }
    return std::nullopt;
}

int percentOf(uint64_t part, uint64_t whole, int whenWholeIsZero) {
    if (whole == 0) {
        return whenWholeIsZero;
    }
    const double share = std::trunc(static_cast<double>(part) / static_cast<double>(whole) * 100.0);
    return static_cast<int>(std::clamp(share, 0.0, 100.0));
}

void InstallProgress::beginFile(uint64_t chunkCount) {
    fileChunks_ = chunkCount;
}

ProgressPercentages InstallProgress::at(uint64_t bytesDone, uint64_t chunksDone) const {
    return {percentOf(bytesDone, totalBytes_, 100), percentOf(chunksDone, fileChunks_, 0)};
}

bool ProgressCounters::chunkWritten(uint64_t bytes) {
    bytesDone_ += bytes;
    ++fileChunksDone_;
    return !pending_.exchange(true);
}

void ProgressCounters::beginFile() {
    fileChunksDone_ = 0;
}

ProgressCounters::Sample ProgressCounters::take() {
    // Cleared before the counters are read: a chunk written after this read
    // notifies again, so the last one is never missed.
    pending_ = false;
    return {bytesDone_.load(), fileChunksDone_.load()};
}

std::optional<int> InstallProgress::newOverallPercentage(int overall) {
    if (overall <= lastShownPercent_) {
        return std::nullopt;
    }
    lastShownPercent_ = overall;
    return overall;
}
