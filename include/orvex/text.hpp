// Fixed-width, blank-padded text fields.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace orvex {

// Drops trailing blanks of a field.
inline std::string_view trim_right(std::string_view s) {
    std::size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ') --n;
    return s.substr(0, n);
}

// Two fields are the same text when they differ only by trailing blanks.
inline bool same_padded(std::string_view a, std::string_view b) {
    return trim_right(a) == trim_right(b);
}

// Exactly N characters, blank-padded on the right. Assigning a longer text cuts
// it to N characters; a shorter one is padded with blanks.
template <std::size_t N>
class Text {
public:
    constexpr Text() { c_.fill(' '); }
    constexpr Text(std::string_view s) { assign(s); }
    constexpr Text(const char* s) { assign(std::string_view(s)); }
    Text(const std::string& s) { assign(std::string_view(s)); }

    Text& operator=(std::string_view s) { assign(s); return *this; }
    Text& operator=(const char* s) { assign(std::string_view(s)); return *this; }
    Text& operator=(const std::string& s) { assign(std::string_view(s)); return *this; }

    constexpr void assign(std::string_view s) {
        const std::size_t n = std::min(N, s.size());
        std::copy_n(s.data(), n, c_.data());
        std::fill(c_.begin() + static_cast<std::ptrdiff_t>(n), c_.end(), ' ');
    }

    // The full field, blanks included.
    operator std::string_view() const { return view(); }
    std::string_view view() const { return {c_.data(), N}; }
    std::string str() const { return std::string(c_.data(), N); }
    // The field without its trailing blanks.
    std::string_view trimmed() const { return trim_right(view()); }

    char* data() { return c_.data(); }
    const char* data() const { return c_.data(); }
    static constexpr std::size_t size() { return N; }
    char& operator[](std::size_t i) { return c_[i]; }
    char operator[](std::size_t i) const { return c_[i]; }

    friend bool operator==(const Text& a, std::string_view b) { return same_padded(a.view(), b); }
    template <std::size_t M>
    friend bool operator==(const Text& a, const Text<M>& b) { return same_padded(a.view(), b.view()); }

private:
    std::array<char, N> c_{};
};

}  // namespace orvex
