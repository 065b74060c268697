#include "ops/order_statistics.hpp"

#include <algorithm>
#include <bit>

namespace voxmill {

namespace {

// Flipping the sign bit of positive floats and all bits of negative ones makes integer
// order follow float order (-0.0 just below +0.0, NaN beyond the infinities).
std::uint32_t key_of(float v) {
    const std::uint32_t u = std::bit_cast<std::uint32_t>(v);
    return (u & 0x80000000u) != 0 ? ~u : (u | 0x80000000u);
}

constexpr std::size_t kBuckets = std::size_t{1} << 16;
std::size_t bucket_of(std::uint32_t key) { return key >> 16; }

// Buckets of NaN: below the one of -infinity and above the one of +infinity, both included.
constexpr std::size_t kLastNegativeNaN = 0x007F;
constexpr std::size_t kFirstPositiveNaN = 0xFF80;
constexpr std::size_t kMinusZero = 0x7FFF;
constexpr std::size_t kPlusZero = 0x8000;

// With few wanted buckets, each is split once more by the next 8 bits of the key, so that
// only the values of the wanted parts of a bucket are copied.
constexpr std::size_t kMostSplitBuckets = 1024;

// Selects the ranks r[0 .. m-1] (absolute, ascending) in [first, last), whose first element
// has rank `offset`, by splitting at the middle rank and going on in both halves.
void select_ranks(float* first, float* last, const std::int64_t* r, std::size_t m, std::int64_t offset,
                  float* out) {
    if (m == 0) return;
    const std::size_t mid = m / 2;
    float* nth = first + (r[mid] - offset);
    std::nth_element(first, nth, last);
    out[mid] = *nth;
    select_ranks(first, nth, r, mid, offset, out);
    select_ranks(nth + 1, last, r + mid + 1, m - mid - 1, offset + (nth + 1 - first), out + mid + 1);
}

}  // namespace

DensityBuckets::DensityBuckets(const float* values, std::size_t count)
    : count_(count), in_bucket_(kBuckets, 0), first_rank_(kBuckets + 1, 0) {
    for (std::size_t i = 0; i < count; ++i) ++in_bucket_[bucket_of(key_of(values[i]))];
    for (std::size_t b = 0; b < kBuckets; ++b) first_rank_[b + 1] = first_rank_[b] + in_bucket_[b];
}

bool DensityBuckets::may_hold_nan() const {
    return first_rank_[kLastNegativeNaN + 1] > 0 || first_rank_[kBuckets] > first_rank_[kFirstPositiveNaN];
}

bool DensityBuckets::may_hold_both_zeros() const { return in_bucket_[kMinusZero] > 0 && in_bucket_[kPlusZero] > 0; }

std::vector<float> DensityBuckets::select(float* values, const std::vector<std::int64_t>& ranks) const {
    std::vector<float> found(ranks.size());
    if (ranks.empty()) return found;

    // The buckets that hold a wanted rank, in ascending order, each with a slot of its own.
    // The other buckets share one more slot, so that the passes below need no branch that
    // the processor could mispredict for every value.
    std::vector<std::size_t> slot_bucket;
    std::vector<std::size_t> rank_slot(ranks.size());
    for (std::size_t i = 0, b = 0; i < ranks.size(); ++i) {
        while (first_rank_[b + 1] <= ranks[i]) ++b;
        if (slot_bucket.empty() || slot_bucket.back() != b) slot_bucket.push_back(b);
        rank_slot[i] = slot_bucket.size() - 1;
    }
    const std::size_t slots = slot_bucket.size();
    std::vector<std::uint32_t> slot(kBuckets, static_cast<std::uint32_t>(slots));
    for (std::size_t s = 0; s < slots; ++s) slot[slot_bucket[s]] = static_cast<std::uint32_t>(s);

    // The parts of the wanted buckets: 256 each when split, the whole bucket otherwise.
    const int part_bits = slots <= kMostSplitBuckets ? 8 : 0;
    const std::size_t parts = std::size_t{1} << part_bits;
    const std::uint32_t part_mask = static_cast<std::uint32_t>(parts - 1);
    auto part_of = [&](std::uint32_t key) { return slot[bucket_of(key)] * parts + ((key >> 8) & part_mask); };
    std::vector<std::uint32_t> in_part((slots + 1) * parts, 0);
    if (part_bits > 0) {
        for (std::size_t i = 0; i < count_; ++i) ++in_part[part_of(key_of(values[i]))];
    } else {
        for (std::size_t s = 0; s < slots; ++s) in_part[s] = in_bucket_[slot_bucket[s]];
    }

    // The parts that hold a wanted rank, each with its first rank; the others share the
    // cell `unwanted`.
    std::vector<std::int64_t> cell_first_rank;
    std::vector<std::size_t> cell_start;  // where the cell's copy starts
    std::vector<std::size_t> cell_part;
    std::vector<std::size_t> rank_cell(ranks.size());
    std::size_t wanted = 0;
    for (std::size_t i = 0, s = slots, p = 0; i < ranks.size(); ++i) {
        std::int64_t first = 0;
        if (rank_slot[i] != s) {
            s = rank_slot[i];
            p = s * parts;
            first = first_rank_[slot_bucket[s]];
        } else {
            first = cell_first_rank.back();
        }
        while (first + in_part[p] <= ranks[i]) first += in_part[p++];
        if (cell_part.empty() || cell_part.back() != p) {
            cell_part.push_back(p);
            cell_first_rank.push_back(first);
            cell_start.push_back(wanted);
            wanted += in_part[p];
        }
        rank_cell[i] = cell_part.size() - 1;
    }

    // Values crowded into few parts (ties, flat solvent) would make the copy below large:
    // then select in the values themselves, which needs no memory but more passes.
    if (wanted > count_ / 4) {
        select_ranks(values, values + count_, ranks.data(), ranks.size(), 0, found.data());
        return found;
    }

    // The values of the wanted parts, part after part, so that the copy of a part holds
    // exactly the ranks from its first rank on. The unwanted values all go to one spare
    // element past the end.
    const auto unwanted = static_cast<std::uint32_t>(cell_part.size());
    std::vector<std::uint32_t> cell(in_part.size(), unwanted);
    for (std::size_t c = 0; c < cell_part.size(); ++c) cell[cell_part[c]] = static_cast<std::uint32_t>(c);
    std::vector<float> copy(wanted + 1);
    std::vector<std::size_t> fill = cell_start;
    fill.push_back(wanted);
    for (std::size_t i = 0; i < count_; ++i) {
        const std::uint32_t c = cell[part_of(key_of(values[i]))];
        copy[fill[c]] = values[i];
        fill[c] += c != unwanted;
    }

    // Within one bucket all values have one sign, so no two different values compare equal.
    for (std::size_t i = 0; i < ranks.size();) {
        const std::size_t c = rank_cell[i];
        std::size_t e = i;
        while (e < ranks.size() && rank_cell[e] == c) ++e;
        float* first = copy.data() + cell_start[c];
        float* last = first + in_part[cell_part[c]];
        select_ranks(first, last, ranks.data() + i, e - i, cell_first_rank[c], found.data() + i);
        i = e;
    }
    return found;
}

}  // namespace voxmill
