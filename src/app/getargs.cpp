#include "app/getargs.hpp"

#include "core/errors.hpp"
#include "formats/q47_input.hpp"

namespace voxmill {

Probe getdim(State& st, std::string_view rhofile) {
    Q47Header h;
    // The whole name, as the reader opens it: a probe of another file would vouch for a map
    // that is not the one read.
    try {
        h = Q47Input(name_of(rhofile)).header();
    } catch (const MapError& e) {
        return {e.kind() == FailureKind::file ? Probe::Outcome::cannot_open : Probe::Outcome::cannot_read};
    }
    const int d = dimension_of(h.nvox);
    // Counts that no map can have would make every later step loop or read outside the map;
    // a header without an axis of more than one voxel is refused as a map of no dimension.
    if (d > 0 && !h.counts_usable()) return {Probe::Outcome::cannot_read};
    st.probed = h.nvox;
    return {d > 0 ? Probe::Outcome::map : Probe::Outcome::no_dimension, d};
}

namespace {

std::string read_name(Console& con) {
    std::string name = con.read_text(kNameLength);
    while (idel(name) == 0) {
        con.line("Empty name. Try again");
        name = con.read_text(kNameLength);
    }
    return name;
}

// Asks until the answer names a readable map with at least one axis of more than one voxel
// (and, when `first` is given, the same dimension count as the first map).
std::string read_map_name(State& st, Console& con, const std::string* first) {
    for (;;) {
        std::string name = read_name(con);
        const std::string shown = name_of(name);
        const Probe probe = getdim(st, name);
        const int d = probe.dimension;
        if (probe.outcome == Probe::Outcome::cannot_open) {
            con.free({"The file ", shown, " does not exist. Try again:"});
        } else if (probe.outcome == Probe::Outcome::cannot_read) {
            con.free({"The file ", shown, " cannot be read. It has probably wrong format. Try again:"});
        } else if (probe.outcome == Probe::Outcome::no_dimension) {
            con.free({"The dimension of the map ", shown, " is zero. I don't like it. Try again:"});
        } else if (first == nullptr) {
            st.sdim = d;
            return name;
        } else if (d != st.sdim) {
            con.free({"The dimension of the map ", shown, " is inconsistent with the map ",
                      name_of(*first), ". Try again:"});
        } else {
            return name;
        }
    }
}

}  // namespace

void getargs(State& st, Console& con, int key) {
    st.infile1.assign(kNameLength, ' ');
    st.infile2.assign(kNameLength, ' ');
    st.outrhofile.assign(kNameLength, ' ');
    if (key != 2 && key != 3) return;
    con.line(key == 2 ? "Enter the names of the input and output files"
                      : "Enter the names of the two input and one output files");
    st.infile1 = read_map_name(st, con, nullptr);
    if (key == 3) st.infile2 = read_map_name(st, con, &st.infile1);
    st.outrhofile = read_name(con);
}

}  // namespace voxmill
