#include "ops/climb.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

#include "core/interruption.hpp"
#include "core/large_allocator.hpp"
#include "core/work_sharing.hpp"
#include "ops/basins.hpp"

namespace voxmill {

namespace {

// Four voxels side by side, as the compilers' vector extension (GCC and Clang) holds them.
constexpr std::int64_t kLanes = 4;
using Floats = float __attribute__((vector_size(16)));
using Ints = std::int32_t __attribute__((vector_size(16)));

// The highest voxel of each voxel's block so far: its density, and as `meta` the count of the
// block's voxels of that density << 16 | its code, whose base-3 digits are its steps (+ 1)
// along the axes passed, the first axis lowest, as NeighbourWalk numbers its neighbours.
struct Blocks {
    float* value;
    std::int32_t* meta;
};

constexpr std::int32_t kOneVoxel = 1 << 16;

// The blocks of one of the three candidates of a pass from where it starts, or none.
struct Candidate {
    const float* value = nullptr;
    const std::int32_t* meta = nullptr;
};

// Takes a candidate into the best so far, for one voxel or four side by side: a higher one
// replaces it, an equal one adds its count, NaN is neither.
template <class Value, class Meta>
void take(const Value& v, const Meta& m, std::int32_t digit, Value& best, Meta& code, Meta& count) {
    const auto higher = v > best;
    const auto equal = v == best;
    count = higher ? m >> 16 : equal ? count + (m >> 16) : count;
    code = higher ? (m & 0xFFFF) + digit : code;
    best = higher ? v : best;
}

// The best of three candidates for `count` voxels; their digits along the axis are 0, 1 and
// 2, of weight `weight`, so that of equals the first stays.
void combine(const std::array<Candidate, 3>& from, std::int64_t count, std::int32_t weight, float* value,
             std::int32_t* meta) {
    std::int64_t i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        Floats best = Floats{} - INFINITY;
        Ints code{}, many{};
        for (std::size_t d = 0; d < 3; ++d) {
            if (from[d].value == nullptr) continue;
            Floats v;
            Ints m;
            std::memcpy(&v, from[d].value + i, sizeof v);
            std::memcpy(&m, from[d].meta + i, sizeof m);
            take(v, m, static_cast<std::int32_t>(d) * weight, best, code, many);
        }
        const Ints out = many << 16 | code;
        std::memcpy(value + i, &best, sizeof best);
        std::memcpy(meta + i, &out, sizeof out);
    }
    for (; i < count; ++i) {
        float best = -INFINITY;
        std::int32_t code = 0, many = 0;
        for (std::size_t d = 0; d < 3; ++d) {
            if (from[d].value != nullptr) take(from[d].value[i], from[d].meta[i], static_cast<std::int32_t>(d) * weight, best, code, many);
        }
        value[i] = best;
        meta[i] = many << 16 | code;
    }
}

constexpr std::ptrdiff_t kNone = NeighbourWalk::kAbsent;

struct Axis {
    std::int64_t stride, n;
    bool wraps;
};

// One pass along `axis` over a slab of `length` voxels: the candidates of a voxel are itself
// and its two neighbours along the axis, wrapped around, or none beyond a box's end.
void pass(const Blocks& in, Blocks& out, std::int64_t length, const Axis& axis, std::int32_t weight) {
    const std::int64_t s = axis.stride, around = (axis.n - 1) * s;  // around: to the other end
    const auto run = [&](std::int64_t first, std::int64_t count, std::ptrdiff_t below, std::ptrdiff_t above) {
        const auto at = [&](std::ptrdiff_t d) {
            return d == kNone ? Candidate{} : Candidate{in.value + first + d, in.meta + first + d};
        };
        combine({at(below), at(0), at(above)}, count, weight, out.value + first, out.meta + first);
    };
    for (std::int64_t base = 0; base < length; base += axis.n * s) {
        run(base, s, axis.wraps ? around : kNone, s);
        if (axis.n > 2) run(base + s, s * (axis.n - 2), -s, s);
        run(base + around, s, -s, axis.wraps ? -around : kNone);
    }
}

// The map's walk axes for the passes, the last one (across the slabs) apart.
struct Slabs {
    std::vector<Axis> within;
    Axis across{};
    std::int64_t length = 0;  // voxels of one slab
    std::int32_t weight = 1;  // of the digit across
};

Slabs slabs_of(const Map& map, const NeighbourWalk& walk) {
    Slabs s;
    for (const int k : walk.axes()) s.within.push_back({map.stride(k), map.nvox(k), walk.wraps()(k)});
    s.across = s.within.back();
    s.within.pop_back();
    s.length = s.across.stride;
    for (std::size_t a = 0; a < s.within.size(); ++a) s.weight *= 3;
    return s;
}

// The blocks over the axes within the slabs for slab c.
void slab_blocks(const float* rho, const Slabs& s, std::int64_t c, Blocks& out, Blocks& scratch) {
    const float* first = rho + c * s.length;
    std::copy(first, first + s.length, out.value);
    std::fill(out.meta, out.meta + s.length, kOneVoxel);
    std::int32_t weight = 1;
    for (const Axis& a : s.within) {
        pass(out, scratch, s.length, a, weight);
        std::swap(out, scratch);
        weight *= 3;
    }
}

// The steps of the voxels of slab c from the best of their whole blocks; the neighbour of a
// code is found from the voxel's coordinates, counted on voxel by voxel.
void steps(const float* rho, const NeighbourWalk& walk, const Map& map, const Slabs& s, std::int64_t c,
           const Blocks& best, std::int64_t* uphill) {
    const std::vector<int>& axes = walk.axes();
    const int across = axes.back();
    const auto self = static_cast<std::int32_t>(s.weight * 3 / 2);  // the code of the voxel itself
    Tab<std::int64_t, 6> n{}, stride{}, coordinate{};
    for (int k = 1; k <= 6; ++k) {
        n(k) = map.nvox(k);
        stride(k) = map.stride(k);
    }
    coordinate(across) = c;
    for (std::int64_t i = 0, at = c * s.length; i < s.length; ++i, ++at) {
        const float top = best.value[i];
        const std::int32_t meta = best.meta[i];
        if (!(top > rho[at])) {
            uphill[at] = !std::isnan(rho[at]) && (meta >> 16) >= 2 ? kFlat : at;
        } else {
            const std::int32_t code = meta & 0xFFFF;
            const auto j = static_cast<std::size_t>(code < self ? code : code - 1);
            std::int64_t to = at;
            for (std::size_t a = 0; a < axes.size(); ++a) {
                const int k = axes[a];
                // One step along the axis, around its end where the map repeats there (a step
                // beyond a box's end is never the highest: it has no candidate).
                const std::int64_t step = walk.step(j, a), next = coordinate(k) + step;
                to += (next < 0 ? n(k) - 1 : next == n(k) ? 1 - n(k) : step) * stride(k);
            }
            uphill[at] = to;
        }
        for (int k = 1; k < across && ++coordinate(k) == n(k); ++k) coordinate(k) = 0;
    }
}

}  // namespace

