// Matching on a second thread while the next input is read.
#include "tool/overlap.hpp"

#include <unistd.h>

#include <cstdlib>
#include <limits>
#include <new>

namespace pondra {

namespace {

MatchQueue* active = nullptr;

}  // namespace

MatchQueue::MatchQueue(bool threaded) {
    if (threaded) worker_ = std::thread([this] { work(); });
}

MatchQueue::~MatchQueue() {
    drain();
    stop();
}

float* MatchQueue::buffer(int k, std::size_t n) {
    const auto s = static_cast<std::size_t>(k) % 2;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return done_ >= set_ready_[s] || stopping_; });
    }
    std::vector<float>& set = sets_[s];
    if (set.size() < n) {
        set.clear();
        set.shrink_to_fit();
        set.resize(n);
    }
    return set.data();
}

void MatchQueue::touch(float* data, std::size_t count) {
    Task t;
    t.touch = true;
    t.data = data;
    t.count = count;
    enqueue(std::move(t));
}

void MatchQueue::post(Job job) {
    const std::size_t s = static_cast<std::size_t>(job.k) % 2;
    Task t;
    t.job = std::move(job);
    enqueue(std::move(t));
    // The set this job reads is free once it has run.
    std::lock_guard lock(mutex_);
    set_ready_[s] = posted_;
}

void MatchQueue::enqueue(Task task) {
    if (!threaded()) {
        run(task);
        std::lock_guard lock(mutex_);
        ++posted_;
        ++done_;
        return;
    }
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
        ++posted_;
    }
    changed_.notify_all();
}

void MatchQueue::drain() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return done_ >= posted_ || stopping_; });
}

void MatchQueue::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        tasks_.clear();
    }
    changed_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void MatchQueue::run(Task& t) const {
    if (t.touch) {
        // One write per 4 KiB page (huge pages take the first write alone).
        constexpr std::size_t step = 4096 / sizeof(float);
        for (std::size_t i = 0; i < t.count; i += step) t.data[i] = 0.0f;
        return;
    }
    const Job& j = t.job;
    for (int v = 1; v <= j.nvars; ++v) {
        const float* grid = j.values + static_cast<std::size_t>(v - 1) * j.layer_size;
        float* layer = j.result + static_cast<std::size_t>(v - 1) * j.result_layer;
        if (v == 1)
            j.match.apply(grid, layer, j.owners, j.k);
        else
            j.match.apply(grid, layer);
    }
}

void MatchQueue::work() {
    for (;;) {
        Task task;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return stopping_ || !tasks_.empty(); });
            if (stopping_) return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        run(task);
        {
            std::lock_guard lock(mutex_);
            ++done_;
        }
        changed_.notify_all();
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
