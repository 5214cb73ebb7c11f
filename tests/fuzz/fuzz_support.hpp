// What every fuzz target shares: a quiet layer, scratch files, and the checks
// each input ends with. Header-only, so that a target is one source file that
// builds both as a libFuzzer target and as a corpus replay program.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "gridfile/state3.hpp"
#include "orvex/operations.hpp"

namespace orvex_fuzz {

// A fault of the code under test: the input breaks a rule the layer promises.
// Ends the process so that the fuzzer (or the replay) reports the input.
[[noreturn]] inline void fault(const char* what) {
    std::fprintf(stderr, "orvex fuzz: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

inline void require(bool ok, const char* what) {
    if (!ok) fault(what);
}

// A private directory for the scratch files of this process, removed at exit
// (the text itself is never destroyed, so the removal can still read it).
inline const std::string& scratch_dir() {
    static const std::string* const dir = [] {
        const char* base = std::getenv("TMPDIR");
        std::string tmpl = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/orvex-fuzz-XXXXXX";
        if (mkdtemp(tmpl.data()) == nullptr) fault("cannot make a scratch directory");
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(scratch_dir(), ec);
        });
        return new std::string(tmpl);
    }();
    return *dir;
}

inline std::string scratch_path(std::string_view name) { return scratch_dir() + "/" + std::string(name); }

// Replaces the file at path with the given bytes.
inline void write_file(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) fault("cannot write a scratch file");
    if (size > 0 && std::fwrite(data, 1, size, f) != size) fault("cannot write a scratch file");
    if (std::fclose(f) != 0) fault("cannot write a scratch file");
}

// Once per process: the log goes to the null device, the layer's echo of its
// start-up block on standard output is dropped, and the optional inputs of
// initialisation are fixed, so that every input meets the same layer.
inline void quiet_layer() {
    static bool done = false;
    if (done) return;
    done = true;
    ::setenv("LOGFILE", "/dev/null", 1);
    ::setenv("EXECUTION_ID", "orvex-fuzz", 1);
    ::setenv("SCENFILE", (scratch_dir() + "/no-scenario").c_str(), 1);
    // The header checks are read once per process: ORVEX_FUZZ_CHECK_HEADERS
    // runs a whole process with them on.
    if (std::getenv("ORVEX_FUZZ_CHECK_HEADERS") != nullptr) ::setenv("ORVEX_CHECK_HEADERS", "Y", 1);
    else ::unsetenv("ORVEX_CHECK_HEADERS");
    ::unsetenv("ORVEX_LOG_WRITE");
    ::unsetenv("ORVEX_OFFSET_64");
    std::fflush(stdout);
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) {
        ::dup2(null, STDOUT_FILENO);
        ::close(null);
    }
    // The log stays open for the rest of the process once opened: open it now,
    // so that the descriptor count of the first input starts with it.
    orvex::INITLOG3("FUZZ");
}

// Number of open file descriptors of the process (read with getdents64 into
// a buffer on the stack: opendir's buffer would be allocated twice an input).
inline int open_fds() {
    const int dir = ::open("/proc/self/fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return -1;
    int n = 0;
    alignas(dirent64) char buf[4096];
    for (ssize_t got = 0; (got = ::getdents64(dir, buf, sizeof buf)) > 0;)
        for (ssize_t at = 0; at < got;) {
            const auto* e = reinterpret_cast<const dirent64*>(buf + at);
            if (e->d_name[0] != '.') ++n;
            at += e->d_reclen;
        }
    ::close(dir);
    return n - 1;  // the directory itself
}

// Shuts the layer down and checks that nothing outlived it: every slot free,
// no list entry in use, no descriptor left open since `fds_before`.
inline void shut_and_check(int fds_before) {
    orvex::SHUT3();
    using orvex::detail::STATE3;
    for (int f = 1; f <= orvex::MXFILE3; ++f)
        require(orvex::detail::slot(f).is_free(), "a slot is still named after SHUT3");
    require(STATE3.nlist_used == 0, "file-set entries still in use after SHUT3");
    require(!orvex::detail::LAYER_STATE.finit, "layer still initialised after SHUT3");
    if (fds_before >= 0) require(open_fds() <= fds_before, "a file descriptor outlived SHUT3");
}

// Splits the input into fields at zero bytes; missing fields are empty.
inline std::vector<std::string> fields(const std::uint8_t* data, std::size_t size, std::size_t n) {
    std::vector<std::string> out(n);
    std::size_t k = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0 && k + 1 < n) {
            ++k;
            continue;
        }
        out[k] += static_cast<char>(data[i]);
    }
    return out;
}

// Products and sums of header values, saturated: a hostile header must not
// make the targets' own arithmetic overflow. LLONG_MAX stands for "too large".
inline long long mul(long long a, long long b) {
    long long r = 0;
    return __builtin_mul_overflow(a, b, &r) ? LLONG_MAX : r;
}
inline long long add(long long a, long long b) {
    long long r = 0;
    return __builtin_add_overflow(a, b, &r) ? LLONG_MAX : r;
}

// Words of the index part at the front of a READ3 buffer.
inline long long index_words(const orvex::Fdesc3& d) {
    using namespace orvex;
    const long long c = d.NCOLS3D, r = d.NROWS3D;
    switch (d.FTYPE3D) {
        case IDDATA3: return 1 + r;
        case PROFIL3: return add(1, mul(5, r));
        case GRNEST3: return add(1, mul(12, r));
        case SMATRX3: return r + c;
        default: return 0;
    }
}

