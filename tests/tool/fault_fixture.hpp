// The run that the fault-injection tests disturb: one model file of 10 x 8
// cells with two variables, matched onto an output grid of 100 x 80 cells,
// so that the data of each output file (64 000 bytes) outweighs its header;
// the faults (a limit on the size of the files pondra writes, with SIGXFSZ
// ignored so that a write beyond it fails with EFBIG; a private filesystem
// mounted in a child only: a full disk, a read-only directory), and what a
// run left on disk.
#pragma once

#include <gtest/gtest.h>
#include <netcdf.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "orvex/orvex.hpp"
#include "tests/kit/kit.hpp"
#include "tests/tool/pondra_fixture.hpp"

namespace pondra::testing {

// A run in dir with the environment additions and, optionally, a file-size limit.
inline Launch fault_spec(const std::filesystem::path& dir, Env env, std::optional<rlim_t> file_size_limit = std::nullopt,
                         bool ignore_sigxfsz = true) {
    Launch l;
    l.dir = dir;
    l.env = std::move(env);
    l.file_size_limit = file_size_limit;
    l.ignore_sigxfsz = ignore_sigxfsz;
    return l;
}

// Calls body in a child process that has a mount namespace of its own, where
// it may mount filesystems that nobody else sees; the child's exit status is
// body's result. Returns 77 when no such namespace can be had here (neither
// with the privilege of the test nor through a user namespace).
inline int in_private_mounts(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const uid_t uid = ::getuid();
        const gid_t gid = ::getgid();
        if (::unshare(CLONE_NEWNS) != 0) {
            if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) ::_exit(77);
            std::ofstream("/proc/self/setgroups") << "deny";
            std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
            std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
        }
        // Mounts made here must not travel back to the parent's namespace.
        if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) ::_exit(77);
        ::_exit(body());
    }
    int w = 0;
    ::waitpid(pid, &w, 0);
    return WIFEXITED(w) ? WEXITSTATUS(w) : 1;
}

// Mounts a tmpfs of the given size at dir (inside in_private_mounts).
inline bool mount_small_disk(const std::filesystem::path& dir, std::size_t bytes) {
    std::filesystem::create_directories(dir);
    const std::string opts = "size=" + std::to_string(bytes);
    return ::mount("tmpfs", dir.c_str(), "tmpfs", 0, opts.c_str()) == 0;
}

