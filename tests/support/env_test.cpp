// Environment readers, NAMEVAL, SETENVVAR, RMFILE and the text helpers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "gridfile/state3.hpp"
#include "orvex/operations.hpp"
#include "support/units.hpp"
#include "tests/kit/kit.hpp"

using namespace orvex;

namespace {

namespace fs = std::filesystem;

// The reports of this process's log, which goes to a file of its own: when
// an earlier test of this process left the log elsewhere, it is moved.
class LogCapture {
public:
    static LogCapture& get() {
        static LogCapture capture;
        return capture;
    }
    // What the log received since the last call.
    std::string take() {
        if (unit_ < 0 || detail::LAYER_STATE.logdev != unit_) reopen();
        const std::string all = kit::read_file(path_);
        std::string fresh = all.substr(std::min(seen_, all.size()));
        seen_ = all.size();
        return fresh;
    }
    int unit() const { return unit_; }

private:
    LogCapture() { path_ = fs::temp_directory_path() / ("orvex-env-test-" + std::to_string(getpid()) + ".log"); }
    // Children forked by other tests end through std::exit too: only the
    // process that made the file removes it.
    ~LogCapture() {
        if (getpid() == owner_) fs::remove(path_);
    }
    void reopen() {
        if (unit_ > 0) detail::close_unit(unit_);
        fs::remove(path_);
        detail::LAYER_STATE.logdev = IMISS3;
        setenv("LOGFILE", path_.c_str(), 1);
        unit_ = INITLOG3("ENVTEST");
        unsetenv("LOGFILE");
        seen_ = 0;
    }
    pid_t owner_ = getpid();
    fs::path path_;
    int unit_ = IMISS3;
    std::size_t seen_ = 0;
};

void set_var(const char* name, const std::optional<std::string>& value) {
    if (value) setenv(name, value->c_str(), 1);
    else unsetenv(name);
}

std::string line(const std::string& text) { return "     " + text + "\n"; }

class Env : public ::testing::Test {
protected:
    void SetUp() override {
        LogCapture::get().take();
        ASSERT_GE(LogCapture::get().unit(), detail::FIRST_UNIT);
    }
    std::string log() { return LogCapture::get().take(); }

    // One reading of variable var per row: result, status and the one report.
    template <class T>
    struct Row {
        std::optional<std::string> value;
        T result;
        int status;
        std::string report;
    };
    template <class T, class Read>
    void check_rows(const char* var, const std::vector<Row<T>>& rows, Read read) {
        for (const Row<T>& row : rows) {
            set_var(var, row.value);
            int status = 99;
            EXPECT_EQ(read(status), row.result) << row.report;
            EXPECT_EQ(status, row.status) << row.report;
            EXPECT_EQ(log(), row.report);
        }
        unsetenv(var);
    }
};

}  // namespace

TEST_F(Env, Envyn) {
    const std::vector<Row<bool>> default_true = {
        {std::nullopt, true, -2, line("Value for ORVEX_LOG_WRITE not defined;returning default:   TRUE")},
        {"", true, -1, line("Value for ORVEX_LOG_WRITE defined but empty; returning default :  TRUE")},
        {"no", false, 0, line("Value for ORVEX_LOG_WRITE:  no returning FALSE")},
        {".false.", false, 0, line("Value for ORVEX_LOG_WRITE:  .false. returning FALSE")},
        {"F", false, 0, line("Value for ORVEX_LOG_WRITE:  F returning FALSE")},
        {" Y", true, 1,
         kit::warning_text("envync", "Value for ORVEX_LOG_WRITE not T,F,Y, or N : ' Y', returning defaultval    TRUE")},
        {".", true, 1,
         kit::warning_text("envync", "Value for ORVEX_LOG_WRITE not T,F,Y, or N : '.', returning defaultval    TRUE")},
        {"0123456789abcdefghij", true, 1,
         kit::warning_text("envync",
                 "Value for ORVEX_LOG_WRITE not T,F,Y, or N : '0123456789abcdef', returning defaultval    TRUE")},
    };
    const std::vector<Row<bool>> default_false = {
        {std::nullopt, false, -2, line("Value for ORVEX_LOG_WRITE not defined;returning default:   FALSE")},
        {".TRUE.", true, 0, line("Value for ORVEX_LOG_WRITE:  .TRUE. returning TRUE")},
        {"Y", true, 0, line("Value for ORVEX_LOG_WRITE:  Y returning TRUE")},
        {"yes", true, 0, line("Value for ORVEX_LOG_WRITE:  yes returning TRUE")},
        {"t", true, 0, line("Value for ORVEX_LOG_WRITE:  t returning TRUE")},
        {"Yellow", true, 0, line("Value for ORVEX_LOG_WRITE:  Yellow returning TRUE")},
        {"1", false, 1,
         kit::warning_text("envync", "Value for ORVEX_LOG_WRITE not T,F,Y, or N : '1', returning defaultval    FALSE")},
    };
    check_rows("ORVEX_LOG_WRITE", default_true,
               [](int& status) { return ENVYN("ORVEX_LOG_WRITE  ", "log each write", true, status); });
    check_rows("ORVEX_LOG_WRITE", default_false,
               [](int& status) { return ENVYN("ORVEX_LOG_WRITE", "log each write", false, status); });
}

