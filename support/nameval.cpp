// NAMEVAL, SETENVVAR and RMFILE: the plain environment lookup, setting a
// variable, and removing a file.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "orvex/operations.hpp"
#include "orvex/text.hpp"

namespace orvex {

namespace {

// Copies text into field, cut to the field's width and blank-padded.
void fill_field(std::string& field, std::string_view text) {
    const std::size_t width = field.size();
    field.assign(text.substr(0, std::min(width, text.size())));
    field.resize(width, ' ');
}

// The leading part of a field up to its first character that stops(c), at most max characters.
template <class Stop>
std::string leading_word(std::string_view s, std::size_t max, Stop stops) {
    std::size_t n = 0;
    while (n < s.size() && n < max && s[n] != '\0' && !stops(s[n])) ++n;
    return std::string(s.substr(0, n));
}

}  // namespace

void NAMEVAL(std::string_view name, std::string& eqname) {
    const std::string key = leading_word(name, 511, [](char c) { return c == ' '; });
    const char* value = key.empty() ? nullptr : std::getenv(key.c_str());
    fill_field(eqname, value != nullptr ? std::string_view(value) : name);
}

bool SETENVVAR(std::string_view lname, std::string_view value) {
    const std::string_view n = trim_right(lname);
    const std::string_view v = trim_right(value);
    // A variable needs a name, and the name cannot hold the equals sign.
    if (n.empty() || n.find('=') != std::string_view::npos) return false;
    // The environment keeps the text itself, so it stays allocated for the rest
    // of the run; the list keeps every such text reachable, also after the
    // variable has been set again or removed.
    static auto* kept = new std::vector<char*>;
    char* text = static_cast<char*>(std::malloc(n.size() + v.size() + 2));
    if (text == nullptr) {
        QVMESG("SETENVVAR:  malloc() failure");
        return false;
    }
    std::memcpy(text, n.data(), n.size());
    text[n.size()] = '=';
    std::memcpy(text + n.size() + 1, v.data(), v.size());
    text[n.size() + 1 + v.size()] = '\0';
    if (putenv(text) != 0) {
        std::free(text);
        return false;
    }
    kept->push_back(text);
    return true;
}

int RMFILE(std::string_view fname) {
    const std::string path = leading_word(fname, 255, [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; });
    errno = 0;
    if (unlink(path.c_str()) == 0) return 0;
    const int code = errno;
    const char* cause = code != 0 ? std::strerror(code) : nullptr;
    QVWARN("RMFILE", 0, 0, cause != nullptr && *cause != '\0' ? cause : "Error unlinking file");
    return -1;
}

}  // namespace orvex
