#include "composition/sos_predmet.h"

#include <algorithm>
#include <vector>

#include "model/group.h"
#include "model/teacher.h"
#include "model/timetable.h"
#include "model/year.h"

namespace zavlin {

namespace {

constexpr int kTimetable = 0;  // the layer the search composes
constexpr int kWindow = 4;     // periods of a group's day from its first one

}  // namespace

int CountPodGrypNotRasp(const TYrokKorzina& korzina, int setka, int tip) {
    const TPredmet* predmet = korzina.Predmet();
    const TNed* week = korzina.Ned();
    if (predmet == nullptr || week == nullptr) return 0;
    int count = 0;
    for (const auto& fp : korzina.LFio())
        if (fp->CountYr(setka, tip) < predmet->CountPredmetNe(setka, week->Ne(), fp.get())) ++count;
    return count;
}

int CountCompareFioPredmet(const TYrokKorzina& korzina) {
    std::vector<const TFio*> seen;
    for (const auto& fp : korzina.LFio())
        if (std::find(seen.begin(), seen.end(), fp->Fio()) == seen.end()) seen.push_back(fp->Fio());
    return static_cast<int>(seen.size());
}

TSosRefusal TSosPredmet::WhyNotSosPredmet(int ne, int dey, int y) const {
    for (std::size_t i = 0; i < LSGYF.size(); ++i) {
        const TSGYF& l = *LSGYF[i];
        auto refuse = [&](TSosRefusal::Kind kind) {
            return TSosRefusal{kind, static_cast<int>(i)};
        };
        const TNed* week = l.Gryp->GetNed(ne);
        if (week == nullptr) continue;
        const int a = static_cast<int>(l.YrokKorzina->LFio().size());
        if (a == 0) return refuse(TSosRefusal::NoTeacher);
        const TFio* fio = l.FioPredmet->Fio();
        if (!Year.TestAddFio(kTimetable, NOb, fio != nullptr ? fio->N : 0, ne, dey, y))
            return refuse(TSosRefusal::TeacherBusy);
        const TYrok* cell = week->GetYrok(kTimetable, dey, y);
        if (cell == nullptr || cell->Empty()) continue;
        if (a == 1) return refuse(TSosRefusal::CellTaken);
        const TYr* first = cell->YrDpZm(0);
        if (first->CountFioPredmet() <= 1 || first->Predmet() != l.YrokKorzina->Predmet())
            return refuse(TSosRefusal::CellTaken);
    }
    return {};
}

bool TSosPredmet::PredmetToRasp(int ne, int dey, int y) {
    if (Ok == 1) return true;
    if (Ok == 2) return false;
    if (!TestSosPredmet(ne, dey, y)) {
        Ok = 0;
        return false;
    }
    for (const auto& l : LSGYF) {
        TNed* week = l->Gryp->GetNed(ne);
        if (week == nullptr) continue;
        l->Yr = week->AddYrRas(kTimetable, dey, y, l->YrokKorzina, l->FioPredmet);
    }
    Ok = 1;
    return true;
}

void TSosPredmet::PredmetDeleteRasp(int ne) {
    if (Ok != 1) return;
    for (const auto& l : LSGYF) {
        if (l->Yr != nullptr)
            if (TNed* week = l->Gryp->GetNed(ne)) week->DeletePGrRasp(kTimetable, l->Yr, false);
        l->Yr = nullptr;
    }
    Ok = 0;
}

bool TSosPredmet::TestSosPredmetGryp(int indx) const {
    if (indx < 0 || indx >= CountSGYF()) return false;
    return LSGYF[static_cast<std::size_t>(indx)]->YrokKorzina->LFio().size() < 2;
}

int TSosPredmet::CountPodGrypFio(int ne) {
    if (FCountPodGryp != 0) return FCountPodGryp;
    // Every assignment belongs to one subject of one group, so the year-wide
    // sum over subjects reduces to the assignment's own weekly count.
    int sum = 0;
    for (const auto& l : LSGYF) {
        const TFioPredmet* fp = l->FioPredmet;
        if (fp == nullptr || fp->Predmet() == nullptr) continue;
        const TGryp* gr = fp->Predmet()->Gryp();
        if (gr == nullptr || gr->GetNed(ne) == nullptr) continue;
        const auto& teachers = fp->Predmet()->GetLFio(ne);
        if (std::none_of(teachers.begin(), teachers.end(),
                         [&](const auto& t) { return t.get() == fp; }))
            continue;
        sum += fp->Predmet()->CountPredmetNe(0, ne, fp);
    }
    FCountPodGryp = static_cast<uint16_t>(sum);
    return FCountPodGryp;
}

int TSosPredmet::CountYrokForFio(int ne) {
    if (FCountYrokFio != 0) return FCountYrokFio;
    std::array<std::array<uint8_t, 12>, 7> grid{};
    for (int d = 1; d <= 6; ++d) grid[d].fill(1);
    for (const auto& l : LSGYF) {
        if (l->FioPredmet == nullptr) continue;
        const TFio* fio = l->FioPredmet->Fio();
        const TNed* week = l->Gryp->GetNed(ne);
        const int first = l->Gryp->Dan.TimeDay;
        for (int d = 1; d <= 6; ++d)
            for (int p = 0; p < 12; ++p) {
                if (fio != nullptr && fio->Dan.Op[d][p] == 0) grid[d][p] = 0;
                if (week != nullptr && !week->TestRunDey(d)) grid[d][p] = 0;
                if (p < first || p >= first + kWindow) grid[d][p] = 0;
            }
    }
    int count = 0;
    for (int d = 1; d <= 6; ++d)
        for (int p = 0; p < 12; ++p) count += grid[d][p];
    FCountYrokFio = static_cast<uint16_t>(count);
    return FCountYrokFio;
}

int TSosPredmet::Day() const {
    if (LSGYF.empty() || LSGYF.front()->Yr == nullptr) return 0;
    return LSGYF.front()->Yr->Dan.de;
}

int TSosPredmet::Period() const {
    if (LSGYF.empty() || LSGYF.front()->Yr == nullptr) return 0;
    const TYrok* yrok = LSGYF.front()->Yr->Yrok();
    return yrok != nullptr ? yrok->N : 0;
}

}  // namespace zavlin
