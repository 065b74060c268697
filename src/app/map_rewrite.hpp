// What the operations that turn the input map into a new q47 map have in common: loading
// infile1 with its header, and writing the new file layer by layer with its extremes.
#pragma once

#include <cstdint>
#include <string>

#include "app/console.hpp"
#include "app/state.hpp"
#include "formats/q47_extremes.hpp"
#include "formats/q47_output.hpp"

namespace voxmill {

// Reads infile1 into the map, then its header once more to make sure that it still describes
// the map just read. A map that cannot be read stops the program; a header that cannot be
// read again, or that no longer describes the map, ends the run with a file error. False, with
// the refusal line printed, when the map is not the one the dialogue probed.
bool load_input_map(State& st, Console& con);

// A q47 file that must not exist yet, written in order: the header when it is made, then
// layer after layer, then the trailer with the running extremes of every value written.
// Every failure ends the run with a file error naming the file; a file of that name that
// exists already is left as it was.
class NewQ47Map {
public:
    NewQ47Map(std::string name, const Q47Header& header);
    void write_layer(const float* values) { write_layers(values, 1); }  // the next nxny densities
    void write_layers(const float* values, std::int64_t count);        // the next count layers
    void finish();                          // trailer and close

private:
    std::string name_;
    Q47Header header_;
    Q47Output out_;
    TrailerExtremes extremes_{ExtremesRule::beyond_or_unordered, 100000.0f};
    std::int64_t layer_ = 0;
};

}  // namespace voxmill
