// The neighbours of a voxel on a map's grid: every voxel at most one step away along each axis
// of more than one voxel, 3^A - 1 of them for A such axes (or only the 2A one step away along
// one axis). Along an axis that repeats with the cell they wrap around; along one that does
// not (a box cut from a cell) there are none beyond its ends. A voxel away from every face
// finds its neighbours at fixed distances in rho; only the voxels on a face take the slower
// way round.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "core/map.hpp"
#include "core/tab.hpp"

namespace voxmill {

class NeighbourWalk {
public:
    enum class Reach {
        all,    // 3^A - 1: one step or none along each axis
        faces,  // 2A: one step along one axis
    };

    // `wraps(k)`: whether axis k repeats with the cell.
    explicit NeighbourWalk(const Map& map, const Tab<bool, 6>& wraps = every_axis_wraps(), Reach reach = Reach::all);

    static Tab<bool, 6> every_axis_wraps();

    const Tab<bool, 6>& wraps() const { return wraps_; }
    // The voxels of a row of axis 1.
    std::int64_t row_length() const { return n_(1); }
    // The map axes of more than one voxel (1 .. 6, in order), A of them.
    const std::vector<int>& axes() const { return axes_; }
    std::size_t count() const { return offsets_.size(); }
    // Neighbour j lies step(j, a) voxels (-1, 0 or 1) away along axes()[a]. The neighbours run
    // through the steps with the first axis fastest, so that neighbour count() - 1 - j lies the
    // opposite way.
    int step(std::size_t j, std::size_t a) const { return steps_[j * axes_.size() + a]; }

    // The distance in rho of a neighbour that is not there (beyond a box's end).
    static constexpr std::ptrdiff_t kAbsent = std::numeric_limits<std::ptrdiff_t>::min();

    // The distances in rho of the neighbours j of the voxels of one row of axis 1, kAbsent for
    // those that are not there: of its first voxel, of those in its middle (all alike) and of
    // its last. A row of one voxel has its neighbours in `first`.
    struct RowOffsets {
        std::vector<std::ptrdiff_t> first, middle, last;

        // Those of the voxel at coordinate x of a row of n voxels.
        const std::vector<std::ptrdiff_t>& of(std::int64_t x, std::int64_t n) const {
            return x == 0 ? first : x == n - 1 ? last : middle;
        }
    };
    // Those of the row that starts at index `row` (coordinate 0 of axis 1): worked out once for
    // the rows away from every face of axes 2 .. 6, into `scratch` for the others.
    const RowOffsets& row_offsets(std::int64_t row, RowOffsets& scratch) const;

    // Calls visit(j, index) for each neighbour j of voxel `at` that there is, j increasing.
    template <class Visit>
    void for_each(std::int64_t at, Visit&& visit) const {
        if (inside(at)) {
            for (std::size_t j = 0; j < offsets_.size(); ++j) visit(j, at + offsets_[j]);
            return;
        }
        const Moves moves = moves_at(at);
        for (std::size_t j = 0; j < offsets_.size(); ++j) {
            const std::int64_t move = move_of(moves, j);
            if (move != kAbsent) visit(j, at + move);
        }
    }

    // The offsets of the neighbours j of voxel after voxel (kAbsent for those not there),
    // worked out once per row of axis 1: for a walk through voxels in the order of their
    // indices.
    class Rows {
    public:
        explicit Rows(const NeighbourWalk& walk) : walk_(walk) {}
        const std::vector<std::ptrdiff_t>& offsets(std::int64_t at) {
            const std::int64_t n1 = walk_.row_length();
            if (row_ == nullptr || at < start_ || at >= start_ + n1) {
                start_ = at - at % n1;
                row_ = &walk_.row_offsets(start_, scratch_);
            }
            return row_->of(at - start_, n1);
        }

    private:
        const NeighbourWalk& walk_;
        RowOffsets scratch_;
        const RowOffsets* row_ = nullptr;
        std::int64_t start_ = 0;
    };

private:
    // Per walk axis, the change of index of a step of -1, 0 and 1; kAbsent beyond a box's end.
    using Moves = std::array<std::array<std::int64_t, 3>, 6>;

    bool inside(std::int64_t at) const {
        const std::int64_t row = at / n_(1), x = at - row * n_(1);
        return inner_rows_[static_cast<std::size_t>(row)] && (n_(1) == 1 || (x > 0 && x < n_(1) - 1));
    }
    Moves moves_at(std::int64_t at) const;
    void fill_row(std::int64_t row, RowOffsets& out) const;
    // The change of index to neighbour j with these moves, or kAbsent.
    std::int64_t move_of(const Moves& moves, std::size_t j) const {
        const std::size_t A = axes_.size();
        std::int64_t to = 0;
        for (std::size_t a = 0; a < A; ++a) {
            const std::int64_t move = moves[a][static_cast<std::size_t>(steps_[j * A + a] + 1)];
            if (move == kAbsent) return kAbsent;
            to += move;
        }
        return to;
    }

    std::vector<int> axes_;
    Tab<std::int64_t, 6> n_{}, stride_{};
    Tab<bool, 6> wraps_{};
    std::vector<std::ptrdiff_t> offsets_;  // of neighbour j from a voxel away from every face
    std::vector<std::int8_t> steps_;  // count() rows of A steps
    std::vector<bool> inner_rows_;    // per row of axis 1: away from every face of axes 2 .. 6
    RowOffsets inner_row_;            // the offsets of such a row
};

}  // namespace voxmill
