#include "composition/unit_order.h"

#include <algorithm>
#include <array>
#include <cstdint>
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

// A long sink passes thousands of units by the shortcut alone. What the
// shortcut reads of the lower unit falls into few classes, so the sorted
// part keeps, per block of positions, which classes are in it: a sinking
// unit passes a whole block at once when the shortcut lets it pass every
// class there.
constexpr int kBlock = 64;
constexpr int kMaxTeachers = 7;
constexpr int kMaxLessons = 15;
constexpr int kOddClasses = 3;  // empty, a repeated teacher, a field out of range
constexpr int kClasses = kOddClasses + 2 * (kMaxTeachers + 1) * (kMaxLessons + 1);
constexpr int kWords = (kClasses + 63) / 64;
using ClassMask = std::array<uint64_t, kWords>;

int shortcutClass(const TSortKey& k) {
    if (k.empty) return 0;
    if (badTeam(k)) return 1;
    if (k.teachers < 0 || k.teachers > kMaxTeachers || k.lessons < 0 || k.lessons > kMaxLessons)
        return 2;
    return kOddClasses + ((k.joint ? 1 : 0) * (kMaxTeachers + 1) + k.teachers) * (kMaxLessons + 1) +
           k.lessons;
}

void setClass(ClassMask& m, int c) {
    m[static_cast<std::size_t>(c / 64)] |= uint64_t{1} << (c % 64);
}

// The classes of lower units that the shortcut does not let x pass; the
// odd ones always, as the shortcut reads more of them.
ClassMask stopsFor(const TSortKey& x) {
    ClassMask m{};
    for (int c = 0; c < kOddClasses; ++c) setClass(m, c);
    TSortKey y;
    y.empty = false;
    for (const bool joint : {false, true})
        for (int t = 0; t <= kMaxTeachers; ++t)
            for (int l = 0; l <= kMaxLessons; ++l) {
                y.joint = joint;
                y.teachers = y.distinct = t;
                y.lessons = l;
                if (!surelySinksPast(y, x)) setClass(m, shortcutClass(y));
            }
    return m;
}

class ClassBlocks {
public:
    ClassBlocks(std::size_t positions, const std::vector<int>& classAt)
        : FCounts((positions + kBlock - 1) / kBlock), FPresent(FCounts.size()) {
        for (std::size_t p = 0; p < classAt.size(); ++p) add(p / kBlock, classAt[p]);
    }
    void move(std::size_t from, std::size_t to, int c) {
        if (from == to) return;
        remove(from, c);
        add(to, c);
    }
    bool anyOf(std::size_t block, const ClassMask& m) const {
        const ClassMask& present = FPresent[block];
        for (int w = 0; w < kWords; ++w)
            if ((present[static_cast<std::size_t>(w)] & m[static_cast<std::size_t>(w)]) != 0)
                return true;
        return false;
    }

private:
    void add(std::size_t block, int c) {
        if (FCounts[block][static_cast<std::size_t>(c)]++ == 0) setClass(FPresent[block], c);
    }
    void remove(std::size_t block, int c) {
        if (--FCounts[block][static_cast<std::size_t>(c)] == 0)
            FPresent[block][static_cast<std::size_t>(c / 64)] &= ~(uint64_t{1} << (c % 64));
    }
    std::vector<std::array<uint16_t, kClasses>> FCounts;
    std::vector<ClassMask> FPresent;
};

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
    std::vector<int> classOf(keys.size());
    for (std::size_t k = 0; k < keys.size(); ++k) classOf[k] = shortcutClass(keys[k]);
    auto classAt = [&](int pos) {
        return classOf[static_cast<std::size_t>(order[static_cast<std::size_t>(pos)])];
    };
    ClassBlocks blocks(keys.size(), classOf);
    std::vector<ClassMask> stops(kClasses);
    std::vector<char> stopsRead(kClasses, 0);
    auto blockOf = [](int pos) { return static_cast<std::size_t>(pos / kBlock); };
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
            // A unit out of the classes' ranges has stops of its own.
            const int cx = classAt(i + 1);
            ClassMask own;
            if (cx == 2) own = stopsFor(x);
            const auto at = static_cast<std::size_t>(cx);
            if (cx != 2 && !stopsRead[at]) {
                stops[at] = stopsFor(x);
                stopsRead[at] = 1;
            }
            const ClassMask& stopsX = cx == 2 ? own : stops[at];
            int to = i;
            while (to > 0) {
                const int p = to - 1;
                if ((p + 1) % kBlock == 0 && !blocks.anyOf(blockOf(p), stopsX)) {
                    to -= kBlock;
                    continue;
                }
                if (!surelySinksPast(key(p), x) && sortKeysStay(key(p), x)) break;
                --to;
            }
            // Each block the rotation crosses hands its last unit up one.
            for (std::size_t b = blockOf(to); b < blockOf(i + 1); ++b)
                blocks.move(b, b + 1, classAt(static_cast<int>((b + 1) * kBlock - 1)));
            blocks.move(blockOf(i + 1), blockOf(to), cx);
            std::rotate(order.begin() + to, order.begin() + i + 1, order.begin() + i + 2);
            i = sinking = to;
            top = highest + 1;
        } else {
            // Not a unit sinking from the top: the classic walk alone.
            sinking = top = -1;
            blocks.move(blockOf(i), blockOf(i + 1), classAt(i));
            blocks.move(blockOf(i + 1), blockOf(i), classAt(i + 1));
            std::swap(order[static_cast<std::size_t>(i)], order[static_cast<std::size_t>(i) + 1]);
            if (i > 0) --i;
        }
        if (!poll()) break;
    }
    return order;
}

}  // namespace zavlin
