#include "formats/record_file.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "core/interruption.hpp"
#include "core/voxmill_mod.hpp"

namespace voxmill {

RecordFile::RecordFile(RecordFile&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)),
      output_(std::move(other.output_)),
      length_(other.length_),
      size_(other.size_),
      at_(other.at_),
      error_(other.error_) {}

RecordFile& RecordFile::operator=(RecordFile&& other) noexcept {
    if (this != &other) {
        discard();
        file_ = std::exchange(other.file_, nullptr);
        output_ = std::move(other.output_);
        length_ = other.length_;
        size_ = other.size_;
        at_ = other.at_;
        error_ = other.error_;
    }
    return *this;
}

RecordFile::~RecordFile() { discard(); }

bool RecordFile::open(const std::string& name, Mode mode, std::size_t record_length) {
    discard();
    error_ = 0;
    if (!names_a_file(name) || record_length == 0) {
        error_ = EINVAL;
        return false;
    }
    std::error_code ec;
    if (std::filesystem::is_directory(name, ec)) {
        error_ = EISDIR;  // a folder is no map file
        return false;
    }
    if (mode == Mode::read_existing) {
        file_ = std::fopen(name.c_str(), "rb");
    } else if (output_.open(name, mode == Mode::create_new ? StagedFile::Target::create_new
                                                            : StagedFile::Target::replace)) {
        file_ = output_.file();
    }
    if (file_ == nullptr) return false;
    // Records are moved whole, so the stream's own buffer would only add a copy.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    length_ = record_length;
    if (std::fseek(file_, 0, SEEK_END) == 0) {
        size_ = std::ftell(file_);
    } else {
        size_ = errno == ESPIPE && output_.is_open() ? 0 : -1;  // a pipe is written from its start
    }
    if (size_ < 0) {
        discard();
        return false;
    }
    at_ = size_;
    return true;
}

bool RecordFile::seek_to(std::int64_t r) {
    if (file_ == nullptr || r < 1) return false;
    const std::int64_t offset = (r - 1) * static_cast<std::int64_t>(length_);
    if (offset == at_) return true;
    if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) return false;
    at_ = offset;
    return true;
}

bool RecordFile::fail() {
    error_ = errno;  // of the failed seek or write
    at_ = -1;
    return false;
}

bool RecordFile::read(std::int64_t r, void* data, std::size_t nbytes) {
    at_ = -1;  // a read always seeks, and so does the write after it, as streams ask
    if (nbytes > length_ || !seek_to(r)) return false;
    if (r * static_cast<std::int64_t>(length_) > size_) return false;
    return std::fread(data, 1, nbytes, file_) == nbytes;
}

bool RecordFile::read_records(std::int64_t r, std::int64_t count, void* data) {
    if (count <= 0) return true;
    at_ = -1;
    if (!seek_to(r)) return false;
    const std::int64_t bytes = count * static_cast<std::int64_t>(length_);
    if ((r - 1) * static_cast<std::int64_t>(length_) + bytes > size_) return false;
    // In large pieces, so that a long read can be interrupted between them.
    constexpr std::size_t kPiece = std::size_t{64} << 20;
    auto* to = static_cast<unsigned char*>(data);
    for (std::size_t done = 0, total = static_cast<std::size_t>(bytes); done < total;) {
        stop_if_interrupted();
        const std::size_t n = std::min(kPiece, total - done);
        if (std::fread(to + done, 1, n, file_) != n) return false;
        done += n;
    }
    return true;
}

bool RecordFile::write(std::int64_t r, const void* data, std::size_t nbytes, unsigned char pad) {
    if (nbytes > length_) return false;
    if (!seek_to(r)) return fail();
    if (nbytes > 0 && std::fwrite(data, 1, nbytes, file_) != nbytes) return fail();
    if (nbytes < length_) {
        pad_.assign(length_ - nbytes, static_cast<char>(pad));
        if (std::fwrite(pad_.data(), 1, pad_.size(), file_) != pad_.size()) return fail();
    }
    at_ = r * static_cast<std::int64_t>(length_);
    size_ = std::max(size_, at_);
    return true;
}

bool RecordFile::write_records(std::int64_t r, std::int64_t count, const unsigned char* data, std::size_t nbytes,
                               unsigned char pad) {
    constexpr std::size_t kChunk = std::size_t{4} << 20;  // bytes handed to the file at a time
    if (count <= 0) return true;
    if (nbytes > length_) return false;
    if (!seek_to(r)) return fail();
    const std::size_t per_chunk = std::max<std::size_t>(1, kChunk / length_);
    if (nbytes == length_) {
        // Records without padding are the data itself.
        for (std::int64_t done = 0; done < count;) {
            stop_if_interrupted();
            const std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(count - done, static_cast<std::int64_t>(per_chunk)));
            if (std::fwrite(data + static_cast<std::size_t>(done) * nbytes, 1, n * nbytes, file_) != n * nbytes) {
                return fail();
            }
            done += static_cast<std::int64_t>(n);
        }
    } else {
        pad_.assign(per_chunk * length_, static_cast<char>(pad));
        for (std::int64_t done = 0; done < count;) {
            stop_if_interrupted();
            const std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(count - done, static_cast<std::int64_t>(per_chunk)));
            for (std::size_t k = 0; k < n; ++k) {
                std::memcpy(pad_.data() + k * length_, data + (static_cast<std::size_t>(done) + k) * nbytes, nbytes);
            }
            if (std::fwrite(pad_.data(), 1, n * length_, file_) != n * length_) return fail();
            done += static_cast<std::int64_t>(n);
        }
    }
    at_ = (r + count - 1) * static_cast<std::int64_t>(length_);
    size_ = std::max(size_, at_);
    return true;
}

bool RecordFile::close() {
    if (file_ == nullptr) return true;
    std::FILE* const f = std::exchange(file_, nullptr);
    return output_.is_open() ? output_.commit() : std::fclose(f) == 0;
}

bool RecordFile::discard() {
    if (file_ == nullptr) return true;
    std::FILE* const f = std::exchange(file_, nullptr);
    return output_.is_open() ? output_.discard() : std::fclose(f) == 0;
}

}  // namespace voxmill
