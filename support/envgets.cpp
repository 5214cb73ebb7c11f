// The typed environment readers: ENVYN, ENVINT, ENVREAL, ENVDBLE, ENVSTR and
// their NUL-terminated forms. Each call writes exactly one report to the log.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "orvex/operations.hpp"

namespace {

// Longest variable name looked up, and the bound of one composed report.
constexpr std::size_t NAME_MAX_LEN = 9998;
constexpr std::size_t REPORT_MAX = 10000;

// The variable's name: the text up to its first white space.
std::string env_name(const char* name) {
    std::string n;
    for (const char* p = name; *p != '\0' && !std::isspace(static_cast<unsigned char>(*p)) && n.size() < NAME_MAX_LEN;
         ++p)
        n += *p;
    return n;
}

// The value, or nullptr when the variable is not defined (the empty name never is).
const char* env_value(const std::string& name) { return name.empty() ? nullptr : std::getenv(name.c_str()); }

std::string report(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string report(const char* format, ...) {
    std::string text(REPORT_MAX, '\0');
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    text.resize(n < 0 ? 0 : std::min(static_cast<std::size_t>(n), REPORT_MAX));
    return text;
}

void message(const std::string& text) { orvex::QVMESG(text); }

void warning(const char* caller, const std::string& text) { qverrc(caller, 0, 0, text.c_str(), 0); }

const char* truth(bool b) { return b ? "TRUE" : "FALSE"; }

// The C string of a blank-padded field.
std::string c_field(std::string_view s) { return std::string(s); }

// Parses a real as strtod does: true when at least one character was taken.
bool parse_real(const char* value, double& result) {
    char* end = nullptr;
    result = std::strtod(value, &end);
    return end != value;
}

}  // namespace

extern "C" {

int envync(const char* name, const char* /*desc*/, int deflt, int* status) {
    const std::string n = env_name(name);
    const char* v = env_value(n);
    if (v == nullptr) {
        message(report("%s %s %s  %s", "Value for", n.c_str(), "not defined;returning default: ", truth(deflt != 0)));
        *status = -2;
        return deflt;
    }
    if (*v == '\0') {
        message(report("%s %s %s:  %s", "Value for", n.c_str(), "defined but empty; returning default ",
                       truth(deflt != 0)));
        *status = -1;
        return deflt;
    }
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(v[0] == '.' ? v[1] : v[0])));
    if (c == 'T' || c == 'Y' || c == 'F' || c == 'N') {
        const bool value = c == 'T' || c == 'Y';
        message(report("%s %s:  %s %s", "Value for", n.c_str(), v, value ? "returning TRUE" : "returning FALSE"));
        *status = 0;
        return value ? 1 : 0;
    }
    warning("envync", report("%s %s %s: '%.16s', %s  %s", "Value for", n.c_str(), "not T,F,Y, or N ", v,
                             "returning defaultval  ", truth(deflt != 0)));
    *status = 1;
    return deflt;
}

int envintc(const char* name, const char* /*desc*/, int deflt, int* status) {
    const std::string n = env_name(name);
    const char* v = env_value(n);
    if (v == nullptr) {
        message(report("%s %s %s:  %d", "Value for", n.c_str(), "not defined; returning default", deflt));
        *status = -2;
        return deflt;
    }
    if (*v == '\0') {
        message(report("%s %s %s:  %d", "Value for", n.c_str(), "defined but empty; returning default ", deflt));
        *status = -1;
        return deflt;
    }
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(v, &end, 10);
    if (end == v) {
        warning("envintc", report("%s %s %s: '%.16s', %s  %d", "Value for", n.c_str(), "not an integer ", v,
                                  "returning default", deflt));
        *status = 1;
        return deflt;
    }
    // Values beyond the 32-bit range saturate at its ends.
    const int value = parsed > INT_MAX ? INT_MAX : parsed < INT_MIN ? INT_MIN : static_cast<int>(parsed);
    message(report("%s %s:  %d", "Value for", n.c_str(), value));
    *status = 0;
    return value;
}

