#include "model/room.h"

#include <algorithm>

#include "base/little_endian.h"
#include "model/building.h"
#include "model/name_text.h"
#include "model/teacher.h"

namespace zavlin {

TAyd::~TAyd() {
    DelAllFio();
    SetDom(nullptr);
}

void TAyd::SetName(std::string_view value) {
    FName = std::string(utf8Prefix(value, kMaxName));
}

void TAyd::SetDom(TDom* dom) {
    if (dom == FDom) return;
    if (FDom != nullptr) --FDom->NoDelete;
    FDom = dom;
    if (FDom != nullptr) ++FDom->NoDelete;
}

void TAyd::AddFio(TFio* fio) {
    if (fio == nullptr) return;
    if (std::find(LFio.begin(), LFio.end(), fio) == LFio.end()) LFio.push_back(fio);
    if (std::find(fio->LAyd.begin(), fio->LAyd.end(), this) == fio->LAyd.end())
        fio->LAyd.push_back(this);
}

void TAyd::DelFio(TFio* fio) {
    if (fio == nullptr) return;
    std::erase(LFio, fio);
    std::erase(fio->LAyd, this);
}

void TAyd::DelAllFio() {
    while (!LFio.empty()) DelFio(LFio.back());
}

std::string TAyd::AllFio() const {
    std::string out;
    for (std::size_t i = 0; i < LFio.size(); ++i) {
        if (i > 0) out += ',';
        out += LFio[i]->Name();
    }
    return out;
}

std::vector<uint8_t> TAyd::FioToBytes() const {
    std::vector<uint8_t> out(LFio.size() * 2);
    // The field is two bytes wide: a larger number keeps its low 16 bits.
    for (std::size_t i = 0; i < LFio.size(); ++i)
        putU16(out.data() + 2 * i, static_cast<uint16_t>(LFio[i]->N));
    return out;
}

void TAyd::FioFromBytes(std::span<const uint8_t> bytes, const std::function<TFio*(int)>& finder) {
    if (!finder) return;
    // An odd trailing byte is a damaged blob's remainder: ignored.
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        if (TFio* fio = finder(getU16(bytes.data() + i))) AddFio(fio);
}

}  // namespace zavlin
