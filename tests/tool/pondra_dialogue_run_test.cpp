// The built pondra on standard input: echo lines and dialogue refusals.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/tool/pondra_fixture.hpp"

namespace pondra {
namespace {

using namespace testing;
namespace fs = std::filesystem;

TEST(PondraDialogueRun, NoInputFilesEchoesDialogueAndOpensNothing) {
    const Sandbox box("noinput");
    const fs::path& dir = box.dir();
    const auto r = run_pondra(dir, "33 45 -97 -97 100 80 -1000 -800 12\n2005\nEMISQA\nAIRQUAL\n0\n",
                              {{"EMISQA", (dir / "emis.nc").string()}, {"AIRQUAL", (dir / "aq.nc").string()}});
    EXPECT_EQ(r.out, " max vars        2048\n" + testing::ECHO_100X80_NO_FILES);
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(fs::exists(dir / "emis.nc"));
    EXPECT_FALSE(fs::exists(dir / "aq.nc"));
}

TEST(PondraDialogueRun, MalformedDialogueIsOneLineOnStandardError) {
    struct Case {
        const char* input;
        const char* out_tail;  // standard output after the "max vars" line
        const char* err;
    };
    const Case cases[] = {
        {"", "", "pondra: dialogue line 1: end of input; expected the projection and output grid line (9 values)\n"},
        {"33 45 -97 -97 100 80 -1000 -800\n", "",
         "pondra: dialogue line 1: 8 values found; expected 9 (PROJ 1, PROJ 2, PROJ 3, PROJ 4, NCOLS, NROWS, XORIG, "
         "YORIG, CELL)\n"},
        {"33 45 -97 -97 100 80 -1000 -800 12\ntwo thousand\n",
         "Projection:               33.       45.      -97.      -97.\n"
         " X and Y cells:         100          80\n"
         " X orig, Y orig, cell size (m):  -1000000.      -800000.0       12000.00    \n",
         "pondra: dialogue line 2: value 1 (YEAR) \"two\" is not an integer\n"},
    };
    for (const Case& c : cases) {
        const Sandbox box("malformed");
        const fs::path& dir = box.dir();
        const auto r = run_pondra(dir, c.input);
        EXPECT_EQ(r.status, 2) << c.input;
        EXPECT_EQ(r.out, std::string(" max vars        2048\n") + c.out_tail) << c.input;
        EXPECT_EQ(r.err, c.err);
        EXPECT_FALSE(fs::exists(dir / "pondra.log")) << "the layer was started";
    }
}

TEST(PondraDialogueRun, TooManyInputFilesRefusedBeforeEntriesAreRead) {
    const Sandbox box("toomany");
    const fs::path& dir = box.dir();
    const auto r = run_pondra(dir, "33 45 -97 -97 10 8 0 0 12\n2005\nA\nB\n367\nF1\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out.find("FILE:"), std::string::npos);
    EXPECT_EQ(r.err, "pondra: dialogue line 5: NFILES 367 exceeds the limit of 366 input files\n");
}

}  // namespace
}  // namespace pondra
