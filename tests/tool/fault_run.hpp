// Runs the built pondra as a child process under an injected fault: a limit
// on the size of the files it writes (with SIGXFSZ ignored, so that a write
// beyond it fails with EFBIG), standard input fed piece by piece, a signal
// sent while it runs, or a private filesystem mounted in the child only (a
// full disk, a read-only directory).
#pragma once

#include <fcntl.h>
#include <netcdf.h>
#include <sched.h>
#include <signal.h>
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

#include "tests/tool/model_files.hpp"
#include "tests/tool/run_pondra.hpp"

namespace pondra::testing {

struct FaultResult {
    int status = -1;  // exit status, or -1 when ended by a signal
    int signal = 0;   // the signal that ended it, or 0
    std::string out, err, log;
};

// Settings of one child run.
struct FaultSpec {
    std::filesystem::path dir;                                  // working directory; outputs of the run go here
    std::vector<std::pair<std::string, std::string>> env;      // added to the environment
    std::optional<rlim_t> file_size_limit;                     // RLIMIT_FSIZE, bytes
    bool ignore_sigxfsz = true;                                // with the limit: fail writes rather than die
};

inline FaultSpec fault_spec(const std::filesystem::path& dir, std::vector<std::pair<std::string, std::string>> env,
                            std::optional<rlim_t> file_size_limit = std::nullopt, bool ignore_sigxfsz = true) {
    FaultSpec s;
    s.dir = dir;
    s.env = std::move(env);
    s.file_size_limit = file_size_limit;
    s.ignore_sigxfsz = ignore_sigxfsz;
    return s;
}

// A running pondra. Standard output, standard error and the log go to
// stdout.txt, stderr.txt and pondra.log in the working directory; standard
// input is a pipe the test writes to.
class PondraChild {
public:
    explicit PondraChild(const FaultSpec& fault) : dir_(fault.dir) {
        std::vector<std::string> env_text;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry(*e);
            bool replaced = entry.rfind("LOGFILE=", 0) == 0;
            for (const auto& [k, v] : fault.env) replaced = replaced || entry.rfind(k + "=", 0) == 0;
            if (!replaced) env_text.push_back(entry);
        }
        env_text.push_back("LOGFILE=" + (fault.dir / "pondra.log").string());
        for (const auto& [k, v] : fault.env) env_text.push_back(k + "=" + v);
        std::vector<char*> envp;
        for (std::string& e : env_text) envp.push_back(e.data());
        envp.push_back(nullptr);
        const std::string exe = ORVEX_PONDRA_EXE;
        char* argv[] = {const_cast<char*>(exe.c_str()), nullptr};
        const std::string out = (fault.dir / "stdout.txt").string();
        const std::string err = (fault.dir / "stderr.txt").string();

        int fds[2];
        if (::pipe(fds) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(fds[0], STDIN_FILENO);
            ::close(fds[0]);
            ::close(fds[1]);
            const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(o, STDOUT_FILENO);
            ::dup2(e, STDERR_FILENO);
            if (::chdir(fault.dir.c_str()) != 0) ::_exit(127);
            if (fault.file_size_limit) {
                const rlimit lim{*fault.file_size_limit, *fault.file_size_limit};
                ::setrlimit(RLIMIT_FSIZE, &lim);
                if (fault.ignore_sigxfsz) ::signal(SIGXFSZ, SIG_IGN);
            }
            ::execve(exe.c_str(), argv, envp.data());
            ::_exit(127);
        }
        ::close(fds[0]);
        in_ = fds[1];
    }
    ~PondraChild() {
        close_input();
        if (pid_ > 0 && !waited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    PondraChild(const PondraChild&) = delete;
    PondraChild& operator=(const PondraChild&) = delete;

    bool started() const { return pid_ > 0 && in_ >= 0; }
    pid_t pid() const { return pid_; }

    void write_input(const std::string& text) {
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = ::write(in_, text.data() + done, text.size() - done);
            if (n <= 0) return;
            done += static_cast<std::size_t>(n);
        }
    }
    void close_input() {
        if (in_ >= 0) ::close(in_);
        in_ = -1;
    }
    void send(int sig) { ::kill(pid_, sig); }

    // Waits for the end of the run and collects what it left.
    FaultResult wait() {
        close_input();
        int w = 0;
        ::waitpid(pid_, &w, 0);
        waited_ = true;
        FaultResult r;
        r.status = WIFEXITED(w) ? WEXITSTATUS(w) : -1;
        r.signal = WIFSIGNALED(w) ? WTERMSIG(w) : 0;
        r.out = slurp(dir_ / "stdout.txt");
        r.err = slurp(dir_ / "stderr.txt");
        r.log = slurp(dir_ / "pondra.log");
        return r;
    }

    // Whether the run is still going (false once it has ended, reaped or not).
    bool running() const {
        siginfo_t info{};
        return ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0;
    }

private:
    std::filesystem::path dir_;
    pid_t pid_ = -1;
    int in_ = -1;
    bool waited_ = false;
};

// Runs pondra on the whole dialogue.
inline FaultResult run_with_fault(const FaultSpec& fault, const std::string& dialogue) {
    PondraChild child(fault);
    if (!child.started()) return {};
    child.write_input(dialogue);
    return child.wait();
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

}  // namespace pondra::testing
