// The stable in-place sort used for small lists: walk forward while each item is
// not smaller than its predecessor; on an inversion swap the pair and step one
// back (never before the first). Equal items keep their order, which matters:
// the tie order is part of the program's behaviour.
#pragma once

#include <cstddef>
#include <utility>

namespace zavlin {

// less(a, b) must be a strict weak order. Works on any random-access range.
template <typename RandomIt, typename Less>
void neighbourSort(RandomIt first, RandomIt last, Less less) {
    const std::ptrdiff_t n = last - first;
    if (n < 2) return;
    std::ptrdiff_t i = 1;
    while (i < n) {
        if (less(first[i], first[i - 1])) {
            using std::swap;
            swap(first[i], first[i - 1]);
            if (i > 1) --i;
        } else {
            ++i;
        }
    }
}

template <typename RandomIt>
void neighbourSort(RandomIt first, RandomIt last) {
    neighbourSort(first, last, [](const auto& a, const auto& b) { return a < b; });
}

}  // namespace zavlin
