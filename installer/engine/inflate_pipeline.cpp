#include "installer/engine/inflate_pipeline.h"

#include <algorithm>

namespace {

// Chunks in flight: one for each job and two more, one being read and one
// being written. Each more is a buffer more to fault in and to keep in the
// caches (with two jobs, 8 in flight made the unpack slower than 4). A
// reader that found no room reads on once a chunk is reported. Their stated
// sizes are bounded too, so that the largest chunks do not hold gigabytes.
constexpr size_t kSlack = 2;
constexpr uint64_t kMaxBytesInFlight = 128U << 20;
// Steps cost little each, but a stream of empty entries must not queue
// without end.
constexpr size_t kMaxItems = 256;

size_t jobCount(int jobs) {
    return static_cast<size_t>(jobs < 1 ? 1 : jobs);
}

}  // namespace

InflatePipeline::InflatePipeline(int jobs, FreeSpaceRule rule, UserPrompt& prompt, Report report)
    : window_(jobCount(jobs) + kSlack),
      refill_(jobCount(jobs) + 1),
      rule_(std::move(rule)),
      prompt_(prompt),
      report_(std::move(report)) {
    // The reader's thread is the last of the jobs: it inflates and writes
    // whenever it would wait.
    for (size_t i = 1; i < jobCount(jobs); ++i) {
        workers_.emplace_back([this] { work(); });
    }
    orderer_ = std::thread([this] { keepOrder(); });
}

InflatePipeline::~InflatePipeline() {
    {
        std::lock_guard<ThreadLock> lock(mutex_);
        ending_ = true;
        stopped_ = true;
    }
    work_.notifyAll();
    ordered_.notifyAll();
    room_.notifyAll();
    for (auto& worker : workers_) {
        worker.join();
    }
    orderer_.join();
}

void InflatePipeline::setFile(std::shared_ptr<File> file, std::wstring path) {
    file_ = std::move(file);
    path_ = std::make_shared<const std::wstring>(std::move(path));
    fileOffset_ = 0;
}

ChunkBuffer InflatePipeline::spareBuffer(size_t size) {
    std::lock_guard<ThreadLock> lock(mutex_);
    return spare_.take(size);
}

bool InflatePipeline::admits() const {
    return unwrittenChunks_ < window_ && bytesInFlight_ < kMaxBytesInFlight &&
           order_.size() < kMaxItems;
}

bool InflatePipeline::refilled() const {
    return order_.empty() ||
           (unwrittenChunks_ <= refill_ && bytesInFlight_ <= kMaxBytesInFlight / 2 &&
            order_.size() <= kMaxItems / 2);
}

void InflatePipeline::waitForReader(ReaderWait what, std::unique_lock<ThreadLock>& lock) {
    readerWaits_ = what;
    room_.wait(lock);
    readerWaits_ = ReaderWait::None;
}

// Called with the lock held, as are all below but the steps, the questions,
// the messages, the reports, the inflating and the writing.
void InflatePipeline::wakeReader() {
    const bool wake = readerWaits_ == ReaderWait::Room ? stopped_ || refilled()
                      : readerWaits_ == ReaderWait::Settled
                          ? order_.empty() && !stepping_ && !reporting_
                          : false;
    if (wake) {
        room_.notifyOne();
    }
}

void InflatePipeline::push(std::unique_ptr<Item> item) {
    const bool inflate = item->outcome == Outcome::Pending;
    if (inflate) {
        toInflate_.push_back(item.get());
    }
    order_.push_back(std::move(item));
    if (inflate && idleWorkers_ > 0) {
        work_.notifyOne();
    }
}

bool InflatePipeline::take(PackedChunk chunk) {
    auto item = std::make_unique<Item>();
    std::unique_lock<ThreadLock> lock(mutex_);
    while (!stopped_ && !admits()) {
        if (!help(lock)) {
            waitForReader(ReaderWait::Room, lock);
        }
    }
    if (stopped_) {
        return false;
    }
    bytesInFlight_ += chunk.statedSize;
    item->chunk = std::move(chunk);
    ++unwrittenChunks_;
    push(std::move(item));
    return true;
}

bool InflatePipeline::perform(std::function<bool()> step) {
    auto item = std::make_unique<Item>();
    item->step = std::move(step);
    item->outcome = Outcome::Step;
    std::unique_lock<ThreadLock> lock(mutex_);
    while (!stopped_ && order_.size() >= kMaxItems) {
        if (!help(lock)) {
            waitForReader(ReaderWait::Room, lock);
        }
    }
    if (stopped_) {
        return false;
    }
    push(std::move(item));
    runReady(lock);
    wakeOrderer();
    // A step run at once that failed stops the reader here, as on one thread.
    return !stopped_;
}

