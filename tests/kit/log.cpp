#include "tests/kit/log.hpp"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "orvex/operations.hpp"
#include "tests/kit/sandbox.hpp"

namespace kit {

Lines operator+(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string text_of(const Lines& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

std::string logged(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return "     " + text;
}

Lines warning(const std::string& caller, const std::string& text, int jdate, int jtime) {
    Lines w{"     ", logged(">>--->> WARNING in subroutine " + caller), logged(text)};
    if (jdate > 0 || jtime > 0) w.push_back(logged("QVWARN:  DTBUF " + orvex::DT2STR(jdate, jtime)));
    w.push_back("     ");
    return w;
}

std::string warning_text(const std::string& caller, const std::string& text, int jdate, int jtime) {
    return text_of(warning(caller, text, jdate, jtime));
}

Lines after_mark(const std::string& log, const std::string& marker) {
    const Lines lines = lines_of(log);
    const auto it = std::find(lines.rbegin(), lines.rend(), logged(marker));
    if (it == lines.rend()) return {};
    return {it.base(), lines.end()};
}

Lines between(const std::string& log, const std::string& begin, const std::string& end) {
    Lines lines = after_mark(log, begin);
    lines.erase(std::find(lines.begin(), lines.end(), logged(end)), lines.end());
    const auto init = std::find(lines.begin(), lines.end(), "     ORVEX not yet initialized");
    if (init != lines.end()) lines.erase(lines.begin(), init + 1);
    std::erase_if(lines, [](const std::string& l) { return l.rfind("     Value for ORVEX_", 0) == 0; });
    return lines;
}

bool contains(const Lines& lines, const Lines& block) {
    return std::search(lines.begin(), lines.end(), block.begin(), block.end()) != lines.end();
}

long count_of(const Lines& lines, const std::string& line) { return std::count(lines.begin(), lines.end(), line); }

std::string unindented(const std::string& out) {
    std::string text;
    for (const std::string& line : lines_of(out))
        if (line.rfind("     ", 0) != 0) text += line + "\n";
    return text;
}

namespace {

class Scratch {
public:
    Scratch() {
        if (const char* given = std::getenv(SANDBOX_DIR)) {
            dir_ = given;
        } else {
            std::string templ = (std::filesystem::temp_directory_path() / "orvex-test-XXXXXX").string();
            dir_ = mkdtemp(templ.data());
            owner_ = getpid();
            clear_layer_settings();
        }
        setenv("LOGFILE", (dir_ / "log").c_str(), 1);
    }
    // Children forked by tests end through std::exit too: only the process
    // that made the directory removes it.
    ~Scratch() {
        std::error_code ec;
        if (owner_ == getpid()) std::filesystem::remove_all(dir_, ec);
    }
    std::filesystem::path dir_;
    pid_t owner_ = -1;
};

}  // namespace

const std::filesystem::path& ProcessLog::dir() {
    static const Scratch scratch;
    return scratch.dir_;
}

LogMark::LogMark(std::filesystem::path log) : log_(std::move(log)) {
    std::error_code ec;
    const auto n = std::filesystem::file_size(log_, ec);
    start_ = ec ? 0 : static_cast<std::size_t>(n);
}

Lines LogMark::lines() const { return lines_of(read_file(log_).substr(start_)); }

}  // namespace kit
