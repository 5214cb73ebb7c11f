// The one line of a failed run.
#include "tool/failure.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "orvex/text.hpp"
#include "support/logfile.hpp"
#include "tool/console.hpp"
#include "tool/fatal.hpp"
#include "tool/lostoutput.hpp"
#include "tool/overlap.hpp"

namespace pondra {

namespace {

Step current = Step::Start;
std::string current_name, current_var;

// Where a logical name leads: its value (the path part of "BIN:path" and of
// "path -v"), or the name itself when it is not set.
struct Target {
    bool set = false;
    bool list = false;
    std::string value, path;
};

Target target_of(const std::string& lname) {
    Target t;
    const char* v = std::getenv(lname.c_str());
    t.set = v != nullptr;
    t.value = t.set ? trimmed(v) : lname;
    t.path = t.value;
    if (t.path.size() > 3 && t.path.ends_with(" -v")) t.path = trimmed(t.path.substr(0, t.path.size() - 3));
    if (t.path.starts_with("BIN:")) t.path = t.path.substr(4);
    t.list = t.path.starts_with("LIST:");
    return t;
}

// "NEST1 (/data/nest1.nc)", or the unset-name explanation.
std::string naming(const std::string& lname, const Target& t) {
    if (!t.set)
        return lname + ": the logical name " + lname + " is not set in the environment, so \"" + lname +
               "\" was taken as a path";
    return lname + " (" + t.value + ")";
}

std::string system_text(int code) { return std::strerror(code); }

// Why an existing file cannot be read, when the system can say.
std::string input_cause(const std::string& lname) {
    const Target t = target_of(lname);
    std::string line = "could not open input file " + naming(lname, t);
    if (t.list) return line + "; one of the list's files could not be opened";
    struct stat st {};
    if (::stat(t.path.c_str(), &st) != 0) return line + ": " + system_text(errno);
    if (S_ISDIR(st.st_mode)) return line + ": " + system_text(EISDIR);
    if (::access(t.path.c_str(), R_OK) != 0) return line + ": " + system_text(errno);
    return line + ": the file is not a gridded file the library can read";
}

// Why a new file cannot be created, when the system can say.
std::string output_cause(const std::string& lname) {
    const Target t = target_of(lname);
    std::string line = "could not create output file " + naming(lname, t);
    const std::filesystem::path path(t.path);
    const std::filesystem::path dir = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0) {
        if (errno == ENOENT) return line + ": the output directory " + dir.string() + " does not exist";
        return line + ": " + dir.string() + ": " + system_text(errno);
    }
    if (!S_ISDIR(st.st_mode)) return line + ": " + dir.string() + " is not a directory";
    if (::access(dir.c_str(), W_OK) != 0) return line + ": " + dir.string() + ": " + system_text(errno);
    return line;
}

std::string log_cause(const orvex::ExitNotice& n) {
    std::string line = "could not create the log file " + std::string(n.path) + " (LOGFILE): ";
    if (n.error == EEXIST) return line + system_text(n.error) + "; a log file is never overwritten or appended to";
    const std::filesystem::path path(n.path);
    if (n.error == ENOENT && path.has_parent_path() && !std::filesystem::exists(path.parent_path()))
        return line + "the directory " + path.parent_path().string() + " does not exist";
    return line + (n.error > 0 ? system_text(n.error) : "error " + std::to_string(n.error));
}

std::string where_details() {
    const std::string& log = orvex::detail::lost_output().log_path;
    return log.empty() || log == "/dev/null" ? "on standard output" : "in the log " + log;
}

void on_exit(const orvex::ExitNotice& notice) {
    // The matching thread never outlives the run's end.
    stop_active_queue();
    const std::string lost = final_lost_line();
    if (notice.status == 0) {
        if (!lost.empty()) {
            clear_progress();
            std::fputs((lost + "\n").c_str(), stderr);
            std::fflush(stderr);
            std::_Exit(2);
        }
        return;
    }
    std::string line = "pondra: " + failure_text(current, current_name, current_var, notice, where_details());
    // What was lost on the way joins the same line.
    if (!lost.empty()) line += "; and " + lost.substr(std::string_view("pondra: ").size());
    clear_progress();
    say(line);
}

}  // namespace

void doing(Step step, std::string_view lname, std::string_view vname) {
    current = step;
    current_name = trimmed(lname);
    current_var = trimmed(vname);
}

void watch_failures() { orvex::set_exit_hook(on_exit); }

std::string failure_text(Step step, std::string_view lname, std::string_view vname,
                         const orvex::ExitNotice& notice, std::string_view details) {
    const std::string name(lname);
    const std::string var(vname);
    std::string text;
    switch (notice.cause) {
        case orvex::ExitCause::LogOpen: return log_cause(notice) + "; details on standard output";
        case orvex::ExitCause::NoUnit: text = "no I/O unit left to open a file"; break;
        case orvex::ExitCause::Clock: text = "the system clock could not be read"; break;
        case orvex::ExitCause::Program:
            if (step == Step::OpenInput && notice.message.starts_with("Could not open file"))
                text = input_cause(name);
            else if (step == Step::CreateOutput && notice.message.starts_with("Could not open file"))
                text = output_cause(name);
            else if (step == Step::ReadInput && notice.message.starts_with("Read failure"))
                text = "could not read variable " + var + " of input file " + naming(name, target_of(name));
            else if (step == Step::WriteOutput && notice.message.starts_with("Could not write"))
                text = "could not write variable " + var + " to output file " + naming(name, target_of(name));
            else
                text = trimmed(notice.message);
            break;
    }
    return text + "; details " + std::string(details);
}

}  // namespace pondra
