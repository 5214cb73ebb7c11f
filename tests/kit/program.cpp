#include "tests/kit/program.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "tests/kit/files.hpp"

namespace kit {

namespace {

// This process's environment without the layer's settings and the names
// launch sets, then LOGFILE and launch's own variables.
std::vector<std::string> environment_of(const Launch& launch) {
    const auto replaced = [&](const std::string& entry) {
        for (const char* name : LAYER_SETTINGS)
            if (entry.rfind(std::string(name) + "=", 0) == 0) return true;
        for (const char* name : TOOL_SETTINGS)
            if (entry.rfind(std::string(name) + "=", 0) == 0) return true;
        for (const auto& [name, value] : launch.env)
            if (entry.rfind(name + "=", 0) == 0) return true;
        return false;
    };
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e)
        if (!replaced(*e)) env.emplace_back(*e);
    if (launch.log) env.push_back("LOGFILE=" + (launch.dir / *launch.log).string());
    for (const auto& [name, value] : launch.env)
        if (value) env.push_back(name + "=" + *value);
    return env;
}

}  // namespace

Pondra::Pondra(Launch launch) : launch_(std::move(launch)) {
    std::vector<std::string> env_text = environment_of(launch_);
    std::vector<char*> envp;
    for (std::string& e : env_text) envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string exe = ORVEX_PONDRA_EXE;
    std::vector<char*> argv = {const_cast<char*>(exe.c_str())};
    for (std::string& a : launch_.args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string out = launch_.out.empty() ? (launch_.dir / "stdout.txt").string() : launch_.out;
    const std::string err = (launch_.dir / "stderr.txt").string();

    int fds[2];
    if (::pipe(fds) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
        if (launch_.stdin_file.empty()) {
            ::dup2(fds[0], STDIN_FILENO);
        } else {
            const int i = ::open(launch_.stdin_file.c_str(), O_RDONLY);
            ::dup2(i, STDIN_FILENO);
        }
        ::close(fds[0]);
        ::close(fds[1]);
        const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(o, STDOUT_FILENO);
        ::dup2(e, STDERR_FILENO);
        if (::chdir(launch_.dir.c_str()) != 0) ::_exit(127);
        if (launch_.file_size_limit) {
            const rlimit lim{*launch_.file_size_limit, *launch_.file_size_limit};
            ::setrlimit(RLIMIT_FSIZE, &lim);
            if (launch_.ignore_sigxfsz) ::signal(SIGXFSZ, SIG_IGN);
        }
        if (launch_.time_limit > 0) ::alarm(launch_.time_limit);
        ::execve(exe.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(fds[0]);
    in_ = fds[1];
}

Pondra::~Pondra() {
    close_input();
    if (pid_ > 0 && !waited_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

void Pondra::write_input(const std::string& text) {
    // A run that has ended reads no more: the rest is dropped, not a SIGPIPE.
    struct sigaction ignore {}, old {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &old);
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(in_, text.data() + done, text.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::sigaction(SIGPIPE, &old, nullptr);
}

void Pondra::close_input() {
    if (in_ >= 0) ::close(in_);
    in_ = -1;
}

void Pondra::send(int sig) { ::kill(pid_, sig); }

RunResult Pondra::wait() {
    close_input();
    int w = 0;
    ::waitpid(pid_, &w, 0);
    waited_ = true;
    RunResult r;
    r.status = WIFEXITED(w) ? WEXITSTATUS(w) : -1;
    r.signal = WIFSIGNALED(w) ? WTERMSIG(w) : 0;
    if (launch_.out.empty()) r.out = read_file(launch_.dir / "stdout.txt");
    r.err = read_file(launch_.dir / "stderr.txt");
    if (launch_.log) r.log = read_file(launch_.dir / *launch_.log);
    return r;
}

RunResult run_pondra(const Launch& launch, const std::string& input) {
    Pondra child(launch);
    if (!child.started()) return {};
    child.write_input(input);
    return child.wait();
}

RunResult run_pondra(const std::filesystem::path& dir, const std::string& input, const Env& env) {
    Launch launch;
    launch.dir = dir;
    launch.env = env;
    return run_pondra(launch, input);
}

}  // namespace kit