// Words of variable v's data (1-based) in a READ3 buffer with all layers, as
// the record layouts of the file types lay it out; -1 for a type READ3 has no
// layout for.
inline long long data_words(const orvex::Fdesc3& d, int v) {
    using namespace orvex;
    const long long c = d.NCOLS3D, r = d.NROWS3D, l = d.NLAYS3D, t = d.NTHIK3D;
    const long long w = d.VTYPE3D[static_cast<std::size_t>(v - 1)] == QVDBLE ? 2 : 1;
    switch (d.FTYPE3D) {
        case CUSTOM3: return mul(mul(c, l), w);
        case GRDDED3:
        case GRDATT3:
        case PTRFLY3:
        case PROFIL3: return mul(mul(mul(c, r), l), w);
        case BNDARY3: return mul(mul(mul(2 * std::llabs(t), c + r + 2 * t), l), w);
        case IDDATA3: return mul(mul(r, l), w);
        case GRNEST3: return mul(mul(c, r), w);
        case SMATRX3: return mul(c, w);
        default: return -1;
    }
}

// Words of a READ3 buffer for variable v with all layers.
inline long long read_words(const orvex::Fdesc3& d, int v) {
    const long long data = data_words(d, v);
    return data < 0 ? -1 : add(index_words(d), data);
}

// Words of a READ3 buffer for all variables with all layers: the index part
// once, then every variable's data back to back.
inline long long read_words_all(const orvex::Fdesc3& d) {
    if (d.NVARS3D < 1 || d.NVARS3D > orvex::MXVARS3) return -1;
    long long words = index_words(d);
    for (int v = 1; v <= d.NVARS3D; ++v) {
        const long long data = data_words(d, v);
        if (data < 0) return -1;
        words = add(words, data);
    }
    return words;
}

// A read buffer of `words` 4-byte words, exactly as large as asked. Up to
// 1 MB it lives on the heap, where the address sanitizer sees a write beyond
// it; a larger one (a description that asks for more than the file holds) is
// reserved address space with an inaccessible page after it, so that only
// what a read really stores takes memory, and an input pays nothing for the
// size its description claims (on the heap every byte would be filled).
class Buffer {
public:
    explicit Buffer(long long words) {
        bytes_ = static_cast<std::size_t>(std::max(words, 1LL)) * 4;
        if (bytes_ <= HEAP_LIMIT) {
            heap_.assign(bytes_ / 4, 0);
            data_ = heap_.data();
            return;
        }
        const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
        mapped_ = (bytes_ + page - 1) / page * page + page;
        void* p = ::mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (p == MAP_FAILED) fault("cannot reserve a read buffer");
        // The buffer ends where the guard page begins.
        ::mprotect(static_cast<char*>(p) + mapped_ - page, page, PROT_NONE);
        map_ = p;
        data_ = static_cast<char*>(p) + (mapped_ - page - bytes_);
    }
    ~Buffer() {
        if (map_ != nullptr) ::munmap(map_, mapped_);
    }
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    void* data() { return data_; }

private:
    static constexpr std::size_t HEAP_LIMIT = std::size_t{1} << 20;
    std::vector<std::uint32_t> heap_;
    std::size_t bytes_ = 0, mapped_ = 0;
    void* map_ = nullptr;
    void* data_ = nullptr;
};

// Largest READ3 buffer the targets hand over (in words); a description that
// asks for more is read no further (its open and description still run).
inline constexpr long long MAX_READ_WORDS = 1LL << 34;
// Largest record written back into a writable file (in words).
inline constexpr long long MAX_WRITE_WORDS = 1LL << 20;

// One pass over an existing file under logical name lname, as a reader of
// the layer makes it: OPEN3 with the given status, DESC3, READ3 of every
// variable (the first eight) and of all variables at the first time step
// (written back when the file is writable and the record small), and CLOSE3.
// Whatever the file holds, a refused open leaves no slot behind, and no read
// writes beyond the buffer its description asks for. True when the file was
// opened and described.
inline bool open_pass(std::string_view lname, int fstatus) {
    using namespace orvex;
    FDESC3 = Fdesc3{};
    if (!OPEN3(lname, fstatus, "FUZZ")) {
        require(NAME2FID(lname) == 0, "a refused open keeps its slot");
        return false;
    }
    require(NAME2FID(lname) > 0, "an open file has no slot");
    if (DESC3(lname)) {
        const Fdesc3& d = FDESC3;
        if (d.FTYPE3D == DCTNRY3) {  // a dictionary's records are descriptions
            READ3(lname, "ENTRY1", ALLAYS3, 0, 0, nullptr);
            CLOSE3(lname);
            return true;
        }
        require(d.NVARS3D >= 0 && d.NVARS3D <= MXVARS3, "DESC3 gives a variable count beyond the table");
        const int nv = std::min(d.NVARS3D, 8);
        for (int v = 1; v <= nv; ++v) {
            const long long words = read_words(d, v);
            if (words < 0 || words > MAX_READ_WORDS) continue;
            Buffer buffer(words);
            READ3(lname, d.VNAME3D[static_cast<std::size_t>(v - 1)].view(), ALLAYS3, d.SDATE3D, d.STIME3D,
                  buffer.data());
            READ3(lname, d.VNAME3D[static_cast<std::size_t>(v - 1)].view(), 1, d.SDATE3D, d.STIME3D,
                  buffer.data());
        }
        const long long words = read_words_all(d);
        if (words >= 0 && words <= MAX_READ_WORDS) {
            Buffer buffer(words);
            READ3(lname, ALLVAR3, ALLAYS3, d.SDATE3D, d.STIME3D, buffer.data());
            // A writable file takes one record back, as small records go.
            if (fstatus != FSRDONLY3 && words <= MAX_WRITE_WORDS)
                WRITE3(lname, ALLVAR3, d.SDATE3D, d.STIME3D, buffer.data());
        }
        CLOSE3(lname);
        return true;
    }
    CLOSE3(lname);
    return false;
}

}  // namespace orvex_fuzz
