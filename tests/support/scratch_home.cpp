#include "scratch_home.h"

#include <stdlib.h>

#include <system_error>

#include "storage/year_tables.h"

namespace zavlin::testsupport {

ScratchHome::ScratchHome(const std::string& tag) {
    std::string tmpl = "/tmp/zavlin_" + tag + "_XXXXXX";
    if (mkdtemp(tmpl.data()) != nullptr) FPath = tmpl;
}

ScratchHome::~ScratchHome() {
    std::error_code ec;
    if (!FPath.empty()) std::filesystem::remove_all(FPath, ec);
}

bool ScratchHome::MakeDatabase(std::string& message) const {
    if (FPath.empty()) {
        message = "no scratch folder";
        return false;
    }
    return CreateDatabase(FPath, message) == TCreateDatabaseResult::Created;
}

}  // namespace zavlin::testsupport
