// Level lines of a section of a map, for drawing it at a few density levels. Each cell of four
// samples is classified by which of its corners reach the level, the crossings on its edges
// are placed by linear interpolation, and the pieces are followed from cell to cell through
// the edges the cells share, so that every line comes out whole and in order without ever
// comparing coordinates.
#pragma once

#include <vector>

namespace voxmill {

// A point of a contour line in grid units: u along the rows (the column index, 0 .. nu-1),
// v across them (the row index, 0 .. nv-1).
struct ContourPoint {
    double u, v;
};

// One traced line: its points in order; closed when it returns to its start (the last point
// then equals the first).
struct ContourLine {
    std::vector<ContourPoint> points;
    bool closed = false;
};

// The lines where a field sampled on an nu x nv grid (values[u + nu * v], u fastest) crosses
// `level`: marching squares, the crossing on each cell edge placed by linear interpolation,
// the two saddle cases of a cell resolved by the mean of its four corners. A cell with a NaN
// corner is left out. Segments are joined into lines across cells; a line that closes on
// itself is closed.
//
// A sample reaches the level when value >= level, and so does the mean of a saddle cell; a
// sample exactly at the level therefore lies on the reaching side, so a line running through
// samples is traced once, through them. Corners that are infinite leave their cell out as a
// NaN does. Consecutive equal points are merged, so no segment has zero length, and a line
// that shrinks to a single point (a lone sample at the level among lower ones) is dropped.
// Lines that end at the edge of the grid or at a left-out cell are open. No lines when nu or
// nv is below 2 or the level lies outside the values.
std::vector<ContourLine> trace_contour(const float* values, int nu, int nv, double level);

}  // namespace voxmill
