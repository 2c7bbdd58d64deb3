#include "model/teacher.h"

#include <algorithm>

#include "base/cp1251.h"
#include "base/little_endian.h"
#include "base/streams.h"
#include "base/text.h"
#include "model/name_text.h"
#include "model/room.h"

namespace zavlin {

TFio::TFio() {
    for (int day = 1; day <= kDays; ++day) Dan.Op[day].fill(1);
}

TFio::~TFio() {
    // Copy: DelFio edits LAyd while we walk it.
    const std::vector<TAyd*> rooms = LAyd;
    for (TAyd* room : rooms) room->DelFio(this);
}

void TFio::SetBigName(std::string_view value) {
    FBigName = trim(utf8Prefix(value, kMaxBigName));
    const std::string_view big = FBigName;
    const std::size_t p = big.find(' ');
    if (p == std::string_view::npos || p == 0) {
        FShortName = FBigName;
        return;
    }
    std::string shortName(big.substr(0, p));
    std::string_view rest = big.substr(p + 1);
    const std::size_t q = rest.find(' ');
    if (q != std::string_view::npos) {
        shortName += ' ';
        shortName += utf8First(rest);
        rest = rest.substr(q + 1);
        if (!rest.empty()) {
            shortName += '.';
            shortName += utf8First(rest);
            shortName += '.';
        }
    } else {
        shortName += ' ';
        shortName += rest;
    }
    FShortName = std::move(shortName);
}

bool TFio::BitSec(int bit) const {
    const int b = std::clamp(bit, 0, 7);
    return (FBitSec >> b) & 1;
}

void TFio::SetBitSec(int bit, bool on) {
    const int b = std::clamp(bit, 0, 7);
    const auto mask = static_cast<uint8_t>(1u << b);
    FBitSec = on ? static_cast<uint8_t>(FBitSec | mask) : static_cast<uint8_t>(FBitSec & ~mask);
    modifi = true;
}

void TFio::SetDolg(std::string_view value) {
    FDolj = std::string(utf8Prefix(value, kMaxDolj));
}

int TFio::Rday() const {
    return (FRday <= 0 || FRday > kDays) ? kDefaultRday : FRday;
}

std::vector<uint8_t> TFio::DanToBytes() const {
    const std::string dolj = utf8ToCp1251Cut(FDolj, kMaxDolj);
    std::vector<uint8_t> out;
    out.reserve(1 + kGridBytes + 2 + dolj.size() + 4);
    out.push_back(kDanVersion);
    for (int day = 1; day <= kDays; ++day)
        out.insert(out.end(), Dan.Op[day].begin(), Dan.Op[day].end());
    out.push_back(FBitSec);
    out.push_back(static_cast<uint8_t>(dolj.size()));
    out.insert(out.end(), dolj.begin(), dolj.end());
    uint8_t gn[4];
    putI32(gn, GN);
    out.insert(out.end(), gn, gn + 4);
    return out;
}

void TFio::DanFromBytes(std::span<const uint8_t> bytes) {
    std::size_t pos = 0;
    auto readGrid = [&] {
        for (std::size_t i = 0; i < kGridBytes && pos < bytes.size(); ++i, ++pos)
            Dan.Op[1 + i / kPeriods][i % kPeriods] = bytes[pos];
    };
    if (bytes.empty()) return;
    if (bytes.size() <= kGridBytes + 1) {
        readGrid();
        if (pos < bytes.size()) FBitSec = bytes[pos];
        return;
    }
    const uint8_t version = bytes[pos++];
    readGrid();
    if (version > 1) {
        if (pos < bytes.size()) FBitSec = bytes[pos++];
        if (pos < bytes.size()) {
            const std::size_t stored = bytes[pos++];
            const std::size_t len = std::min(stored, bytes.size() - pos);
            FDolj = cp1251ToUtf8(
                std::string_view(reinterpret_cast<const char*>(bytes.data() + pos), len));
            pos += len;
        }
    }
    if (version > 2 && bytes.size() - pos >= 4) GN = getI32(bytes.data() + pos);
}

void TFio::SaveDan(TStream& stream) const {
    const std::vector<uint8_t> bytes = DanToBytes();
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TFio::LoadDan(TStream& stream) {
    const int64_t left = stream.Size() - stream.Position();
    std::vector<uint8_t> bytes(static_cast<std::size_t>(std::max<int64_t>(left, 0)));
    const int64_t got = stream.Read(bytes.data(), static_cast<int64_t>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(std::max<int64_t>(got, 0)));
    DanFromBytes(bytes);
}

std::string BigNameToShortName(std::string_view bigName) {
    const std::size_t p = bigName.find(' ');
    if (p == std::string_view::npos) return std::string(bigName);
    std::string out(bigName.substr(0, p + 1));
    std::string_view rest = bigName.substr(p + 1);
    out += utf8First(rest);
    out += '.';
    const std::size_t q = rest.find(' ');
    if (q != std::string_view::npos) {
        rest = rest.substr(q + 1);
        if (!rest.empty()) {
            out += utf8First(rest);
            out += '.';
        }
    }
    return out;
}

bool TestShortBigName(std::string_view shortName, std::string_view bigName) {
    std::string s = trim(lowerRussian(shortName));
    std::replace(s.begin(), s.end(), '.', ' ');
    return trim(s) == trim(lowerRussian(bigName));
}

}  // namespace zavlin
