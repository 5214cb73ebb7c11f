// Matching on a second thread while the layer reads.
//
// The thread that calls the layer reads variable after variable into a ring
// of slots, one variable of one input in each, and posts the matching of each
// onto its layer of the result array; this queue's own thread runs the
// matchings. A layer's matchings run one at a time in the order they were
// posted, so the layer ends as if each variable were matched right after it
// was read; matchings of different layers may run at once. A matching waits
// until the next one onto its layer is posted: it then leaves alone the cells
// that the next one will overwrite with a value, so that where the inputs
// overlap each cell is written about once (one posted as the last onto its
// layer runs without waiting, and drain() lets the others run in full). When
// every slot waits, the reading thread runs the next matching itself rather
// than wait: a second core that is busy or slow only takes back the work it
// would have done. The layer reads every variable into one
// staging buffer, which stays in the reading core's caches; posting copies
// into its slot, with streaming stores, the values the matching reads, so the
// reading never writes memory the matching thread has read. A slot is handed
// out again once its matching has run, so the memory used is the same from
// the first input to the last. The matching thread never calls the layer.
//
// Without a thread (switched off, or one core) the reading thread runs each
// matching itself as soon as the next one onto its layer is posted, with the
// same results.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "tool/gridding.hpp"
#include "tool/zeroed.hpp"

namespace pondra {

class MatchQueue {
public:
    // Enough for the variables of one input (at most ten) and a few of the
    // next to wait together.
    static constexpr std::size_t SLOTS = 13;

    // The matching of one variable of one input onto its layer of the result.
    struct Job {
        std::shared_ptr<const GridMatch> match;  // shared by the input's variables
        float* layer = nullptr;
        GridMatch::Owner* owners = nullptr;  // noted with the first variable, else nullptr
        GridMatch::Owner k = 0;              // the input, from 1
        bool last = false;  // no later matching onto the layer comes: it need not wait for one
    };

    explicit MatchQueue(bool threaded);
    ~MatchQueue();
    MatchQueue(const MatchQueue&) = delete;
    MatchQueue& operator=(const MatchQueue&) = delete;

    bool threaded() const { return worker_.joinable(); }

    // Makes every slot hold at least n values; when they must grow, first
    // sees every posted matching run (in full where the next one onto its
    // layer is not yet known). Throws std::bad_alloc.
    void reserve(std::size_t n);

    // Takes a free slot for the next variable (when none is free, runs posted
    // matchings, the oldest in full when none can run yet, until one is) and
    // returns the staging buffer to read its values into.
    float* slot();

    // Copies from the staging buffer into the slot last taken the values
    // that job.match reads, and queues the matching of those values. Posted
    // in reading order.
    void post(Job job);

    // Sees every posted matching run (running waiting ones here, those that
    // have no next one in full).
    void drain();

    // Lets the running matching finish, drops the others and joins the thread.
    void stop();

private:
    struct Entry {
        Job job;
        std::size_t slot;
        const float* values = nullptr;                // what the slot holds
        bool settled = false;                         // the next matching onto the layer is known, or none comes
        std::shared_ptr<const GridMatch> next_match;  // the next one, if any
        const float* next_values = nullptr;
    };
    using Lock = std::unique_lock<std::mutex>;

    // Takes the first waiting matching that is settled (or, with `force`, any)
    // and whose layer has no earlier one waiting or running, runs it (lock
    // released meanwhile) and frees its slot; false when there is none.
    bool run_next(Lock& lock, std::size_t who, bool force = false);
    // Runs every posted matching (those waiting for the next one onto their
    // layer in full), here or on the matching thread.
    void run_all(Lock& lock);
    static void run(const Entry& entry);
    void work();

    ZeroedFloats ring_;     // SLOTS x slot_size_ values
    ZeroedFloats staging_;  // slot_size_ values
    std::size_t slot_size_ = 0;
    std::size_t last_slot_ = 0;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::array<bool, SLOTS> slot_busy_{};  // handed out, and its matching not yet run
    std::deque<Entry> waiting_;            // posted matchings not yet started, in posting order
    std::array<const float*, 2> running_{};  // layers being matched: by the matching thread, by the reading thread
    std::size_t posted_ = 0, done_ = 0;  // matchings
    bool stopping_ = false;
    std::thread worker_;
};

// Whether the overlap is on: PONDRA_OVERLAP (read with getenv) switches it
// off when its first character is 0, N, n, F or f; a process that may run
// on a single CPU has none.
bool overlap_wanted();

// The queue of this run, stopped and joined by the exit hook when the layer
// ends the process early.
void set_active_queue(MatchQueue* queue);
void stop_active_queue();

}  // namespace pondra
