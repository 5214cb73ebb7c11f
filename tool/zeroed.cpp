#include "tool/zeroed.hpp"

#include <sys/mman.h>

#include <cstdint>

namespace pondra {

namespace {

constexpr std::size_t HUGE_PAGE = std::size_t{2} << 20;

}  // namespace

void ZeroedBytes::assign_zeros(std::size_t bytes) {
    release();
    if (bytes == 0) return;
    if (bytes > std::numeric_limits<std::size_t>::max() - 2 * HUGE_PAGE) throw std::bad_alloc();
    // Anonymous pages read as zeros until written. The array starts on a
    // huge-page boundary and its mapping runs to the end of its last huge
    // page, so the kernel can back all of it with huge pages (far fewer page
    // faults): the slack is address space, not memory, until written.
    const std::size_t whole = (bytes + HUGE_PAGE - 1) / HUGE_PAGE * HUGE_PAGE;
    const std::size_t mapped = whole + HUGE_PAGE;
    void* map = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map == MAP_FAILED) throw std::bad_alloc();
    const auto base = reinterpret_cast<std::uintptr_t>(map);
    const std::uintptr_t start = (base + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
    madvise(reinterpret_cast<void*>(start), whole, MADV_HUGEPAGE);  // advice only: failure is harmless
    map_ = map;
    mapped_ = mapped;
    data_ = reinterpret_cast<void*>(start);
}

void ZeroedBytes::release() {
    if (map_ != nullptr) munmap(map_, mapped_);
    map_ = nullptr;
    mapped_ = 0;
    data_ = nullptr;
}

}  // namespace pondra
