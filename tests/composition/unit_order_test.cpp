// The order of units: the fast walk must give the classic walk's order on
// any keys, since the recorded weeks depend on it unit by unit.
#include "composition/unit_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace zavlin {
namespace {

// Two distinct teachers to point at; only their addresses are compared.
const TFio* teacher(int k) {
    static const char marks[2] = {};
    return reinterpret_cast<const TFio*>(&marks[k]);
}

// Every key over small ranges of each field, the teams with and without a
// repeated teacher among them.
std::vector<TSortKey> smallKeys() {
    std::vector<TSortKey> keys{TSortKey{}};
    for (int teachers = 0; teachers <= 3; ++teachers)
        for (int distinct = teachers > 1 ? 1 : teachers; distinct <= teachers; ++distinct)
            for (const bool joint : {false, true})
                for (int lessons = 0; lessons <= 2; ++lessons)
                    for (int cells = 0; cells <= 1; ++cells)
                        for (int most = 0; most <= 1; ++most)
                            for (int first = 0; first <= 1; ++first)
                                keys.push_back({false, joint, teachers, distinct, lessons, cells,
                                                most, teacher(first)});
    return keys;
}

// The walk as the order is defined: a pair that does not stay swaps and the
// walk steps back; otherwise it steps on.
std::vector<int> plainWalk(const std::vector<TSortKey>& keys) {
    std::vector<int> order(keys.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    std::size_t i = 0;
    while (i + 1 < order.size()) {
        if (sortKeysStay(keys[static_cast<std::size_t>(order[i])],
                         keys[static_cast<std::size_t>(order[i + 1])])) {
            ++i;
        } else {
            std::swap(order[i], order[i + 1]);
            if (i > 0) --i;
        }
    }
    return order;
}

// Catches: a shortcut that lets a unit pass where the comparison would
// have stopped it.
TEST(UnitOrder, TheShortcutPassesOnlyWhereTheComparisonSwaps) {
    const std::vector<TSortKey> keys = smallKeys();
    int passes = 0;
    for (const TSortKey& y : keys)
        for (const TSortKey& x : keys) {
            if (!surelySinksPast(y, x)) continue;
            ++passes;
            int code = 0;
            ASSERT_FALSE(sortKeysStay(y, x))
                << "y: " << y.teachers << "/" << y.distinct << " joint " << y.joint << " lessons "
                << y.lessons << "; x: " << x.teachers << "/" << x.distinct << " joint " << x.joint
                << " lessons " << x.lessons << " rule " << (compareSortKeys(y, x, code), code);
        }
    EXPECT_GT(passes, static_cast<int>(keys.size())) << "the shortcut must answer many pairs";
}

// Catches: a jump back to the top, a sink moved at once or a shortcut that
// gives another order than the walk step by step, on long runs of mixed
// keys where the comparison is not transitive.
TEST(UnitOrder, TheFastWalkGivesThePlainWalksOrder) {
    const std::vector<TSortKey> pool = smallKeys();
    std::mt19937 random(7);
    for (int round = 0; round < 400; ++round) {
        std::vector<TSortKey> keys(static_cast<std::size_t>(random() % 90));
        for (TSortKey& k : keys) k = pool[random() % pool.size()];
        int highest = 0;
        const std::vector<int> order = classicUnitOrder(
            keys, [] { return true; },
            [&](int reached) {
                EXPECT_GT(reached, highest);
                highest = reached;
            });
        ASSERT_EQ(order, plainWalk(keys)) << "round " << round << ", " << keys.size() << " keys";
        if (keys.size() > 1) {
            EXPECT_EQ(highest, static_cast<int>(keys.size()) - 1);
        }
    }
}

// Catches: a stop asked for during the walk ignored, or units lost by it.
// Catches: a block of the sorted part passed at once where one unit in it
// stops the sinking one, or blocks that lose count of their units as they
// move: long lists, most units far apart, some with fields beyond what the
// blocks sort into classes.
TEST(UnitOrder, LongListsPassWholeBlocksAsTheWalkWould) {
    std::vector<TSortKey> pool = smallKeys();
    for (const int teachers : {1, 2, 9})
        for (const int lessons : {3, 7, 15, 16, 40})
            for (const bool joint : {false, true})
                pool.push_back({false, joint, teachers, teachers, lessons, 1, 1, teacher(0)});
    std::mt19937 random(11);
    for (int round = 0; round < 12; ++round) {
        std::vector<TSortKey> keys(static_cast<std::size_t>(300 + random() % 900));
        for (TSortKey& k : keys) k = pool[random() % pool.size()];
        const std::vector<int> order = classicUnitOrder(
            keys, [] { return true; }, [](int) {});
        ASSERT_EQ(order, plainWalk(keys)) << "round " << round << ", " << keys.size() << " keys";
    }
}

TEST(UnitOrder, AStopLeavesEveryUnitOnce) {
    const std::vector<TSortKey> pool = smallKeys();
    std::vector<TSortKey> keys(200);
    std::mt19937 random(11);
    for (TSortKey& k : keys) k = pool[random() % pool.size()];
    int polls = 0;
    std::vector<int> order = classicUnitOrder(
        keys, [&] { return ++polls < 10; }, [](int) {});
    EXPECT_EQ(polls, 10);
    EXPECT_NE(order, plainWalk(keys));
    std::sort(order.begin(), order.end());
    for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], static_cast<int>(i));
}

}  // namespace
}  // namespace zavlin