// Makes dir read-only by binding it onto itself (inside in_private_mounts).
inline bool mount_read_only(const std::filesystem::path& dir) {
    return ::mount(dir.c_str(), dir.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
           ::mount(nullptr, dir.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

// ---- What a run left on disk -------------------------------------------------------

// An output file as a reader finds it. It "looks complete" when netCDF opens
// it, its header describes the file (a "TFLAG" variable and the variables of
// "VAR-LIST"), it has a record, and the time flag of every variable in that
// record holds the output date and time: then READ3 of every variable
// succeeds, and nothing tells a reader that the run did not finish.
enum class Output { Missing, Unreadable, Incomplete, LooksComplete };

inline const char* to_text(Output o) {
    switch (o) {
        case Output::Missing: return "missing";
        case Output::Unreadable: return "unreadable";
        case Output::Incomplete: return "incomplete";
        case Output::LooksComplete: return "looks complete";
    }
    return "?";
}

inline Output output_state(const std::filesystem::path& p, int jdate, int jtime) {
    if (!std::filesystem::exists(p)) return Output::Missing;
    int id = -1;
    if (nc_open(p.c_str(), NC_NOWRITE, &id) != NC_NOERR) return Output::Unreadable;
    Output state = Output::Incomplete;
    int tflag = -1, unlim = -1;
    std::size_t nrec = 0, nvar = 0, listlen = 0;
    int dims[3] = {-1, -1, -1};
    if (nc_inq_varid(id, "TFLAG", &tflag) == NC_NOERR && nc_inq_unlimdim(id, &unlim) == NC_NOERR && unlim >= 0 &&
        nc_inq_dimlen(id, unlim, &nrec) == NC_NOERR && nrec >= 1 && nc_inq_vardimid(id, tflag, dims) == NC_NOERR &&
        nc_inq_dimlen(id, dims[1], &nvar) == NC_NOERR && nc_inq_attlen(id, NC_GLOBAL, "VAR-LIST", &listlen) == NC_NOERR &&
        listlen == 16 * nvar) {
        std::vector<int> flags(2 * nvar, 0);
        const std::size_t start[3] = {0, 0, 0}, count[3] = {1, nvar, 2};
        std::string list(listlen, ' ');
        bool ok = nc_get_vara_int(id, tflag, start, count, flags.data()) == NC_NOERR &&
                  nc_get_att_text(id, NC_GLOBAL, "VAR-LIST", list.data()) == NC_NOERR;
        for (std::size_t v = 0; ok && v < nvar; ++v) {
            std::string name = list.substr(16 * v, 16);
            name.erase(name.find_last_not_of(' ') + 1);
            int varid = -1;
            ok = flags[2 * v] == jdate && flags[2 * v + 1] == jtime && nc_inq_varid(id, name.c_str(), &varid) == NC_NOERR;
        }
        if (ok) state = Output::LooksComplete;
    }
    nc_close(id);
    return state;
}

// Every data variable of `ref` holds the same values in `p`.
inline bool same_values(const std::filesystem::path& p, const std::filesystem::path& ref,
                        const std::vector<std::string>& vars) {
    const NcFile a(p), b(ref);
    if (a.status != NC_NOERR || b.status != NC_NOERR) return false;
    for (const std::string& v : vars)
        if (a.varid(v) < 0 || a.floats(v) != b.floats(v)) return false;
    return true;
}

// The last n lines of a text, each with its end of line.
inline std::string last_lines(const std::string& text, std::size_t n) {
    std::size_t pos = text.size();
    for (std::size_t k = 0; k <= n; ++k) {
        if (pos == 0) return text;
        pos = text.rfind('\n', pos - 1);
        if (pos == std::string::npos) return text;
    }
    return text.substr(pos + 1);
}

class FaultRun : public ::testing::Test {
public:
    static constexpr int JDATE = 2005001;  // the output time step
    static constexpr int JTIME = 0;

protected:
    void SetUp() override {
        ModelFile f;
        f.lname = "MODEL";
        f.path = dir / "model.nc";
        f.ncols = 10;
        f.nrows = 8;
        f.xorig = -126000.0;  // two whole cells from the output origin, as y
        f.yorig = -96000.0;
        f.xcell = f.ycell = 120000.0 / 10;
        f.vars = {{"O3N", "ppm", "ozone"}, {"NO2N", "ppm", "nitrogen dioxide"}};
        f.value = [](int v, int, int c, int r) { return (v + 1) * 1000 + (r + 1) * 10 + (c + 1); };
        ASSERT_TRUE(write_model_file(f));
    }

    // The output grid of the dialogue: 100 x 80 cells of 3 km.
    static constexpr const char* GRID = "100 80 -150 -120 3";

    // The dialogue with the given input entries and output grid.
    static std::string dialogue(const std::vector<std::string>& entries = {"MODEL"}, const std::string& grid = GRID) {
        std::string d = "33 45 -97 -97 " + grid + "\n2005\nEMISQA\nAIRQUAL\n" + std::to_string(entries.size()) + "\n";
        for (const std::string& e : entries) d += e + "\n";
        return d;
    }

    // The environment: the model file, and the two outputs at the given paths.
    Env env(const std::string& qa, const std::string& aq) const {
        return {{"MODEL", (dir / "model.nc").string()}, {"EMISQA", qa}, {"AIRQUAL", aq}};
    }

    // An undisturbed run in its own directory: the outputs every disturbed run
    // is compared with.
    std::pair<std::filesystem::path, std::filesystem::path> reference(const std::string& grid = GRID) const {
        const std::filesystem::path ref = dir / "reference";
        std::filesystem::create_directories(ref);
        const auto r =
            run_pondra(ref, dialogue({"MODEL"}, grid), env((ref / "qa.nc").string(), (ref / "aq.nc").string()));
        EXPECT_EQ(r.status, 0) << r.log;
        return {ref / "qa.nc", ref / "aq.nc"};
    }

    // The closing block of a fatal end: the line of a failed shut-down (a file
    // that could not be closed), caller, message and, for a date (at time 0),
    // its line.
    static std::string abort_block(const std::string& caller, const std::string& message, int jdate = 0,
                                   bool shut_failed = false) {
        std::string b = "     \n";
        if (shut_failed) b += "     Could not shut down ORVEX files correctly\n";
        b += "     *** ERROR ABORT in subroutine " + caller + "\n     " + message + "\n";
        if (jdate > 0)
            b += "     Date and time  " + orvex::DT2STR(jdate, 0) + "  (" + std::to_string(jdate) + ":000000)\n";
        return b + "     \n";
    }

    // What a reader finds in an output file of this run.
    static Output state(const std::filesystem::path& p) { return output_state(p, JDATE, JTIME); }

    // An output that looks complete holds the reference's values.
    static void expect_complete(const std::filesystem::path& p, const std::filesystem::path& ref) {
        EXPECT_EQ(to_text(state(p)), std::string(to_text(Output::LooksComplete))) << p;
        EXPECT_TRUE(same_values(p, ref, {"O3N", "NO2N"})) << p;
    }

    const Sandbox box{"fault"};
    const std::filesystem::path dir = box.dir();
};

// A native binary output as a reader finds it, read back through the layer of
// the test process: it looks complete when it opens and READ3 of every
// variable at the output date and time succeeds. `values` receives what was
// read, variable by variable.
inline Output binary_state(const std::filesystem::path& p, std::vector<std::vector<float>>* values = nullptr) {
    using namespace orvex;
    if (!std::filesystem::exists(p)) return Output::Missing;
    ::setenv("FAULTBIN", ("BIN:" + p.string()).c_str(), 1);
    if (!OPEN3("FAULTBIN", FSRDONLY3, "FAULTTST")) return Output::Unreadable;
    bool all = DESC3("FAULTBIN") && FDESC3.NVARS3D > 0;
    for (int v = 0; all && v < FDESC3.NVARS3D; ++v) {
        std::vector<float> grid(static_cast<std::size_t>(FDESC3.NCOLS3D) * static_cast<std::size_t>(FDESC3.NROWS3D));
        all = READ3("FAULTBIN", FDESC3.VNAME3D[static_cast<std::size_t>(v)].view(), ALLAYS3, FaultRun::JDATE,
                    FaultRun::JTIME, grid.data());
        if (values != nullptr) values->push_back(std::move(grid));
    }
    CLOSE3("FAULTBIN");
    return all ? Output::LooksComplete : Output::Incomplete;
}

}  // namespace pondra::testing
