// The chunks of an unpack on several threads (the installer's, and `medium
// extract --jobs N`): the package reader hands them over as they lie in the
// packages, and N workers (the reader's own thread among them, whenever it
// would wait) inflate them and write each at its offset in its file. What
// must go in stream order goes one at a time: the reader's steps (each entry's
// create and end, so the records), the free-space question, and every report
// and message of a chunk. The thread that finds a report or a step due runs
// it; an ordering thread of its own asks the questions and shows the messages.
// The reader never waits for a file to be written before it reads on. A chunk
// is cleared for writing in stream order once the step that opened its file
// has run and the free-space rule allows it; a step, a question or a message
// waits until every chunk before it is written and reported. The reader
// settles the pipeline before it shows anything of its own, so the user sees
// what an unpack on one thread shows, in the same order.
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
    // Hears that a chunk of `length` bytes was written to the file at `path`
    // (`written`), or that its write failed; false stops the unpack (it has
    // said why). Called on one thread at a time, in stream order.
    using Report = std::function<bool(const std::wstring& path, size_t length, bool written)>;

    InflatePipeline(int jobs, FreeSpaceRule rule, UserPrompt& prompt, Report report);
    // Drops what was not written yet.
    ~InflatePipeline() override;

    // Where the chunks after the current step go, from offset 0; called from
    // a step. The pipeline's hold on the file ends once its last chunk is
    // written.
    void setFile(std::shared_ptr<File> file, std::wstring path);

    ChunkBuffer spareBuffer(size_t size) override;
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
        // Bound when the chunk is cleared for writing.
        std::shared_ptr<File> file;
        std::shared_ptr<const std::wstring> path;
        uint64_t offset = 0;
        bool done = false;  // its write is over
        bool written = false;
    };

    void work();
    bool help(std::unique_lock<ThreadLock>& lock);
    void offerWrite(Item& item);
    void doNext(ChunkInflater& inflater, std::unique_lock<ThreadLock>& lock);
    void inflate(Item& item, ChunkInflater& inflater, std::unique_lock<ThreadLock>& lock);
    void write(Item& item, std::unique_lock<ThreadLock>& lock);
    void releaseFile(const File* file);
    void keepOrder();
    bool clearChunks(const Item* own);
    void clear(Item& item);
    bool orderingNeeded() const;
    void wakeOrderer();
    bool runFirst(Item& item, bool wanted);
    void retire(std::unique_lock<ThreadLock>& lock);
    void runReady(std::unique_lock<ThreadLock>& lock);
    void runFirstItem(std::unique_lock<ThreadLock>& lock);
    void dropFirst();
    void recycle(Item& item);
    bool admits() const;
    bool refilled() const;
    void wakeReader();
    void waitForReader(ReaderWait what, std::unique_lock<ThreadLock>& lock);
    void push(std::unique_ptr<Item> item);

    const size_t window_;  // chunks taken and not yet written, at most
    const size_t refill_;  // a waiting reader goes on when no more are left
    FreeSpaceRule rule_;
    UserPrompt& prompt_;
    Report report_;
    // Where the chunks cleared next go; set by a step while no chunk is
    // cleared.
    std::shared_ptr<File> file_;
    std::shared_ptr<const std::wstring> path_;
    uint64_t fileOffset_ = 0;

    // Each thread waits on its own condition and is woken only when what it
    // waits for may have come.
    ThreadLock mutex_;
    ThreadCondition work_;     // workers: a chunk to inflate or write, or the end
    ThreadCondition ordered_;  // ordering thread: what no other thread runs, or the end
    ThreadCondition room_;     // reader: room for more items, or all written
    // Taken and not yet reported, in stream order; the first `cleared_` are
    // chunks cleared for writing.
    std::deque<std::unique_ptr<Item>> order_;
    size_t cleared_ = 0;
    std::deque<Item*> toInflate_;
    std::deque<Item*> toWrite_;
    // Files being written, and chunks of theirs that wait for that write.
    std::vector<const File*> filesWritten_;
    std::vector<Item*> laterWrites_;
    uint64_t bytesInFlight_ = 0;
    ChunkBufferPool spare_;       // for packed and inflated bytes alike
    size_t unwrittenChunks_ = 0;  // chunks taken and not yet reported
    ReaderWait readerWaits_ = ReaderWait::None;
    bool ordererWaits_ = false;
    size_t idleWorkers_ = 0;
    bool stepping_ = false;      // a thread runs the first item, unlocked
    bool reporting_ = false;     // a thread reports a chunk, unlocked
    bool runningReady_ = false;  // a thread runs what comes due
    bool stopped_ = false;       // the unpack stops
    bool ending_ = false;
    ChunkInflater readerInflater_;  // for help(), on the reader's thread
    std::vector<std::thread> workers_;
    std::thread orderer_;
};
