// Input files that disappear or break after the dialogue named them. The
// dialogue is fed through a pipe and held back before the end of its last
// line, so the file is changed while pondra waits for it, after every earlier
// line was read and before any file is opened. Every run ends with the fatal
// message of the step that failed and status 2, and leaves no output file.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "tests/tool/fault_fixture.hpp"

namespace pondra::testing {
namespace {

namespace fs = std::filesystem;

TEST_F(FaultRun, InputChangedBetweenDialogueAndOpen) {
    const fs::path model = dir / "model.nc";
    const fs::path second = dir / "second.nc";
    const fs::path pristine = dir / "pristine.nc";
    fs::copy_file(model, pristine);
    // Everything before the first record, which begins with the time flags of
    // the two variables: 2005032, 0, 2005032, 0 as big-endian integers.
    const std::string bytes = read_file(model);
    const std::string flags("\x00\x1e\x98\x28\x00\x00\x00\x00\x00\x1e\x98\x28\x00\x00\x00\x00", 16);
    const std::size_t header_bytes = bytes.find(flags);
    ASSERT_NE(header_bytes, std::string::npos);
    const std::string not_available = "\n     \n     >>--->> WARNING in subroutine OPEN3\n     File not available.\n     \n";
    struct Case {
        const char* label;
        std::vector<std::string> entries;
        std::function<void()> change;  // done while the last line is held back
        std::string caller, message;
        int jdate;  // of the date line, 0 for none
        std::string log_lines;  // what the log shows right before the closing block
    };
    const Case cases[] = {
        {"the only input removed", {"MODEL"}, [&] { fs::remove(model); }, "QUON",
         "Could not open file \"MODEL\" for input", 0, "     MODEL           :" + model.string() + not_available},
        {"the second input removed after the first was read", {"MODEL", "SECOND"}, [&] { fs::remove(second); },
         "QUON", "Could not open file \"SECOND\" for input", 0, "     SECOND          :" + second.string() + not_available},
        {"header cut in half", {"SECOND"}, [&] { fs::resize_file(second, header_bytes / 2); }, "QUON",
         "Could not open file \"SECOND\" for input", 0, "     " + second.string() + "\n"},
        {"records cut off", {"SECOND"}, [&] { fs::resize_file(second, header_bytes); }, "MIRVAL:TOLBANE",
         "Read failure:  file SECOND" + std::string(174, ' ') + " variable O3N", 2005032, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        fs::copy_file(pristine, model, fs::copy_options::overwrite_existing);
        fs::copy_file(pristine, second, fs::copy_options::overwrite_existing);
        auto e = env((dir / "qa.nc").string(), (dir / "aq.nc").string());
        e.emplace_back("SECOND", second.string());
        fs::remove(dir / "pondra.log");

        Pondra child(fault_spec(dir, e));
        ASSERT_TRUE(child.started());
        const std::string d = dialogue(c.entries);
        child.write_input(d.substr(0, d.size() - 1));  // pondra now waits for the end of the last entry
        c.change();
        child.write_input("\n");
        const RunResult r = child.wait();

        EXPECT_EQ(r.status, 2);
        const std::string block = abort_block(c.caller, c.message, c.jdate);
        EXPECT_NE(r.log.find(c.log_lines + block), std::string::npos) << r.log;
        EXPECT_EQ(r.log.substr(r.log.size() - std::min(r.log.size(), block.size())), block);
        EXPECT_EQ(state(dir / "qa.nc"), Output::Missing);
        EXPECT_EQ(state(dir / "aq.nc"), Output::Missing);
    }
}

}  // namespace
}  // namespace pondra::testing
