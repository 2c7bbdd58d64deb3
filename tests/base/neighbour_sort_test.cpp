#include "base/neighbour_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <random>
#include <vector>

namespace zavlin {
namespace {

struct Item {
    int key;
    int tag;
    bool operator==(const Item&) const = default;
};

bool byKey(const Item& a, const Item& b) {
    return a.key < b.key;
}

TEST(NeighbourSort, EqualKeysKeepTheirOrder) {
    std::vector<Item> items = {{2, 0}, {1, 1}, {2, 2}, {1, 3}, {0, 4}, {2, 5}};
    neighbourSort(items.begin(), items.end(), byKey);
    const std::vector<Item> expected = {{0, 4}, {1, 1}, {1, 3}, {2, 0}, {2, 2}, {2, 5}};
    EXPECT_EQ(items, expected);
}

TEST(NeighbourSort, AgreesWithAStableSort) {
    std::mt19937 rng(1998);
    for (int round = 0; round < 300; ++round) {
        const int n = static_cast<int>(rng() % 40);
        std::vector<Item> items;
        for (int i = 0; i < n; ++i) items.push_back({static_cast<int>(rng() % 5), i});
        std::vector<Item> expected = items;
        std::stable_sort(expected.begin(), expected.end(), byKey);
        neighbourSort(items.begin(), items.end(), byKey);
        ASSERT_EQ(items, expected) << "round " << round;
    }
}

TEST(NeighbourSort, EdgeShapesAndOtherRanges) {
    std::vector<int> empty;
    neighbourSort(empty.begin(), empty.end());
    EXPECT_TRUE(empty.empty());

    int one[] = {7};
    neighbourSort(one, one + 1);
    EXPECT_EQ(one[0], 7);

    std::deque<int> reversed = {5, 4, 3, 2, 1, 0};
    neighbourSort(reversed.begin(), reversed.end());
    EXPECT_TRUE(std::is_sorted(reversed.begin(), reversed.end()));

    std::vector<int> descending = {1, 3, 2, 3, 1};
    neighbourSort(descending.begin(), descending.end(), [](int a, int b) { return a > b; });
    EXPECT_EQ(descending, (std::vector<int>{3, 3, 2, 1, 1}));
}

}  // namespace
}  // namespace zavlin
