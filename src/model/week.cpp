// A group's week (TNed): its days, load items and cancellations.
#include <algorithm>
#include <cmath>

#include "base/neighbour_sort.h"
#include "model/group.h"
#include "model/subject_name.h"
#include "model/teacher.h"
#include "model/timetable.h"
#include "model/timetable_internal.h"

namespace zavlin {

using namespace timetable_detail;

// --- TNed

TNed::TNed(TGryp* gryp, int ne) : TDan(gryp), FGryp(gryp) {
    Dan.N = static_cast<uint8_t>(ne);
    Dan.Yd = gryp != nullptr ? gryp->DefaultYd() : 1;
    for (int d = 1; d <= kDayCount; ++d)
        mDey[static_cast<std::size_t>(d)] = std::make_unique<TDey>(this, d);
}

TNed::~TNed() {
    // Items go first: their per-teacher entries point at assignments that
    // outlive the week.
    LZYrok.clear();
    LNYrok.clear();
    LDYrok.clear();
}

std::string TNed::Name() const {
    const TDNed* week = Spisok != nullptr ? Spisok->AllNed.DNed(Dan.N) : nullptr;
    return week != nullptr ? week->GetStrDateNed() : "Неделя " + std::to_string(Dan.N);
}

void TNed::SetYhDey(uint8_t yd) {
    Dan.Yd = yd;
    ModifiRasp();
}

std::vector<std::unique_ptr<TYrokKorzina>>& TNed::LKorzina(int setka) {
    return setka == kSetkaPlan ? LNYrok : setka == kSetkaZamena ? LZYrok : LDYrok;
}

const std::vector<std::unique_ptr<TYrokKorzina>>& TNed::LKorzina(int setka) const {
    return setka == kSetkaPlan ? LNYrok : setka == kSetkaZamena ? LZYrok : LDYrok;
}

TYrokKorzina* TNed::FindYrokKorzina(int setka, const TPredmet* predmet) const {
    for (const auto& item : LKorzina(setka))
        if (item->Predmet() == predmet) return item.get();
    return nullptr;
}

TYrokKorzina* TNed::FindYrokKorzinaNN(int nn) const {
    for (int setka = 0; setka < 3; ++setka)
        for (const auto& item : LKorzina(setka))
            if (item->Dan.NN == nn) return item.get();
    return nullptr;
}

int TNed::CountRunDey() const {
    if (Dan.Yd < 2) return 0;
    int count = 0;
    for (int d = 1; d <= kDayCount; ++d)
        if (TestRunDey(d)) ++count;
    return count;
}

bool TNed::TestRunDey(int d) const {
    return validDay(d) && (Dan.Yd & (1u << d)) != 0;
}

void TNed::SortLNYrok() {
    neighbourSort(LNYrok.begin(), LNYrok.end(), [](const auto& a, const auto& b) {
        const int pa = a->Predmet() != nullptr ? a->Predmet()->GetIndex() : -1;
        const int pb = b->Predmet() != nullptr ? b->Predmet()->GetIndex() : -1;
        return pa < pb;
    });
}

TYrokKorzina* TNed::AddYrokKorzina(TYrokKorzina* yrok, TFioPredmet* vFioPredmet) {
    if (yrok == nullptr) return nullptr;
    auto& list = LKorzina(yrok->Setka());
    const bool listed =
        std::any_of(list.begin(), list.end(), [&](const auto& item) { return item.get() == yrok; });
    if (!listed) {
        std::unique_ptr<TYrokKorzina> owned(yrok);
        if (yrok->Dan.NN == 0) {
            int nn = 1;
            while (nn <= 255 && FindYrokKorzinaNN(nn) != nullptr) ++nn;
            if (nn > 255) return nullptr;  // as many items as a byte can number
            yrok->Dan.NN = static_cast<uint8_t>(nn);
        }
        list.push_back(std::move(owned));
    }
    if (yrok->Setka() == kSetkaZamena) {
        auto* zamena = static_cast<TYrokKorzinaZamena*>(yrok);
        if (vFioPredmet != nullptr)
            zamena->AddZmKorzina(vFioPredmet);
        else
            zamena->AddZmKorzinaAllFio();
    } else if (yrok->Dan.ky < 255) {
        ++yrok->Dan.ky;
    }
    ModifiRasp();
    return yrok;
}

void TNed::deleteTeacherLessons(TYrokKorzina* item, TFioPredmet* fp, int keep) {
    for (int tip = 0; tip <= 1; ++tip) {
        // The teacher's first lessons of the item go, down to keep.
        std::vector<TYr*> own;
        for (const auto& yr : fp->LYr)
            if (yr->YrokKorzina() == item && yr->Dan.tip == tip) own.push_back(yr.get());
        const int surplus = static_cast<int>(own.size()) - std::max(keep, 0);
        for (int i = 0; i < surplus; ++i) DestroyYr(own[static_cast<std::size_t>(i)]);
    }
}

bool TNed::DelYrokKorzina(int setka, int AutoN, bool UserDialog, TFioPredmet* vFioPredmet) {
    TYrokKorzina* item = nullptr;
    for (const auto& candidate : LKorzina(setka))
        if (candidate->Dan.N == AutoN) item = candidate.get();
    if (item == nullptr) return true;

    std::vector<TFioPredmet*> teachers;
    for (const auto& fp : item->LFio())
        if (vFioPredmet == nullptr || fp.get() == vFioPredmet) teachers.push_back(fp.get());

    if (UserDialog) {
        // Ask once, about the first teacher that would lose a placed lesson.
        for (TFioPredmet* fp : teachers) {
            const int keep = item->CountMaxFioPredmet(fp) - 1;
            const TYr* first = nullptr;
            int placed = 0;
            for (const auto& yr : fp->LYr)
                if (yr->YrokKorzina() == item && yr->Dan.tip == 0) {
                    if (first == nullptr) first = yr.get();
                    ++placed;
                }
            if (placed <= keep) continue;
            std::string text = "Удалять пару из расписания?";
            if (first != nullptr)
                text = std::string(shortDayName(first->De())) + " пара " +
                       std::to_string(first->Y()) + "  " + text;
            if (Spisok == nullptr || !Spisok->AskUser(text)) return false;
            break;
        }
    }

    for (TFioPredmet* fp : teachers)
        deleteTeacherLessons(item, fp, item->CountMaxFioPredmet(fp) - 1);

    if (setka == kSetkaZamena)
        static_cast<TYrokKorzinaZamena*>(item)->DecZmKorzina(vFioPredmet);
    else if (item->Dan.ky > 0)
        --item->Dan.ky;
    if (item->Dan.ky == 0) FreeYrokKorzina(item);
    ModifiRasp();
    return true;
}

void TNed::FreeYrokKorzina(TYrokKorzina* item) {
    for (const auto& fp : item->LFio()) {
        std::vector<TYr*> own;
        for (const auto& yr : fp->LYr)
            if (yr->YrokKorzina() == item) own.push_back(yr.get());
        for (TYr* yr : own) DestroyYr(yr);
    }
    auto& list = LKorzina(item->Setka());
    for (auto it = list.begin(); it != list.end(); ++it)
        if (it->get() == item) {
            list.erase(it);
            break;
        }
    ModifiRasp();
}

void TNed::DelAllYrokKorzina(bool) {
    for (int setka : {kSetkaZamena, kSetkaDop, kSetkaPlan})
        while (!LKorzina(setka).empty()) FreeYrokKorzina(LKorzina(setka).back().get());
}

int TNed::CountYrokKorzina(int setka) const {
    int sum = 0;
    for (int kind = 0; kind < 3; ++kind) {
        if (setka != 2 && kind != setka) continue;
        for (const auto& item : LKorzina(kind)) sum += item->Dan.ky;
    }
    return sum;
}

int TNed::CountLYrokKorzina(int setka) const {
    return static_cast<int>(LKorzina(setka).size());
}

int TNed::CountYrokNumerKorzina(int setka, int AutoN, const TFioPredmet* fi) const {
    for (const auto& item : LKorzina(setka))
        if (item->Dan.N == AutoN) return item->CountMaxFioPredmet(fi);
    return 0;
}

void TNed::SetNedSinx(uint8_t ne) {
    const uint64_t before = Spisok != nullptr ? Spisok->RaspGeneration : 0;
    Dan.NeSinx = ne;
    ModifiRasp();
    // Copying a week marks every group it reaches; no lesson moves by that.
    if (Spisok != nullptr) Spisok->NoteNoLessonMoved(before);
}

TYr* TNed::AddYrRas(int tip, int de, int y, TYrokKorzina* YKorzina, TFioPredmet* fFiPredmet) {
    TDey* dey = Dey(de);
    if (dey == nullptr || !validTip(tip) || !validPeriod(y)) return nullptr;
    const uint64_t before = Spisok != nullptr ? Spisok->RaspGeneration : 0;
    TYrok* yrok = dey->CreateYrok(tip, y);
    std::unique_ptr<TYr> made;
    if (YKorzina == nullptr || YKorzina->Setka() == kSetkaZamena)
        made = std::make_unique<TZamena>(yrok);
    else
        made = std::make_unique<TYr>(yrok);
    made->Dan.NN = YKorzina != nullptr ? YKorzina->Dan.NN : 0;
    made->Dan.tip = static_cast<uint8_t>(tip);
    made->Dan.de = static_cast<uint8_t>(de);
    made->SetYrokKorzina(YKorzina);
    made->SetFioPredmet(fFiPredmet);
    TYr* yr = fFiPredmet != nullptr
                  ? fFiPredmet->AdoptYr(std::move(made))
                  : AdoptOtmena(std::unique_ptr<TZamena>(static_cast<TZamena*>(made.release())));
    yrok->AddYr(yr);
    ModifiRasp();
    if (Spisok != nullptr && yr->Held())
        Spisok->NoteYr(FGryp, yr->Fio() != nullptr ? yr->Fio()->N : 0, yr->NObed(), tip, Ne(), de,
                       y, true, before);
    return yr;
}

TZamena* TNed::AdoptOtmena(std::unique_ptr<TZamena> zm) {
    TZamena* raw = zm.get();
    LOtmena.push_back(std::move(zm));
    return raw;
}

void TNed::AddYrokRas(int tip, int de, int y, TYrokKorzina* YKorzina) {
    if (YKorzina == nullptr) return;
    std::vector<TFioPredmet*> teachers;
    for (const auto& fp : YKorzina->LFio()) teachers.push_back(fp.get());
    for (TFioPredmet* fp : teachers)
        if (fp->CountYr(YKorzina->Setka(), tip) < YKorzina->CountMaxFioPredmet(fp))
            AddYrRas(tip, de, y, YKorzina, fp);
}

void TNed::MoveYrRasp(int tip, int d1, int y1, int d2, int y2, TYr* yr) {
    TDey* from = Dey(d1);
    TDey* to = Dey(d2);
    if (from == nullptr || to == nullptr || yr == nullptr || !validPeriod(y2)) return;
    TYrok* source = from->GetYrok(tip, y1);
    const uint64_t before = Spisok != nullptr ? Spisok->RaspGeneration : 0;
    if (source == nullptr || !source->RemoveYr(yr)) return;
    from->FreeIfEmpty(tip, y1);
    yr->DeleteAyd();
    to->CreateYrok(tip, y2)->AddYr(yr);
    ModifiRasp();
    // A lesson without substitutions moves in the clash index too.
    if (Spisok != nullptr && yr->LZm.empty() && yr->Held()) {
        const int nFio = yr->Fio() != nullptr ? yr->Fio()->N : 0;
        Spisok->NoteYr(FGryp, nFio, yr->NObed(), tip, Ne(), d1, y1, false, before);
        Spisok->NoteYr(FGryp, nFio, yr->NObed(), tip, Ne(), d2, y2, true, Spisok->RaspGeneration);
    }
}

TYrok* TNed::MoveYrokRasp(int tip, int d1, int y1, int d2, int y2) {
    TYrok* source = GetYrok(tip, d1, y1);
    if (source == nullptr) return GetYrok(tip, d2, y2);
    std::vector<TYr*> all;
    for (int i = 0; i < source->CountYrDpZm(); ++i) all.push_back(source->YrDpZm(i));
    for (TYr* yr : all) MoveYrRasp(tip, d1, y1, d2, y2, yr);
    return GetYrok(tip, d2, y2);
}

void TNed::LinkZamena(TYr* zamena, TYr* yr) {
    if (std::find(zamena->LZm.begin(), zamena->LZm.end(), yr) == zamena->LZm.end())
        zamena->LZm.push_back(yr);
    if (std::find(yr->LZm.begin(), yr->LZm.end(), zamena) == yr->LZm.end())
        yr->LZm.push_back(zamena);
    yr->Dan.Zm = kZmReplaced;
    yr->DeleteAyd();
}

void TNed::UnlinkZamena(TYr* zamena, TYr* yr) {
    eraseOne(zamena->LZm, yr);
    eraseOne(yr->LZm, zamena);
    if (yr->LZm.empty() && !yr->SetZamenaYes()) yr->Dan.Zm = kZmNone;
}

void TNed::DestroyYr(TYr* yr) {
    if (yr == nullptr) return;
    // A lesson without substitutions leaves the clash index in place; any
    // other removal changes more than one lesson and lets it be rebuilt.
    const uint64_t before = Spisok != nullptr ? Spisok->RaspGeneration : 0;
    const bool plain = yr->LZm.empty() && yr->Yrok() != nullptr;
    const int noteTip = yr->Dan.tip;
    const int noteDe = plain && yr->Yrok()->Dey != nullptr ? yr->Yrok()->Dey->N : 0;
    const int noteY = plain ? yr->Yrok()->N : 0;
    const int noteFio = plain && yr->Held() && yr->Fio() != nullptr ? yr->Fio()->N : 0;
    const int noteOb = plain && yr->Held() ? yr->NObed() : 0;
    while (!yr->LZm.empty()) {
        TYr* other = yr->LZm.back();
        if (yr->SetZamenaYes())
            UnlinkZamena(yr, other);
        else
            UnlinkZamena(other, yr);
    }
    if (TYrok* yrok = yr->Yrok()) {
        const int tip = yr->Dan.tip;
        const int y = yrok->N;
        yrok->RemoveYr(yr);
        if (yrok->Dey != nullptr) yrok->Dey->FreeIfEmpty(tip, y);
    }
    if (TFioPredmet* fp = yr->FioPredmet()) {
        fp->ReleaseYr(yr);
    } else {
        for (auto it = LOtmena.begin(); it != LOtmena.end(); ++it)
            if (it->get() == yr) {
                LOtmena.erase(it);
                break;
            }
    }
    ModifiRasp();
    if (plain && Spisok != nullptr)
        Spisok->NoteYr(FGryp, noteFio, noteOb, noteTip, Ne(), noteDe, noteY, false, before);
}

void TNed::DeletePGrRasp(int, TYr* yr, bool) {
    DestroyYr(yr);
}

void TNed::DelYrokRasp(int tip, int de, int y, bool) {
    if (TDey* dey = Dey(de)) dey->DelYrok(tip, y);
}

void TNed::DelAllYrokRasp(int tip, bool UserDialog) {
    for (int de = 1; de <= kDayCount; ++de)
        for (int y = 0; y < kPeriodCount; ++y) DelYrokRasp(tip, de, y, UserDialog);
    if (tip == 0) Dan.NeSinx = 0;
    ModifiRasp();
}

void TNed::CopyRaspOrPy(int TipFrom, int TipTo, std::vector<std::string>& sl) {
    constexpr std::size_t kMaxLines = 200;
    for (int de = 1; de <= kDayCount; ++de) {
        for (int y = 0; y < kPeriodCount; ++y) {
            const TYrok* source = GetYrok(TipFrom, de, y);
            if (source == nullptr) continue;
            const std::vector<TYr*> plan = source->LYr;
            for (TYr* yr : plan) {
                const TFio* fio = yr->Fio();
                const int nFio = fio != nullptr ? fio->N : 0;
                const bool free =
                    Spisok == nullptr || Spisok->TestAddFio(TipTo, yr->NObed(), nFio, Ne(), de, y);
                if (free) {
                    TYr* copy = AddYrRas(TipTo, de, y, yr->YrokKorzina(), yr->FioPredmet());
                    if (copy != nullptr) {
                        copy->Dan.NAt = yr->Dan.NAt;
                        copy->Dan.Kh00 = yr->Dan.Kh00;
                        copy->SetPy(true);
                    }
                } else if (sl.size() < kMaxLines) {
                    sl.push_back("Гр." + (FGryp != nullptr ? FGryp->Name() : std::string()) + " " +
                                 shortDayName(de) + " пара=" + std::to_string(y) + " " +
                                 (fio != nullptr ? fio->BigName() : std::string()));
                }
            }
        }
    }
}

TYrok* TNed::GetNextYrok(int tip, int de, int y) const {
    int d = de;
    int p = y + 1;
    if (de <= 0) {
        d = 1;
        p = 0;
    }
    for (; d <= kDayCount; ++d, p = 0)
        for (; p < kPeriodCount; ++p)
            if (TYrok* yrok = GetYrok(tip, d, p)) return yrok;
    return nullptr;
}

int TNed::CountOneYrok(int tip) const {
    int count = 0;
    for (int de = 1; de <= kDayCount; ++de)
        if (Dey(de)->CountYrok(tip) == 1) ++count;
    return count;
}

int TNed::CountDirka(int tip) const {
    int count = 0;
    for (int de = 1; de <= kDayCount; ++de) count += Dey(de)->CountDirka(tip);
    return count;
}

int TNed::CountAllYrokOneDey() const {
    const int days = CountRunDey();
    if (days == 0 || FGryp == nullptr || FGryp->CountPredmet() == 0) return 0;
    int sum = 0;
    for (const auto& item : LNYrok)
        if (!item->LFio().empty()) sum += item->Dan.ky;
    return static_cast<int>(std::nearbyint(static_cast<double>(sum) / days));
}

bool TNed::TestBadDeyMaxYrok(int tip, int de) const {
    const TDey* dey = Dey(de);
    return dey != nullptr && dey->CountYrok(tip) > CountAllYrokOneDey();
}

int TNed::CountMaxYrForPredmet(const TPredmet* predmet) const {
    const TYrokKorzina* item = FindYrokKorzina(kSetkaPlan, predmet);
    return item != nullptr ? item->Dan.ky * static_cast<int>(item->LFio().size()) : 0;
}

int TNed::CountMaxZmForPredmet(const TPredmet* predmet) const {
    const auto* item =
        static_cast<const TYrokKorzinaZamena*>(FindYrokKorzina(kSetkaZamena, predmet));
    return item != nullptr ? item->CountAllYr() : 0;
}

int TNed::CountMaxOtmenForPredmet(const TPredmet* predmet) const {
    const TYrokKorzina* item = FindYrokKorzina(kSetkaPlan, predmet);
    if (item == nullptr) return 0;
    int count = 0;
    for (const auto& fp : item->LFio()) count += fp->CountOtmenYr(kSetkaPlan);
    return count;
}

int TNed::CountPlanForPredmet(int setka, const TPredmet* predmet) const {
    const TYrokKorzina* item = FindYrokKorzina(setka, predmet);
    if (item == nullptr) return 0;
    return setka == kSetkaZamena ? item->Dan.ky : item->CountPlanYr();
}

int TNed::CountFaktYrok(int vDe, int vSetka, const TPredmet* vPr, const TFio* vFi) const {
    int count = 0;
    for (int de = 1; de <= kDayCount; ++de)
        if (vDe <= 0 || vDe == de) count += Dey(de)->CountFaktYrok(vSetka, vPr, vFi);
    return count;
}

}  // namespace zavlin
