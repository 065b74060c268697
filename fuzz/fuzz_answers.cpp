// Arbitrary console text as answers to a run of questions. The first line chooses the
// questions, one per character: its value modulo 5 picks a one-character, text, one-digit,
// integer or real answer, and the rest of the value the text length or how many numbers are
// asked (1 to 8). The other lines are the answers. A question that cannot be answered ends
// the run with a console error, as in the program.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/stops.hpp"
#include "core/errors.hpp"
#include "fuzz_support.hpp"

namespace {

// Numbers into an array of exactly the asked size, so that a write past it is seen.
template <class T, class Read>
void ask_numbers(int count, Read read) {
    std::vector<T> values(static_cast<std::size_t>(count), T{7});
    read(values.data(), count);
}

void ask(voxmill::Console& con, unsigned char kind) {
    const int count = 1 + (kind / 5) % 8;
    switch (kind % 5) {
        case 0: con.read_char(); break;
        case 1: {
            const int length = 1 + kind / 5 * 6;  // 1 .. 307, past the 264 of a file name
            if (con.read_text(length).size() != static_cast<std::size_t>(length)) {
                vfuzz::fail("a text answer of the wrong length");
            }
            break;
        }
        case 2: {
            const int digit = con.read_digit();
            if (digit < 0 || digit > 9) vfuzz::fail("a digit out of 0..9");
            break;
        }
        case 3:
            ask_numbers<std::int32_t>(count, [&](std::int32_t* v, int n) { con.read_ints(v, n); });
            break;
        default: ask_numbers<float>(count, [&](float* v, int n) { con.read_reals(v, n); }); break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::size_t first_end = text.find('\n');
    const std::string kinds = text.substr(0, first_end);
    vfuzz::QuietConsole q;
    q.in.str(first_end == std::string::npos ? std::string() : text.substr(first_end + 1));
    try {
        for (const char kind : kinds) ask(q.con, static_cast<unsigned char>(kind));
    } catch (const voxmill::ConsoleError&) {
    }
    return 0;
}
