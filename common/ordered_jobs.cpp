#include "common/ordered_jobs.h"

#include <mutex>

void OrderedJobs::Job::progress(int percent) {
    if (jobs_.inlineRelay_ != nullptr) {
        if (!jobs_.stopped_ && !(*jobs_.inlineRelay_)(percent)) {
            jobs_.stopped_ = true;
        }
        return;
    }
    std::lock_guard<ThreadLock> hold(jobs_.lock_);
    jobs_.slots_[slot_].percents.push_back(percent);
    if (jobs_.collecting_ && jobs_.collectedCount_ % jobs_.slots_.size() == slot_) {
        jobs_.collected_.notifyOne();
    }
}

bool OrderedJobs::Job::stopped() const {
    return jobs_.stopped_.load();
}

OrderedJobs::OrderedJobs(int threads, size_t slots) {
    const size_t count = threads < 1 ? 1 : static_cast<size_t>(threads);
    slots_.resize(slots < count ? count : slots);
    for (size_t i = 0; count > 1 && i < count; ++i) {
        threads_.emplace_back([this] { runJobs(); });
    }
}

OrderedJobs::~OrderedJobs() {
    stopped_ = true;
    {
        std::lock_guard<ThreadLock> hold(lock_);
        ending_ = true;
    }
    work_.notifyAll();
    for (auto& thread : threads_) {
        thread.join();
    }
}

bool OrderedJobs::full() const {
    std::lock_guard<ThreadLock> hold(lock_);
    return given_ - collectedCount_ >= slots_.size();
}

size_t OrderedJobs::nextSlot() const {
    std::lock_guard<ThreadLock> hold(lock_);
    return given_ % slots_.size();
}

void OrderedJobs::give(Work work) {
    {
        std::lock_guard<ThreadLock> hold(lock_);
        Slot& slot = slots_[given_ % slots_.size()];
        slot.work = std::move(work);
        slot.state = State::Waiting;
        slot.percents.clear();
        slot.relayed = 0;
        ++given_;
    }
    if (!threads_.empty()) {
        work_.notifyOne();
    }
}

void OrderedJobs::stop() {
    stopped_ = true;
}

std::optional<size_t> OrderedJobs::runInline(const std::function<bool(int)>& relay) {
    if (collectedCount_ == given_ || stopped_) {
        return std::nullopt;
    }
    const size_t index = collectedCount_ % slots_.size();
    Slot& slot = slots_[index];
    Work work = std::move(slot.work);
    Job job(*this, index);
    inlineRelay_ = &relay;
    work(job);
    inlineRelay_ = nullptr;
    slot.state = State::Free;
    ++collectedCount_;
    if (stopped_) {
        return std::nullopt;
    }
    return index;
}

std::optional<size_t> OrderedJobs::collect(const std::function<bool(int)>& relay) {
    if (threads_.empty()) {
        return runInline(relay);
    }
    std::unique_lock<ThreadLock> hold(lock_);
    if (collectedCount_ == given_ || stopped_) {
        return std::nullopt;
    }
    const size_t index = collectedCount_ % slots_.size();
    Slot& slot = slots_[index];
    for (;;) {
        while (slot.relayed < slot.percents.size()) {
            const int percent = slot.percents[slot.relayed++];
            hold.unlock();
            const bool goOn = relay(percent);
            hold.lock();
            if (!goOn) {
                stopped_ = true;
                return std::nullopt;
            }
        }
        if (slot.state == State::Done) {
            break;
        }
        collecting_ = true;
        collected_.wait(hold);
        collecting_ = false;
    }
    slot.state = State::Free;
    slot.work = nullptr;
    ++collectedCount_;
    return index;
}

void OrderedJobs::runJobs() {
    std::unique_lock<ThreadLock> hold(lock_);
    for (;;) {
        work_.wait(hold, [this] { return ending_ || started_ < given_; });
        if (ending_) {
            return;
        }
        const size_t index = started_++ % slots_.size();
        Slot& slot = slots_[index];
        slot.state = State::Running;
        Work work = std::move(slot.work);
        hold.unlock();
        Job job(*this, index);
        if (!stopped_) {
            work(job);
        }
        work = nullptr;
        hold.lock();
        slot.state = State::Done;
        if (collecting_ && collectedCount_ % slots_.size() == index) {
            collected_.notifyOne();
        }
    }
}
