// A q47 map file open for reading: its header first, then its layers. The one reader of the
// format: the commands take a whole map or fail, the console takes what a file cut short
// holds, and the streaming options read a few layers at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "core/map.hpp"
#include "formats/q47_header.hpp"
#include "formats/record_file.hpp"

namespace voxmill {

class Q47Input {
public:
    // Opens the file and reads its header. Throws MapError of kind `file` when the file cannot
    // be opened, of kind `map` when it is too short for a header. The header's counts are not
    // judged here (see Q47Header::counts_usable).
    explicit Q47Input(const std::string& path);

    const Q47Header& header() const { return header_; }
    // Whole layers the file holds, at most as many as its header counts.
    std::int64_t layers_held() const;

    // Describes the header's map into `map` (see describe_map) and reads every layer the file
    // holds into map.rho, allocated for them and `spare` values more. False when the file
    // holds fewer layers than its header counts, or a read fails; the layers before are read.
    // Throws MapError when the counts are unusable, std::bad_alloc when memory is short.
    bool read_into(Map& map, std::size_t spare = 0);
    // Layers first .. first+count-1 (from 1) into `out`; false when one cannot be read.
    bool read_layers(std::int64_t first, std::int64_t count, float* out);
    // The trailer's maximum and minimum, when the file holds them.
    std::optional<StoredRange> trailer();

    bool close() { return file_.close(); }

private:
    RecordFile file_;
    Q47Header header_;
};

}  // namespace voxmill
