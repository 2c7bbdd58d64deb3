#include "model/year.h"

#include <algorithm>

#include "base/streams.h"
#include "base/text.h"
#include "model/reference_sort.h"
#include "model/year_internal.h"
#include "storage/year_database.h"

namespace zavlin {

using namespace year_detail;

TAllRasp::TAllRasp(TDM1& dm) : DM(dm) {
    Hooks = &dm.Hooks;
    AydUsedInRasp = [this](const TAyd& ayd) { return aydUsedInRasp(ayd); };
}

TAllRasp::~TAllRasp() {
    // The timetables point into the lists this class's base still holds.
    for (auto& week : LOb) week.clear();
    LGryp.clear();
}

bool TAllRasp::LoadReferenceLists() {
    // The timetables point into the lists about to be replaced; each group
    // leaves its unions as it clears.
    for (const auto& gr : LGryp) gr->Clear();
    for (auto& week : LOb) week.clear();
    for (const auto& fak : LFak) fak->LGryp.clear();
    ++RaspGeneration;
    ClearLFak();
    ClearLAyd();
    ClearLFio();
    ClearLYrName();
    ClearLDom();
    Atribyt.Clear();
    // Every list is read even after a failure, so the year is as complete as
    // the tables allow.
    bool ok = readFak();
    ok = readFakGryp() && ok;
    ok = readFio() && ok;
    ok = readYrName() && ok;
    ok = readDom() && ok;
    ok = readAyd() && ok;
    ok = readAtribyt() && ok;
    FFioActivIndx = FYrNameActivIndx = FDomActivIndx = FAydActivIndx = 0;
    return ok;
}

bool TAllRasp::readFak() {
    DM.StydImageShowBar(std::string("Чтение ") + kFakTable);
    return DM.ReadEntries(kFakTable, YGod, [&](TTableBlob& t) {
        auto fak = std::make_unique<TFak>(static_cast<TSpisok*>(this));
        fak->N = keyOf(t);
        fak->SetName(t.FieldByName("Fak")->asString());
        LFak.push_back(std::move(fak));
    });
}

bool TAllRasp::readFio() {
    DM.StydImageShowBar(std::string("Чтение ") + kFioTable);
    const bool ok = DM.ReadEntries(kFioTable, YGod, [&](TTableBlob& t) {
        auto fio = std::make_unique<TFio>();
        fio->N = keyOf(t);
        fio->SetBigName(t.FieldByName("Name")->asString());
        fio->SetRday(t.FieldByName("RunDay")->asInteger());
        fio->DanFromBytes(readBlob(t, "Dan"));
        LFio.push_back(std::move(fio));
    });
    sortFio(LFio);
    return ok;
}

bool TAllRasp::readYrName() {
    DM.StydImageShowBar(std::string("Чтение ") + kYrokTable);
    const bool ok = DM.ReadEntries(kYrokTable, YGod, [&](TTableBlob& t) {
        auto yr = std::make_unique<TYrName>(t.FieldByName("Yrok")->asString(),
                                            t.FieldByName("YrokFull")->asString());
        yr->N = keyOf(t);
        LYrName.push_back(std::move(yr));
    });
    sortYrName(LYrName);
    return ok;
}

bool TAllRasp::readDom() {
    DM.StydImageShowBar(std::string("Чтение ") + kDomTable);
    const bool ok = DM.ReadEntries(kDomTable, YGod, [&](TTableBlob& t) {
        auto dom = std::make_unique<TDom>(t.FieldByName("Dom")->asString());
        dom->N = keyOf(t);
        // A database from before the colour upgrade has no such field.
        if (TField* color = t.FieldByName("Color"))
            dom->ColorFont = static_cast<uint8_t>(color->asInteger());
        LDom.push_back(std::move(dom));
    });
    // Rooms can only be entered into a building.
    if (ok && LDom.empty()) AddDom("");
    return ok;
}

bool TAllRasp::readAyd() {
    DM.StydImageShowBar(std::string("Чтение ") + kAydTable);
    const bool ok = DM.ReadEntries(kAydTable, YGod, [&](TTableBlob& t) {
        TDom* dom = DomNumer(t.FieldByName("Dom")->asInteger());
        if (dom == nullptr) return;
        auto ayd = std::make_unique<TAyd>();
        ayd->N = keyOf(t);
        ayd->SetName(t.FieldByName("Klass")->asString());
        ayd->kv = static_cast<uint16_t>(t.FieldByName("Mest")->asInteger());
        ayd->SetSpecAyd(t.FieldByName("SpesAyd")->asString() == "Y");
        ayd->SetDom(dom);
        ayd->FioFromBytes(readBlob(t, "LFio"), [&](int n) { return FioNumer(n); });
        LAyd.push_back(std::move(ayd));
    });
    sortAyd(LAyd);
    return ok;
}

bool TAllRasp::readAtribyt() {
    DM.StydImageShowBar(std::string("Чтение ") + kAtribytTable);
    return DM.ReadEntries(kAtribytTable, std::nullopt, [&](TTableBlob& t) {
        Atribyt.Add(keyOf(t), t.FieldByName("Name")->asString());
    });
}

// --- Teachers ----------------------------------------------------------------

void TAllRasp::ClearLFio() {
    LFio.clear();
    FFioActivIndx = 0;
}

int TAllRasp::GetFioIndex(const TFio* fio) const {
    return indexOf(LFio, fio);
}

int TAllRasp::CountSelectFio() const {
    return static_cast<int>(
        std::count_if(LFio.begin(), LFio.end(), [](const auto& f) { return f->Select; }));
}

bool TAllRasp::storeFio(TFio& fio) {
    return storeWith(DM, kFioTable, fio, [&](TTableBlob& t) {
        t.FieldByName("God")->setAsInteger(YGod);
        t.FieldByName("Name")->setAsString(fio.BigName());
        t.FieldByName("RunDay")->setAsInteger(fio.Rday());
        writeBlob(t, "Dan", fio.DanToBytes());
    });
}

TFio* TAllRasp::AddFio(std::unique_ptr<TFio> fio) {
    if (!fio || !storeFio(*fio)) return nullptr;
    fio->modifi = false;
    TFio* added = fio.get();
    LFio.push_back(std::move(fio));
    sortFio(LFio);
    return added;
}

bool TAllRasp::AddFio(TFio* fio) {
    if (fio == nullptr || !storeFio(*fio)) return false;
    fio->modifi = false;
    sortFio(LFio);
    return true;
}

bool TAllRasp::DelFio(TFio* fio) {
    if (GetFioIndex(fio) < 0 || fio->NoDelete >= 1) return false;
    if (!DM.DeleteEntry(kFioTable, static_cast<uint32_t>(fio->N))) return false;
    eraseEntry(LFio, fio);  // its destructor unbinds it from the rooms
    clampActiv(FFioActivIndx, LFio.size());
    return true;
}

bool TAllRasp::DelAllFio() {
    if (!DM.DeleteAllOfYear(kFioTable, YGod)) return false;
    ClearLFio();
    return true;
}

void TAllRasp::FioActivUp() {
    if (FFioActivIndx > 0) --FFioActivIndx;
}

void TAllRasp::FioActivDown() {
    if (FFioActivIndx + 1 < CountFio()) ++FFioActivIndx;
}

TFio* TAllRasp::FindFioForShortName(std::string_view valueShortName) const {
    const std::string wanted = trim(valueShortName);
    for (const auto& fio : LFio)
        if (trim(fio->Name()) == wanted) return fio.get();
    return nullptr;
}

TFio* TAllRasp::FindFioForBigName(std::string_view valueBigName) const {
    const std::string big = trim(valueBigName);
    const std::string shortName = BigNameToShortName(big);
    for (const auto& fio : LFio)
        if (trim(fio->BigName()) == big || fio->Name() == shortName) return fio.get();
    return nullptr;
}

TFio* TAllRasp::FindFioForAnyName(std::string_view name) const {
    if (TFio* fio = FindFioForShortName(name)) return fio;
    return FindFioForBigName(name);
}

TFio* TAllRasp::FioNumer(int n) const {
    return byNumber(LFio, n);
}

TListBoxN TAllRasp::FioToListBoxN() const {
    TListBoxN out;
    for (const auto& fio : LFio) out.emplace_back(fio->Name(), fio->N);
    return out;
}

// --- Subject names -------------------------------------------------------------

void TAllRasp::ClearLYrName() {
    LYrName.clear();
    FYrNameActivIndx = 0;
}

int TAllRasp::GetYrNameIndex(const TYrName* yrName) const {
    return indexOf(LYrName, yrName);
}

TYrName* TAllRasp::CreateYrName(std::string_view vShortName, std::string_view vLongName) {
    LYrName.push_back(std::make_unique<TYrName>(vShortName, vLongName));
    return LYrName.back().get();
}

bool TAllRasp::storeYrName(TYrName& yrName) {
    return storeWith(DM, kYrokTable, yrName, [&](TTableBlob& t) {
        t.FieldByName("God")->setAsInteger(YGod);
        t.FieldByName("Yrok")->setAsString(yrName.Name());
        t.FieldByName("YrokFull")->setAsString(yrName.BigName());
    });
}

bool TAllRasp::AddYrName(TYrName* yrName) {
    if (yrName == nullptr || !storeYrName(*yrName)) return false;
    sortYrName(LYrName);
    return true;
}

bool TAllRasp::DelYrName(TYrName* yrName) {
    if (GetYrNameIndex(yrName) < 0 || yrName->NoDelete >= 1) return false;
    if (!DM.DeleteEntry(kYrokTable, static_cast<uint32_t>(yrName->N))) return false;
    eraseEntry(LYrName, yrName);
    clampActiv(FYrNameActivIndx, LYrName.size());
    return true;
}

bool TAllRasp::DelAllYrName() {
    if (!DM.DeleteAllOfYear(kYrokTable, YGod)) return false;
    ClearLYrName();
    return true;
}

void TAllRasp::YrNameActivUp() {
    if (FYrNameActivIndx > 0) --FYrNameActivIndx;
}

void TAllRasp::YrNameActivDown() {
    if (FYrNameActivIndx + 1 < CountYrName()) ++FYrNameActivIndx;
}

TYrName* TAllRasp::FindYrNameForName(std::string_view shName) const {
    const std::string wanted = trim(shName);
    for (const auto& yr : LYrName)
        if (trim(yr->Name()) == wanted) return yr.get();
    return nullptr;
}

TYrName* TAllRasp::FindYrNameForLongName(std::string_view vLongName) const {
    const std::string wanted = trim(vLongName);
    for (const auto& yr : LYrName)
        if (trim(yr->BigName()) == wanted) return yr.get();
    return nullptr;
}

TYrName* TAllRasp::YrNameNumer(int n) const {
    return byNumber(LYrName, n);
}

TListBoxN TAllRasp::YrNameToListBoxN() const {
    TListBoxN out;
    for (const auto& yr : LYrName) out.emplace_back(yr->Name(), yr->N);
    return out;
}

// --- Buildings -----------------------------------------------------------------

void TAllRasp::ClearLDom() {
    ClearLAyd();
    LDom.clear();
    FDomActivIndx = 0;
}

TDom* TAllRasp::FindDom(std::string_view vDomName) const {
    for (const auto& dom : LDom)
        if (dom->Name() == vDomName) return dom.get();
    return nullptr;
}

TDom* TAllRasp::CreateDom(std::string_view vDomName) {
    LDom.push_back(std::make_unique<TDom>(vDomName));
    return LDom.back().get();
}

bool TAllRasp::storeDom(TDom& dom) {
    return storeWith(DM, kDomTable, dom, [&](TTableBlob& t) {
        t.FieldByName("God")->setAsInteger(YGod);
        t.FieldByName("Dom")->setAsString(dom.Name());
        if (TField* color = t.FieldByName("Color")) color->setAsInteger(dom.ColorFont);
    });
}

bool TAllRasp::AddDom(TDom* dom) {
    return dom != nullptr && storeDom(*dom);
}

TDom* TAllRasp::AddDom(std::string_view vDomName) {
    TDom* dom = CreateDom(vDomName);
    if (AddDom(dom)) return dom;
    eraseEntry(LDom, static_cast<const TDom*>(dom));
    return nullptr;
}

bool TAllRasp::DelDom(TDom* dom) {
    if (indexOf(LDom, static_cast<const TDom*>(dom)) < 0 || dom->NoDelete >= 1) return false;
    if (!DM.DeleteEntry(kDomTable, static_cast<uint32_t>(dom->N))) return false;
    eraseEntry(LDom, static_cast<const TDom*>(dom));
    clampActiv(FDomActivIndx, LDom.size());
    return true;
}

bool TAllRasp::DelAllDom() {
    if (!DM.DeleteAllOfYear(kDomTable, YGod)) return false;
    ClearLDom();
    return true;
}

TDom* TAllRasp::DomNumer(int n) const {
    return byNumber(LDom, n);
}

TListBoxN TAllRasp::DomToListBoxN() const {
    TListBoxN out;
    for (const auto& dom : LDom) out.emplace_back(dom->Name(), dom->N);
    return out;
}

// --- Rooms ---------------------------------------------------------------------

void TAllRasp::ClearLAyd() {
    LAyd.clear();
    FAydActivIndx = 0;
}

int TAllRasp::GetAydIndex(const TAyd* ayd) const {
    return indexOf(LAyd, ayd);
}

TAyd* TAllRasp::GetAydNumer(int nAyd) const {
    return byNumber(LAyd, nAyd);
}

TAyd* TAllRasp::CreateAyd(TDom* vDom, std::string_view vAydName) {
    auto ayd = std::make_unique<TAyd>();
    ayd->SetName(vAydName);
    ayd->SetDom(vDom);
    LAyd.push_back(std::move(ayd));
    return LAyd.back().get();
}

bool TAllRasp::storeAyd(TAyd& ayd) {
    return storeWith(DM, kAydTable, ayd, [&](TTableBlob& t) {
        t.FieldByName("God")->setAsInteger(YGod);
        t.FieldByName("Klass")->setAsString(ayd.Name());
        t.FieldByName("Mest")->setAsInteger(ayd.kv);
        t.FieldByName("Dom")->setAsInteger(ayd.Dom() != nullptr ? ayd.Dom()->N : 0);
        t.FieldByName("SpesAyd")->setAsString(ayd.SpecAyd() ? "Y" : "");
        writeBlob(t, "LFio", ayd.FioToBytes());
    });
}

bool TAllRasp::AddAyd(TAyd* ayd) {
    if (ayd == nullptr || !storeAyd(*ayd)) return false;
    ayd->modifi = false;
    sortAyd(LAyd);
    return true;
}

TAyd* TAllRasp::AddAyd(TDom* vDom, std::string_view vAydName) {
    TAyd* ayd = CreateAyd(vDom, vAydName);
    if (AddAyd(ayd)) return ayd;
    eraseEntry(LAyd, static_cast<const TAyd*>(ayd));
    return nullptr;
}

bool TAllRasp::DelAyd(TAyd* ayd) {
    if (GetAydIndex(ayd) < 0 || ayd->NoDelete > 0) return false;
    if (AydUsedInRasp && AydUsedInRasp(*ayd)) return false;
    if (!DM.DeleteEntry(kAydTable, static_cast<uint32_t>(ayd->N))) return false;
    eraseEntry(LAyd, static_cast<const TAyd*>(ayd));  // releases building and teachers
    clampActiv(FAydActivIndx, LAyd.size());
    return true;
}

bool TAllRasp::DelAllAyd() {
    if (!DM.DeleteAllOfYear(kAydTable, YGod)) return false;
    ClearLAyd();
    return true;
}

TAyd* TAllRasp::FindAyd(std::string_view vDomName, std::string_view vAydName) const {
    for (const auto& ayd : LAyd)
        if (ayd->Dom() != nullptr && ayd->Dom()->Name() == vDomName && ayd->Name() == vAydName)
            return ayd.get();
    return nullptr;
}

TListBoxN TAllRasp::AydToListBoxN() const {
    TListBoxN out;
    for (const auto& ayd : LAyd)
        out.emplace_back(ayd->Name() + " (" + std::to_string(ayd->kv) + " чел.)", ayd->N);
    return out;
}

// --- Faculties -----------------------------------------------------------------

void TAllRasp::ClearLFak() {
    LFak.clear();
}

bool TAllRasp::storeFak(TFak& fak) {
    return storeWith(DM, kFakTable, fak, [&](TTableBlob& t) {
        t.FieldByName("God")->setAsInteger(YGod);
        t.FieldByName("Fak")->setAsString(fak.Name());
    });
}

TFak* TAllRasp::AddFak(std::unique_ptr<TFak> fak) {
    if (!fak || !storeFak(*fak)) return nullptr;
    fak->Spisok = this;
    LFak.push_back(std::move(fak));
    return LFak.back().get();
}

bool TAllRasp::AddFak(TFak* fak) {
    return fak != nullptr && storeFak(*fak);
}

bool TAllRasp::DelFak(int indx) {
    if (indx < 0 || indx >= CountFak()) return false;
    if (!DM.DeleteEntry(kFakTable, static_cast<uint32_t>(LFak[indx]->N))) return false;
    LFak.erase(LFak.begin() + indx);
    return true;
}

bool TAllRasp::DelAllFak() {
    if (!DM.DeleteAllOfYear(kFakTable, YGod)) return false;
    ClearLFak();
    return true;
}

TListBoxN TAllRasp::FakToListBoxN() const {
    TListBoxN out;
    for (const auto& fak : LFak) out.emplace_back(fak->Name(), fak->N);
    return out;
}

// --- Attributes ----------------------------------------------------------------

TAtr* TAllRasp::AddAtribyt(std::string_view name) {
    uint32_t n = 0;
    const std::string cut = TAtr(nullptr, 0, name).Name();
    if (!storeEntry(DM, kAtribytTable, n,
                       [&](TTableBlob& t) { t.FieldByName("Name")->setAsString(cut); }))
        return nullptr;
    return Atribyt.Add(static_cast<int>(n), cut);
}

namespace {

bool isUserAtr(const TAtribyt& atribyt, const TAtr* atr) {
    for (std::size_t i = TAtribyt::kBuiltIn; i < atribyt.LAtr.size(); ++i)
        if (atribyt.LAtr[i].get() == atr) return true;
    return false;
}

}  // namespace

bool TAllRasp::AddAtribyt(TAtr* atr) {
    if (!isUserAtr(Atribyt, atr)) return false;
    auto n = static_cast<uint32_t>(atr->N);
    return storeEntry(DM, kAtribytTable, n,
                         [&](TTableBlob& t) { t.FieldByName("Name")->setAsString(atr->Name()); });
}

bool TAllRasp::DelAtribyt(TAtr* atr) {
    // The built-in attributes have no row to delete.
    if (!isUserAtr(Atribyt, atr) || atr->NoDelete > 0) return false;
    if (!DM.DeleteEntry(kAtribytTable, static_cast<uint32_t>(atr->N))) return false;
    std::erase_if(Atribyt.LAtr, [&](const auto& a) { return a.get() == atr; });
    return true;
}

TListBoxN TAllRasp::AtribytToComboBoxN(bool vNoSetka) const {
    TListBoxN out;
    for (std::size_t i = vNoSetka ? 1 : 0; i < Atribyt.LAtr.size(); ++i)
        out.emplace_back(Atribyt.LAtr[i]->Name(), Atribyt.LAtr[i]->N);
    return out;
}

}  // namespace zavlin
