#include "ops/contour.hpp"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace voxmill {

namespace {

// The corners of cell (i, j) counted round it from (i, j): 0 (i, j), 1 (i + 1, j),
// 2 (i + 1, j + 1), 3 (i, j + 1); edge k runs from corner k to corner k + 1 (mod 4), so edge 0
// is the lower one (v = j), 1 the right (u = i + 1), 2 the upper (v = j + 1), 3 the left (u = i),
// and the neighbour across edge k sees the same edge as its edge k + 2 (mod 4).

// A cell's case: bit k set when corner k reaches the level, bit 4 when the mean of the four
// corners does (kept for the two saddles only, so that every other case has one code).
constexpr std::uint8_t kMeanReaches = 16;
constexpr std::uint8_t kLeftOut = 0xFF;
constexpr std::uint8_t kBelow = 0, kReaches = 1, kNotFinite = 2;

// For every case and every edge a line can enter the cell by, the edge it leaves by; -1 where
// the edge is not crossed.
using ExitTable = std::array<std::array<std::int8_t, 4>, 32>;

constexpr ExitTable make_exits() {
    ExitTable exits{};
    for (std::size_t c = 0; c < exits.size(); ++c) {
        auto& exit = exits[c];
        exit.fill(-1);
        const auto reaches = [c](int corner) { return (c >> (corner & 3)) & 1u; };
        std::array<int, 4> crossed{};
        int count = 0;
        for (int e = 0; e < 4; ++e)
            if (reaches(e) != reaches(e + 1)) crossed[static_cast<std::size_t>(count++)] = e;
        const auto join = [&exit](int a, int b) {
            exit[static_cast<std::size_t>(a)] = static_cast<std::int8_t>(b);
            exit[static_cast<std::size_t>(b)] = static_cast<std::int8_t>(a);
        };
        if (count == 2) {
            join(crossed[0], crossed[1]);
        } else if (count == 4) {
            // A saddle: the centre takes the side of the mean, and each corner on the other
            // side is cut off by a segment between its two edges.
            const unsigned centre = (c >> 4) & 1u;
            for (int k = 0; k < 4; ++k)
                if (reaches(k) != centre) join((k + 3) & 3, k);
        }
    }
    return exits;
}

constexpr ExitTable kExits = make_exits();

// Where the level lies on the way from sample p to sample q, as a fraction of it: one of the
// two is below the level and the other reaches it, so the difference is never zero, and a
// sample exactly at the level gives exactly 0 or 1.
double crossing(float p, float q, double level) {
    return (level - static_cast<double>(p)) / (static_cast<double>(q) - static_cast<double>(p));
}

class LevelTracer {
public:
    LevelTracer(const float* values, int nu, int nv, double level)
        : values_(values), nu_(static_cast<std::size_t>(nu)), cu_(nu_ - 1),
          cv_(static_cast<std::size_t>(nv) - 1), level_(level) {}

    std::vector<ContourLine> trace() {
        classify();
        std::vector<ContourLine> lines;
        // Lines that meet the edge of the grid or a left-out cell are followed from one end, so
        // that each comes out whole; whatever is left over after them can only be closed.
        for (bool from_ends : {true, false}) {
            for (std::size_t c : crossed_) {
                const std::size_t i = c % cu_, j = c / cu_;
                for (int e = 0; e < 4; ++e) {
                    if (kExits[cases_[c]][static_cast<std::size_t>(e)] < 0 || (used_[c] >> e & 1u)) continue;
                    if (from_ends && has_neighbour(i, j, e)) continue;
                    ContourLine line;
                    follow(i, j, e, line);
                    if (line.points.size() >= 2) lines.push_back(std::move(line));
                }
            }
        }
        return lines;
    }

private:
    float at(std::size_t u, std::size_t v) const { return values_[u + nu_ * v]; }

