// Runs a piece of the layer in a child process with a fresh layer state, its
// own environment, working directory, standard input and captured standard
// output, and reports how the child ended.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

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

#include "gridfile/state3.hpp"
#include "orvex/parms3.hpp"
#include "support/units.hpp"

namespace support_test {

namespace fs = std::filesystem;

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

struct ChildResult {
    int status = -1;  // exit status, or -signal
    std::string out;  // everything the child wrote to standard output
};

// A scratch directory that the child runs in; removed with the object.
class Sandbox {
public:
    Sandbox() {
        std::string templ = (fs::temp_directory_path() / "orvex-support-XXXXXX").string();
        dir_ = mkdtemp(templ.data());
    }
    ~Sandbox() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const fs::path& dir() const { return dir_; }
    fs::path path(const std::string& name) const { return dir_ / name; }

    // Runs body in a child. env: variables to set (a value) or unset (nullopt);
    // LOGFILE, SCENFILE and EXECUTION_ID are unset unless given. A body that
    // returns ends the child with status 0.
    ChildResult run(const std::vector<std::pair<std::string, std::optional<std::string>>>& env,
                    const std::function<void()>& body, const std::string& input = "") const {
        const fs::path out = dir_ / "child.stdout";
        const fs::path in = dir_ / "child.stdin";
        write_file(in, input);
        std::fflush(nullptr);
        const pid_t pid = fork();
        if (pid == 0) {
            const int ofd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int ifd = open(in.c_str(), O_RDONLY);
            dup2(ofd, 1);
            dup2(ifd, 0);
            close(ofd);
            close(ifd);
            if (chdir(dir_.c_str()) != 0) _exit(120);
            for (const char* name : {"LOGFILE", "SCENFILE", "EXECUTION_ID"}) unsetenv(name);
            for (const auto& [name, value] : env) {
                if (value) setenv(name.c_str(), value->c_str(), 1);
                else unsetenv(name.c_str());
            }
            using namespace orvex::detail;
            for (int unit = FIRST_UNIT; unit <= LAST_UNIT; ++unit) close_unit(unit);
            STATE3 = State3{};
            body();
            std::fflush(nullptr);
            _exit(0);
        }
        ChildResult r;
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -WTERMSIG(wstatus);
        r.out = read_file(out);
        return r;
    }

private:
    fs::path dir_;
};

// Lines of a text, each without its end of line.
inline std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream s(text);
    for (std::string line; std::getline(s, line);) lines.push_back(line);
    return lines;
}

}  // namespace support_test
