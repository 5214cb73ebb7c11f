// Runs the built pondra as a child process in a scratch directory.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace pondra::testing {

// The echo lines of the dialogue "33 45 -97 -97 100 80 -1000 -800 12", 2005,
// EMISQA, AIRQUAL, 0 (after the "max vars" line).
inline const std::string ECHO_100X80_NO_FILES =
    "Projection:               33.       45.      -97.      -97.\n"
    " X and Y cells:         100          80\n"
    " X orig, Y orig, cell size (m):  -1000000.      -800000.0       12000.00    \n"
    " Year for output file:        2005\n"
    " Output emissions QA file:EMISQA          \n"
    " Output air quality file:AIRQUAL         \n"
    " # of input files to pondra:           0\n";

struct RunResult {
    int status = -1;   // exit status, or -1 when it did not exit normally
    std::string out;   // standard output
    std::string err;   // standard error
    std::string log;   // the layer's log file
};

inline std::string slurp(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

inline std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// A fresh scratch directory per call.
inline std::filesystem::path scratch_dir(const std::string& tag) {
    std::string tmpl = (std::filesystem::temp_directory_path() / ("pondra-" + tag + "-XXXXXX")).string();
    return std::filesystem::path(mkdtemp(tmpl.data()));
}

// Runs pondra in `dir` with `dialogue` on standard input, the log in
// dir/pondra.log and the given environment additions.
inline RunResult run_pondra(const std::filesystem::path& dir, const std::string& dialogue,
                            const std::vector<std::pair<std::string, std::string>>& env = {}) {
    std::ofstream(dir / "dialogue.txt", std::ios::binary) << dialogue;
    std::string cmd = "cd " + quoted(dir.string()) + " && env LOGFILE=" + quoted((dir / "pondra.log").string());
    for (const auto& [k, v] : env) cmd += " " + k + "=" + quoted(v);
    cmd += " " + quoted(ORVEX_PONDRA_EXE) + " < dialogue.txt > stdout.txt 2> stderr.txt";
    const int w = std::system(cmd.c_str());
    RunResult r;
    r.status = WIFEXITED(w) ? WEXITSTATUS(w) : -1;
    r.out = slurp(dir / "stdout.txt");
    r.err = slurp(dir / "stderr.txt");
    r.log = slurp(dir / "pondra.log");
    return r;
}

}  // namespace pondra::testing
