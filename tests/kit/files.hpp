// Files and texts of the tests: whole files read and written, bytes patched in
// place, the lines of a text, a shell command's output, names of test cases.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace kit {

using Lines = std::vector<std::string>;

std::string read_file(const std::filesystem::path& p);
void write_file(const std::filesystem::path& p, const std::string& text);

// Overwrites bytes of a file at an offset.
void patch_file(const std::filesystem::path& p, std::size_t offset, const std::string& bytes);

// Lines of a text, each without its end of line.
Lines lines_of(const std::string& text);

// Runs a shell command; its standard output.
std::string shell(const std::string& command);

// A test name from a case label: what is not a letter or a digit becomes '_'.
std::string test_name(std::string label);
template <class Case>
std::string label_name(const ::testing::TestParamInfo<Case>& info) {
    return test_name(info.param.label);
}

}  // namespace kit
