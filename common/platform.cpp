#include "platform.h"

#include <algorithm>
#include <thread>

int processorCount() {
    return static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
}

std::optional<std::vector<uint8_t>> readWholeFile(Platform& platform, const std::wstring& path,
                                                  Share share) {
    auto file = platform.open(path, OpenMode::Read, share);
    if (!file) {
        return std::nullopt;
    }
    auto size = file->size();
    if (!size || *size > SIZE_MAX) {
        return std::nullopt;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(*size));
    // An empty vector may have no storage, which the stream must not be given.
    if (!bytes.empty() && file->read(bytes.data(), bytes.size()) != bytes.size()) {
        return std::nullopt;
    }
    return bytes;
}

bool writeWholeFile(Platform& platform, const std::wstring& path, const void* data, size_t size,
                    Share share) {
    auto file = platform.open(path, OpenMode::Write, share);
    return file && (size == 0 || file->write(data, size) == size);
}
