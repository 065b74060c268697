#include "core/fields.hpp"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace voxmill {

namespace {

void append_right(std::string& out, const char* text, int len, int w) {
    if (len > w) {
        out.append(static_cast<std::size_t>(w), '*');
        return;
    }
    out.append(static_cast<std::size_t>(w - len), ' ');
    out.append(text, static_cast<std::size_t>(len));
}

void append_special(std::string& out, double value, int w) {
    if (std::isnan(value)) {
        append_right(out, "NaN", 3, w);
        return;
    }
    const bool negative = value < 0;
    const char* text = negative ? (w >= 9 ? "-Infinity" : "-Inf") : (w >= 8 ? "Infinity" : "Inf");
    append_right(out, text, static_cast<int>(std::strlen(text)), w);
}

}  // namespace

void append_i(std::string& out, std::int64_t value, int w) {
    char text[32];
    const int len = std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
    append_right(out, text, len, w);
}

void append_f(std::string& out, double value, int w, int d) {
    if (!std::isfinite(value)) {
        append_special(out, value, w);
        return;
    }
    char stack[64];
    char* text = stack;
    std::string big;
    int len = std::snprintf(stack, sizeof stack, "%#.*f", d, value);
    if (len >= static_cast<int>(sizeof stack)) {
        big.resize(static_cast<std::size_t>(len) + 1);
        std::snprintf(big.data(), big.size(), "%#.*f", d, value);
        text = big.data();
    }
    if (len == w + 1) {
        // One too wide: a leading zero before the point may go.
        if (text[0] == '0' && text[1] == '.') {
            ++text;
            --len;
        } else if (text[0] == '-' && text[1] == '0' && text[2] == '.') {
            text[1] = '-';
            ++text;
            --len;
        }
    }
    append_right(out, text, len, w);
}

std::string fmt_i(std::int64_t value, int w) {
    std::string out;
    append_i(out, value, w);
    return out;
}

std::string fmt_f(double value, int w, int d) {
    std::string out;
    append_f(out, value, w, d);
    return out;
}

}  // namespace voxmill
