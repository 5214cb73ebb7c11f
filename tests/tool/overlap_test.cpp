// The matching queue: the same result array and owners with the matching on
// a second thread (and on the reading thread when every slot waits) as on the
// reading thread alone, slots handed out only when free, and a stop that
// leaves no thread behind. Built also alone under ThreadSanitizer (make test),
// where a slot reused while it is still being matched, two matchings of one
// layer at once, or the result read before the matching is done, is a race.
#include <gtest/gtest.h>
#include <sched.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tool/overlap.hpp"

namespace pondra {
namespace {

struct Input {
    InputGrid grid;
    int nvars = 0;
    std::vector<float> values;  // nvars blocks
};

constexpr int NVARS = 3;

// Inputs of several cell sizes, origins and variable counts with missing values.
std::vector<Input> inputs() {
    std::mt19937 rng(11);
    std::vector<Input> in;
    for (int k = 0; k < 12; ++k) {
        Input i;
        const double cell = (k % 3 + 1) * 4000.0;
        i.grid = {20 + 3 * k, 15 + 2 * k, -8000.0 * k, 4000.0 * k, cell, cell};
        i.nvars = k % 4 == 3 ? 1 : NVARS;  // runs of one layer after another
        i.values.resize(static_cast<std::size_t>(i.grid.NCOLS3D * i.grid.NROWS3D * i.nvars));
        for (float& v : i.values) v = rng() % 5 == 0 ? MISSING : static_cast<float>(rng() % 1000);
        in.push_back(std::move(i));
    }
    return in;
}

struct Result {
    std::vector<float> layers;
    std::vector<GridMatch::Owner> owners;
};

// Reads each variable of each input into the queue's buffer (as the layer's
// reads would) and posts its matching.
Result run(bool threaded, const OutputGrid& out, const std::vector<Input>& in) {
    const std::size_t layer = static_cast<std::size_t>(out.NCOLS * out.NROWS);
    Result r{std::vector<float>(layer * NVARS, 0.0f), std::vector<GridMatch::Owner>(layer, 0)};
    MatchQueue queue(threaded);
    EXPECT_EQ(queue.threaded(), threaded);
    for (std::size_t k = 1; k <= in.size(); ++k) {
        const Input& i = in[k - 1];
        const std::size_t n = static_cast<std::size_t>(i.grid.NCOLS3D * i.grid.NROWS3D);
        queue.reserve(n);
        const auto match = std::make_shared<const GridMatch>(out, i.grid, mesh_factor(i.grid.XCELL3D, out.CELL));
        for (int v = 0; v < i.nvars; ++v) {
            float* buffer = queue.slot();
            std::memcpy(buffer, i.values.data() + static_cast<std::size_t>(v) * n, n * sizeof(float));
            queue.post({match, r.layers.data() + static_cast<std::size_t>(v) * layer,
                        v == 0 ? r.owners.data() : nullptr, static_cast<GridMatch::Owner>(k), k == in.size()});
        }
    }
    queue.drain();
    return r;
}

TEST(MatchQueue, SecondThreadGivesTheSameResult) {
    const OutputGrid out{90, 70, 0.0f, 0.0f, 4000.0f};
    const std::vector<Input> in = inputs();
    const Result plain = run(false, out, in);
    // The plain queue against the matching itself, input after input.
    std::vector<float> direct(plain.layers.size(), 0.0f);
    for (const Input& i : in) {
        const std::size_t n = static_cast<std::size_t>(i.grid.NCOLS3D * i.grid.NROWS3D);
        for (int v = 0; v < i.nvars; ++v)
            match_grid(out, i.grid, mesh_factor(i.grid.XCELL3D, out.CELL), i.values.data() + v * n,
                       direct.data() + static_cast<std::size_t>(v) * 90 * 70);
    }
    EXPECT_EQ(plain.layers, direct);
    EXPECT_GT(std::count(plain.owners.begin(), plain.owners.end(), GridMatch::Owner{12}), 0);
    for (int round = 0; round < 5; ++round) {
        const Result threaded = run(true, out, in);
        EXPECT_EQ(threaded.layers, plain.layers);
        EXPECT_EQ(threaded.owners, plain.owners);
    }
}

// Inputs of one variable each, every one over the same cells: each matching
// must wait for the one before it on the layer, whichever thread runs it.
TEST(MatchQueue, OneLayerMatchedInOrder) {
    const OutputGrid out{300, 300, 0.0f, 0.0f, 1000.0f};
    const InputGrid grid{160, 160, 0.0, 0.0, 2000.0, 2000.0};
    const auto match = std::make_shared<const GridMatch>(out, grid, 2.0f);
    const auto matched = [&](bool threaded) {
        std::vector<float> result(300 * 300, 0.0f);
        MatchQueue queue(threaded);
        queue.reserve(160 * 160);
        for (int k = 1; k <= 60; ++k) {
            float* buffer = queue.slot();
            // Every other input leaves a different cell missing.
            std::fill(buffer, buffer + 160 * 160, static_cast<float>(k));
            buffer[static_cast<std::size_t>(k) * 37 % (160 * 160)] = MISSING;
            queue.post({match, result.data(), nullptr, static_cast<GridMatch::Owner>(k)});
        }
        queue.drain();
        return result;
    };
    const std::vector<float> plain = matched(false);
    EXPECT_EQ(std::count(plain.begin(), plain.end(), 60.0f), 300 * 300 - 4);  // the last one's missing cell keeps the one before
    for (int round = 0; round < 5; ++round) EXPECT_EQ(matched(true), plain);
}

// A matching posted as the last onto its layer runs without waiting for the
// next one (at once without a thread); the others wait, and every one runs in
// posting order whatever is marked.
TEST(MatchQueue, LastMatchingsNeedNotWait) {
    const OutputGrid out{60, 60, 0.0f, 0.0f, 1000.0f};
    const InputGrid grid{30, 30, 0.0, 0.0, 2000.0, 2000.0};
    const auto match = std::make_shared<const GridMatch>(out, grid, 2.0f);
    std::vector<float> a(60 * 60, 0.0f), b(60 * 60, 0.0f);
    MatchQueue queue(false);
    queue.reserve(30 * 30);
    const auto post = [&](std::vector<float>& layer, float value, bool last) {
        float* buffer = queue.slot();
        std::fill(buffer, buffer + 30 * 30, value);
        queue.post({match, layer.data(), nullptr, 1, last});
    };
    post(a, 1.0f, false);
    EXPECT_EQ(a[0], 0.0f);  // waits for the next one onto its layer
    post(b, 2.0f, true);
    EXPECT_EQ(b[0], 2.0f);  // ran at once
    EXPECT_EQ(a[0], 0.0f);
    post(a, 3.0f, true);  // lets the first one run, then runs itself
    // The last input column and row are never read: 58 x 58 cells are matched.
    EXPECT_EQ(std::count(a.begin(), a.end(), 3.0f), 58 * 58);
    EXPECT_EQ(std::count(b.begin(), b.end(), 2.0f), 58 * 58);
    queue.drain();
    EXPECT_EQ(std::count(a.begin(), a.end(), 3.0f), 58 * 58);
}

// Stopped while matchings wait: the running one ends, the rest are dropped,
// the thread is joined; what is posted afterwards runs at once, and the queue
// can then be destroyed.
TEST(MatchQueue, StopJoinsTheThread) {
    const OutputGrid out{400, 400, 0.0f, 0.0f, 1000.0f};
    std::vector<float> result(400 * 400, 0.0f);
    std::vector<float> values(200 * 200, 1.0f);
    const InputGrid grid{200, 200, 0.0, 0.0, 2000.0, 2000.0};
    const auto match = std::make_shared<const GridMatch>(out, grid, 2.0f);
    MatchQueue queue(true);
    queue.reserve(values.size());
    for (int k = 1; k <= 12; ++k) {
        float* buffer = queue.slot();
        std::copy(values.begin(), values.end(), buffer);
        queue.post({match, result.data(), nullptr, static_cast<GridMatch::Owner>(k)});
        if (k == 5) queue.stop();
    }
    EXPECT_FALSE(queue.threaded());
    EXPECT_EQ(result[0], 1.0f);
}

// The overlap needs a second CPU that the run may use: bound to one CPU (as
// with taskset) there is none, however many the machine has; the switch turns
// it off either way.
TEST(MatchQueue, OverlapWantsASecondUsableCpu) {
    cpu_set_t saved;
    ASSERT_EQ(sched_getaffinity(0, sizeof saved, &saved), 0);
    const char* before = std::getenv("PONDRA_OVERLAP");
    const std::string kept = before != nullptr ? before : "";
    unsetenv("PONDRA_OVERLAP");
    if (CPU_COUNT(&saved) > 1) {
        EXPECT_TRUE(overlap_wanted());
    }
    cpu_set_t one;
    CPU_ZERO(&one);
    for (int c = 0; c < CPU_SETSIZE; ++c)
        if (CPU_ISSET(c, &saved)) {
            CPU_SET(c, &one);
            break;
        }
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    EXPECT_FALSE(overlap_wanted());
    ASSERT_EQ(sched_setaffinity(0, sizeof saved, &saved), 0);
    setenv("PONDRA_OVERLAP", "N", 1);
    EXPECT_FALSE(overlap_wanted());
    if (before != nullptr)
        setenv("PONDRA_OVERLAP", kept.c_str(), 1);
    else
        unsetenv("PONDRA_OVERLAP");
}

}  // namespace
}  // namespace pondra
