#include "installer/engine/inflate_pipeline.h"

namespace {

// Chunks in flight: two for each inflater and some to be written and read.
// A reader that found no room reads on only when half of them are written,
// so that it is woken once for several chunks rather than for each. Their
// stated sizes are bounded too, so that the largest chunks do not hold
// gigabytes.
constexpr size_t kSlack = 2;
constexpr uint64_t kMaxBytesInFlight = 128U << 20;
// Steps cost little each, but a stream of empty entries must not queue
// without end.
constexpr size_t kMaxItems = 256;

size_t jobCount(int jobs) {
    return static_cast<size_t>(jobs < 1 ? 1 : jobs);
}

}  // namespace

InflatePipeline::InflatePipeline(int jobs, FreeSpaceRule rule, UserPrompt& prompt, Deliver deliver)
    : window_(2 * (jobCount(jobs) + kSlack)),
      refill_(jobCount(jobs) + kSlack),
      rule_(std::move(rule)),
      prompt_(prompt),
      deliver_(std::move(deliver)) {
    for (size_t i = 0; i < jobCount(jobs); ++i) {
        inflaters_.emplace_back([this] { inflateChunks(); });
    }
    writer_ = std::thread([this] { writeChunks(); });
}

InflatePipeline::~InflatePipeline() {
    {
        std::lock_guard<ThreadLock> lock(mutex_);
        ending_ = true;
        stopped_ = true;
    }
    work_.notifyAll();
    ready_.notifyAll();
    room_.notifyAll();
    for (auto& inflater : inflaters_) {
        inflater.join();
    }
    writer_.join();
}

void InflatePipeline::setFile(std::shared_ptr<File> file, std::wstring path) {
    file_ = std::move(file);
    path_ = std::move(path);
}

ChunkBuffer InflatePipeline::spareBuffer() {
    std::lock_guard<ThreadLock> lock(mutex_);
    if (sparePacked_.empty()) {
        return ChunkBuffer();
    }
    ChunkBuffer buffer = std::move(sparePacked_.back());
    sparePacked_.pop_back();
    return buffer;
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

// Called with the lock held.
void InflatePipeline::push(std::unique_ptr<Item> item) {
    const bool first = order_.empty();
    const bool inflate = item->outcome == Outcome::Pending;
    if (inflate) {
        toInflate_.push_back(item.get());
    }
    order_.push_back(std::move(item));
    if (inflate && idleInflaters_ > 0) {
        work_.notifyOne();
    } else if (!inflate && first && writerWaits_) {
        ready_.notifyOne();
    }
}

bool InflatePipeline::take(PackedChunk chunk) {
    auto item = std::make_unique<Item>();
    std::unique_lock<ThreadLock> lock(mutex_);
    while (!stopped_ && !admits()) {
        waitForReader(ReaderWait::Room, lock);
    }
    if (stopped_) {
        return false;
    }
    if (!spareInflated_.empty()) {
        item->inflated = std::move(spareInflated_.back());
        spareInflated_.pop_back();
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
        waitForReader(ReaderWait::Room, lock);
    }
    if (stopped_) {
        return false;
    }
    push(std::move(item));
    return true;
}

bool InflatePipeline::settle() {
    std::unique_lock<ThreadLock> lock(mutex_);
    while (!order_.empty() || busy_) {
        waitForReader(ReaderWait::Settled, lock);
    }
    return !stopped_;
}

void InflatePipeline::inflateChunks() {
    ChunkInflater inflater;
    std::unique_lock<ThreadLock> lock(mutex_);
    for (;;) {
        ++idleInflaters_;
        work_.wait(lock, [&] { return ending_ || !toInflate_.empty(); });
        --idleInflaters_;
        if (ending_) {
            return;
        }
        Item& item = *toInflate_.front();
        toInflate_.pop_front();
        // Once the unpack has stopped, what is left is only dropped.
        const bool wanted = !stopped_;
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
        // The writer waits for the first item alone.
        if (writerWaits_ && order_.front().get() == &item) {
            ready_.notifyOne();
        }
    }
}

bool InflatePipeline::write(Item& item) {
    switch (item.outcome) {
        case Outcome::Step:
            return item.step();
        case Outcome::Inflated:
            return file_ && rule_.allows(item.length) &&
                   deliver_(*file_, path_, item.inflated.data(), item.length);
        case Outcome::Damaged:
            prompt_.showMessage(CZipFilePackage::kInflateFailedMessage, MessageIcon::None);
            return false;
        case Outcome::NoMemory:
        case Outcome::Pending:
            break;
    }
    return false;
}

void InflatePipeline::writeChunks() {
    std::unique_lock<ThreadLock> lock(mutex_);
    for (;;) {
        writerWaits_ = true;
        ready_.wait(lock, [&] {
            return ending_ || (!order_.empty() && order_.front()->outcome != Outcome::Pending);
        });
        writerWaits_ = false;
        if (ending_) {
            return;
        }
        std::unique_ptr<Item> item = std::move(order_.front());
        order_.pop_front();
        busy_ = true;
        const bool wanted = !stopped_;
        lock.unlock();
        const bool written = wanted && write(*item);
        // What the step holds goes before anyone hears that it is done.
        item->step = nullptr;
        lock.lock();
        busy_ = false;
        stopped_ = stopped_ || !written;
        if (item->outcome != Outcome::Step) {
            bytesInFlight_ -= item->chunk.statedSize;
            sparePacked_.push_back(std::move(item->chunk.bytes));
            spareInflated_.push_back(std::move(item->inflated));
            --unwrittenChunks_;
        }
        const bool wake = readerWaits_ == ReaderWait::Room      ? stopped_ || refilled()
                          : readerWaits_ == ReaderWait::Settled ? order_.empty()
                                                                : false;
        if (wake) {
            room_.notifyOne();
        }
    }
}
