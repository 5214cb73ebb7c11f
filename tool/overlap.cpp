// Matching on a second thread while the layer reads.
#include "tool/overlap.hpp"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <new>

namespace pondra {

namespace {

MatchQueue* active = nullptr;

constexpr std::size_t MATCHING_THREAD = 0, READING_THREAD = 1;

}  // namespace

MatchQueue::MatchQueue(bool threaded) {
    if (threaded) worker_ = std::thread([this] { work(); });
}

MatchQueue::~MatchQueue() {
    drain();
    stop();
}

bool MatchQueue::run_next(Lock& lock, std::size_t who, bool force) {
    auto next = waiting_.begin();
    for (; next != waiting_.end(); ++next) {
        if (!next->settled && !force) continue;
        const float* layer = next->job.layer;
        if (std::find(running_.begin(), running_.end(), layer) != running_.end()) continue;
        if (std::any_of(waiting_.begin(), next, [&](const Entry& e) { return e.job.layer == layer; })) continue;
        break;
    }
    if (next == waiting_.end()) return false;
    Entry entry = std::move(*next);
    waiting_.erase(next);
    running_[who] = entry.job.layer;
    lock.unlock();
    run(entry);
    const std::size_t slot = entry.slot;
    entry = Entry{};
    lock.lock();
    running_[who] = nullptr;
    slot_busy_[slot] = false;
    ++done_;
    changed_.notify_all();
    return true;
}

void MatchQueue::reserve(std::size_t n) {
    if (n <= slot_size_) return;
    {
        // The slots are replaced: what waits in them runs first.
        Lock lock(mutex_);
        run_all(lock);
    }
    if (n > std::numeric_limits<std::size_t>::max() / SLOTS) throw std::bad_alloc();
    slot_size_ = 0;
    ring_.assign_zeros(n * SLOTS);
    staging_.assign_zeros(n);
    slot_size_ = n;
}

float* MatchQueue::slot() {
    Lock lock(mutex_);
    for (;;) {
        for (std::size_t k = 1; k <= SLOTS; ++k) {
            const std::size_t i = (last_slot_ + k) % SLOTS;
            if (slot_busy_[i]) continue;
            slot_busy_[i] = true;
            last_slot_ = i;
            return staging_.data();
        }
        // Every slot waits for its matching: run one here (the oldest in full
        // when none can run before the next variable is read).
        if (stopping_) {
            slot_busy_.fill(false);
            continue;
        }
        if (run_next(lock, READING_THREAD) || run_next(lock, READING_THREAD, true)) continue;
        changed_.wait(lock);
    }
}

void MatchQueue::post(Job job) {
    float* const slot = ring_.data() + last_slot_ * slot_size_;
    job.match->copy_read(slot, staging_.data());
    Lock lock(mutex_);
    if (stopping_) {
        // Stopped: nothing waits any more, and this runs now in full.
        lock.unlock();
        run({std::move(job), last_slot_, slot, true, nullptr, nullptr});
        lock.lock();
        slot_busy_[last_slot_] = false;
        ++posted_;
        ++done_;
        return;
    }
    // The matching before this one onto the layer, if it still waits, now knows what follows it.
    const auto before =
        std::find_if(waiting_.rbegin(), waiting_.rend(), [&](const Entry& e) { return e.job.layer == job.layer; });
    if (before != waiting_.rend() && !before->settled) {
        before->settled = true;
        before->next_match = job.match;
        before->next_values = slot;
    }
    const bool last = job.last;
    waiting_.push_back({std::move(job), last_slot_, slot, last, nullptr, nullptr});
    ++posted_;
    if (threaded()) {
        lock.unlock();
        changed_.notify_all();
        return;
    }
    // Without a thread, each matching runs here as soon as the next one onto its layer is known.
    while (run_next(lock, READING_THREAD)) {
    }
}

void MatchQueue::run_all(Lock& lock) {
    for (Entry& e : waiting_) e.settled = true;
    changed_.notify_all();
    while (done_ < posted_ && !stopping_) {
        if (!run_next(lock, READING_THREAD)) changed_.wait(lock);
    }
}

void MatchQueue::drain() {
    Lock lock(mutex_);
    run_all(lock);
}

void MatchQueue::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        waiting_.clear();
    }
    changed_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void MatchQueue::run(const Entry& e) {
    e.job.match->apply_before(e.values, e.job.layer, e.job.owners, e.job.k, e.next_match.get(), e.next_values);
}

void MatchQueue::work() {
    Lock lock(mutex_);
    while (!stopping_) {
        if (!run_next(lock, MATCHING_THREAD)) changed_.wait(lock);
    }
}

bool overlap_wanted() {
    if (const char* v = std::getenv("PONDRA_OVERLAP")) {
        switch (v[0]) {
            case '0': case 'N': case 'n': case 'F': case 'f': return false;
            default: break;
        }
    }
    // The CPUs this process may run on (a run bound to one CPU has no second core).
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    if (::sched_getaffinity(0, sizeof cpus, &cpus) == 0) return CPU_COUNT(&cpus) > 1;
    return ::sysconf(_SC_NPROCESSORS_ONLN) > 1;
}

void set_active_queue(MatchQueue* queue) { active = queue; }

void stop_active_queue() {
    if (active != nullptr) active->stop();
    active = nullptr;
}

}  // namespace pondra
