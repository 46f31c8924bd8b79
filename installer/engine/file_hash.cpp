#include "file_hash.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "common/md5_digest.h"
#include "common/text.h"
#include "common/thread_lock.h"

namespace {

void report(UserPrompt& prompt, const wchar_t* format, const std::wstring& path) {
    prompt.showMessage(fillTextFormat(format, path), MessageIcon::Stop);
}

// The blocks of a file, read in turn or one block ahead on a thread of its
// own. A block stays valid until the next call.
class BlockSource {
public:
    BlockSource(File& file, uint64_t size, HashReads reads) : file_(file), left_(size) {
        // No larger than the file: a small file's buffer is small.
        const auto blockSize = static_cast<size_t>(std::min<uint64_t>(size, kHashReadSize));
        slots_[0].bytes.resize(blockSize);
        if (reads == HashReads::Overlapped && size > kHashReadSize) {
            slots_[1].bytes.resize(blockSize);
            reader_ = std::thread([this] { readAhead(); });
        }
    }
    ~BlockSource() {
        if (reader_.joinable()) {
            {
                std::lock_guard<ThreadLock> hold(lock_);
                quit_ = true;
            }
            changed_.notifyAll();
            reader_.join();
        }
    }
    BlockSource(const BlockSource&) = delete;
    BlockSource& operator=(const BlockSource&) = delete;

    // The next block's bytes and whether it was read whole; an empty block
    // at the end.
    std::pair<const uint8_t*, bool> next(size_t& length) {
        if (!reader_.joinable()) {
            length = static_cast<size_t>(std::min<uint64_t>(left_, kHashReadSize));
            left_ -= length;
            Slot& slot = slots_[0];
            return {slot.bytes.data(), file_.read(slot.bytes.data(), length) == length};
        }
        std::unique_lock<ThreadLock> hold(lock_);
        if (holding_) {
            holding_ = false;
            --filled_;
            ++taken_;
            changed_.notifyAll();
        }
        changed_.wait(hold, [this] { return filled_ > 0 || readerDone_; });
        if (filled_ == 0) {
            length = 0;
            return {nullptr, true};
        }
        holding_ = true;
        Slot& slot = slots_[taken_ % kSlots];
        length = slot.length;
        return {slot.bytes.data(), slot.whole};
    }

private:
    static constexpr size_t kSlots = 2;
    struct Slot {
        std::vector<uint8_t> bytes;
        size_t length = 0;
        bool whole = true;
    };

    void readAhead() {
        for (size_t at = 0;; ++at) {
            std::unique_lock<ThreadLock> hold(lock_);
            changed_.wait(hold, [this] { return quit_ || filled_ < kSlots; });
            if (quit_ || left_ == 0) {
                readerDone_ = true;
                changed_.notifyAll();
                return;
            }
            hold.unlock();
            Slot& slot = slots_[at % kSlots];
            slot.length = static_cast<size_t>(std::min<uint64_t>(left_, kHashReadSize));
            slot.whole = file_.read(slot.bytes.data(), slot.length) == slot.length;
            left_ = slot.whole ? left_ - slot.length : 0;
            hold.lock();
            ++filled_;
            changed_.notifyAll();
        }
    }

    File& file_;
    uint64_t left_;  // the reader's
    Slot slots_[kSlots];
    std::thread reader_;
    ThreadLock lock_;
    ThreadCondition changed_;
    size_t filled_ = 0;  // slots read and not yet handed back
    size_t taken_ = 0;   // slots handed back
    bool holding_ = false;
    bool readerDone_ = false;
    bool quit_ = false;
};

struct FileDigest {
    std::optional<std::string> text;
    bool emptyFile = false;  // the file was opened and holds no byte
};

FileDigest hashFile(Platform& platform, UserPrompt& prompt, const std::wstring& path,
                    const HashProgress& progress, const HashStop& stop, HashReads reads) {
    // One open serves the size and the reads.
    auto file = platform.open(path, OpenMode::Read, Share::All);
    const auto measured = file ? file->size() : std::nullopt;
    if (!measured) {
        // The system's own words for the failure, taken before any other
        // call. Two placeholders: put together literally, so that a "%"
        // in the path stays what it is.
        const std::wstring reason = platform.lastErrorText();
        prompt.showMessage(L"Failed to open source file: " + path + L"," + reason,
                           MessageIcon::Stop);
        return {std::string(), false};
    }
    const uint64_t size = *measured;
    if (size == 0) {
        return {std::string(), true};
    }
    const uint64_t blocks = size / kHashBlockSize;
    Md5Digest digest;
    BlockSource source(*file, size, reads);
    int shownPercent = -1;
    uint64_t done = 0;
    while (done < size) {
        size_t length = 0;
        const auto [bytes, whole] = source.next(length);
        // A short read (the file shrank, a damaged disc) must not be hashed
        // as if the buffer held the file's bytes.
        if (!whole || length == 0) {
            report(prompt, L"Failed to read file: %s", path);
            return {};
        }
        digest.update(bytes, length);
        const uint64_t firstBlock = done / kHashBlockSize;
        done += length;
        const uint64_t endBlock = std::min(done / kHashBlockSize, blocks);
        // Stop and progress as after each 512-byte block.
        for (uint64_t i = firstBlock; i < endBlock; ++i) {
            if (stop && stop()) {
                return {};
            }
            if (progress) {
                const int percent = static_cast<int>(static_cast<double>(i + 1) /
                                                     static_cast<double>(blocks) * 100.0);
                if (percent != shownPercent) {
                    shownPercent = percent;
                    progress(percent);
                }
            }
        }
    }
    if (!digest.finish()) {
        prompt.showMessage(L"Not enough memory!", MessageIcon::Stop);
        return {};
    }
    char text[64];
    size_t capacity = sizeof(text);
    if (digest.toText(text, capacity) == nullptr) {
        return {};
    }
    return {std::string(text, capacity), false};
}

}  // namespace

std::optional<std::string> HashFileMd5(Platform& platform, UserPrompt& prompt,
                                       const std::wstring& path, const HashProgress& progress,
                                       const HashStop& stop, HashReads reads) {
    return hashFile(platform, prompt, path, progress, stop, reads).text;
}

std::optional<std::string> HashFileMd5(Platform& platform, UserPrompt& prompt,
                                       const std::wstring& path, const HashProgress& progress,
                                       const std::atomic<bool>* stop) {
    HashStop stopped;
    if (stop != nullptr) {
        stopped = [stop] { return stop->load(); };
    }
    return HashFileMd5(platform, prompt, path, progress, stopped);
}

std::optional<std::string> HashInstalledFileMd5(Platform& platform, UserPrompt& prompt,
                                                const std::wstring& path,
                                                const HashProgress& progress,
                                                const HashStop& stop) {
    FileDigest digest = hashFile(platform, prompt, path, progress, stop, HashReads::InTurn);
    if (digest.emptyFile) {
        Md5Digest nothing;
        nothing.finish();
        std::string text = nothing.toText();
        return text.empty() ? std::nullopt : std::optional<std::string>(text);
    }
    return digest.text;
}
