// The file-layer tests' view of the test kit: every run of their sandbox logs
// to a file of its own, under the execution id "gridfile-test" and a two-line
// scenario; describe() gives the kit's small file of every type, and make()
// creates one.
#pragma once

#include <gtest/gtest.h>
#include <netcdf.h>

#include <string>

#include "orvex/fdesc3.hpp"
#include "orvex/operations.hpp"
#include "orvex/parms3.hpp"
#include "tests/kit/kit.hpp"

namespace gf_test {

namespace fs = std::filesystem;
using namespace orvex;
using namespace kit;

class Sandbox : public kit::Sandbox {
public:
    Sandbox() : kit::Sandbox("gridfile") { write_file(path("scenario.txt"), "Scenario line one\nScenario line two\n"); }

    Outcome run(const Env& env, const std::function<void()>& body) {
        Env all = {{"LOGFILE", path("log" + std::to_string(++runs_) + ".txt")},
                   {"EXECUTION_ID", "gridfile-test"},
                   {"SCENFILE", path("scenario.txt")}};
        all.insert(all.end(), env.begin(), env.end());
        return kit::Sandbox::run(all, body);
    }

    // Creates the file at path in a run of its own, as logical name A of
    // program MAKER, from describe(ftype, nvars) changed by adjust.
    Outcome make(const std::string& path, int ftype = GRDDED3, const std::function<void()>& adjust = {},
                 const Env& env = {}, int nvars = 2);

private:
    int runs_ = 0;
};

inline void describe(int ftype, int nvars = 2) { kit::describe(sample(ftype, nvars)); }

inline Outcome Sandbox::make(const std::string& path, int ftype, const std::function<void()>& adjust, const Env& env,
                             int nvars) {
    Env all{{"A", path}};
    all.insert(all.end(), env.begin(), env.end());
    return run(all, [&] {
        describe(ftype, nvars);
        if (adjust) adjust();
        ASSERT_TRUE(OPEN3("A", FSNEW3, "MAKER"));
        ASSERT_TRUE(CLOSE3("A"));
    });
}

}  // namespace gf_test
