// SHA-256 of a byte string, as lowercase hex: the digest the recordings of
// the composition engine keep for files too large to commit whole. Written
// here so that the tests and the bench need no crypto library.
#pragma once

#include <string>
#include <string_view>

namespace zavlin::testsupport {

std::string sha256Hex(std::string_view bytes);

}  // namespace zavlin::testsupport
