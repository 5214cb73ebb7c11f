// The typed environment readers: ENVYN, ENVINT, ENVREAL, ENVDBLE, ENVSTR and
// their NUL-terminated forms. Each call writes exactly one report to the log.
#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
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

// The reports of one typed reader. Each template's last piece is the value,
// formatted beforehand as "%d", "%G" or TRUE/FALSE would show it.
struct Wording {
    const char* caller;             // caller tag of the warning
    const char* undefined_format;   // template of the "not defined" report
    const char* undefined;          // its third piece
    const char* empty;              // third piece of the "defined but empty" report
    const char* found;              // first piece of the report of an understood value
    const char* bad;                // third piece of the warning
    const char* returning;          // fifth piece of the warning
};

// The steps every typed reader follows: not defined (-2), empty (-1),
// understood (0) or not recognised (1, a warning); one report each.
template <class T, class Parse, class Show, class ShowFound>
T read_typed(const char* name, T deflt, int* status, const Wording& w, Parse parse, Show show, ShowFound show_found) {
    const std::string n = env_name(name);
    const char* v = env_value(n);
    if (v == nullptr) {
        orvex::QVMESG(report(w.undefined_format, "Value for", n.c_str(), w.undefined, show(deflt).c_str()));
        *status = -2;
        return deflt;
    }
    if (*v == '\0') {
        orvex::QVMESG(report("%s %s %s:  %s", "Value for", n.c_str(), w.empty, show(deflt).c_str()));
        *status = -1;
        return deflt;
    }
    const std::optional<T> value = parse(v);
    if (!value) {
        const std::string text =
            report("%s %s %s: '%.16s', %s  %s", "Value for", n.c_str(), w.bad, v, w.returning, show(deflt).c_str());
        qverrc(w.caller, 0, 0, text.c_str(), 0);
        *status = 1;
        return deflt;
    }
    orvex::QVMESG(report("%s %s:  %s", w.found, n.c_str(), show_found(v, *value).c_str()));
    *status = 0;
    return *value;
}

std::string show_truth(int b) { return b != 0 ? "TRUE" : "FALSE"; }
std::string show_int(int v) { return report("%d", v); }
std::string show_real(double v) { return report("%G", v); }

template <class T>
auto shown(std::string (*show)(T)) {
    return [show](const char*, T value) { return show(value); };
}

// A real as strtod reads it: at least one character taken, the rest ignored.
std::optional<double> parse_real(const char* value) {
    char* end = nullptr;
    const double result = std::strtod(value, &end);
    return end != value ? std::optional<double>(result) : std::nullopt;
}

// One row per reader: name, message format, then the texts of its cases.
// clang-format off
constexpr Wording kYn   = {"envync",   "%s %s %s  %s",  "not defined;returning default: ", "defined but empty; returning default ", "Value for",  "not T,F,Y, or N ", "returning defaultval  "};
constexpr Wording kInt  = {"envintc",  "%s %s %s:  %s", "not defined; returning default",  "defined but empty; returning default ", "Value for",  "not an integer ",  "returning default"};
constexpr Wording kReal = {"envrealc", "%s %s %s:  %s", "not defined; returning default ", "defined but empty; returning default ", "Value for",  "not a real ",      "returning default "};
constexpr Wording kDble = {"envdblec", "%s %s %s:  %s", "not defined;returning default ",  "defined but empty; returning default ", "Value for ", "not a double ",    "returning default:"};
// clang-format on

// The C string of a blank-padded field.
std::string c_field(std::string_view s) { return std::string(s); }

}  // namespace

extern "C" {

int envync(const char* name, const char* /*desc*/, int deflt, int* status) {
    // Only the first character counts, or the second after a leading ".".
    const auto parse = [](const char* v) -> std::optional<int> {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(v[0] == '.' ? v[1] : v[0])));
        if (c == 'T' || c == 'Y') return 1;
        if (c == 'F' || c == 'N') return 0;
        return std::nullopt;
    };
    const auto show_found = [](const char* v, int b) {
        return std::string(v) + (b != 0 ? " returning TRUE" : " returning FALSE");
    };
    return read_typed(name, deflt != 0 ? 1 : 0, status, kYn, parse, show_truth, show_found);
}

int envintc(const char* name, const char* /*desc*/, int deflt, int* status) {
    const auto parse = [](const char* v) -> std::optional<int> {
        char* end = nullptr;
        const long parsed = std::strtol(v, &end, 10);
        if (end == v) return std::nullopt;
        // Values beyond the 32-bit range saturate at its ends.
        return parsed > INT_MAX ? INT_MAX : parsed < INT_MIN ? INT_MIN : static_cast<int>(parsed);
    };
    return read_typed(name, deflt, status, kInt, parse, show_int, shown(show_int));
}

float envrealc(const char* name, const char* /*desc*/, int* status, float deflt) {
    const auto parse = [](const char* v) -> std::optional<float> {
        const std::optional<double> d = parse_real(v);
        return d ? std::optional<float>(static_cast<float>(*d)) : std::nullopt;
    };
    const auto show = [](float v) { return show_real(static_cast<double>(v)); };
    return read_typed(name, deflt, status, kReal, parse, show,
                      [show](const char*, float v) { return show(v); });
}

double envdblec(const char* name, const char* /*desc*/, int* status, double deflt) {
    return read_typed(name, deflt, status, kDble, parse_real, show_real, shown(show_real));
}

void envstrc(const char* name, const char* /*desc*/, const char* deflt, char* value, int* status, int width) {
    const std::string n = env_name(name);
    const char* v = env_value(n);
    std::string text;
    const char* taken = nullptr;
    if (v == nullptr) {
        text = report("%s %s %s:  '", "Value for", n.c_str(), "not defined; returning defaultval '");
        taken = deflt;
        *status = -2;
    } else if (*v == '\0') {
        text = report("%s %s %s:  '", "Value for", n.c_str(), "defined but empty; returning default");
        taken = deflt;
        *status = -1;
    } else {
        text = report("%s %s:  '", "Value for", n.c_str());
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
    text.append(taken, len);
    text += '\'';
    orvex::QVMESG(text.substr(0, REPORT_MAX));
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
