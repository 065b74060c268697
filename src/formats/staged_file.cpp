#include "formats/staged_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

#include "core/voxmill_mod.hpp"

namespace voxmill {

namespace {

namespace fs = std::filesystem;

constexpr int kMaxLinks = 40;            // as many links as the system follows in one name
constexpr std::size_t kMaxBaseInTemp = 100;  // keeps the temporary's name within a folder entry

// A free name for the temporary in the target's folder: hidden, and telling whose it is.
int create_temporary(const std::string& target, std::string& temporary) {
    static std::atomic<unsigned> counter{0};
    const fs::path path(target);
    const std::string base = path.filename().string().substr(0, kMaxBaseInTemp);
    const fs::path folder = path.parent_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string leaf = "." + base + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        temporary = (folder.empty() ? fs::path(leaf) : folder / leaf).string();
        const int fd = ::open(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
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

// A loop of links ends somewhere, and an open there fails as it would on the loop.
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
      target_(std::move(other.target_)),
      kind_(other.kind_) {
    other.temporary_.clear();
}

StagedFile& StagedFile::operator=(StagedFile&& other) noexcept {
    if (this != &other) {
        discard();
        file_ = std::exchange(other.file_, nullptr);
        temporary_ = std::move(other.temporary_);
        target_ = std::move(other.target_);
        kind_ = other.kind_;
        other.temporary_.clear();
    }
    return *this;
}

bool StagedFile::open(const std::string& name, Target target) {
    discard();
    if (!names_a_file(name)) return false;
    kind_ = target;
    struct stat s {};
    if (target == Target::create_new) {
        if (::lstat(name.c_str(), &s) == 0 || errno != ENOENT) return false;
        target_ = name;
    } else {
        target_ = where_links_lead(name);
        if (::stat(target_.c_str(), &s) == 0) {
            if (S_ISDIR(s.st_mode)) return false;
            if (!S_ISREG(s.st_mode)) {
                file_ = std::fopen(target_.c_str(), "wb");
                return file_ != nullptr;
            }
        } else {
            s.st_mode = 0;  // a new file: the mode of open() under the user's umask
        }
    }
    const int fd = create_temporary(target_, temporary_);
    if (fd < 0) {
        temporary_.clear();
        return false;
    }
    if (s.st_mode != 0) {
        // A replaced file keeps its permissions, and its owner where the user may give it.
        (void)::fchmod(fd, s.st_mode & 07777);
        if (::geteuid() == 0) (void)!::fchown(fd, s.st_uid, s.st_gid);
    }
    file_ = ::fdopen(fd, "w+b");
    if (file_ == nullptr) {
        ::close(fd);
        ::unlink(temporary_.c_str());
        temporary_.clear();
        return false;
    }
    return true;
}

bool StagedFile::commit() {
    if (file_ == nullptr) return false;
    const bool written = std::fflush(file_) == 0 && std::ferror(file_) == 0;
    const bool closed = std::fclose(std::exchange(file_, nullptr)) == 0;
    if (temporary_.empty()) return written && closed;
    bool named = false;
    if (written && closed) {
        named = kind_ == Target::create_new ? rename_to_new(temporary_, target_)
                                            : ::rename(temporary_.c_str(), target_.c_str()) == 0;
    }
    if (!named) ::unlink(temporary_.c_str());
    temporary_.clear();
    return named;
}

bool StagedFile::discard() {
    bool closed = true;
    if (file_ != nullptr) closed = std::fclose(std::exchange(file_, nullptr)) == 0;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
    return closed;
}

}  // namespace voxmill
