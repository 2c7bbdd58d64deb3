// Percent-encoding of texts exchanged with the curriculum server.
#pragma once

#include <string>
#include <string_view>

namespace zavlin {

// Every byte of the UTF-8 text except the ASCII letters, digits, "-" and "."
// becomes "%" and two upper-case hex digits. The server's login values are
// UTF-8 with "_" and "~" encoded as well; the reserved characters ("&", "=",
// "+", ...) are encoded too, so a value can never break the query it is put in.
std::string EncodeURL(std::string_view text);

// "%" + two hex digits (either case) becomes that byte; "%" followed by a line
// break (CR LF, LF CR, CR or LF) is dropped with the break; any other "%" is
// kept. Decoding stops at a "%" among the last two bytes, which is dropped with
// what follows it (a sequence cut short).
std::string DecodeURL(std::string_view text);

}  // namespace zavlin
