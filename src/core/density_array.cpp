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

float* allocate_densities(std::size_t count) {
    if (count > static_cast<std::size_t>(-1) / sizeof(float) - kHugePage) throw std::bad_alloc();
    // Rounded up to whole huge pages, so that the advice covers all of the array.
    const std::size_t bytes = (count * sizeof(float) + kHugePage - 1) / kHugePage * kHugePage;
    void* p = ::operator new(bytes == 0 ? kHugePage : bytes, kAlignment);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only advice: where huge pages are not to be had, the array works with small ones.
    if (bytes >= kHugePage) (void)madvise(p, bytes, MADV_HUGEPAGE);
#endif
    return static_cast<float*>(p);
}

void free_densities(float* p) noexcept { ::operator delete(p, kAlignment); }

}  // namespace voxmill::detail