void climb(const Map& map, const NeighbourWalk& walk, std::int64_t* uphill) {
    if (walk.axes().empty()) {
        for (std::int64_t at = 0; at < map.voxels(); ++at) uphill[at] = at;
        return;
    }
    const float* rho = map.rho.data();
    const Slabs s = slabs_of(map, walk);
    const std::int64_t count = s.across.n;
    // One piece of slabs for each thread, with its five slabs of blocks.
    const std::int64_t threads = worker_threads(0), piece = (count + threads - 1) / threads;
    constexpr std::int64_t kSlabsHeld = 5;
    LargeVector<float> values(static_cast<std::size_t>(threads * kSlabsHeld * s.length));
    LargeVector<std::int32_t> metas(values.size());
    share_work(0, count, piece, static_cast<unsigned>(threads), [&](std::int64_t begin, std::int64_t end) {
        const auto held = [&](std::int64_t i) {
            const auto at = static_cast<std::size_t>(((begin / piece) * kSlabsHeld + i) * s.length);
            return Blocks{values.data() + at, metas.data() + at};
        };
        // The blocks of slabs c - 1, c and c + 1, each made once and shifted on.
        std::array<Blocks, 3> ring{held(0), held(1), held(2)};
        Blocks scratch = held(3), best = held(4);
        const auto make = [&](std::int64_t c, Blocks& into) {
            const bool there = (c >= 0 && c < count) || s.across.wraps;
            if (there) slab_blocks(rho, s, wrap(c, count), into, scratch);
            return there;
        };
        const auto from = [](const Blocks& b, bool there) {
            return there ? Candidate{b.value, b.meta} : Candidate{};
        };
        bool below = make(begin - 1, ring[0]);
        make(begin, ring[1]);
        for (std::int64_t c = begin; c < end; ++c) {
            stop_if_interrupted();
            const bool above = make(c + 1, ring[2]);
            combine({from(ring[0], below), from(ring[1], true), from(ring[2], above)}, s.length, s.weight,
                    best.value, best.meta);
            steps(rho, walk, map, s, c, best, uphill);
            std::swap(ring[0], ring[1]);
            std::swap(ring[1], ring[2]);
            below = true;
        }
    });
}

}  // namespace voxmill
