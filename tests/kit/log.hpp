// The layer's log as the tests read it: the texts they expect (a line, a
// warning block), the lines between two marks of a captured log, and the log
// of the test process itself with marks in it.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/kit/files.hpp"

namespace kit {

Lines operator+(Lines a, const Lines& b);

// Lines as one text, each with its end of line.
std::string text_of(const Lines& lines);

// A log line as the layer writes it: five blanks, the text without trailing blanks.
std::string logged(std::string text);

// QVWARN's block; with a date or time, the line that shows them.
Lines warning(const std::string& caller, const std::string& text, int jdate = 0, int jtime = 0);
std::string warning_text(const std::string& caller, const std::string& text, int jdate = 0, int jtime = 0);

// The log lines after the last line logged(marker).
Lines after_mark(const std::string& log, const std::string& marker);

// The lines between the last logged(begin) and the next logged(end), without
// the start-up block and the reports of the layer's settings, which come with
// the first use whatever the test does.
Lines between(const std::string& log, const std::string& begin, const std::string& end);

// Whether `block` stands as consecutive lines of `lines`.
bool contains(const Lines& lines, const Lines& block);
long count_of(const Lines& lines, const std::string& line);

// A child's standard output without its indented lines: the transcript it
// printed itself, without the start-up block the layer echoes there.
std::string unindented(const std::string& out);

// The log of the test process itself, in a scratch directory that lives as
// long as the process. The first call of dir() points LOGFILE at file() (and
// clears the layer's other settings), so it must come before anything is
// logged. A process started by Sandbox::run_test uses that sandbox instead.
class ProcessLog {
public:
    static const std::filesystem::path& dir();
    static std::filesystem::path file() { return dir() / "log"; }
};

// The lines a log received after the mark was taken.
class LogMark {
public:
    explicit LogMark(std::filesystem::path log = ProcessLog::file());
    Lines lines() const;

private:
    std::filesystem::path log_;
    std::size_t start_;
};

}  // namespace kit
