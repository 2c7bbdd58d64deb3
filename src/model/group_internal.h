// Helpers shared by the files of the group object.
#pragma once

#include <memory>
#include <vector>

#include "model/group.h"

namespace zavlin::group_detail {

template <typename T>
int indexIn(const std::vector<std::unique_ptr<T>>& list, const T* item) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].get() == item) return static_cast<int>(i);
    return -1;
}

inline bool validWeek(int ne) {
    return ne >= 1 && ne <= kWeeks;
}

}  // namespace zavlin::group_detail
