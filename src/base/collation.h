// Russian ordering of names for the sorted lists (teachers, subjects, rooms).
#pragma once

#include <string_view>

namespace zavlin {

// Compares two UTF-8 texts as a Russian reader would ("Ё" with "Е", case after
// letters): negative, 0 or positive. Each thread keeps its own collator.
int compareRussian(std::string_view a, std::string_view b);

}  // namespace zavlin
