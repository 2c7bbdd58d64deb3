// The rules of the reference-list windows (subjects, buildings, rooms,
// attributes): whether an entry may be deleted or stored under a name. Each
// check returns the refusal the window shows, byte for byte, or nothing when
// the operation may go ahead; the windows only show what comes back.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zavlin {
class TAllRasp;
class TAtr;
class TAtribyt;
class TAyd;
class TDom;
class TYrName;
}  // namespace zavlin

namespace zavlin::entry {

using TRefusal = std::optional<std::string>;

// Shown when a table refused to store or delete a row; the lists then
// hold what the tables hold.
inline constexpr const char* kNotStoredMessage =
    "Не удалось записать изменение в базу данных. Данные остались прежними.";
// Shown when part of a change was written before a table refused.
inline constexpr const char* kNotWrittenMessage = "Не удалось записать изменение в базу данных.";

// Refusals of deleting the last entry of a list outside the main menu.
inline constexpr const char* kLastYrNameMessage =
    "Удаление единственного предмета возможно только при входе в это окно через главное меню "
    "программы";
inline constexpr const char* kLastAydMessage =
    "Удаление единственной аудитории возможно только из главного окна программы";
inline constexpr const char* kLastDomMessage = "Нельзя удалять единственное здание";

// The fixed palette a building's lessons are printed in.
inline constexpr int kDomColorCount = 15;
// The palette as 0xRRGGBB; an index out of range reads as black.
unsigned DomColorRgb(int index);

// --- Deletion. canDelOk: the window was opened from the main menu. Several
// entries are refused as a whole when any one of them is.
TRefusal CheckDelYrName(const TAllRasp& year, const std::vector<const TYrName*>& yrNames,
                        bool canDelOk);
// "Удалить все неиспользуемые": only from the main menu.
TRefusal CheckDelUnusedYrName(bool canDelOk);
// The subject names no lesson, subject or record points at, in list order.
std::vector<TYrName*> UnusedYrNames(const TAllRasp& year);
TRefusal CheckDelDom(const TAllRasp& year, const std::vector<const TDom*>& buildings);
TRefusal CheckDelAyd(const TAllRasp& year, const std::vector<const TAyd*>& rooms, bool canDelOk);
// Whether any lesson, record or examination is held in the room.
bool AydInUse(const TAllRasp& year, const TAyd& ayd);
// The built-in attributes are neither renamed nor deleted.
TRefusal CheckChangeAtr(const TAtribyt& atribyt, const TAtr* atr);
// A built-in attribute, then one that load points at.
TRefusal CheckDelAtr(const TAtribyt& atribyt, const TAtr* atr);

// --- Names of the edit windows (already trimmed). self: the entry being
// edited, nullptr for a new one.
TRefusal CheckYrName(const TAllRasp& year, const TYrName* self, std::string_view shortName);
TRefusal CheckDomName(const TAllRasp& year, const TDom* self, std::string_view name);
TRefusal CheckAyd(const TAllRasp& year, const TAyd* self, const TDom* dom, std::string_view name);
TRefusal CheckAtrName(const TAtribyt& atribyt, const TAtr* self, std::string_view name);

// The rooms of a building, in list order.
std::vector<TAyd*> RoomsOfDom(const TAllRasp& year, const TDom* dom);

// Deletes the building after its rooms, none of which may be in use. False
// when a row could not be deleted: failure then says what was deleted of it.
[[nodiscard]] bool DelDomWithRooms(TAllRasp& year, TDom* dom, std::string& failure);

}  // namespace zavlin::entry
