// A building (TDom). Rooms point at it and count in its NoDelete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/element.h"

namespace zavlin {

class TDom : public TElement {
public:
    static constexpr std::size_t kMaxName = 48;

    TDom() = default;
    explicit TDom(std::string_view name) { SetName(name); }

    const std::string& Name() const { return FName; }
    void SetName(std::string_view value);  // cut to kMaxName characters

    uint16_t GN = 0;
    bool Select = false;
    int NoDelete = 0;
    uint8_t ColorFont = 0;  // index of the colour its lessons are printed in

private:
    std::string FName;
};

}  // namespace zavlin