float envrealc(const char* name, const char* /*desc*/, int* status, float deflt) {
    const std::string n = env_name(name);
    const char* v = env_value(n);
    if (v == nullptr) {
        message(report("%s %s %s:  %G", "Value for", n.c_str(), "not defined; returning default ",
                       static_cast<double>(deflt)));
        *status = -2;
        return deflt;
    }
    if (*v == '\0') {
        message(report("%s %s %s:  %G", "Value for", n.c_str(), "defined but empty; returning default ",
                       static_cast<double>(deflt)));
        *status = -1;
        return deflt;
    }
    double parsed = 0;
    if (!parse_real(v, parsed)) {
        warning("envrealc", report("%s %s %s: '%.16s', %s  %G", "Value for", n.c_str(), "not a real ", v,
                                   "returning default ", static_cast<double>(deflt)));
        *status = 1;
        return deflt;
    }
    const float value = static_cast<float>(parsed);
    message(report("%s %s:  %G", "Value for", n.c_str(), static_cast<double>(value)));
    *status = 0;
    return value;
}

double envdblec(const char* name, const char* /*desc*/, int* status, double deflt) {
    const std::string n = env_name(name);
    const char* v = env_value(n);
    if (v == nullptr) {
        message(report("%s %s %s:  %G", "Value for", n.c_str(), "not defined;returning default ", deflt));
        *status = -2;
        return deflt;
    }
    if (*v == '\0') {
        message(report("%s %s %s:  %G", "Value for", n.c_str(), "defined but empty; returning default ", deflt));
        *status = -1;
        return deflt;
    }
    double value = 0;
    if (!parse_real(v, value)) {
        warning("envdblec", report("%s %s %s: '%.16s', %s  %G", "Value for", n.c_str(), "not a double ", v,
                                   "returning default:", deflt));
        *status = 1;
        return deflt;
    }
    message(report("%s %s:  %G", "Value for ", n.c_str(), value));
    *status = 0;
    return value;
}

void envstrc(const char* name, const char* /*desc*/, const char* deflt, char* value, int* status, int width) {
    const std::string n = env_name(name);
    const char* v = env_value(n);
    std::string head;
    const char* taken = nullptr;
    if (v == nullptr) {
        head = report("%s %s %s:  '", "Value for", n.c_str(), "not defined; returning defaultval '");
        taken = deflt;
        *status = -2;
    } else if (*v == '\0') {
        head = report("%s %s %s:  '", "Value for", n.c_str(), "defined but empty; returning default");
        taken = deflt;
        *status = -1;
    } else {
        head = report("%s %s:  '", "Value for", n.c_str());
        taken = v;
        *status = 0;
    }
    // The buffer holds width - 1 characters and the terminating NUL.
    const std::size_t room = width > 0 ? static_cast<std::size_t>(width) - 1 : 0;
    const std::size_t len = std::min(std::strlen(taken), room);
    if (width > 0) {
        std::memmove(value, taken, len);
        value[len] = '\0';
    }
    std::string text = head;
    text.append(taken, len);
    text += '\'';
    message(text.substr(0, REPORT_MAX));
}

}  // extern "C"

namespace orvex {

bool ENVYN(std::string_view name, std::string_view desc, bool deflt, int& status) {
    return envync(c_field(name).c_str(), c_field(desc).c_str(), deflt ? 1 : 0, &status) != 0;
}

int ENVINT(std::string_view name, std::string_view desc, int deflt, int& status) {
    return envintc(c_field(name).c_str(), c_field(desc).c_str(), deflt, &status);
}

float ENVREAL(std::string_view name, std::string_view desc, float deflt, int& status) {
    return envrealc(c_field(name).c_str(), c_field(desc).c_str(), &status, deflt);
}

double ENVDBLE(std::string_view name, std::string_view desc, double deflt, int& status) {
    return envdblec(c_field(name).c_str(), c_field(desc).c_str(), &status, deflt);
}

void ENVSTR(std::string_view name, std::string_view desc, std::string_view deflt, std::string& eqname, int& status) {
    const std::size_t width = eqname.size();
    std::string buffer(width + 1, '\0');
    envstrc(c_field(name).c_str(), c_field(desc).c_str(), c_field(deflt).c_str(), buffer.data(), &status,
            static_cast<int>(width + 1));
    buffer.resize(std::strlen(buffer.c_str()));
    eqname = buffer;
    eqname.resize(width, ' ');
}

}  // namespace orvex
