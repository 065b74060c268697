// A new map made of a map in one pass: its axes permuted through the axis codes, rolled
// periodically by whole voxels, and cut to a box that may wrap around the cell.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/layer_source.hpp"
#include "core/map.hpp"
#include "core/tab.hpp"

namespace voxmill {

struct BoxOrder {
    // Character j: the axis code that output axis j carries; a blank keeps the axis in place.
    std::string order = "123456";
    // Character j: the code written for output axis j.
    std::string codes = "123456";
    Tab<std::int32_t, 6> start{};  // first voxel of the box along input axis i
    Tab<std::int32_t, 6> width{};  // voxels of the box along input axis i, less one
    std::int32_t subsystem = 0;    // the subsystem number written, 0 for the input's own
};

// The whole map in the order of the codes: start 0 and widths n - 1.
BoxOrder whole_map_order(const Map& map, std::string order, std::string codes);

// The whole map rolled periodically so that its origin moves by `fractions` of the cell, one
// for each axis of the map: each axis by the nearest whole number of voxels. The fractions,
// like those of box_order, are taken in single precision, as the console reads them.
BoxOrder shift_order(const Map& map, const std::vector<double>& fractions);

// The box around `center`, `width` wide, in fractions of the cell with one value for each
// axis of the map (a width of W takes W times the axis's voxels and one more); its output
// axes carry the codes of `order`, written as their codes too, as subsystem 1.
BoxOrder box_order(const Map& map, const std::vector<double>& center, const std::vector<double>& width,
                   const std::string& order);

// The box of `map` (which must outlive it) over the map's `dimension` axes. Output axis
// conv(i) takes the extent of the box along input axis i, the input's start coordinate and
// its voxel step; map code and cell stay.
//
// A MapError with the reason, before anything is made: of kind `refused` for an order that
// leaves an output axis with no input axis or names a code that no axis of the map has, a box
// of no voxels along an axis or one beyond 32-bit counts; of kind `unreadable` for an order
// with a character that is neither a digit nor a blank.
class ReorderedMap final : public LayerSource {
public:
    ReorderedMap(const Map& map, const BoxOrder& box);
    const Map& frame() const override { return frame_; }
    void fill(std::int64_t first, std::int64_t count, float* out) const override;

private:
    struct Run {
        std::ptrdiff_t start;
        std::size_t length;
    };
    const Map& map_;
    Map frame_;
    // offset(j)[c]: the part of the input index that output coordinate c along axis j
    // contributes, wrap included, so that an output voxel's input index is a sum of six table
    // entries and no voxel needs a division.
    Tab<std::vector<std::ptrdiff_t>, 6> offset_;
    std::vector<Run> runs_;
    bool copy_runs_ = false;
};

Map reorder(const Map& map, const BoxOrder& box);

}  // namespace voxmill
