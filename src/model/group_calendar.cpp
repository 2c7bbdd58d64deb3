// The semesters of a group and its study schedule, read against the calendar
// of its year.
#include <algorithm>
#include <string>

#include "base/cp1251.h"
#include "base/datetime.h"
#include "model/group.h"

namespace zavlin {

namespace {

// "У", one byte per day in the code page of the files.
constexpr char kStudyDay = '\xD3';
constexpr std::size_t kScheduleDays = 364;

bool weekHasLoad(const TNed& week) {
    for (int setka = kSetkaPlan; setka <= kSetkaDop; ++setka)
        if (!week.LKorzina(setka).empty()) return true;
    return false;
}

}  // namespace

void TGryp::SetDateSemm2(int value) {
    const int year = Spisok != nullptr ? Spisok->YGod : 0;
    int32_t first = 0;
    int32_t last = 0;
    if (!tryEncodeDate(year, 9, 1, first) || !tryEncodeDate(year + 1, 8, 1, last)) {
        Dan.DateSemm2 = value;
        return;
    }
    if (value == 0) {
        Dan.DateSemm2 = encodeDate(year + 1, 1, 1);
    } else {
        value = std::clamp(value, first, last);
        // A semester does not begin on a Sunday.
        if (isoWeekday(value) == 7) ++value;
        Dan.DateSemm2 = value;
    }
    OnModifi(this);
}

std::string TGryp::StrDateSemm2() const {
    return dottedDateText(Dan.DateSemm2);
}

int TGryp::NedStartSemm(int semm) const {
    if (semm != 2 || Spisok == nullptr) return 1;
    const TAllNed& calendar = Spisok->AllNed;
    for (int i = 1; i <= kStudyWeeks; ++i)
        if (calendar.DNed(i)->Dt + 6 >= Dan.DateSemm2) return i;
    return kStudyWeeks + 1;
}

int TGryp::CountNedSemm(int semm) const {
    const int start = NedStartSemm(2);
    if (semm == 1) return start - 1;
    if (semm == 2) return kStudyWeeks + 1 - start;
    return kStudyWeeks;
}

void TGryp::NedStartEnd(int vSemm, int& n1, int& n2) const {
    if (vSemm == 1) {
        n1 = 1;
        n2 = CountNedSemm(1);
    } else if (vSemm == 2) {
        n1 = NedStartSemm(2);
        n2 = kStudyWeeks;
    } else {
        n1 = 1;
        n2 = kStudyWeeks;
    }
}

void TGryp::GrafToNed(const std::string& vS, int vD, int& vS1, int& vS2) {
    vS1 = vS2 = 0;
    if (Spisok == nullptr) return;
    const TAllNed& calendar = Spisok->AllNed;
    const int32_t start = calendar.Date09_01();
    const std::string days = utf8ToCp1251(vS);
    for (std::size_t i = 0; i < days.size() && i < kScheduleDays; ++i) {
        const int pos = static_cast<int>(i) + 1;  // positions count from 1
        const int32_t date = start + static_cast<int32_t>(i);
        int ne = 0;
        int d = 0;
        if (!calendar.DateToNedDey(date, false, ne, d) || d > kDayCount) continue;
        const auto bit = static_cast<uint8_t>(1u << d);
        if (days[i] == kStudyDay) {
            // Without a second-semester day everything is the first semester.
            if (vD <= 0 || pos < vD)
                ++vS1;
            else
                ++vS2;
            TNed* week = GetNed(ne);
            if (week == nullptr) {
                week = SetNed(ne);
                uint8_t yd = week->YhDey();
                for (int before = 1; before < d; ++before)
                    yd = static_cast<uint8_t>(yd & ~(1u << before));
                week->SetYhDey(yd);
            }
            week->SetYhDey(static_cast<uint8_t>(week->YhDey() | bit | 1u));
            if (pos == vD) SetDateSemm2(date);
        } else if (TNed* week = GetNed(ne)) {
            week->SetYhDey(static_cast<uint8_t>(week->YhDey() & ~bit));
            if (d == kDayCount && week->CountRunDey() == 0 && !weekHasLoad(*week))
                DelNed(ne, false);
        }
    }
}

}  // namespace zavlin
