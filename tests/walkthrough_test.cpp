// The README's walkthrough from end to end: its sessions, read from README.md, run on freshly
// written sample maps, and every output checked against the input maps by the rule of its
// option, or against the operation called straight on the same input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "app/q47_files.hpp"
#include "app/qc.hpp"
#include "app/xplor_input.hpp"
#include "core/fields.hpp"
#include "core/voxmill_mod.hpp"
#include "samples.hpp"
#include "support/direct_call.hpp"
#include "support/loaded_map.hpp"
#include "support/readme_sessions.hpp"
#include "support/test_support.hpp"

using vtest::Coords;
using vtest::LoadedMap;
using vtest::ReadmeSession;

namespace {

// The numbers of one answer line.
template <class T>
std::vector<T> numbers(const std::string& answer) {
    std::istringstream s(answer);
    std::vector<T> v;
    for (T x; s >> x;) v.push_back(x);
    return v;
}

std::vector<std::string> text_lines(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(f, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Runs sessions in-process in the samples folder, as the README types them there.
struct SampleFolder {
    vtest::ScratchDir dir;
    SampleFolder() {
        std::istringstream in;
        std::ostringstream out, err;
        voxmill::Console con(in, out, err);
        voxmill::samples::write_samples(dir.path(""), con);
    }
    std::string path(const std::string& name) const { return dir.path(name); }
    vtest::SessionResult run(const ReadmeSession& s) const {
        const auto home = std::filesystem::current_path();
        std::filesystem::current_path(dir.path(""));
        vtest::SessionResult r = vtest::run_session(s.input);
        std::filesystem::current_path(home);
        return r;
    }
    LoadedMap map(const std::string& name) const { return vtest::load_q47(path(name)); }
};

// Counts the voxels of `out` that differ from expected(coordinates) by more than tol.
int mismatches(const LoadedMap& out, const std::function<double(const Coords&)>& expected, double tol = 0.0) {
    int bad = 0;
    for (std::int64_t p = 0; p < out.count(); ++p) {
        if (std::abs(out.rho[static_cast<std::size_t>(p)] - expected(out.coords(p))) > tol) ++bad;
    }
    return bad;
}

using Check = std::function<void(const SampleFolder&, const ReadmeSession&, const vtest::SessionResult&)>;

void check_add1(const SampleFolder& f, const ReadmeSession& s, const vtest::SessionResult&) {
    const LoadedMap in = f.map(s.answers.at(1)), out = f.map(s.answers.at(2));
    for (int k = 1; k <= in.sdim; ++k) EXPECT_EQ(out.nvox(k), in.nvox(k) + 1) << "axis " << k;
    // The closing layer of every axis repeats its first layer.
    EXPECT_EQ(mismatches(out, [&](const Coords& c) { return in.at(c); }), 0);
}

void check_diffmap(const SampleFolder& f, const ReadmeSession& s, const vtest::SessionResult& r) {
    const LoadedMap a = f.map(s.answers.at(1)), b = f.map(s.answers.at(2)), out = f.map(s.answers.at(3));
    const char key = s.answers.at(4).at(0);
    ASSERT_TRUE(key == '1' || key == '3') << "the walkthrough subtracts or adds";
    // The R-value's sums, in double precision.
    double rnom = 0.0, rden = 0.0;
    for (std::size_t p = 0; p < a.rho.size(); ++p) {
        rnom += std::abs(a.rho[p] - b.rho[p]);
        rden += std::abs(b.rho[p]);
    }
    EXPECT_EQ(mismatches(out, [&](const Coords& c) {
                  return key == '1' ? a.at(c) - b.at(c) : a.at(c) + b.at(c);
              }),
              0);
    const auto rline = r.out.find("R-value=");
    ASSERT_NE(rline, std::string::npos);
    EXPECT_NEAR(std::stod(r.out.substr(rline + 8)), rnom / rden, 5.1e-7);
    const auto [lo, hi] = std::minmax_element(out.rho.begin(), out.rho.end());
    std::ostringstream range;
    range << "Minimum" << voxmill::fmt_f(*lo, 10, 3) << ", maximum " << voxmill::fmt_f(*hi, 10, 3) << "\r\n";
    EXPECT_NE(r.out.find(range.str()), std::string::npos) << range.str();
}

void check_reorder(const SampleFolder& f, const ReadmeSession& s, const vtest::SessionResult&) {
    const LoadedMap in = f.map(s.answers.at(1)), out = f.map(s.answers.at(2));
    const std::string order = s.answers.at(3);
    ASSERT_EQ(static_cast<int>(order.size()), in.sdim);
    for (int j = 1; j <= in.sdim; ++j) EXPECT_EQ(out.nvox(j), in.nvox(order[static_cast<std::size_t>(j - 1)] - '0'));
    EXPECT_EQ(mismatches(out, [&](const Coords& c) {
                  Coords ci{};
                  for (std::size_t j = 0; j < order.size(); ++j) ci[static_cast<std::size_t>(order[j] - '1')] = c[j];
                  return in.at(ci);
              }),
              0);
}

// The voxel count of nvox * fraction as the menu takes it: in double, then float, then
// the nearest whole number.
std::int64_t voxels(std::int32_t nvox, double fraction) {
    return voxmill::nint(static_cast<float>(nvox * fraction));
}

void check_shift(const SampleFolder& f, const ReadmeSession& s, const vtest::SessionResult&) {
    const LoadedMap in = f.map(s.answers.at(1)), out = f.map(s.answers.at(2));
    const auto shift = numbers<float>(s.answers.at(3));
    ASSERT_EQ(static_cast<int>(shift.size()), in.sdim);
    EXPECT_EQ(out.nvox, in.nvox);
    // Voxel c of the shifted map is voxel c + shift of the original, rolled round the cell.
    EXPECT_EQ(mismatches(out, [&](const Coords& c) {
                  Coords ci = c;
                  for (int k = 1; k <= in.sdim; ++k) {
                      ci[static_cast<std::size_t>(k - 1)] += voxels(in.nvox(k), shift[static_cast<std::size_t>(k - 1)]);
                  }
                  return in.at(ci);
              }),
              0);
}

void check_box(const SampleFolder& f, const ReadmeSession& s, const vtest::SessionResult&) {
    const LoadedMap in = f.map(s.answers.at(1)), out = f.map(s.answers.at(2));
    const auto centre = numbers<float>(s.answers.at(3)), width = numbers<float>(s.answers.at(4));
    ASSERT_EQ(s.answers.at(5), std::string("123456").substr(0, static_cast<std::size_t>(in.sdim)))
        << "the walkthrough cuts a box without turning its axes";
    Coords start{};
    for (int k = 1; k <= in.sdim; ++k) {
        const auto i = static_cast<std::size_t>(k - 1);
        start[i] = voxels(in.nvox(k), double{centre[i]} - 0.5 * double{width[i]});
        EXPECT_EQ(out.nvox(k), voxels(in.nvox(k), width[i]) + 1) << "axis " << k;
    }
    EXPECT_EQ(mismatches(out, [&](const Coords& c) {
                  Coords ci = c;
                  for (std::size_t i = 0; i < 6; ++i) ci[i] += start[i];
                  return in.at(ci);
              }),
              0);
}

void check_vend(const SampleFolder& f, const ReadmeSession& s, const vtest::SessionResult&) {
    const LoadedMap in = f.map(s.answers.at(1));
    const auto lines = text_lines(f.path(s.answers.at(2)));
    ASSERT_GT(lines.size(), static_cast<std::size_t>(in.count()) + 2);
    EXPECT_EQ(std::stoll(lines[1]), in.count());
    int bad = 0;
    for (std::int64_t p = 0; p < in.count(); ++p) {
        const auto v = numbers<double>(lines[static_cast<std::size_t>(p + 2)]);
        const Coords c = in.coords(p);
        bool ok = static_cast<int>(v.size()) == in.sdim + 1;
        for (int k = 0; ok && k < in.sdim; ++k) ok = v[static_cast<std::size_t>(k)] == static_cast<double>(c[static_cast<std::size_t>(k)]);
        if (!ok || std::abs(v.back() - in.rho[static_cast<std::size_t>(p)]) > 5.1e-8) ++bad;
    }
    EXPECT_EQ(bad, 0);
    const auto cell = numbers<double>(s.answers.at(3));
    EXPECT_EQ(numbers<double>(lines[static_cast<std::size_t>(in.count() + 2)]), cell);
}

void check_project(const SampleFolder& f, const ReadmeSession& s, const vtest::SessionResult&) {
    const LoadedMap in = f.map(s.answers.at(1)), out = f.map(s.answers.at(2));
    ASSERT_GT(in.sdim, 3);
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(out.nvox(k), in.nvox(k));
    std::vector<double> sums(static_cast<std::size_t>(out.count()), 0.0);
    for (std::int64_t p = 0; p < in.count(); ++p) sums[static_cast<std::size_t>(p % out.count())] += in.rho[static_cast<std::size_t>(p)];
    EXPECT_EQ(mismatches(out, [&](const Coords& c) {
                  return sums[static_cast<std::size_t>(c[0] + out.nvox(1) * (c[1] + out.nvox(2) * c[2]))];
              }, 1e-4),
              0);
}

void check_section(const SampleFolder& f, const ReadmeSession& s, const vtest::SessionResult& r) {
    const LoadedMap in = f.map(s.answers.at(1)), out = f.map(s.answers.at(2));
    const char type = s.answers.at(3).at(0);
    const auto scope = numbers<std::int32_t>(s.answers.at(4));
    ASSERT_EQ(scope.size(), 6u);
    voxmill::Mat<std::int32_t, 2, 3> qcdim;
    for (int j = 1; j <= 3; ++j) {
        qcdim(1, j) = scope[static_cast<std::size_t>(2 * j - 2)];
        qcdim(2, j) = scope[static_cast<std::size_t>(2 * j - 1)];
        EXPECT_EQ(out.nvox(j), qcdim(2, j) - qcdim(1, j) + 1);
    }
    voxmill::Tab<float, 6> center{};
    voxmill::Mat<float, 6, 3> basvec{};
    std::size_t next = 5;
    if (type == '1') {
        const auto c = numbers<float>(s.answers.at(next++));
        for (std::size_t k = 0; k < c.size(); ++k) center.v[k] = c[k];
        for (int v = 1; v <= 3; ++v) {
            const auto b = numbers<float>(s.answers.at(next++));
            for (std::size_t k = 0; k < b.size(); ++k) basvec(static_cast<int>(k) + 1, v) = b[k];
        }
    }
    const auto step = numbers<float>(s.answers.at(next));
    voxmill::Tab<float, 3> pstep{};
    for (std::size_t j = 0; j < 3; ++j) pstep.v[j] = step.at(j);

    // The same section cut straight by the operation gives the same file.
    vtest::DirectCall direct(f.path(s.answers.at(1)), f.path("direct-" + s.answers.at(2)));
    voxmill::qc(direct.st, direct.con, center, qcdim, pstep, basvec, type);
    EXPECT_EQ(vtest::read_bytes(f.path("direct-" + s.answers.at(2))), vtest::read_bytes(f.path(s.answers.at(2))));

    // Where a pixel's map point is a voxel, the interpolating spline gives that voxel: for
    // the embedded types at the origin pixel, for a general section at every such pixel.
    int nodes = 0, bad = 0;
    for (std::int64_t p = 0; p < out.count(); ++p) {
        const Coords c = out.coords(p);
        const double rcoo[3] = {double(c[0] + qcdim(1, 1)) * pstep(1), double(c[1] + qcdim(1, 2)) * pstep(2),
                                double(c[2] + qcdim(1, 3)) * pstep(3)};
        Coords voxel{};
        bool on_node = true;
        for (int k = 1; k <= in.sdim && on_node; ++k) {
            double coo = 0.0;
            if (type == '1') {
                coo = center(k) + basvec(k, 1) * rcoo[0] + basvec(k, 2) * rcoo[1] + basvec(k, 3) * rcoo[2];
            } else {
                on_node = rcoo[0] == 0.0 && rcoo[1] == 0.0 && rcoo[2] == 0.0;
            }
            on_node = on_node && std::abs(coo - std::round(coo)) < 1e-6;
            voxel[static_cast<std::size_t>(k - 1)] = static_cast<std::int64_t>(std::round(coo));
        }
        if (!on_node) continue;
        ++nodes;
        if (std::abs(out.rho[static_cast<std::size_t>(p)] - in.at(voxel)) > 1e-4 * (1.0 + std::abs(in.at(voxel)))) ++bad;
    }
    EXPECT_GT(nodes, 0) << "the section should pass through a voxel of the map";
    EXPECT_EQ(bad, 0);
    if (out.count() >= 100) {
        EXPECT_NE(r.out.find("\r\n  0%\r\n"), std::string::npos);
        EXPECT_NE(r.out.find("\r\n 99%\r\n"), std::string::npos);
    }
}

void check_xplor_in(const SampleFolder& f, const ReadmeSession& s, const vtest::SessionResult&) {
    const LoadedMap out = f.map(s.answers.at(2));
    vtest::DirectCall direct(f.path(s.answers.at(1)), "");
    voxmill::readxplor(direct.st, direct.con, f.path(s.answers.at(1)));
    for (int k = 1; k <= direct.st.sdim; ++k) EXPECT_EQ(out.nvox(k), direct.st.map.nvox(k));
    ASSERT_EQ(out.count(), direct.st.map.voxels());
    EXPECT_TRUE(std::equal(out.rho.begin(), out.rho.end(), direct.st.map.rho.data()));
}

void check_xplor_out(const SampleFolder& f, const ReadmeSession& s, const vtest::SessionResult&) {
    const LoadedMap in = f.map(s.answers.at(1));
    vtest::DirectCall back(f.path(s.answers.at(2)), "");
    voxmill::readxplor(back.st, back.con, f.path(s.answers.at(2)));
    ASSERT_EQ(back.st.sdim, in.sdim);
    ASSERT_EQ(back.st.map.voxels(), in.count());
    int bad = 0;
    for (std::size_t p = 0; p < in.rho.size(); ++p) bad += std::abs(back.st.map.rho[p] - in.rho[p]) > 5.1e-5;
    EXPECT_EQ(bad, 0) << "the text keeps four decimals";
    EXPECT_EQ(numbers<double>(text_lines(f.path(s.answers.at(2))).at(4)), numbers<double>(s.answers.at(3)));
}

void check_histogram(const SampleFolder& f, const ReadmeSession& s, const vtest::SessionResult&) {
    LoadedMap in = f.map(s.answers.at(1));
    const std::int32_t classes = std::stoi(s.answers.at(3));
    std::sort(in.rho.begin(), in.rho.end());
    const auto lines = text_lines(f.path(s.answers.at(2)));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(classes) + 1);
    for (std::int32_t i = 0; i <= classes; ++i) {
        // The density below which i / classes of the voxels lie; the last line the largest.
        const std::int64_t p = i == classes ? in.count() - 1
                                            : std::min(in.count() - 1, voxels(static_cast<std::int32_t>(in.count()), double(i) / classes));
        EXPECT_NEAR(std::stod(lines[static_cast<std::size_t>(i)]), in.rho[static_cast<std::size_t>(p)], 5.1e-8) << "class " << i;
    }
}

const std::map<char, Check>& checks() {
    static const std::map<char, Check> table{
        {'1', check_add1},    {'2', check_diffmap},   {'4', check_reorder},   {'5', check_shift},
        {'7', check_box},     {'A', check_vend},      {'B', check_project},   {'C', check_section},
        {'D', check_xplor_in}, {'E', check_xplor_out}, {'F', check_histogram},
    };
    return table;
}

// Runs the README's sessions of these options and checks each of them.
void walk(const std::string& options) {
    SampleFolder folder;
    int run = 0;
    for (const ReadmeSession& s : vtest::walkthrough_sessions(vtest::readme_text())) {
        if (options.find(s.option()) == std::string::npos) continue;
        SCOPED_TRACE("README session: " + s.answers.front() + " " + s.answers.at(1));
        ++run;
        const vtest::SessionResult r = folder.run(s);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_NE(r.out.find("Finished. What now?\r\n"), std::string::npos);
        EXPECT_TRUE(r.out.ends_with("Bye\r\n"));
        ASSERT_TRUE(checks().contains(s.option()));
        checks().at(s.option())(folder, s, r);
    }
    EXPECT_GE(run, static_cast<int>(options.size())) << "every option named has a README session";
}

}  // namespace

TEST(Walkthrough, ReadmeCoversEveryWorkingOptionAndStartsBesideTheSamples) {
    const std::string readme = vtest::readme_text();
    std::set<char> options;
    std::set<char> section_types;
    for (const ReadmeSession& s : vtest::walkthrough_sessions(readme)) {
        options.insert(s.option());
        if (s.option() == 'C') section_types.insert(s.answers.at(3).at(0));
        EXPECT_EQ(s.answers.back(), "Q") << s.input;
    }
    EXPECT_EQ(options, (std::set<char>{'1', '2', '4', '5', '7', 'A', 'B', 'C', 'D', 'E', 'F'}));
    EXPECT_TRUE(section_types.contains('2'));
    EXPECT_TRUE(section_types.contains('A') || section_types.contains('B'));

    const auto commands = vtest::readme_commands(readme);
    ASSERT_GE(commands.size(), 2u);
    EXPECT_TRUE(commands[0].ends_with("&& ./build/voxmill-samples samples && cd samples && ../build/voxmill")) << commands[0];
    // The test command is the one CI runs.
    std::ifstream ci(VOXMILL_SOURCE_DIR "/.ci/run");
    std::string line;
    bool found = false;
    while (std::getline(ci, line)) found = found || line == commands[1];
    EXPECT_TRUE(found) << commands[1];
}

TEST(Walkthrough, MapEditsOfTheSamples) { walk("12457"); }

TEST(Walkthrough, TextFormatsAndHistogramOfTheSamples) { walk("ADEF"); }

TEST(Walkthrough, ProjectionAndSectionsOfTheSuperspaceSamples) { walk("BC"); }
