// Subject names (TYrName) and the one reserved for state examinations.
#pragma once

#include <string>
#include <string_view>

#include "model/element.h"

namespace zavlin {

class TYrName : public TElement {
public:
    TYrName() = default;
    TYrName(std::string_view shortName, std::string_view bigName)
        : FShortName(shortName), FBigName(bigName) {}

    const std::string& Name() const { return FShortName; }
    void SetName(std::string_view value) { FShortName = std::string(value); }
    // The short name stands in while no full name is given.
    const std::string& BigName() const { return FBigName.empty() ? FShortName : FBigName; }
    void SetBigName(std::string_view value) { FBigName = std::string(value); }
    // "short(full)"
    std::string FullName() const;

    bool Select = false;
    int NoDelete = 0;

private:
    std::string FShortName;
    std::string FBigName;
};

class TYrNameGos : public TYrName {
public:
    TYrNameGos() : TYrName("Гос. экзамен", "Государственный экзамен") {}
};

}  // namespace zavlin
