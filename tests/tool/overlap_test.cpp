// The matching queue: the same result array and owners with the matching on
// a second thread as on the reading thread, the buffer sets handed out only
// when free, and a stop that leaves no thread behind. Built also alone under
// ThreadSanitizer (make test), where a buffer set reused while it is still
// being matched, or the result read before the matching is done, is a race.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "tool/overlap.hpp"

namespace pondra {
namespace {

struct Input {
    InputGrid grid;
    std::vector<float> values;  // nvars blocks
};

constexpr int NVARS = 3;

// Inputs of several cell sizes and origins with missing values.
std::vector<Input> inputs() {
    std::mt19937 rng(11);
    std::vector<Input> in;
    for (int k = 0; k < 9; ++k) {
        Input i;
        const double cell = (k % 3 + 1) * 4000.0;
        i.grid = {20 + 3 * k, 15 + 2 * k, -8000.0 * k, 4000.0 * k, cell, cell};
        i.values.resize(static_cast<std::size_t>(i.grid.NCOLS3D * i.grid.NROWS3D * NVARS));
        for (float& v : i.values) v = rng() % 5 == 0 ? MISSING : static_cast<float>(rng() % 1000);
        in.push_back(std::move(i));
    }
    return in;
}

struct Result {
    std::vector<float> layers;
    std::vector<GridMatch::Owner> owners;
};

// Reads each input into the queue's buffer (as the layer's reads would) and
// posts its matching.
Result run(bool threaded, const OutputGrid& out, const std::vector<Input>& in) {
    const std::size_t layer = static_cast<std::size_t>(out.NCOLS * out.NROWS);
    Result r{std::vector<float>(layer * NVARS, 0.0f), std::vector<GridMatch::Owner>(layer, 0)};
    MatchQueue queue(threaded);
    EXPECT_EQ(queue.threaded(), threaded);
    queue.touch(r.layers.data(), r.layers.size());
    for (std::size_t k = 1; k <= in.size(); ++k) {
        const Input& i = in[k - 1];
        const std::size_t n = static_cast<std::size_t>(i.grid.NCOLS3D * i.grid.NROWS3D);
        float* buffer = queue.buffer(static_cast<int>(k), n * NVARS);
        std::memcpy(buffer, i.values.data(), i.values.size() * sizeof(float));
        queue.post({GridMatch(out, i.grid, mesh_factor(i.grid.XCELL3D, out.CELL)), buffer, n, NVARS,
                    r.layers.data(), layer, r.owners.data(), static_cast<GridMatch::Owner>(k)});
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
        for (int v = 0; v < NVARS; ++v)
            match_grid(out, i.grid, mesh_factor(i.grid.XCELL3D, out.CELL), i.values.data() + v * n,
                       direct.data() + static_cast<std::size_t>(v) * 90 * 70);
    }
    EXPECT_EQ(plain.layers, direct);
    EXPECT_GT(std::count(plain.owners.begin(), plain.owners.end(), GridMatch::Owner{9}), 0);
    for (int round = 0; round < 5; ++round) {
        const Result threaded = run(true, out, in);
        EXPECT_EQ(threaded.layers, plain.layers);
        EXPECT_EQ(threaded.owners, plain.owners);
    }
}

// Stopped while jobs wait: the running one ends, the rest are dropped, the
// thread is joined; the queue can then be destroyed.
TEST(MatchQueue, StopJoinsTheThread) {
    const OutputGrid out{400, 400, 0.0f, 0.0f, 1000.0f};
    std::vector<float> result(400 * 400, 0.0f);
    std::vector<float> values(200 * 200, 1.0f);
    const InputGrid grid{200, 200, 0.0, 0.0, 2000.0, 2000.0};
    MatchQueue queue(true);
    for (int k = 1; k <= 6; ++k) {
        float* buffer = queue.buffer(k, values.size());
        std::copy(values.begin(), values.end(), buffer);
        queue.post({GridMatch(out, grid, 2.0f), buffer, values.size(), 1, result.data(), result.size(), nullptr,
                    static_cast<GridMatch::Owner>(k)});
        if (k == 3) queue.stop();
    }
    EXPECT_FALSE(queue.threaded());
    EXPECT_EQ(result[0], 1.0f);
}

}  // namespace
}  // namespace pondra
