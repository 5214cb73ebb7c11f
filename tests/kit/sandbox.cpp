#include "tests/kit/sandbox.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "gridfile/state3.hpp"
#include "support/layerstate.hpp"
#include "support/units.hpp"
#include "tests/kit/files.hpp"

namespace kit {

void clear_layer_settings() {
    for (const char* name : LAYER_SETTINGS) unsetenv(name);
}

void set_env(const Env& env) {
    for (const auto& [name, value] : env) {
        if (value) setenv(name.c_str(), value->c_str(), 1);
        else unsetenv(name.c_str());
    }
}

namespace {

// Failures recorded so far in the running test: a child counts only its own.
int recorded_parts() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return info != nullptr ? info->result()->total_part_count() : 0;
}

// The layer as a new process finds it: no unit open, not initialised, the
// table empty.
void reset_layer_state() {
    using namespace orvex::detail;
    for (int unit = FIRST_UNIT; unit <= LAST_UNIT; ++unit) close_unit(unit);
    LAYER_STATE = LayerState{};
    STATE3 = State3{};
}

// The log file named by the last LOGFILE of env, relative to dir.
std::string log_of(const std::filesystem::path& dir, const Env& env) {
    std::optional<std::string> log;
    for (const auto& [name, value] : env)
        if (name == "LOGFILE") log = value;
    return log ? read_file(dir / *log) : std::string();
}

int status_of(int wstatus) { return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -WTERMSIG(wstatus); }

}  // namespace

Sandbox::Sandbox(const std::string& tag) {
    std::string templ = (std::filesystem::temp_directory_path() / ("orvex-" + tag + "-XXXXXX")).string();
    dir_ = mkdtemp(templ.data());
}

Sandbox::~Sandbox() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

Outcome Sandbox::run(const Env& env, const std::function<void()>& body, const std::string& input) const {
    const std::filesystem::path out = dir_ / "child.stdout";
    const std::filesystem::path in = dir_ / "child.stdin";
    write_file(in, input);
    std::fflush(nullptr);
    const int parts_before = recorded_parts();
    const pid_t pid = fork();
    if (pid == 0) {
        const int ofd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int ifd = open(in.c_str(), O_RDONLY);
        dup2(ofd, 1);
        dup2(ifd, 0);
        close(ofd);
        close(ifd);
        if (chdir(dir_.c_str()) != 0) _exit(120);
        clear_layer_settings();
        set_env(env);
        reset_layer_state();
        body();
        std::fflush(nullptr);
        _exit(recorded_parts() > parts_before ? 1 : 0);
    }
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    return Outcome{status_of(wstatus), read_file(out), log_of(dir_, env)};
}

Outcome Sandbox::run_test(const std::string& name, const Env& env) const {
    const std::filesystem::path out = dir_ / "child.stdout";
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        setenv(SANDBOX_DIR, dir_.c_str(), 1);
        set_env(env);
        const int ofd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(ofd, 1);
        const std::string filter = "--gtest_filter=" + name;
        execl("/proc/self/exe", "/proc/self/exe", filter.c_str(), "--gtest_also_run_disabled_tests",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    return Outcome{status_of(wstatus), read_file(out), read_file(dir_ / "log")};
}

void say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

}  // namespace kit
