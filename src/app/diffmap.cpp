#include "app/diffmap.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <string>
#include <vector>

#include "app/output_guard.hpp"
#include "app/stops.hpp"
#include "core/errors.hpp"
#include "core/fields.hpp"
#include "formats/q47_header.hpp"
#include "formats/q47_input.hpp"
#include "formats/record_file.hpp"
#include "ops/combine.hpp"

namespace voxmill {

namespace {

// An input map whose name was accepted; it may have changed or vanished since.
Q47Input open_input(const std::string& name) {
    try {
        return Q47Input(name);
    } catch (const MapError& e) {
        if (e.kind() == FailureKind::file) throw FileError("cannot open the map " + name + " for reading");
        throw FileError("cannot read the header of the map " + name);
    }
}

void read_layer(Q47Input& in, const std::string& name, std::int64_t record, std::vector<float>& layer) {
    if (!in.read_layers(record - 1, 1, layer.data())) {
        throw FileError("cannot read record " + std::to_string(record) + " of the map " + name);
    }
}

void write_record(RecordFile& file, const std::string& name, std::int64_t record, const void* data,
                  std::size_t nbytes) {
    if (!file.write(record, data, nbytes)) {
        throw FileError("cannot write record " + std::to_string(record) + " of the map " + name);
    }
}

// The layer's densities in file order, converted in place: the layer is not used again.
const void* in_file_order(std::vector<float>& layer) {
    if constexpr (std::endian::native != std::endian::little) {
        auto* bytes = reinterpret_cast<unsigned char*>(layer.data());
        for (std::size_t i = 0; i < layer.size(); ++i) put_f32(bytes + 4 * i, layer[i]);
    }
    return layer.data();
}

Combination combination_of(char key) {
    switch (key) {
        case '1': return Combination::difference;
        case '2': return Combination::relative;
        case '3': return Combination::sum;
        default: return Combination::share;
    }
}

}  // namespace

void diffmap(State& st, Console& con, char key) {
    const std::string name1 = name_of(st.infile1);
    const std::string name2 = name_of(st.infile2);
    const std::string nameout = name_of(st.outrhofile);
    if (output_is_an_input(con, {name1, name2}, nameout)) return;

    // The first map's layer size sets the record length of the output.
    Q47Input first = open_input(name1);
    Q47Header h = first.header();
    const std::size_t length = q47_record_length(h.nxny);
    const std::int32_t nxny1 = h.nxny;
    const std::int32_t nmap1 = h.nmap;
    Q47Input second = open_input(name2);
    h = second.header();
    con.free({"precetl"});

    // The output describes the second map's grid. Maps of other lengths are refused before
    // the output is made.
    if (const int d = dimension_of(h.nvox); d > 0) st.sdim = d;
    h.satelitybyly = st.sdim >= 4;
    if (nmap1 != h.nmap || nxny1 != h.nxny) throw Stop("Error, inconsistent lengths of input maps!");
    RecordFile out;
    if (!out.open(nameout, RecordFile::Mode::replace, length)) {
        throw FileError("cannot open the map " + nameout + " for writing");
    }
    h.mapa = 6;
    const std::vector<unsigned char> words = h.encode(length);
    write_record(out, nameout, 1, words.data(), words.size());

    const auto count = static_cast<std::size_t>(std::max(nxny1, 0));
    std::vector<float> fsttable(count);
    std::vector<float> sectable(count);
    const Combination how = combination_of(key);
    CombinationTotals t;
    std::int64_t ii = 2;
    for (; ii <= static_cast<std::int64_t>(nmap1) + 1; ++ii) {
        read_layer(first, name1, ii, fsttable);
        read_layer(second, name2, ii, sectable);
        combine_voxels(how, fsttable.data(), sectable.data(), count, t);
        write_record(out, nameout, ii, in_file_order(fsttable), 4 * count);
    }
    unsigned char trailer[8];
    put_f32(trailer, t.range.rmax);
    put_f32(trailer + 4, t.range.rmin);
    write_record(out, nameout, ii, trailer, sizeof trailer);

    if (key == '4') {
        const auto voxels = static_cast<double>(static_cast<std::int64_t>(nmap1) * nxny1);
        con.line("Average value: " + fmt_f(static_cast<float>(t.sum / voxels), 8, 6));
    }
    con.line("R-value=" + fmt_f(static_cast<float>(t.r_value()), 10, 6));
    con.line("Minimum" + fmt_f(t.range.rmin, 10, 3) + ", maximum " + fmt_f(t.range.rmax, 10, 3));
    if (!out.close()) throw FileError("cannot close the map " + nameout);
}

}  // namespace voxmill
