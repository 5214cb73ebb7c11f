// Large zero-filled arrays that cost no fill pass: their pages come from the
// system already zeroed, and in huge pages where the system allows.
#pragma once

#include <cstddef>
#include <limits>
#include <new>

namespace pondra {

// The untyped storage: an anonymous mapping that starts on a huge-page boundary.
class ZeroedBytes {
public:
    ZeroedBytes() = default;
    ~ZeroedBytes() { release(); }
    ZeroedBytes(const ZeroedBytes&) = delete;
    ZeroedBytes& operator=(const ZeroedBytes&) = delete;

    // Replaces the contents with `bytes` zero bytes; throws std::bad_alloc
    // when the memory cannot be had.
    void assign_zeros(std::size_t bytes);
    void* data() const { return data_; }

private:
    void release();

    void* map_ = nullptr;  // the whole mapping
    std::size_t mapped_ = 0;
    void* data_ = nullptr;
};

template <class T>
class ZeroedArray {
public:
    // Replaces the contents with n zeros.
    void assign_zeros(std::size_t n) {
        size_ = 0;
        if (n > std::numeric_limits<std::size_t>::max() / sizeof(T)) throw std::bad_alloc();
        bytes_.assign_zeros(n * sizeof(T));
        size_ = n;
    }

    T* data() { return static_cast<T*>(bytes_.data()); }
    const T* data() const { return static_cast<const T*>(bytes_.data()); }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const T* begin() const { return data(); }
    const T* end() const { return data() + size_; }

private:
    ZeroedBytes bytes_;
    std::size_t size_ = 0;
};

using ZeroedFloats = ZeroedArray<float>;

}  // namespace pondra
