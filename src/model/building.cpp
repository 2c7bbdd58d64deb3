#include "model/building.h"

#include "model/name_text.h"

namespace zavlin {

void TDom::SetName(std::string_view value) {
    FName = std::string(utf8Prefix(value, kMaxName));
}

}  // namespace zavlin
