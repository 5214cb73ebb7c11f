#include "tests/kit/files.hpp"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace kit {

std::string read_file(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const std::filesystem::path& p, const std::string& text) {
    std::ofstream out(p, std::ios::binary);
    out << text;
}

void patch_file(const std::filesystem::path& p, std::size_t offset, const std::string& bytes) {
    std::string all = read_file(p);
    all.replace(offset, bytes.size(), bytes);
    write_file(p, all);
}

Lines lines_of(const std::string& text) {
    Lines lines;
    std::istringstream s(text);
    for (std::string line; std::getline(s, line);) lines.push_back(line);
    return lines;
}

std::string shell(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n = 0;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    return out;
}

std::string test_name(std::string label) {
    for (char& ch : label)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return label;
}

}  // namespace kit
