// The header of a created file of every type, as ncdump -h shows it, against
// the checked-in expected headers (creation stamps and execution id masked).
// GRIDFILE_WRITE_EXPECTED=1 rewrites the expected files from this build.
#include <regex>
#include <string>

#include "gridfile_fixture.hpp"

namespace gf_test {
namespace {

std::string masked(const std::string& header) {
    static const std::regex stamp(R"((\t\t:[CW](DATE|TIME) = )-?[0-9]+ ;)");
    static const std::regex exec(R"x((\t\t:EXEC_ID = )".*" ;)x");
    std::string out = std::regex_replace(header, stamp, "$1<masked> ;");
    return std::regex_replace(out, exec, "$1<masked> ;");
}

struct HeaderCase {
    const char* file;  // also the name of the expected header
    int ftype;
    int nvars;
};

// Test listings show the case by its label.
void PrintTo(const HeaderCase& c, std::ostream* os) { *os << c.file; }

const HeaderCase HEADERS[] = {
    {"grdded3", GRDDED3, 3}, {"bndary3", BNDARY3, 2}, {"custom3", CUSTOM3, 2}, {"iddata3", IDDATA3, 2},
    {"profil3", PROFIL3, 2}, {"grnest3", GRNEST3, 2}, {"smatrx3", SMATRX3, 2}, {"kfevnt3", KFEVNT3, 2},
    {"grdatt3", GRDATT3, 2}, {"ptrfly3", PTRFLY3, 5}, {"dctnry3", DCTNRY3, 0},
};

class Header : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(Header, MatchesExpected) {
    const HeaderCase& hc = GetParam();
    Sandbox box;
    const std::string path = box.path(std::string(hc.file) + ".nc");
    const Outcome r = box.run({{"OUTF", path}}, [&] {
        describe(hc.ftype, hc.nvars);
        ASSERT_TRUE(OPEN3("OUTF", FSNEW3, "HEADERTEST"));
        ASSERT_TRUE(CLOSE3("OUTF"));
    });
    ASSERT_EQ(0, r.status) << r.log;
    const std::string got = masked(shell("cd '" + box.dir().string() + "' && ncdump -h " + hc.file + ".nc"));
    ASSERT_FALSE(got.empty());
    const std::string expected_path = std::string(ORVEX_SOURCE_DIR) + "/tests/gridfile/expected/" + hc.file + ".cdl";
    if (std::getenv("GRIDFILE_WRITE_EXPECTED") != nullptr) write_file(expected_path, got);
    EXPECT_EQ(read_file(expected_path), got);
}

INSTANTIATE_TEST_SUITE_P(EveryType, Header, ::testing::ValuesIn(HEADERS),
                         [](const auto& info) { return std::string(info.param.file); });

}  // namespace
}  // namespace gf_test
