#include "ops/plateaus.hpp"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <optional>

#include "core/interruption.hpp"
#include "core/large_allocator.hpp"
#include "core/work_sharing.hpp"

namespace voxmill {

namespace {

constexpr std::int64_t kRowsPerTask = 256;
constexpr std::int64_t kFlooded = -3;  // found on its plateau
constexpr std::int64_t kReached = -4;  // reached by the walk across a flat top

// A set of voxels, one bit each, visited in the order of their indices.
class VoxelSet {
public:
    explicit VoxelSet(std::int64_t voxels) : words_(static_cast<std::size_t>((voxels + 63) / 64)) {}

    void insert(std::int64_t at) {
        words_[static_cast<std::size_t>(at >> 6)] |= std::uint64_t{1} << (at & 63);
        ++count_;
    }
    void erase(std::int64_t at) {
        words_[static_cast<std::size_t>(at >> 6)] &= ~(std::uint64_t{1} << (at & 63));
        --count_;
    }
    bool contains(std::int64_t at) const { return (words_[static_cast<std::size_t>(at >> 6)] >> (at & 63) & 1) != 0; }
    bool empty() const { return count_ == 0; }
    void clear() {
        std::fill(words_.begin(), words_.end(), 0);
        count_ = 0;
    }
    void swap(VoxelSet& other) {
        words_.swap(other.words_);
        std::swap(count_, other.count_);
    }
    template <class Visit>
    void for_each(Visit&& visit) const {
        for (std::size_t w = 0; w < words_.size(); ++w) {
            for (std::uint64_t bits = words_[w]; bits != 0; bits &= bits - 1) {
                visit(static_cast<std::int64_t>(w * 64 + static_cast<std::size_t>(std::countr_zero(bits))));
            }
        }
    }

private:
    std::vector<std::uint64_t> words_;
    std::int64_t count_ = 0;
};

struct Plateaus {
    const float* rho;
    const NeighbourWalk& all;    // every neighbour
    const NeighbourWalk& faces;  // the neighbours along one axis
    std::int64_t* uphill;
    std::int64_t voxels;

    bool level_with(std::int64_t n, std::int64_t at) const { return rho[n] == rho[at]; }

    // Breadth first along the axes from the flat voxels next to a voxel of their level that
    // leads up: each voxel reached steps back to the voxel it was reached from. The first
    // ones are found on all cores, row by row; the others level by level, in the order of the
    // indices, so that of equally near voxels the lowest reaches on.
    void walk_shelves() {
        const std::int64_t n1 = all.row_length();
        const std::int64_t rows = voxels / n1;
        // The flat voxels not reached yet, one bit each, and the way back from those reached,
        // a byte each: what the walk looks up and writes stays in the caches. Two flat voxels
        // next to each other have one density (neither is higher), so the walk does not look.
        VoxelSet frontier(voxels), next(voxels), unreached(voxels);
        for (std::int64_t at = 0; at < voxels; ++at) {
            stop_if_interrupted_at(at);
            if (uphill[at] == kFlat) unreached.insert(at);
        }
        std::vector<std::vector<std::int64_t>> found(static_cast<std::size_t>((rows + kRowsPerTask - 1) / kRowsPerTask));
        share_work(0, rows, kRowsPerTask, 0, [&](std::int64_t begin, std::int64_t end) {
            std::vector<std::int64_t>& pairs = found[static_cast<std::size_t>(begin / kRowsPerTask)];
            NeighbourWalk::Rows row(faces);
            for (std::int64_t at = begin * n1; at < end * n1; ++at) {
                if (!unreached.contains(at)) continue;
                for (const std::ptrdiff_t offset : row.offsets(at)) {
                    if (offset == NeighbourWalk::kAbsent) continue;
                    const std::int64_t n = at + offset;
                    if (!unreached.contains(n) && uphill[n] >= 0 && level_with(n, at)) {
                        pairs.insert(pairs.end(), {at, n});
                        break;
                    }
                }
            }
        });
        for (const std::vector<std::int64_t>& pairs : found) {
            for (std::size_t i = 0; i < pairs.size(); i += 2) {
                uphill[pairs[i]] = pairs[i + 1];
                frontier.insert(pairs[i]);
                unreached.erase(pairs[i]);
            }
        }
        // Neighbour j of a voxel has the voxel as its neighbour count - 1 - j (the walk numbers
        // its steps symmetrically); `back` holds that number + 1.
        LargeVector<std::uint8_t> back(static_cast<std::size_t>(voxels), 0);
        const auto last = static_cast<std::uint8_t>(faces.count() - 1);
        NeighbourWalk::Rows row(faces);
        while (!frontier.empty()) {
            stop_if_interrupted();
            frontier.for_each([&](std::int64_t from) {
                const std::vector<std::ptrdiff_t>& offsets = row.offsets(from);
                for (std::size_t j = 0; j < offsets.size(); ++j) {
                    if (offsets[j] == NeighbourWalk::kAbsent) continue;
                    const std::int64_t n = from + offsets[j];
                    if (unreached.contains(n)) {
                        back[static_cast<std::size_t>(n)] = static_cast<std::uint8_t>(last - j + 1);
                        next.insert(n);
                        unreached.erase(n);
                    }
                }
            });
            frontier.swap(next);
            next.clear();
        }
        share_work(0, rows, kRowsPerTask, 0, [&](std::int64_t begin, std::int64_t end) {
            NeighbourWalk::Rows way(faces);
            for (std::int64_t at = begin * n1; at < end * n1; ++at) {
                const std::uint8_t j = back[static_cast<std::size_t>(at)];
                if (j != 0) uphill[at] = at + way.offsets(at)[j - 1u];
            }
        });
    }

