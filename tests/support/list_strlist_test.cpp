// STRLIST: splitting a list value into names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "list_fixture.hpp"

using namespace list_test;

namespace {

// STRLIST on the value of LISTVAL; "result count [name|name|...]".
std::string split(int nmax, int width) {
    std::vector<std::string> names(8, std::string(static_cast<std::size_t>(width), '.'));
    int ncnt = -1;
    const bool ok = STRLIST("LISTVAL", "Logical name list", nmax, ncnt, names);
    std::string s = std::to_string(ok) + " " + std::to_string(ncnt) + " [";
    for (int i = 0; i < ncnt && i < 8; ++i) s += (i ? "|" : "") + names[static_cast<std::size_t>(i)];
    return s + "]";
}

}  // namespace

TEST(ListStrlist, SplitsNames) {
    struct Case {
        std::string value;
        int nmax, width;
        std::string expected;
    } cases[] = {
        {"LIST:A,B,C", 8, 4, "1 3 [A   |B   |C   ]"},
        {"list:A,B", 8, 4, "1 2 [A   |B   ]"},
        {"LiSt:A", 8, 4, "1 1 [A   ]"},
        {"A, B ,C", 8, 4, "1 3 [A   |B   |C   ]"},                 // no prefix: split from the start
        {"LIST: \tA,\t B", 8, 4, "1 2 [A   |B   ]"},               // blanks and tabs before names
        {"LIST:A,B,", 8, 4, "1 2 [A   |B   ]"},                    // trailing comma
        {"LIST:A,B,   ", 8, 4, "1 2 [A   |B   ]"},
        {"LIST:A,,B", 8, 4, "0 3 [A   |....|B   ]"},               // two commas
        {"LIST:A, ,B", 8, 4, "0 3 [A   |....|B   ]"},
        {"LIST:,A", 8, 4, "0 2 [....|A   ]"},                      // comma first
        {"LIST:A,ABCDE,B", 8, 4, "0 3 [A   |....|B   ]"},          // a name longer than the field
        {"LIST:ABCD", 8, 4, "1 1 [ABCD]"},
        {"LIST:", 8, 4, "0 0 []"},                                  // no name at all
        {"LIST:A,B", 2, 4, "1 2 [A   |B   ]"},                      // exactly nmax names
        {"LIST:A,B,C", 2, 4, "0 2 [A   |B   ]"},                    // more than nmax
        {"LIST:A,B,", 2, 4, "0 2 [A   |B   ]"},                     // a comma after the nmax-th name
        {"LIST:" + std::string(505, ' ') + "X", 8, 4, "1 1 [X   ]"},  // a name at position 511
        {"LIST:" + std::string(506, ' ') + "X", 8, 4, "0 0 []"},      // at position 512 it is not read
        {"LIST:A" + std::string(503, ' ') + ",B", 8, 4, "1 2 [A   |B   ]"},  // comma at 510
        {"LIST:A" + std::string(504, ' ') + ",B", 8, 4, "1 1 [A   ]"},       // comma at 511 ends the list
    };
    for (const Case& c : cases) {
        const auto r = run_child({{"LISTVAL", c.value}}, [&c] { say(split(c.nmax, c.width)); });
        EXPECT_EQ(r.out, c.expected + "\n") << c.value;
    }
}

TEST(ListStrlist, MissingOrEmptyVariable) {
    for (const std::optional<std::string>& value : {std::optional<std::string>{}, std::optional<std::string>{""}}) {
        const auto r = run_child({{"LISTVAL", value}}, [] {
            std::vector<std::string> names(2, std::string(16, ' '));
            int ncnt = -1;
            const bool ok = STRLIST("LISTVAL   ", "Logical name list", 2, ncnt, names);
            say(std::to_string(ok) + " " + std::to_string(ncnt));
        });
        EXPECT_EQ(r.out, "0 0\n");
        // The name is shown at the width it was passed.
        EXPECT_NE(r.log.find("     Could not get environment variable \"LISTVAL   \"\n"), std::string::npos) << r.log;
    }
}