    void classify() {
        std::vector<std::uint8_t> side(nu_ * (cv_ + 1));
        for (std::size_t k = 0; k < side.size(); ++k) {
            const float x = values_[k];
            side[k] = !std::isfinite(x) ? kNotFinite : static_cast<double>(x) >= level_ ? kReaches : kBelow;
        }
        cases_.assign(cu_ * cv_, 0);
        used_.assign(cu_ * cv_, 0);
        for (std::size_t j = 0; j < cv_; ++j) {
            for (std::size_t i = 0; i < cu_; ++i) {
                const std::size_t low = i + nu_ * j, high = low + nu_;
                const unsigned s0 = side[low], s1 = side[low + 1], s2 = side[high + 1], s3 = side[high];
                const std::size_t c = i + cu_ * j;
                if ((s0 | s1 | s2 | s3) & kNotFinite) {
                    cases_[c] = kLeftOut;
                    continue;
                }
                unsigned code = s0 | s1 << 1 | s2 << 2 | s3 << 3;
                if (code == 0 || code == 15) continue;
                if (code == 5 || code == 10) {
                    const double mean =
                        (static_cast<double>(at(i, j)) + at(i + 1, j) + at(i + 1, j + 1) + at(i, j + 1)) / 4;
                    if (mean >= level_) code |= kMeanReaches;
                }
                cases_[c] = static_cast<std::uint8_t>(code);
                crossed_.push_back(c);
            }
        }
    }

    // The crossing on edge e of cell (i, j), always computed from the lower-numbered sample of
    // the edge, so the two cells sharing an edge give the very same point.
    ContourPoint point_on(std::size_t i, std::size_t j, int e) const {
        const auto u = static_cast<double>(i), v = static_cast<double>(j);
        switch (e) {
        case 0: return {u + crossing(at(i, j), at(i + 1, j), level_), v};
        case 1: return {u + 1, v + crossing(at(i + 1, j), at(i + 1, j + 1), level_)};
        case 2: return {u + crossing(at(i, j + 1), at(i + 1, j + 1), level_), v + 1};
        default: return {u, v + crossing(at(i, j), at(i, j + 1), level_)};
        }
    }

    bool has_neighbour(std::size_t i, std::size_t j, int e) const {
        switch (e) {
        case 0: return j > 0 && cases_[i + cu_ * (j - 1)] != kLeftOut;
        case 1: return i + 1 < cu_ && cases_[i + 1 + cu_ * j] != kLeftOut;
        case 2: return j + 1 < cv_ && cases_[i + cu_ * (j + 1)] != kLeftOut;
        default: return i > 0 && cases_[i - 1 + cu_ * j] != kLeftOut;
        }
    }

    static void add(ContourLine& line, ContourPoint p) {
        if (!line.points.empty() && line.points.back().u == p.u && line.points.back().v == p.v) return;
        line.points.push_back(p);
    }

    // Follows the line that enters cell (i, j) by edge `entry` until it leaves the grid or a
    // left-out cell, or comes back in by the edge it started from. A crossed edge between two
    // cells that are not left out is crossed in both, so the way on is always there.
    void follow(std::size_t i, std::size_t j, int entry, ContourLine& line) {
        const std::size_t i0 = i, j0 = j;
        const int entry0 = entry;
        add(line, point_on(i, j, entry));
        for (;;) {
            const std::size_t c = i + cu_ * j;
            const int exit = kExits[cases_[c]][static_cast<std::size_t>(entry)];
            used_[c] = static_cast<std::uint8_t>(used_[c] | 1u << entry | 1u << exit);
            add(line, point_on(i, j, exit));
            if (!has_neighbour(i, j, exit)) return;
            switch (exit) {
            case 0: --j; break;
            case 1: ++i; break;
            case 2: ++j; break;
            default: --i; break;
            }
            entry = (exit + 2) & 3;
            if (i == i0 && j == j0 && entry == entry0) {
                line.closed = true;
                return;
            }
        }
    }

    const float* values_;
    std::size_t nu_;
    std::size_t cu_, cv_;  // cells along and across the rows
    double level_;
    std::vector<std::uint8_t> cases_;
    std::vector<std::uint8_t> used_;     // bit e: the crossing on edge e of the cell has been followed
    std::vector<std::size_t> crossed_;   // the cells the level passes through, in order
};

}  // namespace

std::vector<ContourLine> trace_contour(const float* values, int nu, int nv, double level) {
    if (nu < 2 || nv < 2) return {};
    return LevelTracer(values, nu, nv, level).trace();
}

}  // namespace voxmill