    // Breadth first through every neighbour from `frontier` across the voxels marked `mark`
    // level with them: each voxel reached steps back to the voxel it was reached from.
    // Returns the last voxel reached.
    std::int64_t spread(std::vector<std::int64_t> frontier, std::int64_t mark) {
        std::int64_t last = frontier.empty() ? kNoBasin : frontier.back();
        std::vector<std::int64_t> next;
        while (!frontier.empty()) {
            for (const std::int64_t from : frontier) {
                all.for_each(from, [&](std::size_t, std::int64_t n) {
                    if (uphill[n] == mark && level_with(n, from)) {
                        uphill[n] = from;
                        next.push_back(n);
                    }
                });
            }
            if (!next.empty()) last = next.back();
            frontier.swap(next);
            next.clear();
        }
        return last;
    }

    // Settles the plateau of flat voxels that holds `start`, which the walk along the axes did
    // not reach. Returns its maximum when it is a flat top.
    std::optional<std::int64_t> settle(std::int64_t start) {
        std::vector<std::int64_t> members{start};
        uphill[start] = kFlooded;
        for (std::size_t i = 0; i < members.size(); ++i) {
            all.for_each(members[i], [&](std::size_t, std::int64_t n) {
                if (uphill[n] == kFlat && level_with(n, start)) {
                    uphill[n] = kFlooded;
                    members.push_back(n);
                }
            });
        }
        // A voxel of its level that leads up across a diagonal.
        std::vector<std::int64_t> exits;
        for (const std::int64_t m : members) {
            all.for_each(m, [&](std::size_t, std::int64_t n) {
                if (uphill[m] == kFlooded && uphill[n] >= 0 && level_with(n, m)) {
                    uphill[m] = n;
                    exits.push_back(m);
                }
            });
        }
        if (!exits.empty()) {
            spread(exits, kFlooded);
            return std::nullopt;
        }
        // A flat top: walked across from its rim, the voxel reached last is the farthest in.
        std::vector<std::int64_t> rim;
        for (const std::int64_t m : members) {
            if (has_lower_neighbour(rho, all, m)) rim.push_back(m);
        }
        for (const std::int64_t m : rim) uphill[m] = kReached;
        const std::int64_t top = spread(rim, kFlooded);
        for (const std::int64_t m : members) uphill[m] = top;
        return top == kNoBasin ? std::nullopt : std::optional<std::int64_t>(top);
    }
};

}  // namespace

bool has_lower_neighbour(const float* rho, const NeighbourWalk& walk, std::int64_t at) {
    bool lower = false;
    walk.for_each(at, [&](std::size_t, std::int64_t n) { lower = lower || rho[n] < rho[at]; });
    return lower;
}

std::vector<std::int64_t> settle_plateaus(const Map& map, const NeighbourWalk& walk, std::int64_t* uphill) {
    const NeighbourWalk faces(map, walk.wraps(), NeighbourWalk::Reach::faces);
    Plateaus plateaus{map.rho.data(), walk, faces, uphill, map.voxels()};
    plateaus.walk_shelves();
    std::vector<std::int64_t> tops;
    for (std::int64_t at = 0; at < plateaus.voxels; ++at) {
        stop_if_interrupted_at(at);
        if (uphill[at] != kFlat) continue;
        if (const auto top = plateaus.settle(at)) tops.push_back(*top);
    }
    return tops;
}

}  // namespace voxmill