TEST_F(Env, Envint) {
    check_rows<int>("ORVEX_N",
                    {
                        {std::nullopt, 5, -2, line("Value for ORVEX_N not defined; returning default:  5")},
                        {"", 5, -1, line("Value for ORVEX_N defined but empty; returning default :  5")},
                        {"12abc", 12, 0, line("Value for ORVEX_N:  12")},
                        {"  -7", -7, 0, line("Value for ORVEX_N:  -7")},
                        {"+0", 0, 0, line("Value for ORVEX_N:  0")},
                        {"99999999999", INT_MAX, 0, line("Value for ORVEX_N:  2147483647")},
                        {"abc", 5, 1, kit::warning_text("envintc", "Value for ORVEX_N not an integer : 'abc', returning default  5")},
                        {"-", 5, 1, kit::warning_text("envintc", "Value for ORVEX_N not an integer : '-', returning default  5")},
                    },
                    [](int& status) { return ENVINT("ORVEX_N", "count", 5, status); });
}

TEST_F(Env, Envreal) {
    check_rows<float>("ORVEX_R",
                      {
                          {std::nullopt, 1.5f, -2, line("Value for ORVEX_R not defined; returning default :  1.5")},
                          {"", 1.5f, -1, line("Value for ORVEX_R defined but empty; returning default :  1.5")},
                          {"2.5e3x", 2500.0f, 0, line("Value for ORVEX_R:  2500")},
                          {"0.1", 0.1f, 0, line("Value for ORVEX_R:  0.1")},
                          {"1234567", 1234567.0f, 0, line("Value for ORVEX_R:  1.23457E+06")},
                          {"1e-10", 1e-10f, 0, line("Value for ORVEX_R:  1E-10")},
                          {"x", 1.5f, 1, kit::warning_text("envrealc", "Value for ORVEX_R not a real : 'x', returning default   1.5")},
                      },
                      [](int& status) { return ENVREAL("ORVEX_R", "", 1.5f, status); });
}

TEST_F(Env, Envdble) {
    check_rows<double>("ORVEX_D",
                       {
                           {std::nullopt, -2.0, -2, line("Value for ORVEX_D not defined;returning default :  -2")},
                           {"", -2.0, -1, line("Value for ORVEX_D defined but empty; returning default :  -2")},
                           {"3.25", 3.25, 0, line("Value for  ORVEX_D:  3.25")},
                           {"0.1", 0.1, 0, line("Value for  ORVEX_D:  0.1")},
                           {"1e300", 1e300, 0, line("Value for  ORVEX_D:  1E+300")},
                           {"zz", -2.0, 1, kit::warning_text("envdblec", "Value for ORVEX_D not a double : 'zz', returning default:  -2")},
                       },
                       [](int& status) { return ENVDBLE("ORVEX_D", "", -2.0, status); });
}

TEST_F(Env, Envstr) {
    struct Case {
        std::optional<std::string> value;
        std::size_t width;
        std::string result;
        int status;
        std::string report;
    } cases[] = {
        {"abcdefghijklmnopqrst", 8, "abcdefgh", 0, line("Value for ORVEX_S:  'abcdefgh'")},
        {"ab", 8, "ab      ", 0, line("Value for ORVEX_S:  'ab'")},
        {std::nullopt, 10, "dflt      ", -2, line("Value for ORVEX_S not defined; returning defaultval ':  'dflt  '")},
        {"", 10, "dflt      ", -1, line("Value for ORVEX_S defined but empty; returning default:  'dflt  '")},
        {std::nullopt, 3, "dfl", -2, line("Value for ORVEX_S not defined; returning defaultval ':  'dfl'")},
    };
    for (const Case& c : cases) {
        set_var("ORVEX_S", c.value);
        std::string eqname(c.width, '#');
        int status = 99;
        ENVSTR("ORVEX_S", "", "dflt  ", eqname, status);
        EXPECT_EQ(eqname, c.result) << c.report;
        EXPECT_EQ(status, c.status) << c.report;
        EXPECT_EQ(log(), c.report);
    }
    unsetenv("ORVEX_S");
}

TEST_F(Env, NulTerminatedForms) {
    setenv("ORVEX_C", "42", 1);
    int status = 99;
    EXPECT_EQ(envintc("ORVEX_C", "", 1, &status), 42);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(envync("ORVEX_C", "", 1, &status), 1);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(envrealc("ORVEX_C", "", &status, 0.0f), 42.0f);
    EXPECT_EQ(envdblec("ORVEX_C", "", &status, 0.0), 42.0);
    char value[4] = {'#', '#', '#', '#'};
    envstrc("ORVEX_C more", "", "d", value, &status, 4);
    EXPECT_STREQ(value, "42");
    EXPECT_EQ(log(), line("Value for ORVEX_C:  42") +
                         kit::warning_text("envync", "Value for ORVEX_C not T,F,Y, or N : '42', returning defaultval    TRUE") +
                         line("Value for ORVEX_C:  42") + line("Value for  ORVEX_C:  42") +
                         line("Value for ORVEX_C:  '42'"));
    setenv("ORVEX_C", "abcdef", 1);
    envstrc("ORVEX_C", "", "d", value, &status, 4);
    EXPECT_STREQ(value, "abc");
    EXPECT_EQ(log(), line("Value for ORVEX_C:  'abc'"));
    unsetenv("ORVEX_C");
}

