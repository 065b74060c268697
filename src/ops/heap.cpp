#include "ops/heap.hpp"

namespace voxmill {

void heap(std::int32_t n, float* ra) {
    if (n < 2) return;
    // The heap is numbered from 1; positions are 64-bit so that 2i cannot overflow for the
    // largest maps.
    auto at = [ra](std::int64_t i) -> float& { return ra[i - 1]; };
    std::int64_t l = n / 2 + 1;
    std::int64_t ir = n;
    for (;;) {
        float rra;
        if (l > 1) {
            // Building the heap.
            --l;
            rra = at(l);
        } else {
            // Selection: the current maximum moves to the end.
            rra = at(ir);
            at(ir) = at(1);
            --ir;
            if (ir == 1) {
                at(1) = rra;
                return;
            }
        }
        std::int64_t i = l;
        std::int64_t j = l + l;
        while (j <= ir) {
            if (j < ir && at(j) < at(j + 1)) ++j;
            if (rra < at(j)) {
                at(i) = at(j);
                i = j;
                j += j;
            } else {
                j = ir + 1;
            }
        }
        at(i) = rra;
    }
}

}  // namespace voxmill
