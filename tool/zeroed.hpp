// A large zero-filled array of floats that costs no fill pass: its pages come
// from the system already zeroed, and in huge pages where the system allows.
#pragma once

#include <cstddef>

namespace pondra {

class ZeroedFloats {
public:
    ZeroedFloats() = default;
    ~ZeroedFloats() { release(); }
    ZeroedFloats(const ZeroedFloats&) = delete;
    ZeroedFloats& operator=(const ZeroedFloats&) = delete;

    // Replaces the contents with n zeros; throws std::bad_alloc when the
    // memory cannot be had.
    void assign_zeros(std::size_t n);

    float* data() { return data_; }
    const float* data() const { return data_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const float* begin() const { return data_; }
    const float* end() const { return data_ + size_; }

private:
    void release();

    void* map_ = nullptr;  // the whole mapping
    std::size_t mapped_ = 0;
    float* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace pondra
