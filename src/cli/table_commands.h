// The verbs that change a table: create, append, set, delete, undelete. Each
// returns an ExitStatus; messages go to stderr, results to stdout.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zavlin::cli {

// FIELD = NAME:TYPE[:LENGTH]. An existing table is kept unless force.
int tableCreate(const std::string& path, const std::vector<std::string>& fields, bool force);
// NAME=VALUE; "@FILE" loads a blob field. Prints the new record's key.
int tableAppend(const std::string& path, const std::vector<std::string>& assignments);
int tableSet(const std::string& path, const std::string& key,
             const std::vector<std::string>& assignments);
int tableDelete(const std::string& path, const std::string& key);
int tableUndelete(const std::string& path, const std::string& slot);

}  // namespace zavlin::cli
