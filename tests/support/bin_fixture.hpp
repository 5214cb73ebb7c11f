// Pieces of the native binary file tests: a slot set up for a binary file,
// the kit's binary sample description, and numbers as the file's bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gridfile/state3.hpp"
#include "orvex/fdesc3.hpp"
#include "orvex/parms3.hpp"
#include "support/iobin3.hpp"
#include "tests/kit/kit.hpp"

namespace bin_test {

using namespace orvex;
using namespace kit;

inline constexpr int FID = 7;

// A slot named "BINTEST" with the binary handle, as OPEN3 leaves it before creating.
inline void bind_slot(int fid = FID, bool volat = false) {
    detail::FileSlot& s = detail::slot(fid);
    s = detail::FileSlot{};
    s.flist = "BINTEST";
    s.cdfid = BINFIL3;
    s.volat = volat;
}

// A gridded description in which every field differs (kit::binary_sample).
inline void gridded_desc(int nvars = 3) { describe(binary_sample(nvars)); }

inline std::int32_t le32(const std::string& bytes, std::size_t off) {
    const auto b = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[off + i])); };
    return static_cast<std::int32_t>(b(0) | (b(1) << 8) | (b(2) << 16) | (b(3) << 24));
}

inline std::string le_bytes(std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    return {static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF), static_cast<char>((u >> 16) & 0xFF),
            static_cast<char>((u >> 24) & 0xFF)};
}

// The bytes of values as they stand in memory.
template <class T>
std::string raw(const std::vector<T>& values) {
    return std::string(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(T));
}

inline std::string zeros(std::size_t n) { return std::string(n, '\0'); }

}  // namespace bin_test
