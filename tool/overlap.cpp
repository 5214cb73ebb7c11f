// Matching on a second thread while the layer reads.
#include "tool/overlap.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <new>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23  // Linux 5.14 and later
#endif

namespace pondra {

namespace {

MatchQueue* active = nullptr;

constexpr std::size_t MATCHING_THREAD = 0, READING_THREAD = 1;

// Faults in the pages of `bytes` bytes at `begin` as for a write, without
// changing what they hold; false where the system cannot.
bool fault_in(char* begin, std::size_t bytes) {
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto first = reinterpret_cast<std::uintptr_t>(begin) & ~(page - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(begin) + bytes + page - 1) & ~(page - 1);
    return ::madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE) == 0;
}

// Whether the system can fault pages in without writing them: tried on a page of its own.
bool can_fault_in() {
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    void* map = ::mmap(nullptr, page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map == MAP_FAILED) return false;
    const bool ok = fault_in(static_cast<char*>(map), page);
    ::munmap(map, page);
    return ok;
}

// Pages are faulted in by pieces of one huge page.
constexpr std::uintptr_t PIECE = std::uintptr_t{2} << 20;

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

bool MatchQueue::fault_next(Lock& lock, bool from_first) {
    while (first_unclaimed_ < pieces_.size() && pieces_[first_unclaimed_].claimed) ++first_unclaimed_;
    const auto begin = pieces_.begin() + static_cast<std::ptrdiff_t>(first_unclaimed_);
    auto piece = begin;
    if (!from_first) {
        auto last = std::find_if(pieces_.rbegin(), std::make_reverse_iterator(begin),
                                 [](const Piece& p) { return !p.claimed; });
        piece = last == std::make_reverse_iterator(begin) ? pieces_.end() : std::prev(last.base());
    }
    if (piece == pieces_.end()) return false;
    piece->claimed = true;
    const Piece p = *piece;
    lock.unlock();
    fault_in(p.begin, p.bytes);
    lock.lock();
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
            return ring_.data() + i * slot_size_;
        }
        // Every slot waits for its matching: run one here, or help with the pages.
        if (stopping_) {
            slot_busy_.fill(false);
            continue;
        }
        if (run_next(lock, READING_THREAD) || fault_next(lock, false)) continue;
        // Nothing can run before the next variable is read: the oldest runs in full.
        if (run_next(lock, READING_THREAD, true)) continue;
        changed_.wait(lock);
    }
}

void MatchQueue::post(Job job) {
    Lock lock(mutex_);
    if (stopping_) {
        // Stopped: nothing waits any more, and this runs now in full.
        lock.unlock();
        run({std::move(job), last_slot_, true, nullptr, nullptr});
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
        before->next_values = job.values;
    }
    waiting_.push_back({std::move(job), last_slot_, false, nullptr, nullptr});
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

void MatchQueue::touch(void* data, std::size_t bytes) {
    if (!threaded() || data == nullptr || bytes == 0) return;
    static const bool can = can_fault_in();
    if (!can) return;
    {
        std::lock_guard lock(mutex_);
        char* p = static_cast<char*>(data);
        std::size_t left = bytes;
        while (left > 0) {
            const std::uintptr_t to_boundary = PIECE - reinterpret_cast<std::uintptr_t>(p) % PIECE;
            const std::size_t n = std::min<std::size_t>(left, to_boundary);
            pieces_.push_back({p, n, false});
            p += n;
            left -= n;
        }
    }
    changed_.notify_all();
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
    // What is left unfaulted is written by no matching: its first use, if any, reads it.
    pieces_.clear();
    first_unclaimed_ = 0;
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
    e.job.match->apply_before(e.job.values, e.job.layer, e.job.owners, e.job.k, e.next_match.get(), e.next_values);
}

void MatchQueue::work() {
    Lock lock(mutex_);
    while (!stopping_) {
        if (run_next(lock, MATCHING_THREAD) || fault_next(lock, true)) continue;
        changed_.wait(lock);
    }
}

bool overlap_wanted() {
    if (const char* v = std::getenv("PONDRA_OVERLAP")) {
        switch (v[0]) {
            case '0': case 'N': case 'n': case 'F': case 'f': return false;
            default: break;
        }
    }
    return ::sysconf(_SC_NPROCESSORS_ONLN) > 1;
}

void set_active_queue(MatchQueue* queue) { active = queue; }

void stop_active_queue() {
    if (active != nullptr) active->stop();
    active = nullptr;
}

}  // namespace pondra
