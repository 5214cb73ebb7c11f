// Fuzz target: the file-set list syntax. STRLIST splits an arbitrary value,
// and its result is compared with a plain reading of the list rules; then,
// when asked, the same value opens a file-set list whose members are real
// files written at start-up (agreeing, off the time axis, on another grid,
// with another step, volatile, missing), and the list is described, read
// along its time axis and closed.
//
// Input: three control bytes (NMAX, element width, flags: bit 0 opens the
// list), then the value of the list's variable.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/filelist.hpp"
#include "tests/fuzz/fuzz_support.hpp"
#include "tests/fuzz/seed_files.hpp"

using orvex_fuzz::require;

namespace {

constexpr std::size_t WIDTH = 512;
const char* const LIST_NAME = "OFZLIST";

// The list rules, read plainly: the value as a 512-character field, an
// optional "LIST:" (any case), names between commas with the blanks and tabs
// before them and the blanks after them dropped; a name must be 1 to `width`
// characters; a name must start before the last character of the field; a
// comma in the last two characters ends the list; more than nmax names fail.
struct Expected {
    bool ok = false;
    int ncnt = 0;
    std::vector<std::string> names;  // trimmed, for the entries that fitted
};

Expected expected_split(const std::string& value, int nmax, std::size_t width) {
    Expected e;
    if (value.empty()) return e;  // not defined or empty: nothing is read
    std::string field = value.substr(0, WIDTH);
    field.resize(WIDTH, ' ');
    std::string head = field.substr(0, 5);
    for (char& c : head) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::size_t pos = head == "LIST:" ? 5 : 0;
    bool bad = false;
    for (int n = 1; n <= nmax; ++n) {
        while (pos < WIDTH && (field[pos] == ' ' || field[pos] == '\t')) ++pos;
        if (pos + 1 >= WIDTH) {
            e.ncnt = n - 1;
            e.ok = e.ncnt >= 1 && !bad;
            return e;
        }
        std::size_t end = pos;
        while (end < WIDTH && field[end] != ',') ++end;
        std::size_t len = end - pos;
        while (len > 0 && field[pos + len - 1] == ' ') --len;
        if (len == 0 || len > width) bad = true;
        e.names.push_back(len == 0 || len > width ? std::string() : field.substr(pos, len));
        if (end == WIDTH || end + 2 >= WIDTH) {
            e.ncnt = n;
            e.ok = !bad;
            return e;
        }
        pos = end + 1;
    }
    e.ncnt = nmax;
    e.ok = false;
    return e;
}

void check_strlist(const std::string& value, int nmax, std::size_t width) {
    std::vector<std::string> list(static_cast<std::size_t>(nmax), std::string(width, '#'));
    int ncnt = -1;
    const bool ok = orvex::detail::STRLIST(LIST_NAME, "fuzz list", nmax, ncnt, list);
    const Expected e = expected_split(value, nmax, width);
    require(ok == e.ok, "STRLIST result differs from the list rules");
    require(ncnt == e.ncnt, "STRLIST count differs from the list rules");
    for (std::size_t k = 0; k < list.size(); ++k) {
        require(list[k].size() == width, "STRLIST changed the width of an element");
        if (k < e.names.size() && !e.names[k].empty())
            require(orvex::trim_right(list[k]) == e.names[k], "STRLIST stored another name");
    }
}

// The member files: logical names bound to files written once per process.
// A: three hourly steps; the others differ from it as their edit says.
void write_members() {
    using orvex_fuzz::SeedSpec;
    const auto at = [](const std::string& name) { return orvex_fuzz::scratch_path(name + ".nc"); };
    const auto member = [&](const std::string& name, auto edit) {
        SeedSpec s;
        s.lname = name;
        s.path = at(name);
        s.nsteps = 3;
        edit(s);
        if (!orvex_fuzz::write_seed(s)) orvex_fuzz::fault("cannot write a list member");
    };
    member("A", [](SeedSpec&) {});
    member("B", [](SeedSpec& s) {  // later start on the same axis
        s.stime = 30000;
        s.nsteps = 2;
    });
    member("C", [](SeedSpec& s) { s.stime = 13000; });  // start off the hourly axis
    member("D", [](SeedSpec& s) { s.ncols = 4; });      // another grid
    member("E", [](SeedSpec& s) { s.tstep = 20000; });  // another step
    member("F", [](SeedSpec& s) {                       // earlier start
        s.sdate = 2004366;
        s.stime = 220000;
    });
    member("G", [](SeedSpec& s) {  // time-independent, other variables
        s.tstep = 0;
        s.nsteps = 1;
        s.vars = {{"TERRAIN", orvex::QVDBLE}};
    });
    ::setenv("V", (at("A") + " -v").c_str(), 1);  // volatile marker
    ::setenv("X", at("missing").c_str(), 1);      // no such file
    orvex::SHUT3();
}

void open_list() {
    using namespace orvex;
    if (!OPEN3(LIST_NAME, FSRDONLY3, "FUZZLIST")) {
        require(NAME2FID(LIST_NAME) == 0, "a list that failed to open keeps its slot");
        return;
    }
    require(DESC3(LIST_NAME), "DESC3 fails on an open list");
    const long long words = FDESC3.NVARS3D > 0 ? orvex_fuzz::read_words(FDESC3, 1) : -1;
    if (words >= 0 && words <= orvex_fuzz::MAX_READ_WORDS) {
        const std::string vname(FDESC3.VNAME3D[0].trimmed());
        int jdate = FDESC3.SDATE3D, jtime = FDESC3.STIME3D;
        for (int k = 0; k < 8; ++k) {
            orvex_fuzz::Buffer buffer(words);
            READ3(LIST_NAME, vname, ALLAYS3, jdate, jtime, buffer.data());
            NEXTIME(jdate, jtime, FDESC3.TSTEP3D != 0 ? FDESC3.TSTEP3D : 10000);
        }
    }
    require(CLOSE3(LIST_NAME), "CLOSE3 fails on an open list");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    orvex_fuzz::quiet_layer();
    write_members();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const int nmax = data[0] % 211;                      // 0 .. 210
    const std::size_t width = data[1] % 41;              // 0 .. 40
    const bool open = (data[2] & 1) != 0;
    std::string value(reinterpret_cast<const char*>(data + 3), size - 3);
    value = value.substr(0, value.find('\0'));           // the environment ends a value there

    const int fds = orvex_fuzz::open_fds();
    ::setenv(LIST_NAME, value.c_str(), 1);
    check_strlist(value, nmax, width);
    if (open) open_list();
    orvex_fuzz::shut_and_check(fds);
    return 0;
}
