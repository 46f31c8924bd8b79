#include "file_hash.h"

#include "common/md5_digest.h"
#include "common/text.h"

namespace {

void report(UserPrompt& prompt, const wchar_t* format, const std::wstring& path) {
    prompt.showMessage(fillTextFormat(format, path), MessageIcon::Stop);
}

}  // namespace

std::optional<std::string> HashFileMd5(Platform& platform, UserPrompt& prompt,
                                       const std::wstring& path, const HashProgress& progress,
                                       const std::atomic<bool>* stop) {
    uint64_t size = 0;
    {
        auto probe = platform.open(path, OpenMode::Read, Share::All);
        auto measured = probe ? probe->size() : std::nullopt;
        if (measured) {
            size = *measured;
        } else {
            // The system's own words for the failure, taken before any other
            // call. Two placeholders: put together literally, so that a "%"
            // in the path stays what it is.
            const std::wstring reason = platform.lastErrorText();
            prompt.showMessage(L"Failed to open source file: " + path + L"," + reason,
                               MessageIcon::Stop);
        }
    }
    if (size == 0) {
        return std::string();
    }
    auto file = platform.open(path, OpenMode::Read);
    if (!file) {
        report(prompt, L"Failed to open file: %s", path);
        return std::nullopt;
    }
    const uint64_t blocks = size / kHashBlockSize;
    const size_t rest = static_cast<size_t>(size % kHashBlockSize);
    Md5Digest digest;
    uint8_t block[kHashBlockSize];
    int shownPercent = -1;
    for (uint64_t i = 0; i < blocks; ++i) {
        // A short read (the file shrank, a damaged disc) must not be hashed as
        // if the buffer held the file's bytes.
        if (file->read(block, kHashBlockSize) != kHashBlockSize) {
            report(prompt, L"Failed to read file: %s", path);
            return std::nullopt;
        }
        digest.update(block, kHashBlockSize);
        if (stop != nullptr && stop->load()) {
            return std::nullopt;
        }
        if (progress) {
            const int percent =
                static_cast<int>(static_cast<double>(i + 1) / static_cast<double>(blocks) * 100.0);
            if (percent != shownPercent) {
                shownPercent = percent;
                progress(percent);
            }
        }
    }
    if (rest != 0) {
        if (file->read(block, rest) != rest) {
            report(prompt, L"Failed to read file: %s", path);
            return std::nullopt;
        }
        digest.update(block, rest);
    }
    if (!digest.finish()) {
        prompt.showMessage(L"Not enough memory!", MessageIcon::Stop);
        return std::nullopt;
    }
    char text[64];
    size_t capacity = sizeof(text);
    if (digest.toText(text, capacity) == nullptr) {
        return std::nullopt;
    }
    return std::string(text, capacity);
}

std::optional<std::string> HashInstalledFileMd5(Platform& platform, UserPrompt& prompt,
                                                const std::wstring& path,
                                                const HashProgress& progress,
                                                const std::atomic<bool>* stop) {
    auto digest = HashFileMd5(platform, prompt, path, progress, stop);
    // Only an empty text can stand for an empty file; looking for one only
    // then saves an open of every other file.
    if (digest && digest->empty()) {
        auto probe = platform.open(path, OpenMode::Read, Share::All);
        auto size = probe ? probe->size() : std::nullopt;
        if (size && *size == 0) {
            Md5Digest nothing;
            nothing.finish();
            std::string text = nothing.toText();
            return text.empty() ? std::nullopt : std::optional<std::string>(text);
        }
    }
    return digest;
}
