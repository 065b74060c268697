// Small fixed tables indexed from 1, so that code reads like the rules of the maps:
// nvox(1) .. nvox(6), cell(1) .. cell(6), basvec(k, j).
#pragma once

#include <array>
#include <cstddef>

namespace voxmill {

template <class T, int N>
struct Tab {
    std::array<T, N> v{};

    constexpr T& operator()(int k) { return v[static_cast<std::size_t>(k - 1)]; }
    constexpr const T& operator()(int k) const { return v[static_cast<std::size_t>(k - 1)]; }
    static constexpr int size() { return N; }
    bool operator==(const Tab&) const = default;
};

// Matrix with 1-based rows and columns, stored column by column.
template <class T, int R, int C>
struct Mat {
    std::array<T, static_cast<std::size_t>(R * C)> v{};

    constexpr T& operator()(int r, int c) { return v[static_cast<std::size_t>((c - 1) * R + (r - 1))]; }
    constexpr const T& operator()(int r, int c) const {
        return v[static_cast<std::size_t>((c - 1) * R + (r - 1))];
    }
    bool operator==(const Mat&) const = default;
};

}  // namespace voxmill
