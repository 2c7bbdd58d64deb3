// The year's groups: their rows, faculty memberships, timetable blobs and the
// unions of each week.
#include <algorithm>
#include <set>

#include "base/errors.h"
#include "base/text.h"
#include "model/year.h"
#include "model/year_internal.h"
#include "storage/year_database.h"

namespace zavlin {

using namespace year_detail;

namespace {

std::string deyText(const std::array<uint8_t, 7>& days) {
    std::string text;
    for (uint8_t d : days) text += static_cast<char>('0' + std::min<int>(d, 9));
    return text;
}

// Opened for the duration of a save, closed whatever way it ends.
class TableCloser {
public:
    explicit TableCloser(TTableBlob& t) : t_(t) {}
    ~TableCloser() { t_.Close(); }
    TableCloser(const TableCloser&) = delete;
    TableCloser& operator=(const TableCloser&) = delete;

private:
    TTableBlob& t_;
};

}  // namespace

// --- rows

bool TAllRasp::storeGryp(TGryp& gr) {
    return storeWith(DM, kGrypTable, gr.Dan, [&](TTableBlob& t) {
        t.FieldByName("God")->setAsInteger(YGod);
        t.FieldByName("Gryp")->setAsString(gr.Name());
        t.FieldByName("CStyd")->setAsInteger(gr.Dan.Ks);
        t.FieldByName("RunYrok")->setAsInteger(gr.Dan.TimeDay);
        t.FieldByName("Index")->setAsInteger(gr.Position);
        t.FieldByName("Dey")->setAsString(deyText(gr.Dan.arRDeyNed));
    });
}

bool TAllRasp::readGryp() {
    DM.StydImageShowBar(std::string("Чтение ") + kGrypTable);
    const bool ok = DM.ReadEntries(kGrypTable, YGod, [&](TTableBlob& t) {
        auto gr = std::make_unique<TGryp>(static_cast<TSpisok*>(this));
        gr->Dan.N = keyOf(t);
        gr->SetName(t.FieldByName("Gryp")->asString());
        const int ks = t.FieldByName("CStyd")->asInteger();
        gr->Dan.Ks = static_cast<uint16_t>(ks <= 0 ? 1 : std::min(ks, 65535));
        gr->Dan.TimeDay = static_cast<uint8_t>(t.FieldByName("RunYrok")->asInteger());
        gr->Position = t.FieldByName("Index")->asInteger();
        std::array<int, 7> days{};
        for (std::size_t i = 0; i < 7; ++i) days[i] = gr->Dan.arRDeyNed[i];
        ReadDey(t.FieldByName("Dey")->asString(), days);
        for (std::size_t i = 0; i < 7; ++i) gr->Dan.arRDeyNed[i] = static_cast<uint8_t>(days[i]);
        gr->St = readBlob(t, "Zavlin");
        LGryp.push_back(std::move(gr));
    });
    std::stable_sort(LGryp.begin(), LGryp.end(),
                     [](const auto& a, const auto& b) { return a->Position < b->Position; });
    // Stored places with gaps or doubles are closed up on disk as well, so that
    // a group added later goes after the others on the next load too. A load
    // that only reads (the tables open read-only) leaves that to a later one.
    (void)renumberGryp();
    return ok;
}

bool TAllRasp::readFakGryp() {
    // AT2: a faculty's memberships may be read while AT1 is in use.
    return DM.ReadEntries(DM.AT2, kFakGrypTable, YGod, [&](TTableBlob& t) {
        const int nFak = t.FieldByName("Fak")->asInteger();
        TGryp* gr = GrypNumer(t.FieldByName("Gryp")->asInteger());
        if (gr == nullptr) return;
        for (const auto& fak : LFak)
            if (fak->N == nFak &&
                std::find(fak->LGryp.begin(), fak->LGryp.end(), gr) == fak->LGryp.end())
                fak->LGryp.push_back(gr);
    });
}

bool TAllRasp::LoadYear() {
    ClearLGryp();
    // Credit records find their periods by the college's clock times.
    TaimYrok = readLessonTimes(DM.FGodini);
    bool ok = readGryp();
    ok = LoadReferenceLists() && ok;
    ok = StreamToRasp() && ok;
    FGrypActivIndx = 0;
    return ok;
}

// --- groups

void TAllRasp::ClearLGryp() {
    for (auto& week : LOb) week.clear();
    for (const auto& fak : LFak) fak->LGryp.clear();
    LGryp.clear();
    FGrypActivIndx = 0;
    ++RaspGeneration;
}

int TAllRasp::CountSelectGryp() const {
    return static_cast<int>(
        std::count_if(LGryp.begin(), LGryp.end(), [](const auto& g) { return g->Select; }));
}

void TAllRasp::SelectAllGryp(bool value) {
    for (const auto& gr : LGryp) gr->Select = value;
}

int TAllRasp::GetGrypIndex(const TGryp* gr) const {
    return indexOf(LGryp, gr);
}

TGryp* TAllRasp::FindGrypForName(std::string_view name) const {
    const std::string wanted = trim(name);
    for (const auto& gr : LGryp)
        if (gr->Name() == wanted) return gr.get();
    return nullptr;
}

TGryp* TAllRasp::GrypNumer(int n) const {
    if (n == 0) return nullptr;
    for (const auto& gr : LGryp)
        if (gr->Dan.N == n) return gr.get();
    return nullptr;
}

bool TAllRasp::AddGryp(TGryp* gr) {
    if (gr == nullptr) return false;
    const bool listed = GetGrypIndex(gr) >= 0;
    if (!listed) gr->Position = CountGryp();
    if (!storeGryp(*gr)) return false;
    if (!listed) {
        gr->Spisok = this;
        gr->modifiRasp = true;  // its first blob goes with the next save
        LGryp.emplace_back(gr);
        ++RaspGeneration;
    }
    return true;
}

TGryp* TAllRasp::AddGryp(std::unique_ptr<TGryp> gr) {
    TGryp* raw = gr.get();
    if (raw == nullptr || !AddGryp(raw)) return nullptr;
    (void)gr.release();  // the list owns it now
    return raw;
}

bool TAllRasp::renumberGryp() {
    bool ok = true;
    for (std::size_t i = 0; i < LGryp.size(); ++i) {
        TGryp& gr = *LGryp[i];
        if (gr.Position == static_cast<int>(i)) continue;
        gr.Position = static_cast<int>(i);
        ok = storeGryp(gr) && ok;
    }
    return ok;
}

bool TAllRasp::DelGryp(TGryp* gr) {
    const int indx = GetGrypIndex(gr);
    if (indx < 0) return false;
    // Its unions lose a member; partners left alone are released.
    for (const auto& pr : gr->LPredmet)
        for (int ne = 1; ne <= kWeeks; ++ne)
            for (const auto& fp : pr->GetLFio(ne))
                if (TOb* ob = fp->Ob) {
                    ob->DelFioPredmet(ob->GetIndexFio(fp.get()));
                    TestAfterDelOb(ne);
                }
    // The partners' unions changed. A failed save or a membership row left
    // behind is reported; the group still goes, so memory and rows agree.
    const bool saved = SaveRasp();
    if (!DM.DeleteEntry(kGrypTable, static_cast<uint32_t>(gr->Dan.N))) return false;
    const int n = gr->Dan.N;
    const bool members = DM.DeleteWhere(DM.AT2, kFakGrypTable, [&](TTableBlob& t) {
        return t.FieldByName("God")->asInteger() == YGod && t.FieldByName("Gryp")->asInteger() == n;
    });
    for (const auto& fak : LFak)
        fak->LGryp.erase(std::remove(fak->LGryp.begin(), fak->LGryp.end(), gr), fak->LGryp.end());
    LGryp.erase(LGryp.begin() + indx);
    clampActiv(FGrypActivIndx, LGryp.size());
    ++RaspGeneration;
    const bool placed = renumberGryp();
    return saved && members && placed;
}

bool TAllRasp::DelAllGryp() {
    if (!DM.DeleteAllOfYear(kGrypTable, YGod)) return false;
    const bool members = DM.DeleteAllOfYear(kFakGrypTable, YGod);
    ClearLGryp();
    return members;
}

bool TAllRasp::PositionGrypUp(int indx) {
    if (indx <= 0 || indx >= CountGryp()) return false;
    std::swap(LGryp[static_cast<std::size_t>(indx)], LGryp[static_cast<std::size_t>(indx - 1)]);
    ++RaspGeneration;
    return renumberGryp();
}

bool TAllRasp::PositionGrypDown(int indx) {
    return PositionGrypUp(indx + 1);
}

TGryp* TAllRasp::GrypActiv() const {
    if (FGrypActivIndx < 0 || FGrypActivIndx >= CountGryp()) return nullptr;
    return LGryp[static_cast<std::size_t>(FGrypActivIndx)].get();
}

void TAllRasp::GrypActivUp() {
    if (FGrypActivIndx > 0) --FGrypActivIndx;
}

void TAllRasp::GrypActivDown() {
    if (FGrypActivIndx + 1 < CountGryp()) ++FGrypActivIndx;
}

TListBoxN TAllRasp::GrypToListBoxN() const {
    TListBoxN rows;
    for (const auto& gr : LGryp) rows.emplace_back(gr->Name(), gr->Dan.N);
    return rows;
}

// --- faculty memberships

bool TAllRasp::AddFakGryp(TFak* fak, TGryp* gr) {
    if (fak == nullptr || gr == nullptr || gr->Dan.N == 0) return false;
    if (std::find(fak->LGryp.begin(), fak->LGryp.end(), gr) != fak->LGryp.end()) return true;
    uint32_t n = 0;
    const bool ok = storeEntry(DM, kFakGrypTable, n, [&](TTableBlob& t) {
        t.FieldByName("God")->setAsInteger(YGod);
        t.FieldByName("Fak")->setAsInteger(fak->N);
        t.FieldByName("Gryp")->setAsInteger(gr->Dan.N);
    });
    if (ok) fak->LGryp.push_back(gr);
    return ok;
}

bool TAllRasp::DelFakGryp(TFak* fak, TGryp* gr) {
    if (fak == nullptr || gr == nullptr) return false;
    const bool ok = DM.DeleteWhere(DM.AT2, kFakGrypTable, [&](TTableBlob& t) {
        return t.FieldByName("God")->asInteger() == YGod &&
               t.FieldByName("Fak")->asInteger() == fak->N &&
               t.FieldByName("Gryp")->asInteger() == gr->Dan.N;
    });
    if (ok)
        fak->LGryp.erase(std::remove(fak->LGryp.begin(), fak->LGryp.end(), gr), fak->LGryp.end());
    return ok;
}

// --- timetable storage

bool TAllRasp::StreamToRasp() {
    DM.StydImageShowBar("Чтение расписания");
    for (const auto& gr : LGryp) gr->Clear();
    for (auto& week : LOb) week.clear();
    const TRefLookup lookup(*this);
    for (const auto& gr : LGryp) {
        DM.StydImageShowBar("Чтение " + gr->Name());
        // The reader reports its own failures, once each.
        bool read = false;
        try {
            read = gr->ReadRasp(gr->St, &lookup);
        } catch (const std::exception& e) {
            gr->Clear();
            gr->BlobFault = e.what();
            ShowUser("Ошибка при чтении данных группы " + gr->Name() + "\n" +
                     "Расписание этой группы имеет ошибку");
        }
        gr->BlobUnreadable = !read;
        gr->St.clear();
        gr->St.shrink_to_fit();
    }
    // A union needs two members; one left alone by a damaged blob is released.
    TestAfterDelObAllNed();
    ++RaspGeneration;
    return true;
}

std::vector<TGryp*> TAllRasp::UnreadableGryp() const {
    std::vector<TGryp*> out;
    for (const auto& gr : LGryp)
        if (gr->BlobUnreadable) out.push_back(gr.get());
    return out;
}

std::vector<TGryp*> TAllRasp::DropUnreadableGryp() {
    std::vector<TGryp*> out = UnreadableGryp();
    for (TGryp* gr : out) {
        gr->BlobUnreadable = false;
        gr->modifiRasp = true;
    }
    return out;
}

bool TAllRasp::SaveRasp() {
    if (DM.Hooks.SaveProgress != nullptr) DM.Hooks.SaveProgress->SaveStart(CountGryp());
    bool ok = true;
    TTableBlob& t = DM.AT1;
    t.SetTableName(kGrypTable);
    if (!t.Open()) {
        if (DM.Hooks.SaveProgress != nullptr) DM.Hooks.SaveProgress->SaveFinish();
        return false;
    }
    // Groups whose blob this save writes; they keep modifiRasp unless the
    // whole save reaches the disk.
    std::vector<TGryp*> pending;
    for (const auto& gr : LGryp)
        if (gr->modifiRasp) pending.push_back(gr.get());
    struct KeepModified {
        std::vector<TGryp*>& groups;
        bool committed = false;
        ~KeepModified() {
            if (!committed)
                for (TGryp* gr : groups) gr->modifiRasp = true;
        }
    } keep{pending};
    // A read the disk fails raises an error: the save fails and is undone.
    try {
        TableCloser closer(t);
        // Every blob of the save is one change on disk: a crash or a failed
        // write leaves the year's timetables all old or all new, never a mix.
        TTableBatch batch(t);
        ok = batch.begun();
        TField* key = yearKeyField(t);
        for (std::size_t i = 0; ok && i < LGryp.size(); ++i) {
            if (DM.Hooks.SaveProgress != nullptr)
                DM.Hooks.SaveProgress->SaveStep(static_cast<int>(i) + 1);
            TGryp& gr = *LGryp[i];
            if (!gr.modifiRasp || gr.BlobUnreadable) continue;
            std::vector<uint8_t> blob;
            try {
                blob = gr.WriteRasp();
            } catch (const std::exception&) {
                ShowUser("Ошибка при формировании данных группы " + gr.Name());
                ok = false;
                continue;
            }
            if (key == nullptr) {
                ok = false;
                continue;
            }
            t.SetKey();
            key->setAsInteger(gr.Dan.N);
            if (!t.GotoKey()) continue;
            t.Edit();
            writeBlob(t, "Zavlin", std::move(blob));
            if (t.Post())
                gr.modifiRasp = false;
            else
                ok = false;
        }
        keep.committed = ok && batch.commit();
        ok = keep.committed;
    } catch (const ERangeError&) {
        ok = false;
    } catch (const EStreamError&) {
        ok = false;
    }
    if (DM.Hooks.SaveProgress != nullptr) DM.Hooks.SaveProgress->SaveFinish();
    return ok;
}

// --- unions

TOb* TAllRasp::FindOb(const TFioPredmet* vFioPredmet) const {
    if (vFioPredmet == nullptr || vFioPredmet->Ne() < 1 || vFioPredmet->Ne() > kWeeks)
        return nullptr;
    const std::string subject =
        vFioPredmet->Predmet() != nullptr ? vFioPredmet->Predmet()->Name() : "";
    const std::string teacher = vFioPredmet->Name();
    for (const auto& ob : LOb[vFioPredmet->Ne()])
        if (ob->NamePredmet() == subject && ob->NameFio() == teacher) return ob.get();
    return nullptr;
}

TOb* TAllRasp::CreateOb(TFioPredmet* fioPredmet) {
    const int ne = fioPredmet->Ne();
    if (ne < 1 || ne > kWeeks || fioPredmet->Dan.Nob == 0) return nullptr;
    auto& list = GetLOb(ne);
    TOb* ob = nullptr;
    for (const auto& candidate : list)
        if (candidate->FN == fioPredmet->Dan.Nob) ob = candidate.get();
    if (ob == nullptr) {
        list.push_back(std::make_unique<TOb>(ne, fioPredmet->Dan.Nob));
        ob = list.back().get();
    }
    ob->AddFio(fioPredmet);
    return ob;
}

int TAllRasp::AddOb(std::unique_ptr<TOb> ob, bool TestCount) {
    if (!ob || ob->Ne < 1 || ob->Ne > kWeeks) return -1;
    if (TestCount && ob->CountFioPredmet() < 2) {
        for (TFioPredmet* fp : ob->LFioPredmet)
            if (fp->Ob == ob.get()) fp->Ob = nullptr;
        return -1;
    }
    auto& list = GetLOb(ob->Ne);
    if (ob->FN == 0) {
        std::set<int> used;
        for (const auto& other : list) used.insert(other->FN);
        int n = 1;
        while (used.count(n) != 0) ++n;
        ob->FN = static_cast<uint16_t>(n);
    }
    for (TFioPredmet* fp : ob->LFioPredmet) {
        if (fp->Ob != nullptr && fp->Ob != ob.get()) {
            TOb* old = fp->Ob;
            old->LFioPredmet.erase(
                std::remove(old->LFioPredmet.begin(), old->LFioPredmet.end(), fp),
                old->LFioPredmet.end());
        }
        fp->Ob = ob.get();
        fp->Dan.Nob = ob->FN;
        if (fp->OnModifiEvent()) fp->OnModifiEvent()(fp);
    }
    const TOb* added = ob.get();
    const int ne = ob->Ne;
    list.push_back(std::move(ob));
    // A union that gave a member away may be left with one.
    TestAfterDelOb(ne);
    ++RaspGeneration;
    for (std::size_t i = 0; i < GetLOb(ne).size(); ++i)
        if (GetLOb(ne)[i].get() == added) return static_cast<int>(i);
    return -1;
}

std::vector<std::string> TAllRasp::DelObRefusals(int ne, int indx) const {
    std::vector<std::string> out;
    if (ne < 1 || ne > kWeeks) return out;
    const auto& list = LOb[static_cast<std::size_t>(ne)];
    if (indx < 0 || indx >= static_cast<int>(list.size())) return out;
    bool inRasp = false;
    bool inPy = false;
    for (const TFioPredmet* fp : list[static_cast<std::size_t>(indx)]->LFioPredmet)
        for (const auto& yr : fp->LYr) {
            if (yr->Yrok() == nullptr) continue;
            (yr->Dan.tip == 0 ? inRasp : inPy) = true;
        }
    if (inRasp)
        out.emplace_back("Удаление объединения невозможно. Сперва разнесите пары в расписании.");
    if (inPy)
        out.emplace_back(
            "Удаление объединения невозможно. Сперва разнесите пары в предварительных "
            "установках.");
    return out;
}

bool TAllRasp::DelOb(int ne, int indx, bool UserDialog) {
    if (ne < 1 || ne > kWeeks) return false;
    auto& list = GetLOb(ne);
    if (indx < 0 || indx >= static_cast<int>(list.size())) return false;
    TOb* ob = list[static_cast<std::size_t>(indx)].get();
    if (UserDialog) {
        const std::vector<std::string> refusals = DelObRefusals(ne, indx);
        for (const std::string& text : refusals) ShowUser(text);
        if (!refusals.empty()) return false;
    }
    while (ob->CountFioPredmet() > 0) ob->DelFioPredmet(ob->CountFioPredmet() - 1);
    list.erase(list.begin() + indx);
    ++RaspGeneration;
    return true;
}

void TAllRasp::DelObOnlySelectGryp(int ne, int indx) {
    if (ne < 1 || ne > kWeeks) return;
    auto& list = GetLOb(ne);
    if (indx < 0 || indx >= static_cast<int>(list.size())) return;
    TOb* ob = list[static_cast<std::size_t>(indx)].get();
    for (int i = ob->CountFioPredmet() - 1; i >= 0; --i) {
        const TFioPredmet* fp = ob->LFioPredmet[static_cast<std::size_t>(i)];
        if (fp->Predmet() != nullptr && fp->Predmet()->Gryp() != nullptr &&
            fp->Predmet()->Gryp()->Select)
            ob->DelFioPredmet(i);
    }
    if (ob->CountFioPredmet() < 2) (void)DelOb(ne, indx, false);
}

void TAllRasp::TestAfterDelOb(int ne) {
    if (ne < 1 || ne > kWeeks) return;
    auto& list = GetLOb(ne);
    for (int i = static_cast<int>(list.size()) - 1; i >= 0; --i)
        if (list[static_cast<std::size_t>(i)]->CountFioPredmet() < 2) (void)DelOb(ne, i, false);
}

void TAllRasp::TestAfterDelObAllNed() {
    for (int ne = 1; ne <= kWeeks; ++ne) TestAfterDelOb(ne);
}

namespace {

// The assignment of the same subject at the same position in week NeTo, when
// it has the same teacher.
TFioPredmet* counterpart(const TFioPredmet* fp, int NeTo) {
    TPredmet* pr = fp->Predmet();
    const int pos = fp->GetIndex();
    if (pr == nullptr || pos < 0) return nullptr;
    TLFio& target = pr->GetLFio(NeTo);
    if (pos >= static_cast<int>(target.size())) return nullptr;
    TFioPredmet* other = target[static_cast<std::size_t>(pos)].get();
    return other->Fio() == fp->Fio() ? other : nullptr;
}

bool selectedGroup(const TFioPredmet* fp) {
    return fp->Predmet() != nullptr && fp->Predmet()->Gryp() != nullptr &&
           fp->Predmet()->Gryp()->Select;
}

}  // namespace

void TAllRasp::CopyOb(int NeFrom, int NeTo) {
    if (NeFrom < 1 || NeFrom > kWeeks || NeTo < 1 || NeTo > kWeeks || NeFrom == NeTo) return;
    while (!GetLOb(NeTo).empty())
        (void)DelOb(NeTo, static_cast<int>(GetLOb(NeTo).size()) - 1, false);
    std::vector<TOb*> sources;
    for (const auto& ob : GetLOb(NeFrom)) sources.push_back(ob.get());
    for (const TOb* ob : sources) {
        if (ob->CountFioPredmet() < 2) continue;
        auto made = std::make_unique<TOb>(NeTo, 0);
        for (const TFioPredmet* fp : ob->LFioPredmet)
            if (TFioPredmet* other = counterpart(fp, NeTo)) made->LFioPredmet.push_back(other);
        (void)AddOb(std::move(made), true);
    }
}

void TAllRasp::CopyObOnlySelectGryp(int NeFrom, int NeTo) {
    if (NeFrom < 1 || NeFrom > kWeeks || NeTo < 1 || NeTo > kWeeks || NeFrom == NeTo) return;
    for (int i = static_cast<int>(GetLOb(NeTo).size()) - 1; i >= 0; --i)
        DelObOnlySelectGryp(NeTo, i);
    std::vector<TOb*> sources;
    for (const auto& ob : GetLOb(NeFrom)) sources.push_back(ob.get());
    for (const TOb* ob : sources) {
        auto made = std::make_unique<TOb>(NeTo, 0);
        for (const TFioPredmet* fp : ob->LFioPredmet)
            if (selectedGroup(fp))
                if (TFioPredmet* other = counterpart(fp, NeTo))
                    if (other->Ob == nullptr) made->LFioPredmet.push_back(other);
        (void)AddOb(std::move(made), true);
    }
}

}  // namespace zavlin
