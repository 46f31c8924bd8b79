#include "inflate_pipeline.h"

namespace {

// Chunks in flight beyond those being inflated: one being written and one
// being read. Their stated sizes are bounded too, so that the largest chunks
// do not hold gigabytes.
constexpr size_t kSlack = 2;
constexpr uint64_t kMaxBytesInFlight = 128U << 20;

}  // namespace

InflatePipeline::InflatePipeline(int jobs, FreeSpaceRule rule, UserPrompt& prompt, Deliver deliver)
    : window_(static_cast<size_t>(jobs < 1 ? 1 : jobs) + kSlack),
      rule_(std::move(rule)),
      prompt_(prompt),
      deliver_(std::move(deliver)) {
    for (int i = 0; i < (jobs < 1 ? 1 : jobs); ++i) {
        inflaters_.emplace_back([this] { inflateChunks(); });
    }
    writer_ = std::thread([this] { writeChunks(); });
}

InflatePipeline::~InflatePipeline() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
        stopped_ = true;
    }
    work_.notify_all();
    changed_.notify_all();
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
    std::lock_guard<std::mutex> lock(mutex_);
    if (sparePacked_.empty()) {
        return ChunkBuffer();
    }
    ChunkBuffer buffer = std::move(sparePacked_.back());
    sparePacked_.pop_back();
    return buffer;
}

bool InflatePipeline::take(PackedChunk chunk) {
    auto item = std::make_unique<Item>();
    item->file = file_;
    item->path = path_;
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] {
        return stopped_ || unwritten_ == 0 ||
               (unwritten_ < window_ && bytesInFlight_ < kMaxBytesInFlight);
    });
    if (stopped_) {
        return false;
    }
    if (!spareInflated_.empty()) {
        item->inflated = std::move(spareInflated_.back());
        spareInflated_.pop_back();
    }
    bytesInFlight_ += chunk.statedSize;
    item->chunk = std::move(chunk);
    toInflate_.push_back(item.get());
    order_.push_back(std::move(item));
    ++unwritten_;
    lock.unlock();
    work_.notify_one();
    return true;
}

bool InflatePipeline::settle() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return unwritten_ == 0; });
    return !stopped_;
}

void InflatePipeline::inflateChunks() {
    ChunkInflater inflater;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        work_.wait(lock, [&] { return ending_ || !toInflate_.empty(); });
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
        changed_.notify_all();
    }
}

bool InflatePipeline::write(Item& item) {
    switch (item.outcome) {
        case Outcome::Inflated:
            return rule_.allows(item.length, item.chunk.lastOfFile) &&
                   deliver_(*item.file, item.path, item.inflated.data(), item.length);
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
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] {
            return ending_ || (!order_.empty() && order_.front()->outcome != Outcome::Pending);
        });
        if (ending_) {
            return;
        }
        std::unique_ptr<Item> item = std::move(order_.front());
        order_.pop_front();
        const bool wanted = !stopped_;
        lock.unlock();
        const bool written = wanted && write(*item);
        // The file is released before anyone hears that its chunk is done, so
        // that a file closes before the next entry is created.
        item->file.reset();
        lock.lock();
        stopped_ = stopped_ || !written;
        bytesInFlight_ -= item->chunk.statedSize;
        sparePacked_.push_back(std::move(item->chunk.bytes));
        spareInflated_.push_back(std::move(item->inflated));
        --unwritten_;
        changed_.notify_all();
    }
}
