// The built pondra run as a child process in a directory: its standard input
// fed whole or piece by piece, its standard output, standard error and log
// collected, optionally under a limit on the size of the files it writes or
// on its running time.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/kit/sandbox.hpp"

namespace kit {

// How a run ended and what it left.
struct RunResult {
    int status = -1;  // exit status, or -1 when it did not exit normally
    int signal = 0;   // the signal that ended it, or 0
    std::string out, err, log;
};

// Settings of one run.
struct Launch {
    std::filesystem::path dir;  // working directory; stdout.txt, stderr.txt and pondra.log go here
    Env env;                    // on top of this process's environment, the layer's settings cleared
    // LOGFILE, relative to dir; nullopt: unset (the log on standard output).
    std::optional<std::string> log = "pondra.log";
    std::string out;                        // standard output to this path instead of stdout.txt (not read back)
    std::optional<rlim_t> file_size_limit;  // RLIMIT_FSIZE, bytes
    bool ignore_sigxfsz = true;             // with the limit: fail writes rather than die
    unsigned time_limit = 0;                // seconds before SIGALRM ends it; 0: none
    std::vector<std::string> args;          // command-line arguments after the program name
    std::filesystem::path stdin_file;       // standard input from this file instead of the pipe
};

// A running pondra; standard input is a pipe the test writes to.
class Pondra {
public:
    explicit Pondra(Launch launch);
    ~Pondra();
    Pondra(const Pondra&) = delete;
    Pondra& operator=(const Pondra&) = delete;

    bool started() const { return pid_ > 0 && in_ >= 0; }
    void write_input(const std::string& text);
    void close_input();
    void send(int sig);
    // Waits for the end of the run and collects what it left.
    RunResult wait();

private:
    Launch launch_;
    pid_t pid_ = -1;
    int in_ = -1;
    bool waited_ = false;
};

// Runs pondra on the whole of `input`.
RunResult run_pondra(const Launch& launch, const std::string& input);
RunResult run_pondra(const std::filesystem::path& dir, const std::string& input, const Env& env = {});

}  // namespace kit
