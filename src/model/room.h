// A room (TAyd): its building, its seats and the teachers bound to it.
//
// Blob "LFio": the N of every bound teacher as a 2-byte little-endian number,
// in list order. Numbers that match no teacher are dropped on reading.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/element.h"

namespace zavlin {

class TAyd : public TElement {
public:
    static constexpr std::size_t kMaxName = 5;

    TAyd() = default;
    ~TAyd() override;  // unbinds its teachers and releases its building
    TAyd(const TAyd&) = delete;
    TAyd& operator=(const TAyd&) = delete;

    const std::string& Name() const { return FName; }
    void SetName(std::string_view value);  // cut to kMaxName characters

    TDom* Dom() const { return FDom; }
    // Moves the reference: the old building's NoDelete drops, the new one's rises.
    void SetDom(TDom* dom);

    bool SpecAyd() const { return SpAyd; }
    void SetSpecAyd(bool value) { SpAyd = value; }

    // Both sides of the binding, each teacher and room at most once.
    void AddFio(TFio* fio);
    void DelFio(TFio* fio);
    void DelAllFio();
    // Short names of the bound teachers joined by ",".
    std::string AllFio() const;

    std::vector<uint8_t> FioToBytes() const;
    // Binds the teachers the numbers name; finder returns nullptr for an
    // unknown number.
    void FioFromBytes(std::span<const uint8_t> bytes, const std::function<TFio*(int)>& finder);

    std::vector<TFio*> LFio;
    bool SpAyd = false;
    uint16_t GN = 0;
    uint16_t kv = 0;  // seats
    bool Select = false;
    int NoDelete = 0;
    bool modifi = false;

private:
    std::string FName;
    TDom* FDom = nullptr;
};

}  // namespace zavlin
