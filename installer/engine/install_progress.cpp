#include "installer/engine/install_progress.h"

#include <algorithm>
#include <cmath>
#include <utility>

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

bool ProgressCounters::folderCreated() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ++foldersCreated_;
        folderLast_ = true;
    }
    return !pending_.exchange(true);
}

bool ProgressCounters::beginFile(std::wstring name, uint32_t chunkCount) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        fileBegun_ = FileStart{std::move(name), chunkCount};
        folderLast_ = false;
        fileChunksDone_ = 0;
    }
    return !pending_.exchange(true);
}

ProgressCounters::Sample ProgressCounters::take() {
    // Cleared before the counters are read: a report after this read
    // notifies again, so the last one is never missed.
    pending_ = false;
    Sample sample;
    const std::lock_guard<std::mutex> lock(mutex_);
    sample.bytesDone = bytesDone_.load();
    sample.fileChunksDone = fileChunksDone_.load();
    sample.foldersCreated = std::exchange(foldersCreated_, 0);
    sample.fileBegun = std::exchange(fileBegun_, std::nullopt);
    sample.folderLast = std::exchange(folderLast_, false);
    return sample;
}

std::optional<int> InstallProgress::newOverallPercentage(int overall) {
    if (overall <= lastShownPercent_) {
        return std::nullopt;
    }
    lastShownPercent_ = overall;
    return overall;
}
