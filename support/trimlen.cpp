// The small text helpers: TRIMLEN, LBLANK, INDEXINT1 and UPCASE.
#include "orvex/operations.hpp"

namespace orvex {

int TRIMLEN(std::string_view s) {
    const std::size_t n = trim_right(s).size();
    return n == 0 ? 1 : static_cast<int>(n);
}

int LBLANK(std::string_view s) {
    std::size_t n = 0;
    while (n < s.size() && (s[n] == ' ' || s[n] == '\t')) ++n;
    return static_cast<int>(n);
}

int INDEXINT1(int key, int n, const int* list) {
    for (int i = 0; i < n; ++i)
        if (list[i] == key) return i + 1;
    return 0;
}

void UPCASE(std::span<char> buffer) {
    for (char& c : buffer)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

void UPCASE(std::string& buffer) { UPCASE(std::span<char>(buffer.data(), buffer.size())); }

}  // namespace orvex