bool InflatePipeline::settle() {
    std::unique_lock<ThreadLock> lock(mutex_);
    while (!order_.empty() || stepping_ || reporting_) {
        if (!help(lock)) {
            waitForReader(ReaderWait::Settled, lock);
        }
    }
    return !stopped_;
}

void InflatePipeline::work() {
    ChunkInflater inflater;
    std::unique_lock<ThreadLock> lock(mutex_);
    for (;;) {
        ++idleWorkers_;
        work_.wait(lock, [&] { return ending_ || !toWrite_.empty() || !toInflate_.empty(); });
        --idleWorkers_;
        if (ending_) {
            return;
        }
        doNext(inflater, lock);
    }
}

// A chunk to write goes to an idle worker, or else to the reader if it
// waits: with one job there is no worker, and busy workers take it later.
void InflatePipeline::offerWrite(Item& item) {
    toWrite_.push_back(&item);
    if (idleWorkers_ > 0) {
        work_.notifyOne();
    } else if (readerWaits_ != ReaderWait::None) {
        room_.notifyOne();
    }
}

// The reader, where it would wait, does a worker's part instead: it stays on
// its core and reads on as soon as there is room, rather than waiting to be
// woken and scheduled while the workers run out of chunks.
bool InflatePipeline::help(std::unique_lock<ThreadLock>& lock) {
    if (toWrite_.empty() && toInflate_.empty()) {
        return false;
    }
    doNext(readerInflater_, lock);
    return true;
}

void InflatePipeline::doNext(ChunkInflater& inflater, std::unique_lock<ThreadLock>& lock) {
    // Writes first: they free the memory the reader waits for.
    if (!toWrite_.empty()) {
        Item& item = *toWrite_.front();
        toWrite_.pop_front();
        write(item, lock);
        return;
    }
    Item& item = *toInflate_.front();
    toInflate_.pop_front();
    inflate(item, inflater, lock);
    // A chunk cleared at once is written while its bytes are in this core's
    // cache.
    if (clearChunks(&item)) {
        write(item, lock);
    }
}

void InflatePipeline::inflate(Item& item, ChunkInflater& inflater,
                              std::unique_lock<ThreadLock>& lock) {
    // Once the unpack has stopped, what is left is only dropped.
    const bool wanted = !stopped_;
    // Taken only now, so that a chunk waiting to be inflated holds no
    // buffer for its bytes.
    if (wanted) {
        item.inflated = spare_.take(item.chunk.statedSize);
    }
    lock.unlock();
    Outcome outcome = Outcome::Damaged;
    if (wanted && !item.inflated.reserve(item.chunk.statedSize)) {
        outcome = Outcome::NoMemory;
    } else if (wanted) {
        auto length = inflater.inflate(item.chunk.bytes.data(), item.chunk.packedSize,
                                       item.inflated.data(), item.chunk.statedSize);
        outcome = length ? Outcome::Inflated : Outcome::Damaged;
        item.length = length.value_or(0);
    }
    lock.lock();
    item.outcome = outcome;
    spare_.keep(std::move(item.chunk.bytes));
}

// The system locks a file for each write to it, so two writes to one file
// never overlap: the second only waits, and spins first. A thread that finds
// its file being written leaves the chunk to be written after that write and
// does other work meanwhile.
void InflatePipeline::write(Item& item, std::unique_lock<ThreadLock>& lock) {
    // Only compared: the file may close once this chunk is reported.
    const File* const file = item.file.get();
    if (std::find(filesWritten_.begin(), filesWritten_.end(), file) != filesWritten_.end()) {
        laterWrites_.push_back(&item);
        return;
    }
    filesWritten_.push_back(file);
    const bool wanted = !stopped_;
    lock.unlock();
    const bool written =
        wanted && item.file->writeAt(item.offset, item.inflated.data(), item.length) == item.length;
    lock.lock();
    releaseFile(file);
    item.done = true;
    item.written = written;
    runReady(lock);
    wakeOrderer();
}

// The file's write has ended: the next of its chunks that wait is offered.
// Only one, as only one can be written at a time; the rest would only be left
// waiting again.
void InflatePipeline::releaseFile(const File* file) {
    filesWritten_.erase(std::find(filesWritten_.begin(), filesWritten_.end(), file));
    const auto next = std::find_if(laterWrites_.begin(), laterWrites_.end(),
                                   [file](const Item* later) { return later->file.get() == file; });
    if (next != laterWrites_.end()) {
        offerWrite(**next);
        laterWrites_.erase(next);
    }
}

// Whoever finds the first chunks written reports them and runs the steps
// after them, so that the ordering thread is not woken and scheduled for each
// (with every core inflating, it waited for a time slice while the chunks
// after a step could not be written). Reports and steps never overlap; a
// failed write is left to the ordering thread with every other message.
void InflatePipeline::runReady(std::unique_lock<ThreadLock>& lock) {
    if (runningReady_) {
        return;  // that thread runs what comes due meanwhile
    }
    runningReady_ = true;
    while (!reporting_ && !stepping_ && !order_.empty()) {
        const Item& first = *order_.front();
        if (cleared_ > 0 && first.done && (first.written || stopped_)) {
            retire(lock);
        } else if (cleared_ == 0 && first.outcome == Outcome::Step && !stopped_) {
            runFirstItem(lock);
        } else {
            break;
        }
    }
    runningReady_ = false;
}