TEST_F(Env, NameTakenUpToWhiteSpace) {
    setenv("ORVEX_W", "7", 1);
    int status = 99;
    EXPECT_EQ(ENVINT("ORVEX_W\tignored", "", 0, status), 7);
    EXPECT_EQ(ENVINT("  ORVEX_W", "", 3, status), 3);
    EXPECT_EQ(status, -2);
    EXPECT_EQ(log(), line("Value for ORVEX_W:  7") + line("Value for  not defined; returning default:  3"));
    unsetenv("ORVEX_W");
}

TEST(Nameval, Lookups) {
    setenv("ORVEX_NV", "/data/path/file.nc", 1);
    setenv("ORVEX_EMPTY", "", 1);
    unsetenv("ORVEX_UNSET");
    struct Case {
        std::string name;
        std::size_t width;
        std::string result;
    } cases[] = {
        {"ORVEX_NV", 24, "/data/path/file.nc      "},
        {"ORVEX_NV        ", 10, "/data/path"},
        {"ORVEX_NV extra", 20, "/data/path/file.nc  "},
        {"ORVEX_EMPTY", 6, "      "},
        {"ORVEX_UNSET", 16, "ORVEX_UNSET     "},
        {"ORVEX_UNSET     ", 5, "ORVEX"},
        {"", 4, "    "},
        {" ORVEX_NV", 12, " ORVEX_NV   "},
    };
    for (const Case& c : cases) {
        std::string eqname(c.width, '#');
        NAMEVAL(c.name, eqname);
        EXPECT_EQ(eqname, c.result) << c.name;
    }
    unsetenv("ORVEX_NV");
    unsetenv("ORVEX_EMPTY");
}

TEST(Setenvvar, SetsTrimmedValues) {
    EXPECT_TRUE(SETENVVAR("ORVEX_SET   ", "some value   "));
    ASSERT_NE(std::getenv("ORVEX_SET"), nullptr);
    EXPECT_STREQ(std::getenv("ORVEX_SET"), "some value");
    EXPECT_TRUE(SETENVVAR("ORVEX_SET", "    "));
    EXPECT_STREQ(std::getenv("ORVEX_SET"), "");
    EXPECT_FALSE(SETENVVAR("   ", "x"));
    EXPECT_FALSE(SETENVVAR("A=B", "x"));
    EXPECT_EQ(std::getenv("A"), nullptr);
    unsetenv("ORVEX_SET");
}

TEST_F(Env, Rmfile) {
    kit::Sandbox box;
    const std::string path = box.path("victim.nc");
    kit::write_file(path, "x");
    EXPECT_EQ(RMFILE(path + "   trailing words"), 0);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(log(), "");
    EXPECT_EQ(RMFILE(path), -1);
    EXPECT_EQ(log(), kit::warning_text("RMFILE", "No such file or directory"));
}

TEST(TextHelpers, Trimlen) {
    EXPECT_EQ(TRIMLEN("abc  "), 3);
    EXPECT_EQ(TRIMLEN("  a"), 3);
    EXPECT_EQ(TRIMLEN("    "), 1);
    EXPECT_EQ(TRIMLEN(""), 1);
    EXPECT_EQ(TRIMLEN("a\t "), 2);
}

TEST(TextHelpers, Lblank) {
    EXPECT_EQ(LBLANK("  \tx y"), 3);
    EXPECT_EQ(LBLANK(" \t "), 3);
    EXPECT_EQ(LBLANK("x  "), 0);
    EXPECT_EQ(LBLANK(""), 0);
}

TEST(TextHelpers, Indexes) {
    const int keys[] = {3, 5, 7, 5};
    EXPECT_EQ(INDEXINT1(5, 4, keys), 2);
    EXPECT_EQ(INDEXINT1(7, 2, keys), 0);
    EXPECT_EQ(INDEXINT1(3, 0, keys), 0);
    const Text<16> names[] = {"NO2", "O3", "SO2"};
    EXPECT_EQ(INDEX1("O3", 3, names), 2);
    EXPECT_EQ(INDEX1("O3              ", 3, names), 2);
    EXPECT_EQ(INDEX1("o3", 3, names), 0);
    EXPECT_EQ(INDEX1("SO2", -1, names), 0);
}

TEST(TextHelpers, Upcase) {
    std::string s = "abc XYZ 1-z{`";
    UPCASE(s);
    EXPECT_EQ(s, "ABC XYZ 1-Z{`");
    char field[6] = {'m', 'i', 'x', 'E', 'd', '\xe9'};
    UPCASE(std::span<char>(field));
    EXPECT_EQ(std::string(field, 6), "MIXED\xe9");
}
