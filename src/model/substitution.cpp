// Substitutions and cancellations: placing them over the lessons they
// replace, removing and moving them, and the lists of a day's changes.
#include "model/substitution.h"

#include <algorithm>

#include "model/group.h"
#include "model/subject_name.h"
#include "model/teacher.h"
#include "model/year.h"

namespace zavlin {

namespace {

TYrokKorzinaZamena* zmItem(TYrokKorzina* item) {
    return item != nullptr && item->Setka() == kSetkaZamena ? static_cast<TYrokKorzinaZamena*>(item)
                                                            : nullptr;
}

// Plan and additional lessons of a period, copied: replacing them changes no
// list, but callers may destroy.
std::vector<TYr*> planLessons(const TYrok* yrok) {
    std::vector<TYr*> out;
    if (yrok == nullptr) return out;
    out.insert(out.end(), yrok->LYr.begin(), yrok->LYr.end());
    out.insert(out.end(), yrok->LDp.begin(), yrok->LDp.end());
    return out;
}

std::string weekLabel(const TNed* week) {
    if (week == nullptr) return "0";
    return week->Spisok != nullptr ? week->Spisok->AllNed.GetNumberWeek(week->Ne())
                                   : std::to_string(week->Ne());
}

// Substitution lessons an assignment holds of one kind-1 item.
int heldOf(const TFioPredmet* fp, const TYrokKorzina* item) {
    int count = 0;
    for (const auto& yr : fp->LYr)
        if (yr->YrokKorzina() == item && yr->Yrok() != nullptr) ++count;
    return count;
}

}  // namespace

// --- TYrok

TZamena* TYrok::AddZamena(TYr* FYr, TYrokKorzina* FYk, TAyd* vAyd, TFio* fi, TFioPredmet* fp) {
    TNed* week = Ned();
    if (week == nullptr || Dey == nullptr) return nullptr;
    // A substitution draws on a kind-1 item; without one it is a cancellation,
    // which belongs to no teacher assignment.
    if (FYk != nullptr && FYk->Setka() != kSetkaZamena) return nullptr;
    if (FYk == nullptr) fp = nullptr;
    TFio* actual = fi != nullptr ? fi : (fp != nullptr ? fp->Fio() : nullptr);
    TZamena* zm = nullptr;
    for (TYr* z : LZm)
        if (z->YrokKorzina() == FYk && z->FioPredmet() == fp && z->Fio() == actual) {
            zm = static_cast<TZamena*>(z);
            break;
        }
    if (zm == nullptr) {
        TYr* made = week->AddYrRas(FTip, Dey->N, N, FYk, fp);
        if (made == nullptr) return nullptr;
        zm = static_cast<TZamena*>(made);
        if (zm->Fio() != actual) zm->SetFio(actual);
    }
    if (vAyd != nullptr) zm->SetAyd(vAyd);
    if (FYr != nullptr && FYr != zm && FYr->Yrok() == this && !FYr->SetZamenaYes())
        TNed::LinkZamena(zm, FYr);
    if (FModifiRaspEvent) FModifiRaspEvent(this);
    return zm;
}

void TYrok::AddZamena(TYrokKorzina* FYk, TFioPredmet* fp, TFio* fi) {
    if (FYk == nullptr) {
        AddOtmena();
        return;
    }
    std::vector<TFioPredmet*> teachers;
    for (const auto& t : FYk->LFio())
        if (fp == nullptr || t.get() == fp) teachers.push_back(t.get());
    for (TFioPredmet* t : teachers) {
        if (FYk->CountPlanYrForFio(t) <= 0) continue;
        if (TZamena* zm = AddZamena(nullptr, FYk, nullptr, fi != nullptr ? fi : t->Fio(), t))
            AddZamena(zm);
    }
}

void TYrok::AddZamena(TYr* FYr, TZamena* FZm) {
    if (FZm == nullptr) return;
    if (FZm->Yrok() != this) {
        if (TYrok* old = FZm->Yrok()) old->Dey->CutZamena(FZm);
        FZm->DeleteAyd();
        AddYr(FZm);
    }
    if (FYr != nullptr && FYr->Yrok() == this && !FYr->SetZamenaYes()) TNed::LinkZamena(FZm, FYr);
}

void TYrok::AddZamena(TZamena* FZm) {
    AddZamena(nullptr, FZm);
    for (TYr* yr : planLessons(this)) TNed::LinkZamena(FZm, yr);
}

void TYrok::AddZamenaLYr(const std::vector<TYr*>& vLYr, TYrokKorzina* FYk, TAyd* vAyd) {
    if (FYk == nullptr) return;
    TNed* week = Ned();
    TPredmet* pr = FYk->Predmet();
    std::vector<TFioPredmet*> teachers;
    for (const auto& t : FYk->LFio()) teachers.push_back(t.get());
    for (TFioPredmet* t : teachers) {
        TYrokKorzina* item = FYk;
        if (FYk->Setka() != kSetkaZamena) {
            // Plan load grants nothing to substitute with: the teacher gets
            // a lesson of the subject's substitution load.
            if (pr == nullptr || week == nullptr) continue;
            item = pr->AddPredmetNe(kSetkaZamena, week->Ne(), t);
        } else if (FYk->CountPlanYrForFio(t) <= 0) {
            continue;
        }
        TZamena* zm = AddZamena(nullptr, item, vAyd, t->Fio(), t);
        if (zm == nullptr) continue;
        for (TYr* yr : vLYr)
            if (yr != nullptr && yr->Yrok() == this && !yr->SetZamenaYes())
                TNed::LinkZamena(zm, yr);
    }
}

TZamena* TYrok::AddZamenaForYr(TYr* FYr) {
    TNed* week = Ned();
    if (FYr == nullptr || week == nullptr) return nullptr;
    TPredmet* pr = FYr->Predmet();
    TFioPredmet* fp = FYr->FioPredmet();
    if (pr == nullptr || fp == nullptr || fp->Ne() != week->Ne()) return nullptr;
    TYrokKorzina* item = week->FindYrokKorzina(kSetkaZamena, pr);
    if (item == nullptr || item->CountPlanYrForFio(fp) <= 0)
        item = pr->AddPredmetNe(kSetkaZamena, week->Ne(), fp);
    return AddZamena(FYr, item, nullptr, fp->Fio(), fp);
}

void TYrok::AddZamenaForYrok(const TYrok* FYrk) {
    if (FYrk == nullptr) {
        AddOtmena();
        return;
    }
    TNed* week = Ned();
    if (week == nullptr) return;
    std::vector<TPredmet*> granted;
    for (TYr* yr : planLessons(FYrk)) {
        TPredmet* pr = yr->Predmet();
        TFioPredmet* fp = yr->FioPredmet();
        if (pr == nullptr || fp == nullptr || fp->Ne() != week->Ne()) continue;
        if (std::find(granted.begin(), granted.end(), pr) == granted.end()) {
            pr->AddPredmetNe(kSetkaZamena, week->Ne());
            granted.push_back(pr);
        }
        AddZamena(week->FindYrokKorzina(kSetkaZamena, pr), fp, fp->Fio());
    }
}

void TYrok::AddZamenaForYrokKorzina(TYrokKorzina* FYk) {
    AddZamena(FYk, nullptr, nullptr);
}

TZamena* TYrok::AddOtmena(TYr* FYr) {
    return AddZamena(FYr, nullptr, nullptr, nullptr, nullptr);
}

TZamena* TYrok::AddOtmena() {
    TZamena* zm = AddZamena(nullptr, nullptr, nullptr, nullptr, nullptr);
    if (zm != nullptr)
        for (TYr* yr : planLessons(this)) TNed::LinkZamena(zm, yr);
    return zm;
}

void TYrok::ClearZamen() {
    // Deleting the last substitution may free this very period object.
    TDey* day = Dey;
    const int tip = FTip;
    const int y = N;
    while (TYrok* yrok = day->GetYrok(tip, y)) {
        if (yrok->LZm.empty()) break;
        day->DelZamena(yrok->LZm.back());
    }
}

bool TYrok::TestDeleteZamena(bool userDlg) const {
    return std::all_of(LZm.begin(), LZm.end(),
                       [&](const TYr* zm) { return zm->TestDeleteZamena(userDlg); });
}

// --- TYr

bool TYr::TestDeleteZamena(bool userDlg) const {
    if (!SetZamenaYes())
        return std::all_of(LZm.begin(), LZm.end(),
                           [&](const TYr* zm) { return zm->TestDeleteZamena(userDlg); });
    const auto* god = dynamic_cast<const TAllRasp*>(Spisok);
    if (god == nullptr) return true;
    for (const TYr* replaced : LZm) {
        const TFio* fio = replaced->Fio();
        const TPredmet* pr = replaced->Predmet();
        if (fio == nullptr || pr == nullptr) continue;
        const int ne = replaced->Ne();
        const int d = replaced->De();
        const int y = replaced->Y();
        std::vector<TGrypYr> busy;
        god->GetNFioOfGryp(0, fio->N, ne, d, y, busy);
        std::vector<int> allowed;
        allowed.push_back(god->GetGrypIndex(pr->Gryp()));
        if (const int nob = replaced->NObed()) god->GetObedOfGryp(0, nob, ne, d, y, allowed);
        for (const TGrypYr& other : busy) {
            if (std::find(allowed.begin(), allowed.end(), other.indxGryp) != allowed.end())
                continue;
            if (userDlg && Spisok != nullptr)
                Spisok->ShowUser(
                    "Невозможно удалить установленную замену,\r\nзамененный преподаватель " +
                    fio->Name() + " занят в другой группе " +
                    god->LGryp[static_cast<std::size_t>(other.indxGryp)]->Name());
            return false;
        }
    }
    return true;
}

// --- TDey

void TDey::DelZamena(TYr* yr) {
    if (yr == nullptr) return;
    if (!yr->SetZamenaYes()) {
        const std::vector<TYr*> subs = yr->LZm;
        for (TYr* zm : subs) DelZamena(zm);
        return;
    }
    TYrokKorzinaZamena* item = zmItem(yr->YrokKorzina());
    Ned->DestroyYr(yr);
    if (item == nullptr) return;
    // The grant follows the lessons: once every teacher of the item holds as
    // many substitutions as the others, one lesson of the grant goes.
    bool same = true;
    int first = -1;
    for (const auto& zk : item->LZmKorzina) {
        if (zk->FFioPredmet == nullptr) continue;
        const int held = heldOf(zk->FFioPredmet, item);
        if (first < 0) first = held;
        same = same && held == first;
    }
    if (same) item->DecZmKorzina(nullptr);
    if (item->Dan.ky == 0) Ned->FreeYrokKorzina(item);
}

void TDey::DelAllZamena(int y) {
    if (TYrok* yrok = GetYrok(0, y)) yrok->ClearZamen();
}

void TDey::CutZamena(TZamena* zm) {
    if (zm == nullptr) return;
    while (!zm->LZm.empty()) TNed::UnlinkZamena(zm, zm->LZm.back());
    if (TYrok* yrok = zm->Yrok()) {
        const int tip = yrok->FTip;
        const int y = yrok->N;
        TDey* day = yrok->Dey;
        yrok->RemoveYr(zm);
        if (day != nullptr) day->FreeIfEmpty(tip, y);
    }
    if (FModifiRaspEvent) FModifiRaspEvent(this);
}

// --- TNed

bool TNed::MoveZamenaRasp(TZamena* zm, int d2, int y2) {
    TDey* day = Dey(d2);
    if (zm == nullptr || day == nullptr || y2 < 0 || y2 >= kPeriodCount) return false;
    const int tip = zm->Yrok() != nullptr ? zm->Yrok()->FTip : 0;
    if (TYrok* old = zm->Yrok()) old->Dey->CutZamena(zm);
    day->CreateYrok(tip, y2)->AddZamena(zm);
    ModifiRasp();
    return true;
}

bool TNed::MoveZamenaRasp(TZamena* zm, TYr* yr) {
    TYrok* target = yr != nullptr ? yr->Yrok() : nullptr;
    TNed* week = target != nullptr ? target->Ned() : nullptr;
    if (zm == nullptr || week == nullptr || week->FGryp != FGryp) return false;
    if (week == this) {
        if (TYrok* old = zm->Yrok()) old->Dey->CutZamena(zm);
        target->AddZamena(yr, zm);
        ModifiRasp();
        return true;
    }
    TFioPredmet* fp = zm->FioPredmet();
    TPredmet* pr = zm->Predmet();
    if (fp == nullptr || pr == nullptr) {
        // A cancellation moves as it is: nothing is granted for it.
        TZamena* made = target->AddOtmena(yr);
        if (made == nullptr) return false;
        DestroyYr(zm);
        return true;
    }
    const int n1 = pr->CountFio(Ne());
    const int n2 = pr->CountFio(week->Ne());
    if (n1 != n2) {
        if (Spisok != nullptr)
            Spisok->ShowUser("Ошибка. На неделе N" + weekLabel(week) +
                             "(вы туда переносите) количество преподавателей по предмету " +
                             pr->Name() + " не равно количеству на неделе N" + weekLabel(this) +
                             "\n Установите одинаковое количество преподавателей");
        return false;
    }
    const int pos = fp->GetIndex();
    TFioPredmet* fp2 = pos >= 0 && pos < n2
                           ? pr->GetLFio(week->Ne())[static_cast<std::size_t>(pos)].get()
                           : nullptr;
    if (fp2 == nullptr || fp2->Fio() != fp->Fio()) {
        if (Spisok != nullptr)
            Spisok->ShowUser("Ошибка. На неделе N" + weekLabel(week) +
                             "(вы туда переносите) у переносимой группы преподаватель " +
                             (fp2 != nullptr ? fp2->Name() : std::string()) + ", а неделе N" +
                             weekLabel(this) + " " + fp->Name() +
                             "\nУстановите одинаковый порядок преподавателей");
        return false;
    }
    TYrokKorzina* item2 = pr->AddPredmetNe(kSetkaZamena, week->Ne(), fp2);
    if (item2 == nullptr) return false;
    TFio* actual = zm->Fio();
    TYrokKorzinaZamena* old = zmItem(zm->YrokKorzina());
    DestroyYr(zm);
    target->AddZamena(yr, item2, nullptr, actual, fp2);
    if (old != nullptr) {
        old->DecZmKorzina(fp);
        if (old->Dan.ky == 0) FreeYrokKorzina(old);
    }
    return true;
}

// --- TPredmet

bool TPredmet::MoveZamenaToYrok(TZamena* vZm, int vNe, int vDe, int vYrok) {
    if (vZm == nullptr || FGryp == nullptr || !vZm->TestDeleteZamena(true)) return false;
    TNed* week = FGryp->GetNed(vNe);
    TYrok* from = vZm->Yrok();
    TNed* source = from != nullptr ? from->Ned() : nullptr;
    if (week == nullptr || source == nullptr) return false;
    if (week == source) return week->MoveZamenaRasp(vZm, vDe, vYrok);
    // Onto another week: over the first lesson held there, or into an empty
    // period through a lesson placed for the purpose.
    TYrok* target = week->GetYrok(0, vDe, vYrok);
    if (target != nullptr && target->CountYrDp() > 0)
        return source->MoveZamenaRasp(vZm, target->YrDpZm(0));
    TDey* day = week->Dey(vDe);
    if (day == nullptr || vYrok < 0 || vYrok >= kPeriodCount) return false;
    TFioPredmet* fp = vZm->FioPredmet();
    const int pos = fp != nullptr ? fp->GetIndex() : -1;
    if (fp == nullptr || pos < 0 || pos >= CountFio(vNe) ||
        GetLFio(vNe)[static_cast<std::size_t>(pos)]->Fio() != fp->Fio()) {
        if (Spisok != nullptr)
            Spisok->ShowUser("Ошибка. На неделе N" + weekLabel(week) +
                             "(вы туда переносите) количество преподавателей по предмету " +
                             Name() + " не равно количеству на неделе N" + weekLabel(source) +
                             "\n Установите одинаковое количество преподавателей");
        return false;
    }
    TFioPredmet* fp2 = GetLFio(vNe)[static_cast<std::size_t>(pos)].get();
    TYrokKorzina* item2 = AddPredmetNe(kSetkaZamena, vNe, fp2);
    if (item2 == nullptr) return false;
    TFio* actual = vZm->Fio();
    TYrokKorzinaZamena* old = zmItem(vZm->YrokKorzina());
    source->DestroyYr(vZm);
    day->CreateYrok(0, vYrok)->AddZamena(nullptr, item2, nullptr, actual, fp2);
    if (old != nullptr) {
        old->DecZmKorzina(fp);
        if (old->Dan.ky == 0) source->FreeYrokKorzina(old);
    }
    return true;
}

int TPredmet::CountMaxZmKorzina(int ne) const {
    const TNed* week = FGryp != nullptr ? FGryp->GetNed(ne) : nullptr;
    const TYrokKorzina* item =
        week != nullptr ? week->FindYrokKorzina(kSetkaZamena, this) : nullptr;
    return item != nullptr ? item->Dan.ky : 0;
}

namespace {

const TYrokKorzinaZamena* weekZmItem(const TPredmet& pr, int ne) {
    const TNed* week = pr.Gryp() != nullptr ? pr.Gryp()->GetNed(ne) : nullptr;
    return week != nullptr
               ? static_cast<const TYrokKorzinaZamena*>(week->FindYrokKorzina(kSetkaZamena, &pr))
               : nullptr;
}

}  // namespace

int TPredmet::CountZmKorzina(int ne) const {
    const TYrokKorzinaZamena* item = weekZmItem(*this, ne);
    return item != nullptr ? item->CountZmKorzina() : 0;
}

int TPredmet::CountFullZmPredmetNe(int ne) const {
    const TYrokKorzinaZamena* item = weekZmItem(*this, ne);
    return item != nullptr ? item->CountAllYr() : 0;
}

int TPredmet::CountZmKorzinaForFirstFioPredmet(int ne) const {
    const TYrokKorzinaZamena* item = weekZmItem(*this, ne);
    if (item == nullptr || CountFio(ne) == 0) return 0;
    return item->CountMaxFioPredmet(GetLFio(ne).front().get());
}

std::string TPredmet::CountZmKorzinaToStr(int ne) const {
    const TYrokKorzinaZamena* item = weekZmItem(*this, ne);
    std::string out;
    if (item == nullptr || ne < 1 || ne > kWeeks) return out;
    for (const auto& fp : GetLFio(ne)) {
        if (!out.empty()) out += "/";
        out += std::to_string(item->CountMaxFioPredmet(fp.get()));
    }
    return out;
}

int TPredmet::CountMaxOtmenPredmet(int setka, int ne) const {
    int most = 0;
    if (ne < 1 || ne > kWeeks) return 0;
    for (const auto& fp : GetLFio(ne)) most = std::max(most, fp->CountOtmenYr(setka));
    return most;
}

int TPredmet::CountOtmenYr(int setka, int ne) const {
    int sum = 0;
    if (ne < 1 || ne > kWeeks) return 0;
    for (const auto& fp : GetLFio(ne)) sum += fp->CountOtmenYr(setka);
    return sum;
}

std::string TPredmet::CountOtmenYrToStr(int ne) const {
    std::string out;
    if (ne < 1 || ne > kWeeks) return out;
    for (const auto& fp : GetLFio(ne)) {
        if (!out.empty()) out += "/";
        out += std::to_string(fp->CountOtmenYr(kSetkaPlan));
    }
    return out;
}

int TPredmet::CountZamenNed(const TFio* fi, int ne) const {
    int count = 0;
    if (ne < 1 || ne > kWeeks) return 0;
    // A substitute teacher's lesson stays with the replaced lesson's
    // assignment, so the lesson's own teacher decides.
    for (const auto& fp : GetLFio(ne))
        for (const auto& yr : fp->LYr)
            if (yr->SetZamenaYes() && yr->Dan.tip == 0 && yr->Yrok() != nullptr &&
                yr->YrokKorzina() != nullptr && yr->Setka() == kSetkaZamena &&
                yr->Fio() != nullptr && (fi == nullptr || yr->Fio() == fi))
                ++count;
    return count;
}

// --- display rows

std::string TSZamena::GetAtribyt(const TYr* yr) {
    if (yr == nullptr || yr->Dan.NAt == 0 || yr->Spisok == nullptr) return "";
    return yr->Spisok->Atribyt.AtrName(yr->Dan.NAt);
}

std::string TSZamena::YrNameAtr1() const {
    const std::string atr = GetAtribyt(Yr1);
    return atr.empty() ? YrName1 : YrName1 + " (" + atr + ")";
}

std::string TSZamena::YrNameAtr2() const {
    const std::string atr = GetAtribyt(Yr2);
    return atr.empty() ? YrName2 : YrName2 + " (" + atr + ")";
}

namespace {

TSZamena row(int y, const TYr* planned, const TYr* held, bool shortPr, bool shortFi) {
    TSZamena r;
    r.NYr = static_cast<uint8_t>(y);
    r.Yr1 = const_cast<TYr*>(planned);
    r.Yr2 = const_cast<TYr*>(held);
    if (planned != nullptr) {
        r.YrName1 = planned->NamePredmet(!shortPr);
        r.FioName1 = planned->NameFio(!shortFi, false);
    } else {
        r.YrName1 = "Назначен";
        r.FioName1 = "дополнительно";
    }
    if (held != nullptr && held->YrokKorzina() != nullptr) {
        r.YrName2 = held->NamePredmet(!shortPr);
        r.FioName2 = held->NameFio(!shortFi, false);
        r.FAyd = held->Ayd();
    } else {
        r.YrName2 = "Предмет";
        r.FioName2 = "отменен";
        r.FAyd = held != nullptr ? held->Ayd() : nullptr;
    }
    return r;
}

}  // namespace

void TSZamenaGryp::Create(TGryp* gr, int ne, int de, bool vShortPr, bool vShortFi) {
    Li.clear();
    FGryp = gr;
    FNe = ne;
    FDey = de;
    const TNed* week = gr != nullptr ? gr->GetNed(ne) : nullptr;
    if (week == nullptr) return;
    for (int y = 0; y < kPeriodCount; ++y) {
        const TYrok* yrok = week->GetYrok(0, de, y);
        if (yrok == nullptr) continue;
        for (const TYr* zm : yrok->LZm) {
            if (zm->LZm.size() == 1) {
                // Only the room changed: not a change of the timetable.
                const TYr* only = zm->LZm.front();
                if (zm->YrokKorzina() != nullptr && only->YrName() == zm->YrName() &&
                    only->Fio() == zm->Fio())
                    continue;
            }
            if (zm->LZm.empty()) {
                Li.push_back(row(y, nullptr, zm, vShortPr, vShortFi));
                Li.back().b = 1;
                continue;
            }
            for (const TYr* replaced : zm->LZm) {
                Li.push_back(row(y, replaced, zm, vShortPr, vShortFi));
                Li.back().b = 1;
            }
        }
    }
}

void TOZamenaGryp::Create(TGryp* gr, int ne, int de, bool vShortPr, bool vShortFi) {
    Li.clear();
    FGryp = gr;
    FNe = ne;
    FDey = de;
    FShortPr = vShortPr;
    FShortFi = vShortFi;
    const TNed* week = gr != nullptr ? gr->GetNed(ne) : nullptr;
    if (week == nullptr || week->Dan.NeSinx == 0) return;
    const TNed* base = gr->GetNed(week->Dan.NeSinx);
    if (base == nullptr) return;
    auto held = [](const TYrok* yrok) {
        std::vector<const TYr*> out;
        if (yrok == nullptr) return out;
        for (int i = 0; i < yrok->CountYrDpZm(); ++i)
            if (yrok->YrDpZm(i)->Held()) out.push_back(yrok->YrDpZm(i));
        return out;
    };
    auto same = [](const TYr* a, const TYr* b) {
        return a->YrName() == b->YrName() && a->Fio() == b->Fio();
    };
    for (int y = 0; y < kPeriodCount; ++y) {
        const std::vector<const TYr*> was = held(base->GetYrok(0, de, y));
        const std::vector<const TYr*> now = held(week->GetYrok(0, de, y));
        std::vector<TSZamena> rows;
        auto add = [&](TSZamena r) {
            r.b = 2;
            if (std::find(rows.begin(), rows.end(), r) == rows.end()) rows.push_back(r);
        };
        for (const TYr* w : was)
            if (std::none_of(now.begin(), now.end(), [&](const TYr* n) { return same(w, n); }))
                add(row(y, w, nullptr, vShortPr, vShortFi));
        for (const TYr* n : now) {
            if (std::any_of(was.begin(), was.end(), [&](const TYr* w) { return same(w, n); }))
                continue;
            if (n->Predmet() == nullptr) {
                TSZamena r = row(y, nullptr, nullptr, vShortPr, vShortFi);
                r.YrName1.clear();
                r.FioName1.clear();
                r.FioName2 = "отменён";
                r.Yr2 = const_cast<TYr*>(n);
                add(r);
            } else {
                add(row(y, nullptr, n, vShortPr, vShortFi));
            }
        }
        Li.insert(Li.end(), rows.begin(), rows.end());
    }
}

}  // namespace zavlin
