// Standard error for people: lines and the progress line.
#include "tool/console.hpp"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace pondra {

namespace {

using Clock = std::chrono::steady_clock;

const Clock::time_point started = Clock::now();
bool progress_on = false;
std::string shown;  // the progress line on the screen, or empty

void put(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

// Carriage return, blanks over what was shown, carriage return.
void erase() {
    if (shown.empty()) return;
    put("\r" + std::string(shown.size(), ' ') + "\r");
}

}  // namespace

bool env_flag(const char* name) {
    const char* v = std::getenv(name);
    if (v == nullptr) return false;
    switch (v[0]) {
        case '1': case 'Y': case 'y': case 'T': case 't': return true;
        default: return false;
    }
}

void enable_progress(bool on) {
    if (!on) clear_progress();
    progress_on = on;
}

bool progress_enabled() { return progress_on; }

void show_progress(std::string_view text) {
    if (!progress_on) return;
    // The new text over the old one, blanks over what is left of the old one.
    std::string line = "\r" + std::string(text);
    if (shown.size() > text.size()) line += std::string(shown.size() - text.size(), ' ') + "\r" + std::string(text);
    put(line);
    shown = text;
}

void clear_progress() {
    erase();
    shown.clear();
}

double run_seconds() { return std::chrono::duration<double>(Clock::now() - started).count(); }

std::string seconds_text(double seconds) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f s", seconds);
    return buf;
}

void say(std::string_view line) {
    const std::string redraw = shown;
    erase();
    put(std::string(line) + "\n");
    if (!redraw.empty()) put(redraw);
}

}  // namespace pondra
