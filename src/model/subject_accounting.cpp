// The hour accounting of a subject: lessons planned, placed and delivered per
// semester, and the check that its teachers' plans add up.
#include <algorithm>
#include <array>

#include "model/group.h"
#include "model/group_internal.h"
#include "model/timetable.h"

namespace zavlin {

namespace {

constexpr int kAccountWeeks = 52;  // the additional weeks never count
constexpr int kMaxTeachers = 6;

// (week, day) as one ordered number.
constexpr int moment(int ne, int de) {
    return ne * 8 + de;
}

void semesterWeeks(const TPredmet& pr, int vSemm, int& n1, int& n2) {
    n1 = 1;
    n2 = kAccountWeeks;
    if (pr.Gryp() != nullptr) pr.Gryp()->NedStartEnd(vSemm, n1, n2);
    n1 = std::max(n1, 1);
    n2 = std::min(n2, kAccountWeeks);
}

}  // namespace

int TPredmet::CountFaktSemm(int vNe1, int vDe1, int vNe2, int vDe2, int vSetka,
                            const TFio* vFio) const {
    if (FGryp == nullptr) return 0;
    const int from = moment(vNe1, vDe1);
    const int to = moment(vNe2, vDe2);
    int sum = 0;
    for (int ne = std::max(vNe1, 1); ne <= std::min(vNe2, kAccountWeeks); ++ne) {
        const TNed* week = FGryp->GetNed(ne);
        const int teachers = CountFio(ne);
        if (week == nullptr || teachers == 0) continue;
        for (int de = 1; de <= kDayCount; ++de) {
            if (moment(ne, de) < from || moment(ne, de) > to) continue;
            const int day = week->Dey(de)->CountFaktYrok(vSetka, this, vFio);
            sum += vFio != nullptr ? day : day / teachers;
        }
    }
    return sum;
}

int TPredmet::CountFaktYrSemm(int vSemm, const TFio* vFio) const {
    return CountFaktYrZmDpSemm(vSemm, vFio, true, false, false);
}

int TPredmet::CountFaktZmSemm(int vSemm, const TFio* vFio) const {
    return CountFaktYrZmDpSemm(vSemm, vFio, false, true, false);
}

int TPredmet::CountFaktDpSemm(int vSemm, const TFio* vFio) const {
    return CountFaktYrZmDpSemm(vSemm, vFio, false, false, true);
}

int TPredmet::CountFaktYrZmDpSemm(int vSemm, const TFio* vFio, bool bSe, bool bZm, bool bDp) const {
    return CountFaktYrZmDpSemm(vSemm, 1, 1, kAccountWeeks, kDayCount, vFio, bSe, bZm, bDp);
}

int TPredmet::CountFaktYrZmDpSemm(int vSemm, int vNe1, int vDe1, int vNe2, int vDe2,
                                  const TFio* vFio, bool bSe, bool bZm, bool bDp) const {
    int n1 = 0;
    int n2 = 0;
    semesterWeeks(*this, vSemm, n1, n2);
    if (moment(vNe1, vDe1) < moment(n1, 1)) {
        vNe1 = n1;
        vDe1 = 1;
    }
    if (moment(vNe2, vDe2) > moment(n2, kDayCount)) {
        vNe2 = n2;
        vDe2 = kDayCount;
    }
    if (moment(vNe1, vDe1) > moment(vNe2, vDe2)) return 0;
    int sum = 0;
    if (bSe) sum += CountFaktSemm(vNe1, vDe1, vNe2, vDe2, kSetkaPlan, vFio);
    if (bZm) sum += CountFaktSemm(vNe1, vDe1, vNe2, vDe2, kSetkaZamena, vFio);
    if (bDp) sum += CountFaktSemm(vNe1, vDe1, vNe2, vDe2, kSetkaDop, vFio);
    return sum;
}

int TPredmet::CountKorzinaSemm(int vNe1, int vNe2, int vSetka, const TFio* vFio) const {
    if (FGryp == nullptr) return 0;
    int sum = 0;
    for (int ne = std::max(vNe1, 1); ne <= std::min(vNe2, kAccountWeeks); ++ne) {
        const TNed* week = FGryp->GetNed(ne);
        const TYrokKorzina* item = week != nullptr ? week->FindYrokKorzina(vSetka, this) : nullptr;
        const int teachers = CountFio(ne);
        if (item == nullptr || teachers == 0) continue;
        int weekSum = 0;
        for (const auto& fp : GetLFio(ne)) {
            if (vFio != nullptr && fp->Fio() != vFio) continue;
            // The teacher's own share: a substitution item grants each teacher
            // his own number, and the largest of them (the item's
            // CountMaxYrForFioPredmet) would leave lessons in the basket of
            // a teacher granted fewer or none. Lessons placed beyond the share
            // show as a negative figure rather than vanish.
            weekSum += item->CountMaxFioPredmet(fp.get()) - fp->CountYr(vSetka, 0);
        }
        sum += vFio == nullptr && teachers > 1 ? weekSum / teachers : weekSum;
    }
    return sum;
}

int TPredmet::CountKorzinaYrSemm(int vSemm, const TFio* vFio) const {
    return CountKorzinaYrZmDpSemm(vSemm, vFio, true, false, false);
}

int TPredmet::CountKorzinaZmSemm(int vSemm, const TFio* vFio) const {
    return CountKorzinaYrZmDpSemm(vSemm, vFio, false, true, false);
}

int TPredmet::CountKorzinaDpSemm(int vSemm, const TFio* vFio) const {
    return CountKorzinaYrZmDpSemm(vSemm, vFio, false, false, true);
}

int TPredmet::CountKorzinaYrZmDpSemm(int vSemm, const TFio* vFio, bool bSe, bool bZm,
                                     bool bDp) const {
    int n1 = 0;
    int n2 = 0;
    semesterWeeks(*this, vSemm, n1, n2);
    int sum = 0;
    if (bSe) sum += CountKorzinaSemm(n1, n2, kSetkaPlan, vFio);
    if (bZm) sum += CountKorzinaSemm(n1, n2, kSetkaZamena, vFio);
    if (bDp) sum += CountKorzinaSemm(n1, n2, kSetkaDop, vFio);
    return sum;
}

int TPredmet::CountPlanSemm(int vSemm, int vSetka) const {
    if (FGryp == nullptr) return 0;
    int n1 = 0;
    int n2 = 0;
    semesterWeeks(*this, vSemm, n1, n2);
    int sum = 0;
    for (int ne = n1; ne <= n2; ++ne) {
        const TNed* week = FGryp->GetNed(ne);
        if (week == nullptr) continue;
        sum += week->CountPlanForPredmet(vSetka, this);
        if (vSetka == kSetkaPlan) sum += week->CountPlanForPredmet(kSetkaZamena, this);
    }
    return sum;
}

int TPredmet::CountPlanNed(int Setka, int ne, int FioPredmetIndex) const {
    if (!group_detail::validWeek(ne) || FioPredmetIndex < 0 || FioPredmetIndex >= CountFio(ne))
        return 0;
    const TFioPredmet* fp = GetLFio(ne)[static_cast<std::size_t>(FioPredmetIndex)].get();
    int plan = CountPredmetNe(Setka, ne, fp);
    // Placed lessons replaced by a substitution are not the teacher's.
    for (const auto& yr : fp->LYr)
        if (!yr->SetZamenaYes() && yr->Dan.tip == 0 && yr->YrokKorzina() != nullptr &&
            yr->Setka() == Setka && !yr->LZm.empty())
            --plan;
    if (Setka == kSetkaPlan && fp->Fio() != nullptr) plan += CountZamenNed(fp->Fio(), ne);
    return plan;
}

bool TPredmet::CompareSymmFioPredmetSemm(int vSemm, int vSymmSemm) const {
    if (FGryp == nullptr) return true;
    int n1 = 0;
    int n2 = 0;
    semesterWeeks(*this, vSemm, n1, n2);
    // sums[n][i]: teacher position i over the weeks with n teachers.
    std::array<std::array<int, kMaxTeachers>, kMaxTeachers + 1> sums{};
    std::array<bool, kMaxTeachers + 1> occurred{};
    for (int ne = n1; ne <= n2; ++ne) {
        const TNed* week = FGryp->GetNed(ne);
        const int n = std::min(CountFio(ne), kMaxTeachers);
        if (week == nullptr || n == 0) continue;
        occurred[static_cast<std::size_t>(n)] = true;
        const TYrokKorzina* plan = week->FindYrokKorzina(kSetkaPlan, this);
        const TYrokKorzina* zamena = week->FindYrokKorzina(kSetkaZamena, this);
        for (int i = 0; i < n; ++i) {
            const TFioPredmet* fp = GetLFio(ne)[static_cast<std::size_t>(i)].get();
            int lessons = 0;
            if (plan != nullptr) lessons += plan->Dan.ky - fp->CountOtmenYr(kSetkaPlan);
            if (zamena != nullptr) lessons += zamena->CountMaxFioPredmet(fp);
            sums[static_cast<std::size_t>(n)][static_cast<std::size_t>(i)] += lessons;
        }
    }
    int first = 0;
    for (int n = 1; n <= kMaxTeachers; ++n) {
        if (!occurred[static_cast<std::size_t>(n)]) continue;
        const auto& row = sums[static_cast<std::size_t>(n)];
        for (int i = 1; i < n; ++i)
            if (row[static_cast<std::size_t>(i)] != row[0]) return false;
        first += row[0];
    }
    return first == vSymmSemm;
}

bool TPredmet::GetColorGrid(int ne) {
    const auto refresh = [this](int semm) {
        const int plan = semm == 1 ? Dan.Sem1 : Dan.Sem2;
        const bool flag = plan != 0 && !CompareSymmFioPredmetSemm(semm, plan);
        (semm == 1 ? FColorSemm1 : FColorSemm2) = flag;
        return flag;
    };
    if (ne <= 0 || ne > kAccountWeeks) {
        const bool first = refresh(1);
        const bool second = refresh(2);
        return first || second;
    }
    const int second = FGryp != nullptr ? FGryp->NedStartSemm(2) : kAccountWeeks + 1;
    return ne < second ? FColorSemm1 : FColorSemm2;
}

}  // namespace zavlin
