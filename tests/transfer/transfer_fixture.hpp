// Shared pieces of the READ3/WRITE3 tests: a scratch directory that holds the
// process's log and files, real files created through OPEN3, the log lines
// written since a mark, and fresh child processes for run-once settings.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <netcdf.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "orvex/fdesc3.hpp"
#include "file_def.hpp"
#include "orvex/operations.hpp"
#include "orvex/parms3.hpp"

namespace transfer_test {

namespace fs = std::filesystem;

// Environment variable that hands a child process its scratch directory.
inline constexpr const char* CHILD_DIR = "ORVEX_TRANSFER_TEST_DIR";

// The scratch directory of this process. Its first use points LOGFILE at
// "log" inside it, so it must come before anything is logged.
class Scratch {
public:
    static const fs::path& dir() {
        static Scratch s;
        return s.dir_;
    }

private:
    Scratch() {
        if (const char* child = std::getenv(CHILD_DIR)) {
            dir_ = child;
        } else {
            std::string templ = (fs::temp_directory_path() / "orvex-transfer-XXXXXX").string();
            dir_ = mkdtemp(templ.data());
            owned_ = true;
            unsetenv("ORVEX_LOG_WRITE");
        }
        setenv("LOGFILE", (dir_ / "log").c_str(), 1);
        unsetenv("ORVEX_CHECK_HEADERS");
    }
    ~Scratch() {
        std::error_code ec;
        if (owned_) fs::remove_all(dir_, ec);
    }
    fs::path dir_;
    bool owned_ = false;
};

// Set up before main, so that every log line of the program goes to the file,
// whichever test logs first.
inline const bool scratch_ready = !Scratch::dir().empty();

inline std::string read_file(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream s(text);
    for (std::string line; std::getline(s, line);) lines.push_back(line);
    return lines;
}

// The log lines written after the mark was taken.
class LogMark {
public:
    explicit LogMark(fs::path log = Scratch::dir() / "log") : log_(std::move(log)), start_(size()) {}
    std::vector<std::string> lines() const { return lines_of(read_file(log_).substr(start_)); }

private:
    std::size_t size() const {
        std::error_code ec;
        const auto n = fs::file_size(log_, ec);
        return ec ? 0 : static_cast<std::size_t>(n);
    }
    fs::path log_;
    std::size_t start_;
};

// Expected log texts: five blanks and the text without trailing blanks.
inline std::string logged(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return "     " + text;
}

inline std::vector<std::string> warning(const std::string& caller, const std::string& msg, int jdate, int jtime) {
    std::vector<std::string> w{"     ", logged(">>--->> WARNING in subroutine " + caller), logged(msg)};
    if (jdate > 0 || jtime > 0) w.push_back(logged("QVWARN:  DTBUF " + orvex::DT2STR(jdate, jtime)));
    w.push_back("     ");
    return w;
}

inline std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// ---- Files -------------------------------------------------------------------

inline fs::path path_of(const std::string& lname) { return Scratch::dir() / (lname + ".nc"); }

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
    if (primed || std::getenv(CHILD_DIR) != nullptr) return;
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

// Whether `block` appears as consecutive lines of `lines`.
inline bool contains(const std::vector<std::string>& lines, const std::vector<std::string>& block) {
    return std::search(lines.begin(), lines.end(), block.begin(), block.end()) != lines.end();
}

inline long count_of(const std::vector<std::string>& lines, const std::string& line) {
    return std::count(lines.begin(), lines.end(), line);
}

// Time flags of records 1..nrec of the file at path, read straight through netCDF.
inline std::vector<int> tflags(const std::string& lname) {
    int ncid = 0, varid = 0, ndims = 0;
    std::vector<int> flags;
    if (nc_open(path_of(lname).c_str(), NC_NOWRITE, &ncid) != NC_NOERR) return flags;
    int dimids[NC_MAX_VAR_DIMS];
    std::size_t total = 1;
    if (nc_inq_varid(ncid, "TFLAG", &varid) == NC_NOERR && nc_inq_varndims(ncid, varid, &ndims) == NC_NOERR &&
        nc_inq_vardimid(ncid, varid, dimids) == NC_NOERR) {
        for (int i = 0; i < ndims; ++i) {
            std::size_t len = 0;
            nc_inq_dimlen(ncid, dimids[i], &len);
            total *= len;
        }
        flags.resize(total);
        if (total > 0 && nc_get_var_int(ncid, varid, flags.data()) != NC_NOERR) flags.clear();
    }
    nc_close(ncid);
    return flags;
}

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
// process with its own scratch directory and the given environment; returns
// its exit status and its log.
inline std::pair<int, std::vector<std::string>> run_child(const std::string& child_test,
                                                          const std::vector<std::pair<std::string, std::string>>& env,
                                                          const std::vector<std::string>& unset = {}) {
    const fs::path dir = Scratch::dir() / ("child-" + child_test);
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directories(dir);
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        setenv(CHILD_DIR, dir.c_str(), 1);
        for (const auto& name : unset) unsetenv(name.c_str());
        for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
        const std::string filter = "--gtest_filter=" + child_test;
        const int out = open((dir / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, 1);
        execl("/proc/self/exe", "/proc/self/exe", filter.c_str(), "--gtest_also_run_disabled_tests",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    const int status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    return {status, lines_of(read_file(dir / "log"))};
}

}  // namespace transfer_test
