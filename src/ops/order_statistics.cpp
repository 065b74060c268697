#include "ops/order_statistics.hpp"

#include <algorithm>
#include <bit>

namespace voxmill {

namespace {

// The upper bits of a float as a bucket number that grows with the value: flipping the sign
// bit of positive floats and all bits of negative ones makes integer order follow float
// order (-0.0 just below +0.0).
constexpr int kBucketBits = 16;
constexpr std::size_t kBuckets = std::size_t{1} << kBucketBits;

std::uint32_t bucket_of(float v) {
    const std::uint32_t u = std::bit_cast<std::uint32_t>(v);
    const std::uint32_t key = (u & 0x80000000u) != 0 ? ~u : (u | 0x80000000u);
    return key >> (32 - kBucketBits);
}

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

std::vector<float> order_statistics(float* values, std::size_t count, const std::vector<std::int64_t>& ranks) {
    std::vector<float> found(ranks.size());
    if (ranks.empty()) return found;

    // One pass counts the values per bucket, which fixes the ranks each bucket covers.
    std::vector<std::uint32_t> in_bucket(kBuckets, 0);
    for (std::size_t i = 0; i < count; ++i) ++in_bucket[bucket_of(values[i])];
    std::vector<std::int64_t> first_rank(kBuckets + 1, 0);
    for (std::size_t b = 0; b < kBuckets; ++b) first_rank[b + 1] = first_rank[b] + in_bucket[b];

    // The buckets that hold a wanted rank, in ascending order, each with a slot of its own.
    std::vector<std::int32_t> slot(kBuckets, -1);
    std::vector<std::size_t> slot_bucket;
    std::vector<std::size_t> rank_slot(ranks.size());
    std::size_t wanted = 0;
    std::size_t b = 0;
    for (std::size_t i = 0; i < ranks.size(); ++i) {
        while (first_rank[b + 1] <= ranks[i]) ++b;
        if (slot[b] < 0) {
            slot[b] = static_cast<std::int32_t>(slot_bucket.size());
            slot_bucket.push_back(b);
            wanted += in_bucket[b];
        }
        rank_slot[i] = static_cast<std::size_t>(slot[b]);
    }

    // Values crowded into few buckets (ties, flat solvent) would make the copy below large:
    // then select in the values themselves, which needs no memory but more passes.
    if (wanted > count / 4) {
        select_ranks(values, values + count, ranks.data(), ranks.size(), 0, found.data());
        return found;
    }

    // A second pass copies the values of the wanted buckets, bucket after bucket, so that
    // the copy of bucket b holds exactly the ranks first_rank[b] .. first_rank[b+1]-1.
    std::vector<float> copy(wanted);
    std::vector<std::size_t> fill(slot_bucket.size());
    std::vector<std::size_t> start(slot_bucket.size());
    std::size_t at = 0;
    for (std::size_t s = 0; s < slot_bucket.size(); ++s) {
        start[s] = fill[s] = at;
        at += in_bucket[slot_bucket[s]];
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::int32_t s = slot[bucket_of(values[i])];
        if (s >= 0) copy[fill[static_cast<std::size_t>(s)]++] = values[i];
    }

    // Within one bucket all values have one sign, so no two different values compare equal.
    std::size_t i = 0;
    while (i < ranks.size()) {
        const std::size_t s = rank_slot[i];
        std::size_t e = i;
        while (e < ranks.size() && rank_slot[e] == s) ++e;
        float* first = copy.data() + start[s];
        float* last = first + in_bucket[slot_bucket[s]];
        select_ranks(first, last, ranks.data() + i, e - i, first_rank[slot_bucket[s]], found.data() + i);
        i = e;
    }
    return found;
}

}  // namespace voxmill
