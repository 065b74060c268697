#include "formats/staged_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "core/interruption.hpp"
#include "core/voxmill_mod.hpp"

namespace voxmill {

namespace {

namespace fs = std::filesystem;

constexpr int kMaxLinks = 40;            // as many links as the system follows in one name
constexpr std::size_t kMaxBaseInTemp = 100;  // keeps the temporary's name within a folder entry

// A free name for the temporary in the target's folder: hidden, and telling whose it is. The
// name is noted for the signals before the file is made, so that no moment has the file
// without the note.
int create_temporary(const std::string& target, std::string& temporary, TemporaryNote& note) {
    static std::atomic<unsigned> counter{0};
    const fs::path path(target);
    const std::string base = path.filename().string().substr(0, kMaxBaseInTemp);
    const fs::path folder = path.parent_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string leaf = "." + base + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        temporary = (folder.empty() ? fs::path(leaf) : folder / leaf).string();
        note = TemporaryNote(temporary);
        const int fd = ::open(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Why the user may not replace the file, 0 when they may: EACCES when its permission bits
// forbid it. Root may write any file, but a file without a single write bit was made
// read-only on purpose, and replacing it without a word would undo that; so root is refused
// such a file too, where the system would let it pass. Anyone else is asked of the system,
// which knows the groups and access lists (and says EROFS for a read-only file system).
int why_not_replaced(const std::string& name, const struct stat& s) {
    if (::geteuid() == 0) return (s.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 ? 0 : EACCES;
    return ::faccessat(AT_FDCWD, name.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : errno;
}

// Gives the complete temporary the new name, never replacing a file that has taken that name
// since the open. File systems without the no-replace rename get a hard link instead.
bool rename_to_new(const std::string& temporary, const std::string& target) {
    if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
    if (::link(temporary.c_str(), target.c_str()) != 0) return false;
    ::unlink(temporary.c_str());
    return true;
}

}  // namespace

std::string error_text(int error) {
    std::string text = std::strerror(error);
    if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

// A loop of links ends at a name that is still a link, which open() takes for the loop.
std::string where_links_lead(std::string name) {
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat s {};
        if (::lstat(name.c_str(), &s) != 0 || !S_ISLNK(s.st_mode)) return name;
        std::error_code ec;
        const fs::path target = fs::read_symlink(name, ec);
        if (ec) return name;
        const fs::path folder = fs::path(name).parent_path();
        name = (target.is_absolute() || folder.empty() ? target : folder / target).string();
    }
    return name;
}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)),
      temporary_(std::move(other.temporary_)),
      note_(std::move(other.note_)),
      target_(std::move(other.target_)),
      kind_(other.kind_),
      error_(other.error_),
      read_only_(other.read_only_) {
    other.temporary_.clear();
}

StagedFile& StagedFile::operator=(StagedFile&& other) noexcept {
    if (this != &other) {
        discard();
        file_ = std::exchange(other.file_, nullptr);
        temporary_ = std::move(other.temporary_);
        note_ = std::move(other.note_);
        target_ = std::move(other.target_);
        kind_ = other.kind_;
        error_ = other.error_;
        read_only_ = other.read_only_;
        other.temporary_.clear();
    }
    return *this;
}

bool StagedFile::fail(int error) {
    error_ = error;
    return false;
}

std::string StagedFile::failure() const { return read_only_ ? "the file is read-only" : error_text(error_); }

bool StagedFile::open(const std::string& name, Target target) {
    discard();
    error_ = 0;
    read_only_ = false;
    if (!names_a_file(name)) return fail(EINVAL);
    kind_ = target;
    struct stat s {};
    if (target == Target::create_new) {
        if (::lstat(name.c_str(), &s) == 0) return fail(EEXIST);
        if (errno != ENOENT) return fail(errno);
        target_ = name;
    } else {
        // Where the links lead to a pipe, a device or a socket, the end may be a name that no
        // open() reaches (/dev/stdout leads to "pipe:[N]"), so it is opened by its own name.
        if (::stat(name.c_str(), &s) == 0 && !S_ISREG(s.st_mode) && !S_ISDIR(s.st_mode)) {
            file_ = std::fopen(name.c_str(), "wb");
            return file_ != nullptr || fail(errno);
        }
        target_ = where_links_lead(name);
        if (::lstat(target_.c_str(), &s) == 0) {
            if (S_ISLNK(s.st_mode)) return fail(ELOOP);
            if (S_ISDIR(s.st_mode)) return fail(EISDIR);
            if (const int why = why_not_replaced(target_, s); why != 0) {
                read_only_ = why == EACCES;
                return fail(why);
            }
        } else if (errno == ENOENT) {
            s.st_mode = 0;  // a new file: the mode of open() under the user's umask
        } else {
            return fail(errno);
        }
    }
    const int fd = create_temporary(target_, temporary_, note_);
    if (fd < 0) {
        const int error = errno;
        note_.forget();
        temporary_.clear();
        return fail(error);
    }
    if (s.st_mode != 0) {
        // A replaced file keeps its permissions, and its owner where the user may give it.
        (void)::fchmod(fd, s.st_mode & 07777);
        if (::geteuid() == 0) (void)!::fchown(fd, s.st_uid, s.st_gid);
    }
    file_ = ::fdopen(fd, "w+b");
    if (file_ == nullptr) {
        const int error = errno;
        ::close(fd);
        discard();
        return fail(error);
    }
    return true;
}

bool StagedFile::commit() {
    if (file_ == nullptr) return false;
    stop_if_interrupted();
    error_ = 0;
    if (std::fflush(file_) != 0) {
        error_ = errno;
    } else if (std::ferror(file_)) {
        error_ = EIO;  // an earlier write failed, and its error number is gone
    }
    if (std::fclose(std::exchange(file_, nullptr)) != 0 && error_ == 0) error_ = errno;
    if (error_ == 0 && !temporary_.empty()) {
        const bool named = kind_ == Target::create_new ? rename_to_new(temporary_, target_)
                                                       : ::rename(temporary_.c_str(), target_.c_str()) == 0;
        if (named) temporary_.clear();
        else error_ = errno;
    }
    discard();
    return error_ == 0;
}

bool StagedFile::discard() {
    bool closed = true;
    if (file_ != nullptr) closed = std::fclose(std::exchange(file_, nullptr)) == 0;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    note_.forget();
    temporary_.clear();
    return closed;
}

}  // namespace voxmill
