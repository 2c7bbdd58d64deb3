#include "model/faculty.h"

#include "model/name_text.h"

namespace zavlin {

void TFak::SetName(std::string_view value) {
    FName = std::string(utf8Prefix(value, kMaxName));
}

}  // namespace zavlin
