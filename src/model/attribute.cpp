#include "model/attribute.h"

#include "model/name_text.h"

namespace zavlin {

TAtr::TAtr(TAtribyt* owner, int n, std::string_view name) : Atrebyt(owner), N(n) {
    SetName(name);
}

void TAtr::SetName(std::string_view name) {
    FName = std::string(utf8Prefix(name, kMaxName));
}

TAtribyt::TAtribyt() {
    Add(kSetka, "Сетка");
    Add(kKonsyltacia, "Консультация");
    Add(kDifZachet, "Диф. зачет");
    Add(kEkzamen, "Экзамен");
    Add(kGosEkzamen, "Гос. экзамен");
}

TAtr* TAtribyt::Add(int n, std::string_view name) {
    LAtr.push_back(std::make_unique<TAtr>(this, n, name));
    return LAtr.back().get();
}

void TAtribyt::Clear() {
    if (LAtr.size() > kBuiltIn) LAtr.resize(kBuiltIn);
}

std::string TAtribyt::AtrName(int n) const {
    if (n == kSetka) return "Сетка";
    if (const TAtr* atr = AtrNumer(n)) return atr->Name();
    return "Атрибут удален";
}

TAtr* TAtribyt::AtrNumer(int n) const {
    for (const auto& atr : LAtr)
        if (atr->N == n) return atr.get();
    return nullptr;
}

std::string TAtribyt::AtrSelectName() const {
    std::string out;
    for (const auto& atr : LAtr) {
        if (!atr->Select) continue;
        if (!out.empty()) out += ',';
        out += atr->Name();
    }
    return out;
}

}  // namespace zavlin
