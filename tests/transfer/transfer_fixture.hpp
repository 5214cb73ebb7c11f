// Shared pieces of the READ3/WRITE3 tests: real files created through OPEN3
// beside the process's own log (the kit's ProcessLog), buffers of 4-byte
// words, and fresh processes for run-once settings.
#pragma once

#include <gtest/gtest.h>
#include <netcdf.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "orvex/fdesc3.hpp"
#include "orvex/operations.hpp"
#include "orvex/parms3.hpp"
#include "tests/kit/kit.hpp"
#include "tests/transfer/file_def.hpp"

namespace transfer_test {

namespace fs = std::filesystem;
using namespace kit;

// Set up before main, so that every log line of the program goes to the
// process's own log, whichever test logs first.
inline const bool log_ready = !ProcessLog::dir().empty();

// ---- Files -------------------------------------------------------------------

inline fs::path path_of(const std::string& lname) { return ProcessLog::dir() / (lname + ".nc"); }

inline bool create_only(const std::string& lname, const FileDef& d) {
    const fs::path p = path_of(lname);
    std::error_code ec;
    fs::remove(p, ec);
    setenv(lname.c_str(), p.c_str(), 1);
    describe(d);
    return orvex::OPEN3(lname, orvex::FSNEW3, "TRTEST");
}

// WRITE3 reads ORVEX_LOG_WRITE on its first call in a process, which logs a
// line of its own: the tests' first write is done here, out of their way.
// A child process keeps that first call for its own test.
inline void prime_write_switch() {
    static bool primed = false;
    if (primed || std::getenv(SANDBOX_DIR) != nullptr) return;
    primed = true;
    FileDef d;
    d.nlays = 1;
    const std::vector<float> zero(static_cast<std::size_t>(d.ncols * d.nrows), 0.0f);
    if (create_only("PRIME", d)) {
        orvex::WRITE3("PRIME", "O3", d.sdate, d.stime, zero.data());
        orvex::CLOSE3("PRIME");
    }
}

// Binds lname to a fresh path in the scratch directory and creates the file there.
inline bool create(const std::string& lname, const FileDef& d) {
    prime_write_switch();
    return create_only(lname, d);
}

// Time flags of every record of lname's file, read straight through netCDF.
inline std::vector<int> tflags(const std::string& lname) { return NcFile(path_of(lname)).ints("TFLAG"); }

// ---- Buffers of 4-byte words -------------------------------------------------

class Words {
public:
    explicit Words(std::size_t n = 0) : w_(n, 0xDEADBEEFu) {}
    std::size_t size() const { return w_.size(); }
    void* data() { return w_.data(); }
    const void* data() const { return w_.data(); }
    void resize(std::size_t n) { w_.resize(n, 0xDEADBEEFu); }
    // Values at 1-based word position pos.
    void put_int(std::size_t pos, int v) { std::memcpy(&w_[pos - 1], &v, 4); }
    void put_real(std::size_t pos, float v) { std::memcpy(&w_[pos - 1], &v, 4); }
    void put_double(std::size_t pos, double v) { std::memcpy(&w_[pos - 1], &v, 8); }
    int get_int(std::size_t pos) const { int v; std::memcpy(&v, &w_[pos - 1], 4); return v; }
    float get_real(std::size_t pos) const { float v; std::memcpy(&v, &w_[pos - 1], 4); return v; }
    double get_double(std::size_t pos) const { double v; std::memcpy(&v, &w_[pos - 1], 8); return v; }
    // Words [from, from + n) (1-based) as a new buffer.
    Words slice(std::size_t from, std::size_t n) const {
        Words out(n);
        std::memcpy(out.w_.data(), &w_[from - 1], n * 4);
        return out;
    }
    void append(const Words& o) { w_.insert(w_.end(), o.w_.begin(), o.w_.end()); }
    bool operator==(const Words& o) const { return w_ == o.w_; }

private:
    std::vector<std::uint32_t> w_;
};

// ---- Fresh processes ---------------------------------------------------------

// Runs the disabled test `child_test` (suite.name) of this program in a new
// process with the given environment; its exit status and its log.
inline std::pair<int, Lines> run_child(const std::string& child_test, const Env& env) {
    const Sandbox box("transfer");
    const Outcome r = box.run_test(child_test, env);
    return {r.status, lines_of(r.log)};
}

}  // namespace transfer_test
