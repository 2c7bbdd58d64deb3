#include "model/reference_sort.h"

#include <algorithm>

#include "base/collation.h"
#include "model/room.h"
#include "model/subject_name.h"
#include "model/teacher.h"

namespace zavlin {

namespace {

// The collation is a true order, so any stable sort gives the list the
// neighbour walk gives; its n^2 comparisons took about a tenth of a second
// for a thousand teachers.
template <typename T, typename Key>
void sortBy(std::vector<std::unique_ptr<T>>& list, Key key) {
    std::stable_sort(list.begin(), list.end(), [&](const auto& a, const auto& b) {
        return compareRussian(key(*a), key(*b)) < 0;
    });
}

}  // namespace

void sortFio(std::vector<std::unique_ptr<TFio>>& list) {
    sortBy(list, [](const TFio& f) -> const std::string& { return f.BigName(); });
}

void sortYrName(std::vector<std::unique_ptr<TYrName>>& list) {
    // BigName falls back to the short name when no full name is given.
    sortBy(list, [](const TYrName& y) -> const std::string& { return y.BigName(); });
}

void sortAyd(std::vector<std::unique_ptr<TAyd>>& list) {
    sortBy(list, [](const TAyd& a) -> const std::string& { return a.Name(); });
}

}  // namespace zavlin
