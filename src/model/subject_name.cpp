#include "model/subject_name.h"

namespace zavlin {

std::string TYrName::FullName() const {
    return Name() + "(" + BigName() + ")";
}

}  // namespace zavlin
