// Output lost on the way: the check made when a pondra run ends.
#include "tool/lostoutput.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <streambuf>

namespace pondra {

namespace {

bool armed = false;

// std::cout's buffer during a run: every character goes straight on to
// stdout's own buffer, as with the standard synchronised one, through the
// layer's checked writes: a failed write or flush is remembered, with its
// failure code, in the layer's record (and errno is left alone). The stream
// itself stays good, so that every later line is still tried.
class StdoutBuf : public std::streambuf {
protected:
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            const char ch = traits_type::to_char_type(c);
            orvex::detail::stdout_text(std::string_view(&ch, 1));
        }
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        if (n > 0) orvex::detail::stdout_text(std::string_view(s, static_cast<std::size_t>(n)));
        return n;
    }
    int sync() override {
        orvex::detail::checked_flush(stdout);
        return 0;
    }
};

std::string named(const std::string& what, int code) {
    return code > 0 ? what + " (" + std::strerror(code) + ")" : what;
}

// Runs inside exit(), after QVEXIT or the return from main have written and
// closed everything of the layer: the exit status can only be changed by
// ending the process here.
void at_exit() {
    const std::string line = final_lost_line();
    if (line.empty()) return;
    std::fputs((line + "\n").c_str(), stderr);
    std::fflush(stderr);
    std::_Exit(2);
}

}  // namespace

std::string lost_output_line(const orvex::detail::LostOutput& layer, bool stdout_lost) {
    const bool out = layer.standard_output.lost || stdout_lost;
    const bool log = layer.log_file.lost;
    if (!out && !log) return "";
    const std::string out_text = named("standard output", layer.standard_output.code);
    const std::string log_text =
        named(layer.log_path.empty() ? "the log file" : "the log file " + layer.log_path, layer.log_file.code);
    if (out && log) return "pondra: could not write " + out_text + " or " + log_text;
    return "pondra: could not write " + (out ? out_text : log_text);
}

void watch_output() {
    // Never destroyed: std::cout may still be flushed after every static object is gone.
    static StdoutBuf* const buf = new StdoutBuf;
    std::cout.rdbuf(buf);
    static const bool registered = std::atexit(at_exit) == 0;
    armed = registered;
}

void skip_output_check() { armed = false; }

std::string final_lost_line() {
    if (!armed) return "";
    armed = false;
    std::cout.flush();
    orvex::detail::checked_flush(stdout);
    const bool lost = std::cout.bad() || std::ferror(stdout) != 0;
    return lost_output_line(orvex::detail::lost_output(), lost);
}

}  // namespace pondra
