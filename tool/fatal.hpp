// The fatal end of a pondra run.
#pragma once

#include <string>
#include <string_view>

namespace pondra {

// Characters of the message buffer MESG; a longer message is cut.
inline constexpr std::size_t MESGLEN = 256;

// A double-quote character, the name up to its last non-blank (TRIMLEN), and a
// double-quote character.
std::string quoted_trimmed(std::string_view name);

// The text without its leading and trailing blanks.
std::string trimmed(std::string_view text);

// Ends the run through QVEXIT with exit status 2 and the message composed in MESG.
[[noreturn]] void fatal(std::string_view caller, int jdate, int jtime, std::string_view message);

}  // namespace pondra
