#include "composition/teacher_inputs.h"

#include <algorithm>

#include "base/my_dialog.h"
#include "model/element.h"
#include "model/teacher.h"
#include "model/year.h"

namespace zavlin {

bool HasRestriction(const TFio& fio) {
    for (int d = 1; d <= kDays; ++d)
        for (uint8_t cell : fio.Dan.Op[static_cast<std::size_t>(d)])
            if (cell == 0) return true;
    return false;
}

std::vector<TFio*> RestrictedTeachers(const TSpisok& year) {
    std::vector<TFio*> out;
    for (const auto& fio : year.LFio)
        if (HasRestriction(*fio)) out.push_back(fio.get());
    return out;
}

bool SetAvailability(TFio& fio, int d1, int d2, int y1, int y2, bool works) {
    if (d1 > d2) std::swap(d1, d2);
    if (y1 > y2) std::swap(y1, y2);
    d1 = std::max(d1, 1);
    d2 = std::min(d2, kDays);
    y1 = std::max(y1, 0);
    y2 = std::min(y2, kPeriods - 1);
    const uint8_t value = works ? 1 : 0;
    bool changed = false;
    for (int d = d1; d <= d2; ++d)
        for (int y = y1; y <= y2; ++y) {
            uint8_t& cell = fio.Dan.Op[static_cast<std::size_t>(d)][static_cast<std::size_t>(y)];
            if (cell == value) continue;
            cell = value;
            changed = true;
        }
    return changed;
}

bool ClearAvailability(TFio& fio) {
    return SetAvailability(fio, 1, kDays, 0, kPeriods - 1, true);
}

void TModifiedTeachers::Mark(TFio& fio) {
    fio.modifi = true;
    if (std::find(numbers_.begin(), numbers_.end(), fio.N) == numbers_.end())
        numbers_.push_back(fio.N);
}

void TModifiedTeachers::DropDeleted(const TAllRasp& year) {
    std::erase_if(numbers_, [&year](int n) { return year.FioNumer(n) == nullptr; });
}

bool TModifiedTeachers::Store(TAllRasp& year) {
    DropDeleted(year);
    std::erase_if(numbers_, [&year](int n) { return year.AddFio(year.FioNumer(n)); });
    return numbers_.empty();
}

std::string TModifiedTeachers::Names(const TAllRasp& year) const {
    std::string out;
    for (int n : numbers_)
        if (const TFio* fio = year.FioNumer(n)) out += "\n" + fio->BigName();
    return out;
}

bool StoreOrAskToClose(TAllRasp& year, TModifiedTeachers& modified, TMyDialog& dialog,
                       const std::string& failed) {
    if (modified.Store(year)) return true;
    return dialog.MessageDlg(failed + modified.Names(year) + "\nЗакрыть окно без записи?",
                             "Подтверждение");
}

std::string RdayText(int rday) {
    std::string text = std::to_string(rday);
    if (rday == 5) text += " Обычный";
    if (rday == 6) text += " Администрация";
    return text;
}

int RdayChoice(int rday) {
    return rday >= 1 && rday <= 6 ? rday : 6;
}

}  // namespace zavlin
