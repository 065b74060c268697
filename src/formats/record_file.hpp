// A binary file of fixed-length records without record markers: record r (from 1) holds the
// bytes (r-1)*L .. r*L-1. A record can be read only when the file holds all of it. An output
// is written whole or not at all: it takes its name when it is closed, and a file dropped
// before that leaves no trace (see StagedFile). An output that cannot seek (a pipe) takes
// records written in order, from the first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "formats/staged_file.hpp"

namespace voxmill {

class RecordFile {
public:
    enum class Mode {
        read_existing,  // an existing file, for reading
        create_new,     // a new file; fails when the name exists already
        replace,        // a new file, or one that replaces an existing file whole
    };

    RecordFile() = default;
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;
    RecordFile(RecordFile&& other) noexcept;
    RecordFile& operator=(RecordFile&& other) noexcept;
    // An output that was not closed is dropped.
    ~RecordFile();

    // Opens `name` with records of `record_length` bytes; false when it cannot.
    bool open(const std::string& name, Mode mode, std::size_t record_length);
    bool is_open() const { return file_ != nullptr; }
    std::size_t record_length() const { return length_; }
    // Length of the open file in bytes.
    std::int64_t size() const { return size_; }

    // Reads the first `nbytes` bytes of record r into `data`; false when the file does not
    // hold the whole record or the read fails.
    bool read(std::int64_t r, void* data, std::size_t nbytes);
    // Reads `count` whole consecutive records starting at record r, straight into `data`.
    bool read_records(std::int64_t r, std::int64_t count, void* data);
    // Writes `nbytes` bytes of `data` as record r, padded with `pad` to the record length.
    bool write(std::int64_t r, const void* data, std::size_t nbytes, unsigned char pad = 0x20);
    // Writes `count` consecutive records from record r, each the next `nbytes` bytes of
    // `data` padded with `pad`, with few large writes instead of one per record.
    bool write_records(std::int64_t r, std::int64_t count, const unsigned char* data, std::size_t nbytes,
                       unsigned char pad = 0x20);
    // Closes the file, and gives an output its name; false when that fails (an output is
    // then dropped). A closed file closes again successfully.
    bool close();
    // Drops an output unfinished, leaving its name as it was; closes an input. False when
    // the close fails.
    bool discard();
    // Why the last open, write or close of an output failed, in words (see StagedFile).
    std::string failure() const { return error_ != 0 ? error_text(error_) : output_.failure(); }

private:
    bool seek_to(std::int64_t r);
    bool fail();

    std::FILE* file_ = nullptr;
    StagedFile output_;      // holds file_ when the file is an output
    std::size_t length_ = 0;
    std::int64_t size_ = 0;  // file length in bytes, kept up to date by writes
    std::int64_t at_ = -1;   // where the next write goes without a seek; -1 after a read
    int error_ = 0;          // of the last failure of this file's own; else the StagedFile's
    std::string pad_;        // padding bytes of the last write
};

}  // namespace voxmill
