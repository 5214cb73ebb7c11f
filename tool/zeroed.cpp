#include "tool/zeroed.hpp"

#include <sys/mman.h>

#include <cstdint>
#include <limits>
#include <new>

namespace pondra {

namespace {

constexpr std::size_t HUGE_PAGE = std::size_t{2} << 20;

}  // namespace

void ZeroedFloats::assign_zeros(std::size_t n) {
    release();
    if (n == 0) return;
    if (n > (std::numeric_limits<std::size_t>::max() - HUGE_PAGE) / sizeof(float)) throw std::bad_alloc();
    // Anonymous pages read as zeros until written. One huge page of slack lets
    // the array start on a huge-page boundary, so the kernel can back it with
    // huge pages (far fewer page faults for the result array).
    const std::size_t bytes = n * sizeof(float);
    const std::size_t mapped = bytes + HUGE_PAGE;
    void* map = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map == MAP_FAILED) throw std::bad_alloc();
    const auto base = reinterpret_cast<std::uintptr_t>(map);
    const std::uintptr_t start = (base + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
    madvise(reinterpret_cast<void*>(start), bytes, MADV_HUGEPAGE);  // advice only: failure is harmless
    map_ = map;
    mapped_ = mapped;
    data_ = reinterpret_cast<float*>(start);
    size_ = n;
}

void ZeroedFloats::release() {
    if (map_ != nullptr) munmap(map_, mapped_);
    map_ = nullptr;
    mapped_ = 0;
    data_ = nullptr;
    size_ = 0;
}

}  // namespace pondra