// The next item in stream order, a chunk, is cleared for writing: its file
// and offset are bound.
void InflatePipeline::clear(Item& item) {
    ++cleared_;
    item.file = file_;
    item.path = path_;
    item.offset = fileOffset_;
    fileOffset_ += item.length;
}

bool InflatePipeline::clearChunks(const Item* own) {
    bool ownCleared = false;
    while (!stepping_ && cleared_ < order_.size()) {
        Item& item = *order_[cleared_];
        // Anything else waits for the ordering thread.
        if (item.outcome != Outcome::Inflated || stopped_ || !file_ ||
            !rule_.allowsAtOnce(item.length)) {
            break;
        }
        clear(item);
        if (&item == own) {
            ownCleared = true;
        } else {
            offerWrite(item);
        }
    }
    wakeOrderer();
    return ownCleared;
}

bool InflatePipeline::orderingNeeded() const {
    if (ending_) {
        return true;
    }
    if (stepping_ || reporting_) {
        return false;
    }
    if (cleared_ > 0) {
        // A failed write; written ones are reported by the workers.
        return order_.front()->done && !order_.front()->written && !stopped_;
    }
    // The first item is not cleared: a step, a message, a question, or what
    // is left of a stopped unpack.
    if (order_.empty() || order_.front()->outcome == Outcome::Pending) {
        return false;
    }
    // A step is left to the thread that runs what comes due, if there is one.
    return order_.front()->outcome != Outcome::Step || !runningReady_ || stopped_;
}

void InflatePipeline::wakeOrderer() {
    if (ordererWaits_ && orderingNeeded()) {
        ordered_.notifyOne();
    }
}

bool InflatePipeline::runFirst(Item& item, bool wanted) {
    if (!wanted) {
        return false;
    }
    switch (item.outcome) {
        case Outcome::Step: {
            const bool done = item.step();
            // What the step holds goes before anyone hears that it is done.
            item.step = nullptr;
            return done;
        }
        case Outcome::Inflated:
            return file_ && rule_.allows(item.length);
        case Outcome::Damaged:
            prompt_.showMessage(CZipFilePackage::kInflateFailedMessage, MessageIcon::None);
            return false;
        case Outcome::NoMemory:
        case Outcome::Pending:
            break;
    }
    return false;
}

void InflatePipeline::dropFirst() {
    std::unique_ptr<Item> item = std::move(order_.front());
    order_.pop_front();
    if (item->outcome != Outcome::Step) {
        recycle(*item);
    }
}

// A chunk leaves the pipeline; its buffer stays for the next.
void InflatePipeline::recycle(Item& item) {
    bytesInFlight_ -= item.chunk.statedSize;
    spare_.keep(std::move(item.inflated));
    --unwrittenChunks_;
}

void InflatePipeline::retire(std::unique_lock<ThreadLock>& lock) {
    std::unique_ptr<Item> item = std::move(order_.front());
    order_.pop_front();
    --cleared_;
    const bool wanted = !stopped_;
    reporting_ = true;
    lock.unlock();
    const bool reported = !wanted || report_(*item->path, item->length, item->written);
    // A file closes when the last of its chunks is reported.
    item->file.reset();
    lock.lock();
    reporting_ = false;
    stopped_ = stopped_ || !reported;
    recycle(*item);
    clearChunks(nullptr);
    wakeReader();
}

void InflatePipeline::keepOrder() {
    std::unique_lock<ThreadLock> lock(mutex_);
    for (;;) {
        ordererWaits_ = true;
        ordered_.wait(lock, [&] { return orderingNeeded(); });
        ordererWaits_ = false;
        if (ending_) {
            return;
        }
        if (cleared_ > 0) {
            retire(lock);  // a failed write: its message, and the unpack stops
            runReady(lock);
            continue;
        }
        runFirstItem(lock);
    }
}

// Every item before the first is reported: its step, question or message
// comes after theirs.
void InflatePipeline::runFirstItem(std::unique_lock<ThreadLock>& lock) {
    Item& item = *order_.front();
    const bool wanted = !stopped_;
    stepping_ = true;
    lock.unlock();
    const bool done = runFirst(item, wanted);
    lock.lock();
    stepping_ = false;
    if (done && item.outcome == Outcome::Inflated) {
        clear(item);
        offerWrite(item);
    } else {
        stopped_ = stopped_ || !done;
        dropFirst();
    }
    clearChunks(nullptr);
    wakeReader();
}
