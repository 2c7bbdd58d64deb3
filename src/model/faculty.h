// A faculty (TFak): a named set of groups; a group may belong to several.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "model/element.h"

namespace zavlin {

class TGryp;

class TFak : public TDan {
public:
    static constexpr std::size_t kMaxName = 48;

    using TDan::TDan;

    std::string Name() const override { return FName; }
    void SetName(std::string_view value);  // cut to kMaxName characters

    std::vector<TGryp*> LGryp;  // not owned: the year owns its groups
    int N = 0;

private:
    std::string FName;
};

}  // namespace zavlin
