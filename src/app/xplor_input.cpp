#include "app/xplor_input.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <system_error>
#include <utility>

#include "app/stops.hpp"
#include "core/errors.hpp"
#include "core/fields.hpp"
#include "formats/density_sink.hpp"
#include "formats/line_reader.hpp"
#include "formats/tokens.hpp"
#include "formats/xplor_map.hpp"

namespace voxmill {

namespace {

const char* const kReadStop = "Error during reading of the reference density. Check the log file.";

class XplorInput {
public:
    XplorInput(State& st, Console& con, std::string name) : st_(st), con_(con), name_(std::move(name)) {
        if (!lines_.open(name_)) {
            con_.block({"Routine ReadXPlor:", "Error! Cannot open density file for reading!",
                        "Input file file: " + name_, "Stopping."});
            throw Stop(kReadStop);
        }
    }

    // The next line of the file, which linecnt then names. A file that ends before it, or a
    // line too long for the line reader (1 MiB), is a read error on that line, with nothing
    // read into the buffer.
    std::string_view next() {
        ++linecnt_;
        if (!lines_.next(line_)) {
            st_.buffer.assign(kBufferLength, ' ');
            read_error();
        }
        return line_;
    }
    std::string_view current() const { return line_; }
    void next_into_buffer() { to_buffer(next()); }
    void to_buffer(std::string_view line) { st_.buffer = padded(line, kBufferLength); }
    std::int32_t linecnt() const { return linecnt_; }

    // A fault that the words of the line do not show: a label out of order, a density beyond
    // single precision. `detail` is a line more, when there is one.
    [[noreturn]] void inconsistency(const std::string& detail = {}) {
        con_.line("Error, inconsistency in the density on line" + fmt_i(linecnt_, 10) + ".");
        if (!detail.empty()) con_.line(detail);
        throw Stop(kReadStop);
    }

    [[noreturn]] void read_error() {
        con_.line();
        con_.line("Routine ReadXPlor:");
        con_.line("Error reading reference density on line" + fmt_i(linecnt_, 5));
        con_.line("Lately reading: " + st_.buffer.substr(0, static_cast<std::size_t>(idel(st_.buffer))));
        throw Stop(kReadStop);
    }
    void check(std::int32_t errcode) {
        if (errcode != kTokenOk) read_error();
    }

