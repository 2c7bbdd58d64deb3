// Helpers shared by the files of one group's timetable.
#pragma once

#include <algorithm>
#include <vector>

#include "model/timetable.h"

namespace zavlin::timetable_detail {

template <typename T>
bool eraseOne(std::vector<T*>& list, const T* item) {
    auto it = std::find(list.begin(), list.end(), item);
    if (it == list.end()) return false;
    list.erase(it);
    return true;
}

inline bool validDay(int de) {
    return de >= 1 && de <= kDayCount;
}
inline bool validPeriod(int y) {
    return y >= 0 && y < kPeriodCount;
}
inline bool validTip(int tip) {
    return tip == 0 || tip == 1;
}

}  // namespace zavlin::timetable_detail
