#include "model/god.h"

#include <fmt/format.h>

#include <algorithm>
#include <map>

#include "base/datetime.h"
#include "model/year_internal.h"
#include "model/year_range.h"
#include "storage/year_database.h"

namespace zavlin {

namespace {

constexpr const char* kGodSection = "God";
constexpr const char* kTimeSection = "Time";
constexpr const char* kGodTable = "YmGod.b0";
constexpr int kSaturdayStudy = 7;
constexpr int kSaturdayFree = 2;

// The year's rows, groups first: memberships and rooms point at others.
constexpr const char* kYearRowTables[] = {"YmGryp.b0", "YmFakGryp.b0", "YmFak.b0", "YmAyd.b0",
                                          "YmDom.b0",  "YmFio.b0",     "YmYrok.b0"};

// The same day and month moved by whole years; 29 February falls back to
// the 28th.
int32_t shiftYears(int32_t date, int years) {
    const DateParts p = decodeDate(date);
    int32_t moved = 0;
    if (tryEncodeDate(p.year + years, p.month, p.day, moved)) return moved;
    return tryEncodeDate(p.year + years, p.month, 28, moved) ? moved : date;
}

}  // namespace

// --- TGod

TGod::TGod(TDM1& dm) : TAllRasp(dm) {
    AllNed.Ini = &dm.FGodini;
}

std::string TGod::Name() const {
    return fmt::format("{}-{:02}", YGod, (YGod + 1) % 100);
}

int TGod::ReadLengthSemestr(TFileIni& ini, int year) {
    const int weeks = ini.ReadInteger(kGodSection, "Semestr" + std::to_string(year), kStudyWeeks);
    return weeks >= 1 && weeks <= kStudyWeeks ? weeks : kStudyWeeks;
}

void TGod::SetDataGod(int YhGod, bool vRunSubb) {
    YGod = static_cast<uint16_t>(YhGod);
    const int own = DM.FGodini.ReadInteger(TAllNed::SectionName(YhGod), "RunSubb", 0);
    FRunSubb = own == kSaturdayStudy ? true : own == kSaturdayFree ? false : vRunSubb;
    FLengthSemestr = static_cast<uint8_t>(ReadLengthSemestr(DM.FGodini, YhGod));
    AllNed.SetDataGod(YhGod, FRunSubb);
}

bool TGod::SetDataGod(bool vRunSubb) {
    const bool ok = DM.FGodini.WriteInteger(TAllNed::SectionName(YGod), "RunSubb",
                                            vRunSubb ? kSaturdayStudy : kSaturdayFree);
    FRunSubb = vRunSubb;
    AllNed.SetDataGod(YGod, FRunSubb);
    return ok;
}

bool TGod::SetLengthSemestr(int weeks) {
    if (weeks < 1 || weeks > kStudyWeeks) weeks = kStudyWeeks;
    FLengthSemestr = static_cast<uint8_t>(weeks);
    return DM.FGodini.WriteInteger(kGodSection, "Semestr" + std::to_string(YGod), weeks);
}

bool TGod::Load() {
    if (AllNed.YGod != YGod) SetDataGod(YGod, FRunSubb);
    return LoadYear();
}

bool TGod::DelAllOfGod() {
    // Rooms before buildings and teachers: they point at both.
    bool ok = DelAllGryp();
    ok = DelAllFak() && ok;
    ok = DelAllAyd() && ok;
    ok = DelAllDom() && ok;
    ok = DelAllFio() && ok;
    ok = DelAllYrName() && ok;
    return ok;
}

bool TGod::AssignGod(TGod& Gd) {
    bool ok = true;

    DM.StydImageShowBar("Факультеты");
    std::map<const TFak*, TFak*> faks;
    for (const auto& old : Gd.LFak) {
        auto fak = std::make_unique<TFak>(static_cast<TSpisok*>(this));
        fak->SetName(old->Name());
        TFak* added = AddFak(std::move(fak));
        ok = added != nullptr && ok;
        if (added != nullptr) faks[old.get()] = added;
    }

    DM.StydImageShowBar("Предметы");
    std::map<const TYrName*, TYrName*> names;
    for (const auto& old : Gd.LYrName) {
        DM.StydImageShowBar("Предмет " + old->Name());
        const std::string full = old->BigName() == old->Name() ? "" : old->BigName();
        TYrName* yr = CreateYrName(old->Name(), full);
        ok = AddYrName(yr) && ok;
        names[old.get()] = yr;
    }

    DM.StydImageShowBar("Преподаватели");
    std::map<const TFio*, TFio*> fios;
    for (const auto& old : Gd.LFio) {
        DM.StydImageShowBar("Преподаватель " + old->Name());
        auto fio = std::make_unique<TFio>();
        fio->SetBigName(old->BigName());
        fio->SetRday(old->Rday());
        fio->SetDolg(old->Dolg());
        fio->Dan = old->Dan;
        fio->FBitSec = old->FBitSec;
        fio->GN = old->GN;
        TFio* added = AddFio(std::move(fio));
        ok = added != nullptr && ok;
        if (added != nullptr) fios[old.get()] = added;
    }

    DM.StydImageShowBar("Группы");
    std::map<const TGryp*, TGryp*> groups;
    for (const auto& old : Gd.LGryp) {
        DM.StydImageShowBar("Группа " + old->Name());
        auto gr = std::make_unique<TGryp>(static_cast<TSpisok*>(this));
        gr->AssignDan(*old);
        gr->Dan.GN = old->Dan.GN;
        gr->Dan.Kyrs = old->Dan.Kyrs;
        gr->SetDateSemm2(shiftYears(old->Dan.DateSemm2, YGod - Gd.YGod));
        for (const auto& oldPr : old->LPredmet) {
            const auto name = names.find(oldPr->YrName());
            auto* pr = new TPredmet(gr.get(), name != names.end() ? name->second : nullptr);
            const uint16_t nYrName = pr->Dan.NYrName;
            pr->Dan = oldPr->Dan;
            pr->Dan.NYrName = nYrName;
            pr->Dan.KFio = 0;
            gr->AddPredmet(pr);
        }
        TGryp* added = AddGryp(std::move(gr));
        ok = added != nullptr && ok;
        if (added != nullptr) groups[old.get()] = added;
    }
    for (const auto& [old, fak] : faks)
        for (const TGryp* member : old->LGryp)
            if (const auto gr = groups.find(member); gr != groups.end())
                ok = AddFakGryp(fak, gr->second) && ok;

    DM.StydImageShowBar("Здания");
    for (const auto& oldDom : Gd.LDom) {
        TDom* dom = AddDom(oldDom->Name());
        if (dom == nullptr) {
            ok = false;
            continue;
        }
        dom->GN = oldDom->GN;
        if (oldDom->ColorFont != 0) {
            dom->ColorFont = oldDom->ColorFont;
            ok = AddDom(dom) && ok;
        }
        for (const auto& oldAyd : Gd.LAyd) {
            if (oldAyd->Dom() != oldDom.get()) continue;
            TAyd* ayd = CreateAyd(dom, oldAyd->Name());
            ayd->kv = oldAyd->kv;
            ayd->GN = oldAyd->GN;
            ayd->SetSpecAyd(oldAyd->SpecAyd());
            for (const TFio* oldFio : oldAyd->LFio)
                if (const auto fio = fios.find(oldFio); fio != fios.end()) ayd->AddFio(fio->second);
            ok = AddAyd(ayd) && ok;
        }
    }
    return ok;
}

// --- TRecordGod

std::string TRecordGod::Name() const {
    return fmt::format("{}-{}", yGod, yGod + 1);
}

// --- TAllGod

TAllGod::TAllGod(TDM1& dm) : DM(dm) {}

TAllGod::~TAllGod() = default;

bool TAllGod::ReadListGod() {
    const int runSubb = DM.FGodini.ReadInteger(kGodSection, "RunSubb", 0);
    // A reader (the database held shared) leaves the settings as they are.
    if (runSubb == 0 && !DM.AT1.ReadOnly())
        (void)DM.FGodini.WriteInteger(kGodSection, "RunSubb", kSaturdayFree);
    FRunSubb = runSubb == kSaturdayStudy;

    ActivRecGod = nullptr;
    SL.clear();
    const bool ok = DM.ReadEntries(kGodTable, std::nullopt, [&](TTableBlob& t) {
        auto rec = std::make_unique<TRecordGod>();
        rec->NRec = yearKeyField(t)->asInteger();
        rec->yGod = static_cast<uint16_t>(t.FieldByName("God")->asInteger());
        SL.push_back(std::move(rec));
    });
    std::stable_sort(SL.begin(), SL.end(),
                     [](const auto& a, const auto& b) { return a->Name() < b->Name(); });
    return ok;
}

bool TAllGod::AllGodLoad() {
    bool ok = ReadListGod();
    const int indx = GetIndexGod(DM.FGodini.ReadInteger(kGodSection, "ActivGod", 0));
    LoadTimeYrok();
    if (indx >= 0) ok = SetActivGod(indx) && ok;
    return ok;
}

TRecordGod* TAllGod::RecordGod(int indx) const {
    return indx >= 0 && indx < CountGod() ? SL[static_cast<std::size_t>(indx)].get() : nullptr;
}

int TAllGod::ActivIndx() const {
    for (int i = 0; i < CountGod(); ++i)
        if (SL[static_cast<std::size_t>(i)].get() == ActivRecGod) return i;
    return -1;
}

void TAllGod::writeActivGod() {
    // A failed save stays pending in FGodini; the callers ask UpdateFile.
    (void)DM.FGodini.WriteInteger(kGodSection, "ActivGod",
                                  ActivRecGod != nullptr ? ActivRecGod->yGod : 0);
}

std::unique_ptr<TGod> TAllGod::CreateGod(int indx) const {
    const TRecordGod* rec = RecordGod(indx);
    if (rec == nullptr) return nullptr;
    auto god = std::make_unique<TGod>(DM);
    god->SetDataGod(rec->yGod, FRunSubb);
    god->TaimYrok = Lt;
    return god;
}

bool TAllGod::SetActivGod(int indx) {
    TRecordGod* rec = RecordGod(indx);
    if (rec == nullptr) return false;
    if (ActivRecGod != nullptr) ActivRecGod->FGod.reset();
    ActivRecGod = nullptr;
    std::unique_ptr<TGod> god = CreateGod(indx);
    const bool ok = god->Load();
    rec->FGod = std::move(god);
    ActivRecGod = rec;
    writeActivGod();
    // Active only in memory when the settings cannot take it: a failure.
    return DM.FGodini.UpdateFile() && ok;
}

int TAllGod::AddGod(int YGod) {
    if (!validGod(YGod) || !TestNewGod(YGod)) return -1;
    uint32_t n = 0;
    if (!year_detail::storeEntry(DM, kGodTable, n,
                                 [&](TTableBlob& t) { t.FieldByName("God")->setAsInteger(YGod); }))
        return -1;
    auto rec = std::make_unique<TRecordGod>();
    rec->NRec = static_cast<int>(n);
    rec->yGod = static_cast<uint16_t>(YGod);
    const std::string name = rec->Name();
    auto at = std::find_if(SL.begin(), SL.end(), [&](const auto& r) { return r->Name() > name; });
    at = SL.insert(at, std::move(rec));
    return static_cast<int>(at - SL.begin());
}

bool TAllGod::DelGod(int indx) {
    TRecordGod* rec = RecordGod(indx);
    if (rec == nullptr) return false;
    const int year = rec->yGod;
    if (rec == ActivRecGod) {
        rec->FGod.reset();
        ActivRecGod = nullptr;
    }
    // Also when another run made it active: the settings must not name a
    // year that is gone.
    if (ActivRecGod == nullptr && DM.FGodini.ReadInteger(kGodSection, "ActivGod", 0) == year)
        writeActivGod();
    bool ok = true;
    for (const char* table : kYearRowTables) ok = DM.DeleteAllOfYear(table, year) && ok;
    ok = DM.DeleteEntry(kGodTable, static_cast<uint32_t>(rec->NRec)) && ok;
    ok = DM.FGodini.EraseSection(TAllNed::SectionName(year)) && ok;
    ok = DM.FGodini.UpdateFile() && ok;
    SL.erase(SL.begin() + indx);
    return ok;
}

bool TAllGod::AssignGod(int OldIndx, int NewIndx) {
    TRecordGod* from = RecordGod(OldIndx);
    TRecordGod* to = RecordGod(NewIndx);
    if (from == nullptr || to == nullptr || from == to) return false;
    bool ok = true;
    std::unique_ptr<TGod> oldHeld;
    TGod* oldGod = from->FGod.get();
    if (oldGod == nullptr) {
        oldHeld = CreateGod(OldIndx);
        ok = oldHeld->Load();
        oldGod = oldHeld.get();
    }
    std::unique_ptr<TGod> newHeld;
    TGod* newGod = to->FGod.get();
    if (newGod == nullptr) {
        newHeld = CreateGod(NewIndx);
        newGod = newHeld.get();
    }
    ok = newGod->DelAllOfGod() && ok;
    ok = newGod->AssignGod(*oldGod) && ok;
    ok = newGod->SaveRasp() && ok;
    return ok;
}

int TAllGod::GetIndexGod(int YGod) const {
    for (int i = 0; i < CountGod(); ++i)
        if (SL[static_cast<std::size_t>(i)]->yGod == YGod) return i;
    return -1;
}

int TAllGod::TestPriorGod(int YGod) const {
    int best = -1;
    for (int i = 0; i < CountGod(); ++i) {
        const int y = SL[static_cast<std::size_t>(i)]->yGod;
        if (y < YGod && (best < 0 || y > SL[static_cast<std::size_t>(best)]->yGod)) best = i;
    }
    return best;
}

bool TAllGod::SaveTimeYrok() {
    const bool ok = writeLessonTimes(DM.FGodini, Lt);
    if (TGod* god = God()) god->TaimYrok = Lt;
    return ok;
}

void TAllGod::LoadTimeYrok() {
    Lt = readLessonTimes(DM.FGodini);
    if (TGod* god = God()) god->TaimYrok = Lt;
}

std::vector<std::string> TAllGod::TimeYrorToListBoxN() const {
    std::vector<std::string> lines;
    for (const TTaimYrok& t : Lt)
        lines.push_back(fmt::format("{}  {}  {}", t.N, t.TnText(), t.TdText()));
    return lines;
}

}  // namespace zavlin
