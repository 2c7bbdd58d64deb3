// The academic years the program takes, by the first calendar year of each.
#pragma once

namespace zavlin {

constexpr int kFirstGod = 1900;
constexpr int kLastGod = 3000;

constexpr bool validGod(int y) {
    return y >= kFirstGod && y <= kLastGod;
}

}  // namespace zavlin
