#include "formats/line_reader.hpp"

#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/voxmill_mod.hpp"

namespace voxmill {

LineReader::LineReader(std::size_t capacity) : buf_(new char[capacity]), capacity_(capacity) {}

LineReader::~LineReader() { close(); }

bool LineReader::open(const std::string& name) {
    close();
    std::error_code ec;
    if (!names_a_file(name) || std::filesystem::is_directory(name, ec)) return false;
    file_ = std::fopen(name.c_str(), "rb");
    if (file_ == nullptr) return false;
    // The lines are cut from our own buffer; the stream's would only add a copy.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    begin_ = end_ = 0;
    at_end_ = false;
    return true;
}

bool LineReader::refill() {
    if (at_end_ || file_ == nullptr) return false;
    if (begin_ > 0) {
        std::memmove(buf_.get(), buf_.get() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    const std::size_t got = std::fread(buf_.get() + end_, 1, capacity_ - end_, file_);
    end_ += got;
    if (got == 0) at_end_ = true;
    return got > 0;
}

// Whether the file ends right after a full buffer; either way it is read no further.
bool LineReader::ends_here() {
    at_end_ = true;
    char probe = 0;
    return std::fread(&probe, 1, 1, file_) == 0 && std::ferror(file_) == 0;
}

bool LineReader::next_after_refill(std::string_view& line) {
    for (;;) {
        char* first = buf_.get() + begin_;
        const auto* newline = static_cast<char*>(std::memchr(first, '\n', end_ - begin_));
        if (newline != nullptr) {
            const std::size_t length = static_cast<std::size_t>(newline - first);
            begin_ += length + 1;
            line = std::string_view(first, length);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            return true;
        }
        if (end_ - begin_ == capacity_) {
            // A full buffer without a line end is the last line when the file ends right
            // after it; otherwise the line is too long, and the file is read no further.
            if (!ends_here()) {
                begin_ = end_;
                return false;
            }
            break;
        }
        if (!refill()) {
            if (begin_ == end_ || std::ferror(file_) != 0) {
                begin_ = end_;
                return false;
            }
            break;
        }
    }
    line = std::string_view(buf_.get() + begin_, end_ - begin_);  // the last line, without a line end
    if (line.back() == '\r') line.remove_suffix(1);
    begin_ = end_;
    return true;
}

bool LineReader::close() {
    if (file_ == nullptr) return true;
    const bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
}

}  // namespace voxmill
