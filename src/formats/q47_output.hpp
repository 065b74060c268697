// Writing a q47 file record by record, whole or not at all (see RecordFile): the header (all 35 words, or 34 when a record of a
// small layer cannot hold the satellite flag), the layers padded with blanks (0x20), and the
// trailer with the map's extremes. Each writer of the system computes its own header and its
// own running extremes and reports failures in its own way; this only moves the records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/q47_header.hpp"
#include "formats/record_file.hpp"

namespace voxmill {

class Q47Output {
public:
    // Opens `name` with the record length of header.nxny; false when it cannot.
    bool open(const std::string& name, RecordFile::Mode mode, const Q47Header& header);
    bool write_header();
    // Writes densities as layer k (record k + 1); `values` holds nxny densities.
    bool write_layer(std::int64_t k, const float* values);
    // Writes several consecutive layers starting at layer k from one contiguous array.
    bool write_layers(std::int64_t k, std::int64_t count, const float* values);
    bool write_trailer(float rmax, float rmin);
    bool close() { return file_.close(); }      // the map takes its name
    bool discard() { return file_.discard(); }  // the map is dropped unfinished
    std::string failure() const { return file_.failure(); }  // why the last step failed

private:
    RecordFile file_;
    Q47Header header_;
    std::vector<unsigned char> record_;
};

}  // namespace voxmill
