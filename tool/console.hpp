// Standard error, the person's channel: whole lines (warnings, the failure
// line, the coverage report) and one progress line redrawn in place.
// Standard output and the log are never touched here.
#pragma once

#include <string>
#include <string_view>

namespace pondra {

// A setting of the tool, read with getenv only (never through the layer's
// environment readers, which log a line): set when its first character is
// 1, Y, y, T or t.
bool env_flag(const char* name);

// Shows the progress line from now on (when standard error is a terminal, or
// when PONDRA_PROGRESS is set).
void enable_progress(bool on);
bool progress_enabled();

// Redraws the progress line with `text` (nothing when progress is off).
void show_progress(std::string_view text);
// Removes the progress line.
void clear_progress();
// Seconds since the run started, for the progress line, and their text ("0.8 s").
double run_seconds();
std::string seconds_text(double seconds);

// Writes one whole line (a newline is added), the progress line cleared first
// and redrawn after.
void say(std::string_view line);

}  // namespace pondra
