// Shared pieces of the native binary file tests: descriptions, a slot set up
// for a binary file, and byte access to the file on disk.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "gridfile/state3.hpp"
#include "orvex/fdesc3.hpp"
#include "orvex/parms3.hpp"
#include "support/child_process.hpp"
#include "support/iobin3.hpp"

namespace bin_test {

using namespace orvex;

inline constexpr int FID = 7;

// A slot named "BINTEST" with the binary handle, as OPEN3 leaves it before creating.
inline void bind_slot(int fid = FID, bool volat = false) {
    detail::FileSlot& s = detail::slot(fid);
    s = detail::FileSlot{};
    s.flist = "BINTEST";
    s.cdfid = BINFIL3;
    s.volat = volat;
}

// A gridded description: the numbers are chosen so that every field differs.
inline void gridded_desc(int nvars = 3) {
    Fdesc3& d = FDESC3;
    d = Fdesc3{};
    d.FTYPE3D = GRDDED3;
    d.GDTYP3D = 2;
    d.VGTYP3D = 7;
    d.NCOLS3D = 4;
    d.NROWS3D = 3;
    d.NLAYS3D = 2;
    d.NTHIK3D = 1;
    d.NVARS3D = nvars;
    d.SDATE3D = 2020001;
    d.STIME3D = 10000;
    d.TSTEP3D = 10000;
    d.P_ALP3D = 30.0;
    d.P_BET3D = 60.0;
    d.P_GAM3D = -90.0;
    d.XCENT3D = -90.0;
    d.YCENT3D = 40.0;
    d.XORIG3D = -1536000.0;
    d.YORIG3D = -1200000.0;
    d.XCELL3D = 12000.0;
    d.YCELL3D = 0.1;
    d.VGTOP3D = 5000.0f;
    d.VGLVS3D[0] = 1.0f;
    d.VGLVS3D[1] = 0.5f;
    d.VGLVS3D[2] = -0.25f;
    d.VGLVS3D[3] = 9.0f;  // beyond NLAYS + 1: not written
    d.GDNAM3D = "LAMBERT_12";
    d.UPNAM3D = "BINWRITER";
    d.EXECN3D = "exec-2020";
    d.FDESC3D[0] = "first description line";
    d.FDESC3D[59] = "last description line";
    d.UPDSC3D[1] = "history line";
    const char* names[] = {"O3", "NO2", "TEMP"};
    const char* units[] = {"ppm", "ppb", "K"};
    const int types[] = {QVINT, QVREAL, QVDBLE};
    for (int v = 0; v < nvars; ++v) {
        d.VNAME3D[v] = names[v % 3];
        d.UNITS3D[v] = units[v % 3];
        d.VDESC3D[v] = std::string("description of ") + names[v % 3];
        d.VTYPE3D[v] = types[v % 3];
    }
}

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

// Overwrites bytes of a file at an offset.
inline void patch(const std::string& path, std::size_t off, const std::string& bytes) {
    std::string all = support_test::read_file(path);
    all.replace(off, bytes.size(), bytes);
    support_test::write_file(path, all);
}

inline std::string zeros(std::size_t n) { return std::string(n, '\0'); }

using Env = std::vector<std::pair<std::string, std::optional<std::string>>>;

// Runs body in a child (log on standard output unless env names LOGFILE); a
// failed expectation inside the body shows in the output as "CHILD FAILED".
inline support_test::ChildResult checked_run(const support_test::Sandbox& box, const Env& env,
                                             const std::function<void()>& body) {
    return box.run(env, [&] {
        body();
        if (::testing::Test::HasFailure()) std::printf("CHILD FAILED\n");
    });
}

}  // namespace bin_test
