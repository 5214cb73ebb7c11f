// A scratch directory in which a piece of the layer runs in a child process:
// a fresh layer state, its own environment and standard input, its standard
// output and its log captured.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kit {

// Environment changes: a variable set to a value, or unset (nullopt).
using Env = std::vector<std::pair<std::string, std::optional<std::string>>>;

// How a child ended and what it left.
struct Outcome {
    int status = -1;  // exit status, or minus the signal that ended it
    std::string out;  // its standard output
    std::string log;  // the file LOGFILE named (relative to the sandbox), if it named one
};

// A scratch directory, removed with the object.
class Sandbox {
public:
    explicit Sandbox(const std::string& tag = "test");
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const std::filesystem::path& dir() const { return dir_; }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    // Runs body in a child working in the directory, with `input` on standard
    // input. The layer's settings (LOGFILE, SCENFILE, EXECUTION_ID and the
    // ORVEX_ switches) are cleared, then `env` applied; the layer starts from
    // its first state. The child ends with status 0 when body returns, 1 when
    // an expectation in it failed.
    Outcome run(const Env& env, const std::function<void()>& body, const std::string& input = "") const;

    // Runs the test `name` (suite.test, disabled ones included) of this
    // program in a new process with `env` on top of this one's environment;
    // its ProcessLog is the file "log" of this directory.
    Outcome run_test(const std::string& name, const Env& env) const;

private:
    std::filesystem::path dir_;
};

// A line of a child's own transcript on its standard output.
void say(const std::string& line);

// The variables the layer takes its settings from.
inline constexpr const char* LAYER_SETTINGS[] = {
    "LOGFILE", "SCENFILE", "EXECUTION_ID", "ORVEX_CHECK_HEADERS", "ORVEX_OFFSET_64", "ORVEX_LOG_WRITE"};
void clear_layer_settings();
// pondra's own settings, cleared for its runs unless a test sets them.
inline constexpr const char* TOOL_SETTINGS[] = {"PONDRA_QUIET", "PONDRA_PROGRESS", "PONDRA_OVERLAP"};

// Makes environment changes in this process.
void set_env(const Env& env);

// The variable that hands a process started by run_test its directory.
inline constexpr const char* SANDBOX_DIR = "ORVEX_TEST_SANDBOX";

}  // namespace kit