    void close() {
        if (!lines_.close()) {
            con_.block({"Routine ReadXPlor:", "Error! Cannot close density file.", "Input file: " + name_});
            throw Stop(kReadStop);
        }
    }

private:
    State& st_;
    Console& con_;
    std::string name_;
    LineReader lines_;
    std::string_view line_;
    std::int32_t linecnt_ = 0;
};

// The number of words of the grid line as counted on a copy: one, and one more for every cut
// that leaves something. A text that is one word filling the whole buffer cannot be cut,
// and counts once.
int grid_word_count(std::string copy) {
    int count = 1;
    for (;;) {
        const std::string before = copy;
        firstword(copy, true);
        if (idel(copy) == 0 || copy == before) return count;
        ++count;
    }
}

// The grid line: the dimensions and their voxel counts. A line that gives no map this
// program can hold (no dimension, more than six, a count below 1, more voxels than 32 bits
// count) is a read error.
void read_grid(XplorInput& in, State& st) {
    in.next_into_buffer();
    // The grid line of a six-dimensional map, as writexplor makes it, is 144 characters long:
    // a longer line is counted and converted whole, so that no dimension is lost to the
    // buffer's 132 characters. The buffer then holds the start of what the conversion left.
    const bool whole_line = in.current().size() > static_cast<std::size_t>(kBufferLength);
    std::string grid = whole_line ? padded(in.current(), static_cast<int>(in.current().size())) : st.buffer;
    const int dims = grid_word_count(grid) / 3;
    if (dims < 1 || dims > 6) in.read_error();
    std::array<std::int32_t, 18> nvoxtmp{};
    std::int32_t errcode = kTokenOk;
    arrayint(grid, nvoxtmp.data(), 3 * dims, errcode);
    st.buffer = padded(grid, kBufferLength);
    in.check(errcode);
    std::int64_t total = 1;
    for (int i = 1; i <= dims; ++i) {
        const std::int32_t count = nvoxtmp[static_cast<std::size_t>(3 * i - 3)];
        if (count < 1) in.read_error();
        total *= count;
        if (total > std::numeric_limits<std::int32_t>::max()) in.read_error();
    }
    st.sdim = dims;
    st.map.dimension = dims;
    // The axes above the map get one voxel, so that layers formed from nvox(1) * nvox(2)
    // belong to this map and not to an earlier one.
    for (int i = 1; i <= 6; ++i) st.map.nvox(i) = i <= dims ? nvoxtmp[static_cast<std::size_t>(3 * i - 3)] : 1;
    // This layout's map is taken as one whole cell, whatever indices the grid line gives.
    frame_whole_cell(st.map, dims);
}

void check_order_line(XplorInput& in, Console& con) {
    const std::string_view line = in.next();
    const std::string zyxstr = padded(line.substr(0, std::min<std::size_t>(line.size(), 10)), 10);
    if (zyxstr != "ZYX       ") {
        con.line("Warning, string ZYX expected on line" + fmt_i(in.linecnt(), 2) +
                 " of the reference density. Instead found " + zyxstr);
    }
}

// The label line of section s. A good label is taken straight off the line; anything else
// goes through the buffer, for the messages. A label line without an integer keeps the label
// of the section before (the first section has none and reports a read error).
void read_label(XplorInput& in, State& st, std::int32_t s, std::int32_t& label) {
    const std::string_view line = in.next();
    const std::string_view word = leading_word(line, kBufferLength);
    std::int32_t value = 0;
    if (!word.empty() && convert_int(word, value) == kTokenOk && value == s) {
        label = s;
        return;
    }
    in.to_buffer(line);
    std::int32_t errcode = kTokenOk;
    oneint(st.buffer, label, errcode);
    if (label != s) in.inconsistency("Label of the layer nr." + fmt_i(s, 10) + " is" + fmt_i(label, 10) + ".");
    in.check(errcode);
}

// A value line: its first word is the density. A number beyond single precision is no
// density either: it would be stored as an infinity that the file never said.
void read_value(XplorInput& in, State& st, float& density) {
    const std::string_view line = in.next();
    const std::string_view word = leading_word(line, kBufferLength);
    if (!word.empty() && convert_real(word, density) == kTokenOk) return;
    in.to_buffer(line);
    std::int32_t errcode = kTokenOk;
    onereal(st.buffer, density, errcode);
    if (errcode == kTokenOverflow) in.inconsistency();
    in.check(errcode);
}

// One density a line, the layout of option E.
void read_one_per_line(State& st, Console& con, const std::string& name) {
    XplorInput in(st, con, name);
    in.next();
    in.next_into_buffer();
    std::int32_t titles = 0;
    std::int32_t errcode = kTokenOk;
    oneint(st.buffer, titles, errcode);
    in.check(errcode);
    for (std::int32_t t = 0; t < titles; ++t) in.next();

    read_grid(in, st);
    DensitySink densities(st.map.rho, static_cast<std::size_t>(st.map.voxels()), first_room(name));
    in.next_into_buffer();  // the cell, not needed here
    check_order_line(in, con);

    const std::int64_t section = st.sdim > 1 ? std::int64_t{st.map.nvox(1)} * st.map.nvox(2) : st.map.nvox(1);
    const std::int64_t sections = st.map.voxels() / section;
    std::int32_t label = 0;
    for (std::int64_t s = 0; s < sections; ++s) {
        read_label(in, st, static_cast<std::int32_t>(s), label);
        for (std::int64_t j = 0; j < section; ++j) {
            float density = 0.0f;
            read_value(in, st, density);
            densities.add(density);
        }
    }
    densities.finish();
    // The buffer keeps what the conversion left of the last value line.
    float density = 0.0f;
    in.to_buffer(in.current());
    onereal(st.buffer, density, errcode);
    in.close();
}

// The text as the command-line tools read it, several densities a line, with its frame.
// False, with the state as it was, for a text that they do not read either.
bool read_several_a_line(State& st, const std::string& name) {
    Map map;
    try {
        map = read_xplor_map(name);
    } catch (const MapError&) {
        return false;
    }
    st.sdim = map.dimension;
    st.buffer.assign(kBufferLength, ' ');  // every number of the last line is taken
    st.map = std::move(map);
    return true;
}

}  // namespace

void readxplor(State& st, Console& con, std::string_view rhofile) {
    const std::string name = name_of(rhofile, kShortName);
    // The standard layout first, when the text looks like it; a text that it does not read
    // after all is read one density a line, with the messages of that reading. An input that
    // is no plain file gives its lines once only, and goes straight to that reading.
    std::error_code ec;
    if (std::filesystem::is_regular_file(name, ec) && xplor_several_a_line(name) && read_several_a_line(st, name)) return;
    read_one_per_line(st, con, name);
}

}  // namespace voxmill
