#include "app/menu.hpp"

#include <cmath>
#include <string>

#include "app/getargs.hpp"
#include "core/fields.hpp"

namespace voxmill {

namespace {

constexpr const char* kUnknown = "Unknown option. Please, select one of the following:";

void show_menu(Console& con) {
    for (const char* item :
         {"1/ add1", "2/ diffmap", "3/ renorm", "4/ reorder", "5/ shift", "6/ apply symop",
          "7/ make a section (old)", "8/ read q47, write ascii for Tessmo",
          "9/ read ascii from Tessmo, write q47", "A/ read q47, write ascii for MEED/VEND",
          "B/ make a projection on real space", "C/ make a section of a QC",
          "D/ read xplor, write q47", "E/ read q47, write xplor", "F/ calculate histogram",
          "I/ info", "Q/ quit"}) {
        con.menu(item);
    }
    con.line("Your choice: ");
}

// Refuses, with one line, an answer that holds NaN or an infinity on an axis of the map: no
// whole number of voxels can be made of it.
bool refuse_non_finite(Console& con, const Tab<float, 6>& values, int sdim, const char* what) {
    for (int k = 1; k <= sdim; ++k) {
        if (!std::isfinite(values(k))) {
            con.free({what, " along axis ", std::to_string(k), " is not a finite number. Nothing was written."});
            return true;
        }
    }
    return false;
}

void option_diffmap(State& st, Console& con, const Operations& ops) {
    getargs(st, con, 3);
    char key = ' ';
    for (;;) {
        con.line("What do you want to do with the two maps?");
        con.menu("1/ subtract absolute 1-2");
        con.menu("2/ subtract relative 100*(1-2)/2");
        con.menu("3/ sum");
        con.menu("4/ contribution to sum 100*1/(1+2)");
        con.prompt("Your choice: ");
        key = con.read_char();
        if (key >= '1' && key <= '4') break;
        con.line(kUnknown);
    }
    ops.diffmap(st, con, key);
}

void option_reorder(State& st, Console& con, const Operations& ops) {
    getargs(st, con, 2);
    std::string axord;
    std::string axordorvo;
    std::int32_t nsub = 0;
    for (;;) {
        con.line("Give the true order of axes, the order to be written in ORVO and nsub:");
        axord = con.read_text(6);
        axordorvo = con.read_text(6);
        nsub = con.read_digit();
        if (idel(axord) == st.sdim && idel(axordorvo) == st.sdim) break;
        con.line("The number of digits in each order of axes must be equal to number of dimensions, which is " +
                 fmt_i(st.sdim, 2) + ". Try again:");
    }
    Tab<std::int32_t, 6> iorg{};
    Tab<std::int32_t, 6> iwidth{};
    for (int k = 1; k <= st.sdim; ++k) iwidth(k) = st.probed(k) - 1;
    ops.q47reorder(st, con, axord, axordorvo, iorg, iwidth, nsub);
}

void option_shift(State& st, Console& con, const Operations& ops) {
    getargs(st, con, 2);
    con.line("Give the shift of the origin:");
    Tab<float, 6> chshift{};
    con.read_reals(&chshift(1), st.sdim);
    if (refuse_non_finite(con, chshift, st.sdim, "The shift of the origin")) return;
    Tab<std::int32_t, 6> iorg{};
    Tab<std::int32_t, 6> iwidth{};
    for (int k = 1; k <= st.sdim; ++k) {
        iorg(k) = voxels_of(static_cast<double>(st.probed(k)) * chshift(k));
        iwidth(k) = st.probed(k) - 1;
    }
    ops.q47reorder(st, con, "123456", "123456", iorg, iwidth, 0);
}

void option_old_section(State& st, Console& con, const Operations& ops) {
    getargs(st, con, 2);
    Tab<float, 6> mapcenter{};
    Tab<float, 6> width{};
    con.line("Give the center of the section:");
    con.read_reals(&mapcenter(1), st.sdim);
    con.line("Give the widths of the section (fractional):");
    con.read_reals(&width(1), st.sdim);
    con.line("Give the order of axes:");
    const std::string axord = con.read_text(6);
    if (refuse_non_finite(con, mapcenter, st.sdim, "The center of the section") ||
        refuse_non_finite(con, width, st.sdim, "The width of the section")) {
        return;
    }
    Tab<std::int32_t, 6> iorg{};
    Tab<std::int32_t, 6> iwidth{};
    for (int k = 1; k <= st.sdim; ++k) {
        const double c = mapcenter(k);
        const double w = width(k);
        iorg(k) = voxels_of((c - 0.5 * w) * st.probed(k));
        iwidth(k) = voxels_of(static_cast<double>(st.probed(k)) * w);
    }
    ops.q47reorder(st, con, axord, axord, iorg, iwidth, 1);
}

void read_cell(State& st, Console& con) {
    con.line("Give the unit cell:");
    con.read_reals(&st.cell(1), 6);
}

void option_qc(State& st, Console& con, const Operations& ops) {
    getargs(st, con, 2);
    con.line("Give the type of the section:");
    char key = ' ';
    for (;;) {
        con.menu("1/ general section");
        con.menu("2/ decagonal QC - real space section");
        con.menu("A/ icosahedral QC, five-fold axis special");
        con.menu("B/ icosahedral QC, two-fold axis special");
        con.prompt("Your choice: ");
        key = con.read_char();
        if (key == '1' || key == '2' || key == 'A' || key == 'B') break;
        con.line(kUnknown);
    }
    Mat<std::int32_t, 2, 3> qcdim{};
    con.line("Give the scope of the section (start end start end..., in pixels):");
    con.read_ints(&qcdim(1, 1), 6);
    Tab<float, 6> mapcenter{};
    Mat<float, 6, 3> basvec{};
    if (key == '1') {
        con.line("Give the origin of the section (fractional):");
        con.read_reals(&mapcenter(1), st.sdim);
        con.line("Give the basic vectors of the section (fractional):");
        for (int v = 1; v <= 3; ++v) con.read_reals(&basvec(1, v), st.sdim);
    }
    Tab<float, 3> pstep{};
    con.line("Give the ratio between the pixelsize of the section and of the original map:");
    con.read_reals(&pstep(1), 3);
    ops.qc(st, con, mapcenter, qcdim, pstep, basvec, key);
}

void option_xplor_to_q47(State& st, Console& con, const Operations& ops) {
    con.line("Enter the names of the input and output files");
    for (std::string* name : {&st.infile1, &st.outrhofile}) {
        *name = con.read_text(kNameLength);
        while (idel(*name) == 0) {
            con.line("Empty name. Try again");
            *name = con.read_text(kNameLength);
        }
    }
    ops.xplor_to_q47(st, con);
}

// Runs the option chosen by `key`; false for an answer that the menu does not list.
bool run_option(State& st, Console& con, const Operations& ops, char key) {
    switch (key) {
        case '1':
            getargs(st, con, 2);
            ops.add1(st, con);
            return true;
        case '2': option_diffmap(st, con, ops); return true;
        case '3': con.line("Does not work yet."); return true;
        case '4': option_reorder(st, con, ops); return true;
        case '5': option_shift(st, con, ops); return true;
        case '6':
            getargs(st, con, 2);
            con.free({"Chci jeste symop."});
            return true;
        case '7': option_old_section(st, con, ops); return true;
        case '8':
        case '9':
            getargs(st, con, 2);
            con.free({"Predelej koncovky."});
            return true;
        case 'A':
            getargs(st, con, 2);
            read_cell(st, con);
            ops.writevend(st, con);
            return true;
        case 'B':
            getargs(st, con, 2);
            ops.project(st, con);
            return true;
        case 'C': option_qc(st, con, ops); return true;
        case 'D': option_xplor_to_q47(st, con, ops); return true;
        case 'E':
            getargs(st, con, 2);
            read_cell(st, con);
            ops.writexplor(st, con);
            return true;
        case 'F': {
            getargs(st, con, 2);
            con.line("Give the number of classes:");
            std::int32_t classes = 0;
            con.read_ints(&classes, 1);
            ops.histogram(st, con, classes);
            return true;
        }
        case 'I':
            getargs(st, con, 1);
            con.free({"Tady pisu info."});
            return true;
        default: return false;
    }
}

}  // namespace

void run_menu(State& st, Console& con, const Operations& ops) {
    con.line("Welcome to Voxmill. What do you want to do?");
    for (;;) {
        show_menu(con);
        const char key = con.read_char();
        if (key == 'Q' || key == 'q') {
            con.line("Bye");
            return;
        }
        if (run_option(st, con, ops, key)) {
            con.line("Finished. What now?");
        } else {
            con.line(kUnknown);
        }
    }
}

}  // namespace voxmill
