// Orders of the sorted reference lists, Russian collation, ascending; equal
// keys keep their order (the neighbour sort is stable).
#pragma once

#include <memory>
#include <vector>

namespace zavlin {

class TFio;
class TYrName;
class TAyd;

void sortFio(std::vector<std::unique_ptr<TFio>>& list);        // by full name
void sortYrName(std::vector<std::unique_ptr<TYrName>>& list);  // by full name
void sortAyd(std::vector<std::unique_ptr<TAyd>>& list);        // by room number

}  // namespace zavlin
