#include "formats/text_output.hpp"

#include <cerrno>
#include <cstring>

#include "core/errors.hpp"
#include "core/fields.hpp"
#include "core/voxmill_mod.hpp"
#include "formats/fixed_fields.hpp"

namespace voxmill {

namespace {

constexpr std::size_t kChunk = std::size_t{1} << 20;  // what one write hands to the file

}  // namespace

TextOutput::TextOutput(std::string name, std::string what) : name_(std::move(name)), what_(std::move(what)) {
    if (!file_.open(name_, StagedFile::Target::replace)) throw failure("cannot create the ", file_.failure());
    std::setvbuf(file_.file(), nullptr, _IONBF, 0);
    buf_.resize(2 * kChunk);
}

char* TextOutput::reserve(std::size_t count) {
    if (used_ + count > buf_.size()) {
        if (used_ >= kChunk) flush();
        if (used_ + count > buf_.size()) buf_.resize(used_ + count);
    }
    return buf_.data() + used_;
}

void TextOutput::commit(char* end) {
    used_ = static_cast<std::size_t>(end - buf_.data());
    if (used_ >= kChunk) flush();
}

void TextOutput::text(std::string_view t) {
    char* p = reserve(t.size());
    std::memcpy(p, t.data(), t.size());
    commit(p + t.size());
}

void TextOutput::field_i(std::int64_t value, int w) {
    commit(put_i(reserve(static_cast<std::size_t>(w)), value, w));
}

void TextOutput::field_f(float value, int w, int d) { text(fmt_f(value, w, d)); }

void TextOutput::flush() {
    if (used_ > 0 && std::fwrite(buf_.data(), 1, used_, file_.file()) != used_) {
        throw failure("cannot write the ", error_text(errno));
    }
    used_ = 0;
}

FileError TextOutput::failure(const std::string& doing, const std::string& reason) const {
    return FileError(doing + what_ + " " + name_, doing + what_ + ": " + reason);
}

void TextOutput::close() {
    flush();
    if (!file_.commit()) throw failure("cannot close the ", file_.failure());
}

}  // namespace voxmill
