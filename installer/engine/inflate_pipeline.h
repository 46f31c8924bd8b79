// The chunks of an unpack on several threads (the installer's, and `medium
// extract --jobs N`): the package reader hands them over as they lie in the
// packages, N threads inflate them, and one writer thread takes them in
// stream order through the free-space rule into their files. The reader's
// steps (each entry's create and end) run on the writer too, in stream order,
// so that the reader never waits for a file to be written before it reads on.
// Everything a user sees of a chunk or step (the message for data that does
// not inflate, the free-space question, a failed write or create) comes from
// the writer in stream order; the reader settles the pipeline before it shows
// anything of its own, so the order is that of an unpack on one thread.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/platform.h"
#include "common/thread_lock.h"
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

    // Where the chunks after the current step go; called from a step (on the
    // writer thread). The pipeline's hold on the file ends with the next call.
    void setFile(std::shared_ptr<File> file, std::wstring path);

    ChunkBuffer spareBuffer() override;
    bool take(PackedChunk chunk) override;
    bool perform(std::function<bool()> step) override;
    bool settle() override;

private:
    enum class Outcome { Pending, Inflated, Damaged, NoMemory, Step };
    enum class ReaderWait { None, Room, Settled };
    struct Item {
        PackedChunk chunk;
        std::function<bool()> step;
        ChunkBuffer inflated;
        size_t length = 0;
        Outcome outcome = Outcome::Pending;
    };

    void inflateChunks();
    void writeChunks();
    bool write(Item& item);
    bool admits() const;
    bool refilled() const;
    void waitForReader(ReaderWait what, std::unique_lock<ThreadLock>& lock);
    void push(std::unique_ptr<Item> item);

    const size_t window_;  // chunks taken and not yet written, at most
    const size_t refill_;  // a waiting reader goes on when no more are left
    FreeSpaceRule rule_;
    UserPrompt& prompt_;
    Deliver deliver_;
    // The writer's.
    std::shared_ptr<File> file_;
    std::wstring path_;

    // Each thread waits on its own condition and is woken only when what it
    // waits for may have come.
    ThreadLock mutex_;
    ThreadCondition work_;                     // inflaters: items to inflate, or the end
    ThreadCondition ready_;                    // writer: the first item is ready, or the end
    ThreadCondition room_;                     // reader: room for more items, or all written
    std::deque<std::unique_ptr<Item>> order_;  // taken and not yet written, in stream order
    std::deque<Item*> toInflate_;
    uint64_t bytesInFlight_ = 0;
    std::vector<ChunkBuffer> sparePacked_;
    std::vector<ChunkBuffer> spareInflated_;
    size_t unwrittenChunks_ = 0;  // chunks taken whose write is not done
    ReaderWait readerWaits_ = ReaderWait::None;
    bool writerWaits_ = false;
    size_t idleInflaters_ = 0;
    bool busy_ = false;     // the writer is on an item it took off order_
    bool stopped_ = false;  // the writer stopped the unpack
    bool ending_ = false;
    std::vector<std::thread> inflaters_;
    std::thread writer_;
};
