// Storage for standard containers of many trivial values that an analysis keeps beside a map
// (a step for every voxel, ...), taken as DensityArray takes the densities: huge pages from 8 MB
// on, so that filling it costs a few hundred page faults instead of many thousands, and no
// clearing of what is filled right afterwards (a container sized without a value leaves its
// elements unset; one sized with a value fills them).
#pragma once

#include <cstddef>
#include <new>
#include <type_traits>
#include <vector>

#include "core/density_array.hpp"

namespace voxmill {

template <class T>
struct LargeAllocator {
    static_assert(std::is_trivially_copyable_v<T> && alignof(T) <= alignof(std::max_align_t));
    using value_type = T;

    LargeAllocator() = default;
    template <class U>
    LargeAllocator(const LargeAllocator<U>&) {}

    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
        return static_cast<T*>(static_cast<void*>(detail::allocate_densities(floats(n), detail::takes_huge_pages(floats(n)))));
    }
    void deallocate(T* p, std::size_t n) noexcept {
        detail::free_densities(static_cast<float*>(static_cast<void*>(p)), detail::takes_huge_pages(floats(n)));
    }
    // Default-initialised: left unset.
    template <class U>
    void construct(U* p) {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(static_cast<Args&&>(args)...);
    }

    template <class U>
    bool operator==(const LargeAllocator<U>&) const {
        return true;
    }

private:
    // The storage in floats, as the densities' allocation counts it.
    static std::size_t floats(std::size_t n) { return (n * sizeof(T) + sizeof(float) - 1) / sizeof(float); }
};

// A vector on that storage.
template <class T>
using LargeVector = std::vector<T, LargeAllocator<T>>;

}  // namespace voxmill
