#include "composition/unit_order.h"

#include <algorithm>
#include <numeric>

namespace zavlin {

int compareSortKeys(const TSortKey& p, const TSortKey& q, int& code) {
    code = 0;
    if (p.empty || q.empty) return 1;
    const int a = p.teachers;
    const int b = q.teachers;
    const int c = p.lessons;
    const int d = q.lessons;
    const int e = p.cells;
    const int f = q.cells;
    const bool same = a > 0 && b > 0 && p.first == q.first;
    const int kP = p.most;
    const int kQ = q.most;
    auto decide = [&](int rule, int sign) {
        code = rule;
        return sign;
    };
    if (a > 1 || b > 1) {
        if (a > 1 && p.distinct < a) return decide(1, 1);
        if (b > 1 && q.distinct < b) return decide(2, -1);
    }
    const bool up = p.joint;
    const bool uq = q.joint;
    if (up && !uq) return decide(3, 1);
    if (!up && uq) return decide(4, -1);
    if (up && uq) {
        if (c < d) return decide(5, -1);
        if (c == d && same && kP < kQ) return decide(6, -1);
        if (c == d && !same && kP == kQ && e > f) return decide(7, -1);
        return decide(8, 1);
    }
    if (a < b) return decide(9, -1);
    if (a > 1 && a == b && c < d) return decide(10, -1);
    if (a > 1 || b > 1) {
        if (c == d && same && kP < kQ) return decide(11, -1);
        if (c == d && !same && kP == kQ && e > f) return decide(12, -1);
    }
    if (a <= 1 && b <= 1) {
        if (c < d) return decide(13, -1);
        if (c == d && same && kP < kQ) return decide(14, -1);
        if (c == d && !same && kP == kQ && e > f) return decide(15, -1);
    }
    return decide(0, 1);
}

bool sortKeysStay(const TSortKey& p, const TSortKey& q) {
    int c1 = 0;
    int c2 = 0;
    const int s1 = compareSortKeys(p, q, c1);
    if (s1 > 0) return true;
    const int s2 = compareSortKeys(q, p, c2);
    return s2 == -1 && c1 >= c2;
}

namespace {

// A team whose teachers repeat: the first rule puts it after any other unit.
bool badTeam(const TSortKey& k) {
    return k.teachers > 1 && k.distinct < k.teachers;
}

}  // namespace

bool surelySinksPast(const TSortKey& y, const TSortKey& x) {
    // Only the first rules and those on unions, team sizes and lessons can
    // decide these pairs, and each of them lets x pass; the rules on equal
    // lessons never meet a pair here.
    if (x.empty || y.empty || badTeam(y)) return false;
    if (badTeam(x)) return true;
    if (x.joint) return !y.joint || y.lessons < x.lessons;
    if (y.joint) return false;
    return y.teachers < x.teachers || (y.teachers == x.teachers && y.lessons < x.lessons);
}

std::vector<int> classicUnitOrder(const std::vector<TSortKey>& keys,
                                  const std::function<bool()>& poll,
                                  const std::function<void(int)>& reached) {
    const int n = static_cast<int>(keys.size());
    std::vector<int> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    auto key = [&](int pos) -> const TSortKey& {
        return keys[static_cast<std::size_t>(order[static_cast<std::size_t>(pos)])];
    };
    // A unit above the sorted part sinks while its pair swaps, then the
    // classic walk climbs back comparing pairs it has compared before. Those
    // answers cannot change (the keys and the neighbours are the same), so a
    // unit sinking from the top finds where its pair first stays and moves
    // there at once; once it stays before its new right neighbour the walk
    // jumps back to the top. The order is the classic one.
    int i = 0;
    int highest = 0;
    int sinking = -1;  // where the sunk unit stands
    int top = -1;      // where it came from: the pairs above it are known
    while (i < n - 1) {
        if (sortKeysStay(key(i), key(i + 1))) {
            if (i == sinking && top > i + 1)
                i = top;
            else
                ++i;
            if (i != sinking) sinking = top = -1;
            if (i > highest) {
                highest = i;
                reached(highest);
            }
        } else if (i == highest && sinking < 0) {
            const TSortKey& x = key(i + 1);
            int to = i;
            while (to > 0 && (surelySinksPast(key(to - 1), x) || !sortKeysStay(key(to - 1), x)))
                --to;
            std::rotate(order.begin() + to, order.begin() + i + 1, order.begin() + i + 2);
            i = sinking = to;
            top = highest + 1;
        } else {
            // Not a unit sinking from the top: the classic walk alone.
            sinking = top = -1;
            std::swap(order[static_cast<std::size_t>(i)], order[static_cast<std::size_t>(i) + 1]);
            if (i > 0) --i;
        }
        if (!poll()) break;
    }
    return order;
}

}  // namespace zavlin
