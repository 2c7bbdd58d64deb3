// The only failures that travel as exceptions: a value that cannot be converted
// or lies outside a field's range aborts the operation in progress. Everything
// else is reported through return values and events.
#pragma once

#include <stdexcept>
#include <string>

namespace zavlin {

class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ERangeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A stream that cannot deliver or take the bytes asked of it (short read,
// failed write). Raised by ReadBuffer/WriteBuffer only.
class EStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace zavlin
