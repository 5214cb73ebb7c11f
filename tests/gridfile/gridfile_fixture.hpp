// Helpers of the file-layer tests: every scenario runs in a child process of
// its own (fresh layer state, its own log file and environment, run in a
// scratch directory), and descriptions of every file type to create.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <netcdf.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "orvex/fdesc3.hpp"
#include "orvex/operations.hpp"
#include "orvex/parms3.hpp"

namespace gf_test {

namespace fs = std::filesystem;
using namespace orvex;

inline std::string read_file(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void write_file(const fs::path& p, const std::string& text) {
    std::ofstream out(p, std::ios::binary);
    out << text;
}

// Lines of a text, each without its end of line.
inline std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream s(text);
    for (std::string line; std::getline(s, line);) lines.push_back(line);
    return lines;
}

// The log lines after the last line equal to "     " + marker.
inline std::vector<std::string> after_mark(const std::string& log, const std::string& marker) {
    const std::vector<std::string> lines = lines_of(log);
    const auto it = std::find(lines.rbegin(), lines.rend(), "     " + marker);
    if (it == lines.rend()) return {};
    return {it.base(), lines.end()};
}

// The lines between the last "     " + begin and the next "     " + end,
// without the start-up block and the reports of the layer's switches, which
// come with the first use whatever the test does.
inline std::vector<std::string> between(const std::string& log, const std::string& begin, const std::string& end) {
    std::vector<std::string> lines = after_mark(log, begin);
    lines.erase(std::find(lines.begin(), lines.end(), "     " + end), lines.end());
    const auto init = std::find(lines.begin(), lines.end(), "     ORVEX not yet initialized");
    if (init != lines.end()) lines.erase(lines.begin(), init + 1);
    std::erase_if(lines, [](const std::string& l) { return l.rfind("     Value for ORVEX_", 0) == 0; });
    return lines;
}

using Env = std::vector<std::pair<std::string, std::optional<std::string>>>;

struct Outcome {
    int status = -1;  // exit status of the child, or -signal
    std::string log;  // the layer's log
    std::string out;  // the child's standard output
};

// A scratch directory; each run() forks a child that works in it.
class Sandbox {
public:
    Sandbox() {
        std::string templ = (fs::temp_directory_path() / "orvex-gridfile-XXXXXX").string();
        dir_ = mkdtemp(templ.data());
        write_file(dir_ / "scenario.txt", "Scenario line one\nScenario line two\n");
    }
    ~Sandbox() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const fs::path& dir() const { return dir_; }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    // Runs body in a child with LOGFILE (a new file), EXECUTION_ID "gridfile-test"
    // and SCENFILE (two lines) set; env overrides them (nullopt unsets). The
    // child ends with status 0 unless an assertion in body failed (1).
    Outcome run(const Env& env, const std::function<void()>& body) {
        const fs::path log = dir_ / ("log" + std::to_string(++runs_) + ".txt");
        const fs::path out = dir_ / ("out" + std::to_string(runs_) + ".txt");
        std::fflush(nullptr);
        const int parts_before = recorded_parts();
        const pid_t pid = fork();
        if (pid == 0) {
            const int ofd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(ofd, 1);
            close(ofd);
            if (chdir(dir_.c_str()) != 0) _exit(120);
            setenv("LOGFILE", log.c_str(), 1);
            setenv("EXECUTION_ID", "gridfile-test", 1);
            setenv("SCENFILE", (dir_ / "scenario.txt").c_str(), 1);
            unsetenv("ORVEX_CHECK_HEADERS");
            unsetenv("ORVEX_OFFSET_64");
            for (const auto& [name, value] : env) {
                if (value) setenv(name.c_str(), value->c_str(), 1);
                else unsetenv(name.c_str());
            }
            body();
            std::fflush(nullptr);
            _exit(recorded_parts() > parts_before ? 1 : 0);
        }
        Outcome r;
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -WTERMSIG(wstatus);
        r.log = read_file(log);
        r.out = read_file(out);
        return r;
    }

private:
    // Failures recorded so far in the running test: a child counts only its own.
    static int recorded_parts() {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        return info != nullptr ? info->result()->total_part_count() : 0;
    }
    fs::path dir_;
    int runs_ = 0;
};

// A description of a small file of the given type, valid under the header
// checks: 4 columns, 3 rows, 2 layers, hourly from 2020001:000000.
inline void describe(int ftype, int nvars = 2) {
    Fdesc3& d = FDESC3;
    d = Fdesc3{};
    d.FTYPE3D = ftype;
    d.SDATE3D = 2020001;
    d.STIME3D = 0;
    d.TSTEP3D = 10000;
    d.NVARS3D = nvars;
    d.NCOLS3D = 4;
    d.NROWS3D = 3;
    d.NLAYS3D = 2;
    d.NTHIK3D = ftype == KFEVNT3 ? 5 : 1;
    d.GDTYP3D = 2;
    d.P_ALP3D = 30.0;
    d.P_BET3D = 60.0;
    d.P_GAM3D = -90.0;
    d.XCENT3D = -90.0;
    d.YCENT3D = 40.0;
    d.XORIG3D = -1000.0;
    d.YORIG3D = -2000.5;
    d.XCELL3D = 12000.0;
    d.YCELL3D = 12000.0;
    d.VGTYP3D = 7;
    d.VGTOP3D = 10000.0f;
    d.VGLVS3D[0] = 1.0f;
    d.VGLVS3D[1] = 0.9f;
    d.VGLVS3D[2] = 0.5f;
    d.GDNAM3D = "TESTGRID";
    d.FDESC3D[0] = "A test file";
    d.FDESC3D[1] = "of the file layer";
    const char* names[] = {"O3", "NO2", "AIR_LAT", "AIR_LON", "AIR_ELV"};
    for (int v = 0; v < nvars; ++v) {
        const auto i = static_cast<std::size_t>(v);
        d.VNAME3D[i] = v < 5 ? names[v] : "V" + std::to_string(v);
        d.UNITS3D[i] = v % 2 == 0 ? "ppmV" : "moles/s";
        d.VDESC3D[i] = "Variable " + std::string(d.VNAME3D[i].trimmed());
        d.VTYPE3D[i] = v % 3 == 0 ? QVREAL : v % 3 == 1 ? QVINT : QVDBLE;
    }
    if (ftype == GRDATT3)
        for (int v = 0; v < nvars; ++v) {
            const auto i = static_cast<std::size_t>(v);
            FDATT3.NATTS3D[i] = v + 1;
            for (int a = 0; a <= v; ++a) {
                FDATT3.ATTNAM3D[i][static_cast<std::size_t>(a)] = "ATT" + std::to_string(a);
                FDATT3.ATTVAL3D[i][static_cast<std::size_t>(a)] = 1.5f * static_cast<float>(a + 1) + static_cast<float>(v);
            }
        }
}

// Global attribute helpers for netCDF files made or changed by the tests.
inline int nc_int_att(const std::string& path, const char* name) {
    int ncid = -1;
    int value = IMISS3;
    if (nc_open(path.c_str(), NC_NOWRITE, &ncid) != NC_NOERR) return IMISS3;
    nc_get_att_int(ncid, NC_GLOBAL, name, &value);
    nc_close(ncid);
    return value;
}

// Opens path for writing, runs edit in define mode, closes; the netCDF status.
inline int nc_edit(const std::string& path, const std::function<int(int)>& edit) {
    int ncid = -1;
    int status = nc_open(path.c_str(), NC_WRITE, &ncid);
    if (status != NC_NOERR) return status;
    status = nc_redef(ncid);
    if (status == NC_NOERR) status = edit(ncid);
    const int closed = nc_close(ncid);
    return status != NC_NOERR ? status : closed;
}

// Runs a shell command; its standard output.
inline std::string shell(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n = 0;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    return out;
}

}  // namespace gf_test
