#include "core/grid_walk.hpp"

#include <algorithm>

namespace voxmill {

NeighbourWalk::NeighbourWalk(const Map& map, const Tab<bool, 6>& wraps, Reach reach) : wraps_(wraps) {
    for (int k = 1; k <= 6; ++k) {
        n_(k) = map.nvox(k);
        stride_(k) = map.stride(k);
        if (n_(k) > 1) axes_.push_back(k);
    }
    const std::size_t A = axes_.size();
    std::size_t all = 1;
    for (std::size_t a = 0; a < A; ++a) all *= 3;
    // Step t of the 3^A has the digits of t in base 3, less one, as its steps.
    for (std::size_t t = 0; t < all; ++t) {
        std::vector<std::int8_t> steps;
        std::ptrdiff_t offset = 0;
        int moved = 0;
        for (std::size_t a = 0, digits = t; a < A; ++a, digits /= 3) {
            const int s = static_cast<int>(digits % 3) - 1;
            steps.push_back(static_cast<std::int8_t>(s));
            offset += s * stride_(axes_[a]);
            moved += s != 0 ? 1 : 0;
        }
        if (moved == 0 || (reach == Reach::faces && moved > 1)) continue;
        steps_.insert(steps_.end(), steps.begin(), steps.end());
        offsets_.push_back(offset);
    }
    // The rows of axis 1 away from every face of the other axes, their coordinates counted on.
    const std::int64_t rows = map.voxels() / n_(1);
    inner_rows_.resize(static_cast<std::size_t>(rows));
    Tab<std::int64_t, 6> c{};
    for (std::int64_t row = 0; row < rows; ++row) {
        bool inner = true;
        for (int k = 2; k <= 6; ++k) inner = inner && (n_(k) == 1 || (c(k) > 0 && c(k) < n_(k) - 1));
        inner_rows_[static_cast<std::size_t>(row)] = inner;
        for (int k = 2; k <= 6 && ++c(k) == n_(k); ++k) c(k) = 0;
    }
    const auto first_inner = std::find(inner_rows_.begin(), inner_rows_.end(), true);
    if (first_inner != inner_rows_.end()) fill_row((first_inner - inner_rows_.begin()) * n_(1), inner_row_);
}

Tab<bool, 6> NeighbourWalk::every_axis_wraps() { return {{true, true, true, true, true, true}}; }

NeighbourWalk::Moves NeighbourWalk::moves_at(std::int64_t at) const {
    Moves moves{};
    for (std::size_t a = 0; a < axes_.size(); ++a) {
        const int k = axes_[a];
        const std::int64_t c = at / stride_(k) % n_(k);
        for (int s = -1; s <= 1; ++s) {
            const std::int64_t to = c + s;
            const bool beyond = to < 0 || to >= n_(k);
            moves[a][static_cast<std::size_t>(s + 1)] = beyond && !wraps_(k) ? kAbsent : (wrap(to, n_(k)) - c) * stride_(k);
        }
    }
    return moves;
}

const NeighbourWalk::RowOffsets& NeighbourWalk::row_offsets(std::int64_t row, RowOffsets& scratch) const {
    if (inner_rows_[static_cast<std::size_t>(row / n_(1))]) return inner_row_;
    fill_row(row, scratch);
    return scratch;
}

void NeighbourWalk::fill_row(std::int64_t row, RowOffsets& out) const {
    Moves moves = moves_at(row);
    const auto fill = [&](std::vector<std::ptrdiff_t>& offsets) {
        offsets.clear();
        for (std::size_t j = 0; j < offsets_.size(); ++j) offsets.push_back(move_of(moves, j));
    };
    fill(out.first);
    if (n_(1) == 1) return;
    // Along axis 1 (the first walk axis) only the ends wrap.
    const std::int64_t n1 = n_(1);
    moves[0] = {-1, 0, 1};
    fill(out.middle);
    moves[0] = {-1, 0, wraps_(1) ? -(n1 - 1) : kAbsent};
    fill(out.last);
}

}  // namespace voxmill
