// A teacher (TFio) and the byte form of its "Dan" blob.
//
// Blob, version 3 (all that is written now):
//   offset  size  field
//   0       1     version = 3
//   1       72    availability, day 1 periods 0-11, then day 2, ... day 6
//   73      1     FBitSec
//   74      1     length L of the position (Windows-1251)
//   75      L     the position
//   75+L    4     GN, little-endian
// Older blobs: exactly 72 bytes = the grid; exactly 73 = grid + FBitSec; longer
// ones start with a version byte, the position follows from version 2 and GN
// from version 3.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/element.h"

namespace zavlin {

class TStream;

constexpr int kDays = 6;      // Monday..Saturday, numbered 1-6
constexpr int kPeriods = 12;  // lesson periods, numbered 0-11

struct AFio {
    // Op[day][period]: 1 = a lesson may be given then. Row 0 is unused so that
    // day numbers index directly.
    std::array<std::array<uint8_t, kPeriods>, kDays + 1> Op{};
};

class TFio : public TElement {
public:
    static constexpr std::size_t kMaxBigName = 48;
    static constexpr std::size_t kMaxDolj = 255;
    static constexpr uint8_t kDanVersion = 3;
    static constexpr std::size_t kGridBytes = kDays * kPeriods;
    static constexpr int kDefaultRday = 5;

    TFio();
    ~TFio() override;  // unbinds the teacher from its rooms
    TFio(const TFio&) = delete;
    TFio& operator=(const TFio&) = delete;

    const std::string& Name() const { return FShortName; }
    const std::string& BigName() const { return FBigName; }
    // What a heading names the teacher by: the full name, else the short one.
    const std::string& TitleName() const { return FBigName.empty() ? FShortName : FBigName; }
    // Also derives the short name.
    void SetBigName(std::string_view value);

    bool BitSec(int bit) const;
    void SetBitSec(int bit, bool on);  // bit 7 or more addresses bit 7; sets modifi
    uint8_t FBitSec = 0;

    const std::string& Dolg() const { return FDolj; }
    void SetDolg(std::string_view value);  // cut to kMaxDolj characters

    // A stored 0 or a value above 6 reads as the default.
    int Rday() const;
    void SetRday(int value) { FRday = value; }

    std::vector<uint8_t> DanToBytes() const;
    // Reads any of the known forms; a damaged or short blob fills what it
    // holds and leaves the rest as it was.
    void DanFromBytes(std::span<const uint8_t> bytes);
    void SaveDan(TStream& stream) const;  // writes at the stream's position
    void LoadDan(TStream& stream);        // reads from the position to the end

    std::vector<TAyd*> LAyd;  // the other side of TAyd::LFio
    int GN = 0;
    AFio Dan;
    bool Select = false;
    int NoDelete = 0;
    bool modifi = false;

private:
    std::string FShortName;
    std::string FBigName;
    std::string FDolj;
    int FRday = kDefaultRday;
};

// The short form used to match a full name against stored short names:
// "Surname N." or "Surname N.P."; a name without a blank is kept as it is.
std::string BigNameToShortName(std::string_view bigName);

// True when a short name is merely the full name written with dots.
bool TestShortBigName(std::string_view shortName, std::string_view bigName);

}  // namespace zavlin
