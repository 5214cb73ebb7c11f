// Matching on a second thread while the next input is read.
//
// The thread that calls the layer reads input k + 1 while this queue's own
// thread matches input k onto the result array. Jobs run one at a time, in
// the order they were posted, so the result is the one of matching each input
// right after reading it. The inputs' values travel in two buffer sets: input
// k is read into set k % 2, which is free again once job k - 2 has run. The
// matching thread never calls the layer; only it writes the result array and
// the coverage owners until drain() returns.
//
// Without a thread (switched off, or one core) every job runs at once on the
// caller's thread, with the same results.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "tool/gridding.hpp"

namespace pondra {

class MatchQueue {
public:
    // One input file's matching: each of its variables v (1-based) from
    // `values` (nvars blocks of `layer_size` values) onto layer(v).
    struct Job {
        GridMatch match;
        const float* values = nullptr;
        std::size_t layer_size = 0;  // values per variable
        int nvars = 0;
        float* result = nullptr;          // layer 1 of the result array
        std::size_t result_layer = 0;     // values per result layer
        GridMatch::Owner* owners = nullptr;  // noted on layer 1, or nullptr
        GridMatch::Owner k = 0;
    };

    explicit MatchQueue(bool threaded);
    ~MatchQueue();
    MatchQueue(const MatchQueue&) = delete;
    MatchQueue& operator=(const MatchQueue&) = delete;

    bool threaded() const { return worker_.joinable(); }

    // The buffer set for input k (from 1), sized for n values, once the job
    // that last used it has run.
    float* buffer(int k, std::size_t n);

    // Writes a zero into every page of `count` floats at `data`, ahead of the
    // matching, so that the system's zeroing of fresh pages happens here.
    void touch(float* data, std::size_t count);

    // Queues the matching of one input (or runs it now without a thread).
    void post(Job job);

    // Waits until every queued job has run.
    void drain();

    // Lets the running job finish, drops the others and joins the thread.
    void stop();

private:
    struct Task {
        bool touch = false;
        float* data = nullptr;
        std::size_t count = 0;
        Job job;
    };
    void enqueue(Task task);
    void run(Task& task) const;
    void work();

    std::vector<float> sets_[2];
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Task> tasks_;
    std::size_t posted_ = 0, done_ = 0;  // tasks
    std::size_t set_ready_[2] = {0, 0};  // tasks that must be done before a set is reused
    bool stopping_ = false;
    std::thread worker_;
};

// Whether the overlap is on: PONDRA_OVERLAP (read with getenv) switches it
// off when its first character is 0, N, n, F or f; a single core has none.
bool overlap_wanted();

// The queue of this run, stopped and joined by the exit hook when the layer
// ends the process early.
void set_active_queue(MatchQueue* queue);
void stop_active_queue();

}  // namespace pondra
