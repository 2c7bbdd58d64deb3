#pragma once

// The order in which the week's units are placed: the classic pairwise walk
// over what each unit's comparison reads.

#include <functional>
#include <vector>

namespace zavlin {

class TFio;

// What the order of units looks at, read once per unit: the walk compares
// neighbours many times over while nothing it reads changes.
struct TSortKey {
    bool empty = true;
    bool joint = false;           // a union's lesson
    int teachers = 0;             // teacher assignments of the subject
    int distinct = 0;             // different teachers among them (read when more than one)
    int lessons = 0;              // CountPodGrypFio
    int cells = 0;                // CountYrokForFio
    int most = 0;                 // CountMaxYrForFioPredmet
    const TFio* first = nullptr;  // the subject's first teacher
};

// -1 when q goes before p; code is the rule that decided (0: none did).
int compareSortKeys(const TSortKey& p, const TSortKey& q, int& code);
// Whether the pair stays as it stands, p before q. When each side's
// comparison puts the other first, the rule with the lower number decides,
// and on a tie the pair stays.
bool sortKeysStay(const TSortKey& p, const TSortKey& q);
// True only where sortKeysStay(y, x) is false (x passes y), and cheaper
// than the comparison; it answers most pairs a long sink meets, and false
// leaves the pair to the comparison.
bool surelySinksPast(const TSortKey& y, const TSortKey& x);
// The classic walk over keys (a unit steps down while its pair swaps, the
// walk steps up while pairs stay) as the keys' positions in their new order.
// poll is asked between steps, and false stops the walk where it stands;
// reached is told each new highest position of the sorted part.
std::vector<int> classicUnitOrder(const std::vector<TSortKey>& keys,
                                  const std::function<bool()>& poll,
                                  const std::function<void(int)>& reached);

}  // namespace zavlin
