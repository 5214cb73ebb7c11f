// Fuzz target: the environment readers ENVYN, ENVINT, ENVREAL, ENVDBLE,
// ENVSTR (and envstrc with a buffer of the stated width), NAMEVAL, SETENVVAR
// and the text helpers, on arbitrary names, values, defaults and widths.
//
// Input: two control bytes, then zero-separated fields: name, value, default.
// Control bit 0: the variable is set (else unset); bit 1: the name is taken
// as it stands (else "OFZ_" is put before it, and only such names are ever
// set, so the fuzzer cannot change the process's own settings); bit 2: also
// SETENVVAR. The second byte gives the widths of the value fields.
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_support.hpp"

using orvex_fuzz::require;

namespace {

bool is_space(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// The name a typed reader looks up: up to the first white space (and the first
// zero byte, where a C string ends).
std::string reader_key(const std::string& field) {
    std::string k;
    for (char c : field) {
        if (c == '\0' || is_space(c)) break;
        k += c;
    }
    return k;
}

// The name NAMEVAL looks up: up to the first blank, at most 511 characters.
std::string nameval_key(const std::string& field) {
    std::string k;
    for (char c : field) {
        if (c == '\0' || c == ' ' || k.size() == 511) break;
        k += c;
    }
    return k;
}

std::string padded(std::string s, std::size_t width) {
    s.resize(width, ' ');
    return s;
}

void check_status(int status) { require(status >= -2 && status <= 1, "reader status outside -2..1"); }

void typed_readers(const std::string& name, const char* value, const std::string& deflt, int flags) {
    int status = 0;
    const bool yn = orvex::ENVYN(name, "fuzz", (flags & 8) != 0, status);
    check_status(status);
    if (status == 0) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(value[0] == '.' ? value[1] : value[0])));
        require(yn == (c == 'T' || c == 'Y'), "ENVYN value differs from the value's first letter");
    } else {
        require(yn == ((flags & 8) != 0), "ENVYN did not return its default");
    }

    const int i = orvex::ENVINT(name, "fuzz", -7, status);
    check_status(status);
    if (status == 0) {
        errno = 0;
        const long parsed = std::strtol(value, nullptr, 10);
        require(i == (parsed > INT_MAX ? INT_MAX : parsed < INT_MIN ? INT_MIN : static_cast<int>(parsed)),
                "ENVINT value differs from the decimal reading");
    } else {
        require(i == -7, "ENVINT did not return its default");
    }

    const float r = orvex::ENVREAL(name, "fuzz", 1.5f, status);
    check_status(status);
    if (status != 0) require(r == 1.5f, "ENVREAL did not return its default");
    const double d = orvex::ENVDBLE(name, "fuzz", 2.5, status);
    check_status(status);
    if (status != 0) require(d == 2.5, "ENVDBLE did not return its default");

    for (const std::size_t width : {std::size_t{0}, std::size_t{1}, deflt.size(), std::size_t{16}, std::size_t{512}}) {
        std::string eq(width, 'x');
        orvex::ENVSTR(name, "fuzz", deflt, eq, status);
        check_status(status);
        require(eq.size() == width, "ENVSTR changed the width of its result");
        const std::string taken = status == 0 ? std::string(value) : deflt.substr(0, deflt.find('\0'));
        require(eq == padded(taken.substr(0, std::min(taken.size(), width)), width),
                "ENVSTR result is not the value cut or padded to its width");
    }
}

// envstrc into a buffer of exactly `width` bytes: at most width - 1
// characters and the terminating zero byte.
void c_string_reader(const std::string& name, const std::string& deflt, int width) {
    std::vector<char> buffer(static_cast<std::size_t>(width > 0 ? width : 0));
    int status = 0;
    envstrc(name.c_str(), "fuzz", deflt.c_str(), buffer.empty() ? nullptr : buffer.data(), &status, width);
    check_status(status);
    if (width > 0) require(std::memchr(buffer.data(), '\0', buffer.size()) != nullptr, "envstrc left no terminator");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    orvex_fuzz::quiet_layer();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const int flags = data[0];
    const int width = static_cast<int>(data[1]) * 3 - 64;  // -64 .. 701
    const std::vector<std::string> f = orvex_fuzz::fields(data + 2, size - 2, 3);
    const std::string name = (flags & 2) != 0 ? f[0] : "OFZ_" + f[0];
    const std::string& value = f[1];
    const std::string& deflt = f[2];

    // Only names the fuzzer owns are ever set or unset.
    const std::string key = reader_key(name);
    const bool owned = (flags & 2) == 0 && key.find('=') == std::string::npos;
    if (owned) {
        if ((flags & 1) != 0) ::setenv(key.c_str(), value.c_str(), 1);
        else ::unsetenv(key.c_str());
    }

    const char* env = key.empty() ? nullptr : std::getenv(key.c_str());
    typed_readers(name, env != nullptr ? env : "", deflt, flags);
    c_string_reader(name, deflt, width);

    // NAMEVAL: the value of the name up to its first blank, or the name itself.
    const std::size_t eqwidth = static_cast<std::size_t>(std::max(width, 0));
    std::string eq(eqwidth, '?');
    orvex::NAMEVAL(name, eq);
    const std::string nkey = nameval_key(name);
    const char* nv = nkey.empty() ? nullptr : std::getenv(nkey.c_str());
    const std::string expect = nv != nullptr ? std::string(nv) : name;
    require(eq == padded(expect.substr(0, std::min(expect.size(), eqwidth)), eqwidth),
            "NAMEVAL result is not the value (or the name) cut or padded");

    if ((flags & 4) != 0 && owned && !key.empty()) {
        // The environment keeps the text up to its first zero byte.
        const std::string sname = "OFZS_" + key;
        std::string kept(orvex::trim_right(value));
        kept = kept.substr(0, kept.find('\0'));
        if (orvex::SETENVVAR(sname, value)) {
            const char* now = std::getenv(sname.c_str());
            require(now != nullptr && kept == now, "SETENVVAR did not set the trimmed value");
        }
        ::unsetenv(sname.c_str());
    }

    // Text helpers on the value.
    const int t = orvex::TRIMLEN(value);
    require(t >= 1 && static_cast<std::size_t>(t) <= std::max<std::size_t>(value.size(), 1), "TRIMLEN out of range");
    const int lb = orvex::LBLANK(value);
    require(lb >= 0 && static_cast<std::size_t>(lb) <= value.size(), "LBLANK out of range");
    std::string up = value;
    orvex::UPCASE(up);
    require(up.size() == value.size(), "UPCASE changed the length");

    if (owned) ::unsetenv(key.c_str());
    return 0;
}
