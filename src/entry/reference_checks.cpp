#include "entry/reference_checks.h"

#include <algorithm>
#include <array>

#include "base/text.h"
#include "model/attribute.h"
#include "model/building.h"
#include "model/room.h"
#include "model/subject_name.h"
#include "model/year.h"

namespace zavlin::entry {

namespace {

template <typename T>
bool deletesAll(const std::vector<std::unique_ptr<T>>& list, std::size_t count) {
    return count > 0 && count >= list.size();
}

bool isBuiltIn(const TAtribyt& atribyt, const TAtr* atr) {
    const std::size_t builtIn = std::min(TAtribyt::kBuiltIn, atribyt.LAtr.size());
    for (std::size_t i = 0; i < builtIn; ++i)
        if (atribyt.LAtr[i].get() == atr) return true;
    return false;
}

}  // namespace

TRefusal CheckDelYrName(const TAllRasp& year, const std::vector<const TYrName*>& yrNames,
                        bool canDelOk) {
    if (yrNames.empty() || std::find(yrNames.begin(), yrNames.end(), nullptr) != yrNames.end())
        return "Выберите предмет";
    if (!canDelOk && deletesAll(year.LYrName, yrNames.size())) return kLastYrNameMessage;
    for (const TYrName* yr : yrNames)
        if (yr->NoDelete >= 1) return "Удаление невозможно. Предмет используется";
    return std::nullopt;
}

TRefusal CheckDelUnusedYrName(bool canDelOk) {
    if (!canDelOk)
        return "Удаление неиспользуемых предметов возможно только при входе в это окно из главного "
               "окна программы";
    return std::nullopt;
}

std::vector<TYrName*> UnusedYrNames(const TAllRasp& year) {
    std::vector<TYrName*> out;
    for (const auto& yr : year.LYrName)
        if (yr->NoDelete < 1) out.push_back(yr.get());
    return out;
}

bool AydInUse(const TAllRasp& year, const TAyd& ayd) {
    return ayd.NoDelete > 0 || (year.AydUsedInRasp && year.AydUsedInRasp(ayd));
}

TRefusal CheckDelDom(const TAllRasp& year, const std::vector<const TDom*>& doms) {
    if (doms.empty() || std::find(doms.begin(), doms.end(), nullptr) != doms.end())
        return "Выберите здание";
    if (deletesAll(year.LDom, doms.size())) return kLastDomMessage;
    for (const TDom* dom : doms) {
        long rooms = 0;
        for (const auto& ayd : year.LAyd) {
            if (ayd->Dom() != dom) continue;
            ++rooms;
            if (AydInUse(year, *ayd)) return "Удаление невозможно. Здание используется";
        }
        // Whatever else holds the building (beyond its own rooms) keeps it.
        if (dom->NoDelete > rooms) return "Удаление невозможно. Здание используется";
    }
    return std::nullopt;
}

unsigned DomColorRgb(int index) {
    static constexpr std::array<unsigned, kDomColorCount> kPalette = {
        0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0x808080,
        0xC0C0C0, 0xFF0000, 0x00C000, 0xC08000, 0x0000FF, 0xFF00FF, 0x00A0C0};
    if (index < 0 || index >= kDomColorCount) return kPalette[0];
    return kPalette[static_cast<std::size_t>(index)];
}

TRefusal CheckDelAyd(const TAllRasp& year, const std::vector<const TAyd*>& ayds, bool canDelOk) {
    if (ayds.empty() || std::find(ayds.begin(), ayds.end(), nullptr) != ayds.end())
        return "Выберите аудиторию";
    if (!canDelOk && deletesAll(year.LAyd, ayds.size())) return kLastAydMessage;
    for (const TAyd* ayd : ayds)
        // The Latin letter is the message as users know it.
        if (AydInUse(year, *ayd)) return "Удаление невозможно. Aудитория используется";
    return std::nullopt;
}

TRefusal CheckChangeAtr(const TAtribyt& atribyt, const TAtr* atr) {
    if (atr == nullptr || isBuiltIn(atribyt, atr))
        return "Пять верхних атрибутов изменению и удалению неподлежат";
    return std::nullopt;
}

TRefusal CheckDelAtr(const TAtribyt& atribyt, const TAtr* atr) {
    if (TRefusal refused = CheckChangeAtr(atribyt, atr)) return refused;
    if (atr->NoDelete > 0) return "За данным атрибутом закреплена нагрузка.";
    return std::nullopt;
}

TRefusal CheckYrName(const TAllRasp& year, const TYrName* self, std::string_view shortName) {
    const std::string wanted = trim(shortName);
    if (wanted.empty()) return "Введите сокращенное название предмета!";
    for (const auto& yr : year.LYrName)
        if (yr.get() != self && trim(yr->Name()) == wanted) return "Повтор названия предмета!\r\n";
    return std::nullopt;
}

TRefusal CheckDomName(const TAllRasp& year, const TDom* self, std::string_view name) {
    const std::string wanted = trim(name);
    if (wanted.empty()) return "Введите название здания!";
    for (const auto& dom : year.LDom)
        if (dom.get() != self && trim(dom->Name()) == wanted) return "Повтор названия!";
    return std::nullopt;
}

TRefusal CheckAyd(const TAllRasp& year, const TAyd* self, const TDom* dom, std::string_view name) {
    if (dom == nullptr) return "Выберите здание!";
    const std::string wanted = trim(name);
    if (wanted.empty()) return "Введите название аудитории!";
    for (const auto& ayd : year.LAyd)
        if (ayd.get() != self && ayd->Dom() == dom && trim(ayd->Name()) == wanted)
            return "Повтор названия аудитории!";
    return std::nullopt;
}

TRefusal CheckAtrName(const TAtribyt& atribyt, const TAtr* self, std::string_view name) {
    const std::string wanted = trim(name);
    bool repeated = wanted.empty();
    for (const auto& atr : atribyt.LAtr)
        if (atr.get() != self && trim(atr->Name()) == wanted) repeated = true;
    if (repeated) return "Должно быть не менее двух атрибутов. Измените название.";
    return std::nullopt;
}

std::vector<TAyd*> RoomsOfDom(const TAllRasp& year, const TDom* dom) {
    std::vector<TAyd*> rooms;
    for (const auto& ayd : year.LAyd)
        if (ayd->Dom() == dom) rooms.push_back(ayd.get());
    return rooms;
}

bool DelDomWithRooms(TAllRasp& year, TDom* dom, std::string& failure) {
    failure.clear();
    if (CheckDelDom(year, {dom})) return false;
    const std::vector<TAyd*> rooms = RoomsOfDom(year, dom);
    const std::string name = dom->Name();
    std::size_t deleted = 0;
    for (TAyd* ayd : rooms) {
        if (!year.DelAyd(ayd)) {
            if (deleted > 0)
                failure = std::string(kNotWrittenMessage) + " Здание " + name +
                          " осталось, из его аудиторий удалено: " + std::to_string(deleted) +
                          " из " + std::to_string(rooms.size()) + ".";
            return false;
        }
        ++deleted;
    }
    if (year.DelDom(dom)) return true;
    if (deleted > 0)
        failure = std::string(kNotWrittenMessage) + " Здание " + name +
                  " осталось без аудиторий: они удалены.";
    return false;
}

}  // namespace zavlin::entry
