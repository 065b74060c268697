#include "core/density_array.hpp"

#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace voxmill::detail {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::align_val_t kAlignment{kHugePage};

}  // namespace

// From 8 MB on, the at most 2 MB lost to rounding up are a small part of the array.
bool takes_huge_pages(std::size_t count) { return count >= 4 * kHugePage / sizeof(float); }

float* allocate_densities(std::size_t count, bool huge) {
    if (count > (static_cast<std::size_t>(-1) - kHugePage) / sizeof(float)) throw std::bad_alloc();
    if (!huge) return static_cast<float*>(::operator new(count * sizeof(float)));
    // Rounded up to whole huge pages, so that the advice covers all of the array.
    const std::size_t bytes = (count * sizeof(float) + kHugePage - 1) / kHugePage * kHugePage;
    void* p = ::operator new(bytes, kAlignment);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only advice: where huge pages are not to be had, the array works with small ones.
    (void)madvise(p, bytes, MADV_HUGEPAGE);
#endif
    return static_cast<float*>(p);
}

void free_densities(float* p, bool huge) noexcept {
    if (huge) {
        ::operator delete(p, kAlignment);
    } else {
        ::operator delete(p);
    }
}

}  // namespace voxmill::detail
