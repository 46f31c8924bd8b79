// The chunks of `medium extract --jobs N`: the package reader hands them over
// as they lie in the packages, N threads inflate them, and one writer thread
// takes them in stream order through the free-space rule into their files.
// Everything a user sees of a chunk (the message for data that does not
// inflate, the free-space question, a failed write) comes from the writer in
// stream order; the reader settles the pipeline before it shows anything of
// its own, so the order is that of an unpack on one thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/platform.h"
#include "installer/engine/zip_file_package.h"

class InflatePipeline : public PackedChunkSink {
public:
    // Writes one chunk's inflated bytes; false stops the unpack (it has said
    // why). Called on the writer thread, in stream order.
    using Deliver = std::function<bool(File& file, const std::wstring& path, const uint8_t* data,
                                       size_t length)>;

    InflatePipeline(int jobs, FreeSpaceRule rule, UserPrompt& prompt, Deliver deliver);
    // Drops what was not written yet.
    ~InflatePipeline() override;

    // Where the chunks taken from now on go; the file is closed when the
    // last of them is written.
    void setFile(std::shared_ptr<File> file, std::wstring path);

    ChunkBuffer spareBuffer() override;
    bool take(PackedChunk chunk) override;
    bool settle() override;

private:
    enum class Outcome { Pending, Inflated, Damaged, NoMemory };
    struct Item {
        PackedChunk chunk;
        std::shared_ptr<File> file;
        std::wstring path;
        ChunkBuffer inflated;
        size_t length = 0;
        Outcome outcome = Outcome::Pending;
    };

    void inflateChunks();
    void writeChunks();
    bool write(Item& item);

    const size_t window_;
    FreeSpaceRule rule_;
    UserPrompt& prompt_;
    Deliver deliver_;
    std::shared_ptr<File> file_;
    std::wstring path_;

    std::mutex mutex_;
    std::condition_variable work_;             // items to inflate, or the end
    std::condition_variable changed_;          // an item inflated or written
    std::deque<std::unique_ptr<Item>> order_;  // taken and not yet written, in stream order
    std::deque<Item*> toInflate_;
    uint64_t bytesInFlight_ = 0;
    std::vector<ChunkBuffer> sparePacked_;
    std::vector<ChunkBuffer> spareInflated_;
    size_t unwritten_ = 0;  // items taken whose write is not done
    bool stopped_ = false;  // the writer stopped the unpack
    bool ending_ = false;
    std::vector<std::thread> inflaters_;
    std::thread writer_;
};
