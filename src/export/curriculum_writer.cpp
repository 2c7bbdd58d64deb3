#include "export/curriculum_writer.h"

#include <algorithm>
#include <map>
#include <set>
#include <string_view>
#include <vector>

#include "export/curriculum_import.h"
#include "export/xml_document.h"
#include "model/year.h"

namespace zavlin::exporting {

namespace {

constexpr const char* kStudyDay = "У";
constexpr const char* kFreeDay = "-";
constexpr const char* kKindSuffix = "(Д)";

const char* tipLetter(int tip) {
    switch (tip) {
        case 1:
            return "D";
        case 2:
            return "R";
        case 3:
            return "K";
        case 4:
            return "M";
        default:
            return "";
    }
}

// The group's study days, one character per day from 1 September.
std::string grafOf(const TAllRasp& year, const TGryp& gr, int dey2sem, int& s1, int& s2) {
    std::string out;
    s1 = s2 = 0;
    const int32_t start = year.AllNed.Date09_01();
    for (int i = 0; i < kGrafDays; ++i) {
        int ne = 0, d = 0;
        const bool study =
            year.AllNed.DateToNedDey(start + i, false, ne, d) && d <= kDays && gr.TestRunDey(ne, d);
        out += study ? kStudyDay : kFreeDay;
        if (study) ++(dey2sem <= 0 || i + 1 < dey2sem ? s1 : s2);
    }
    return out;
}

// The pairs the import gives the two typical weeks of a half-year from its
// hours.
int typicalPairsOf(int hours, int studyDays) {
    std::array<int, 2> given{};
    const std::array<int, 2> p = TypicalWeekPairs(studyDays, hours, given);
    return hours / 2 == 0 ? 0 : p[0] + p[1];
}

// Hours of a half-year: the import plans hours div 2 pairs for it and shares
// out the typical weeks' pairs from them, so the hours that give back both
// the subject's planned pairs and its typical pairs; when none does, the
// typical weeks win, being load.
int halfHours(int pairs, int studyDays, int planned) {
    for (const int hours : {2 * planned, 2 * planned + 1})
        if (hours <= kMaxHalfYearHours && typicalPairsOf(hours, studyDays) == pairs) return hours;
    const int weeks = TypicalWeekCount(studyDays);
    return weeks > 0 ? pairs * weeks : 2 * planned;
}

void writeSubject(TXMLObject* list, const TPredmet& pr, int semWeek, const std::array<int, 2>& days,
                  const std::map<const TYrName*, int>& names,
                  const std::map<const TFio*, int>& fios) {
    const int kind = pr.Dan.GDel == 2 ? 2 : 1;
    const std::string digit = std::to_string(kind);
    TXMLObject* e = list->CreateXMLObject("Pr");
    e->AddNewXMLAtr("NPredmet", static_cast<int32_t>(names.at(pr.YrName())));
    e->AddNewXMLAtr("GNYrName", static_cast<int32_t>(pr.Dan.GNYrName));
    e->AddNewXMLAtr("N", static_cast<int32_t>(pr.Dan.GNPredmetYp));
    e->AddNewXMLAtr("RazN", static_cast<int32_t>(pr.Dan.RazN));
    e->AddNewXMLAtr("Tip", tipLetter(pr.Dan.TipDRKM));
    std::string h;
    std::string tail;
    for (int ne = 1; ne <= kHWeeks; ++ne) {
        const int pairs = pr.CountPredmetNe(kSetkaPlan, ne);
        tail += std::to_string(2 * pairs) + ";";
        if (pairs > 0) {
            h += tail;
            tail.clear();
        }
    }
    e->CreateXMLObject("Ned")->CreateXMLObject("Ne" + digit)->AddNewXMLAtr("H", h);
    for (int half = 0; half < 2; ++half) {
        std::vector<const TFio*> teachers;
        auto take = [&](int ne) {
            for (const auto& fp : pr.GetLFio(ne))
                if (fp->Fio() != nullptr &&
                    std::find(teachers.begin(), teachers.end(), fp->Fio()) == teachers.end())
                    teachers.push_back(fp->Fio());
        };
        const int first = half == 0 ? 1 : semWeek;
        const int last = half == 0 ? semWeek - 1 : kHWeeks;
        for (int ne = first; ne <= last; ++ne) take(ne);
        const int typical = 53 + 2 * half;
        take(typical);
        take(typical + 1);
        const int pairs =
            pr.CountPredmetNe(kSetkaPlan, typical) + pr.CountPredmetNe(kSetkaPlan, typical + 1);
        TXMLObject* sem = e->CreateXMLObject("Sem" + std::to_string(half + 1));
        const int planned = half == 0 ? pr.Dan.Sem1 : pr.Dan.Sem2;
        sem->AddNewXMLAtr("H" + digit, static_cast<int32_t>(halfHours(
                                           pairs, days[static_cast<std::size_t>(half)], planned)));
        TXMLObject* lf = sem->CreateXMLObject("LFio" + digit);
        lf->AddNewXMLAtr("Count", static_cast<int32_t>(teachers.size()));
        for (const TFio* f : teachers)
            lf->CreateXMLObject("F")->AddNewXMLAtr("FN", static_cast<int32_t>(fios.at(f)));
    }
}

}  // namespace

void WriteCurriculum(const TAllRasp& year, TXMLCreater& doc) {
    doc.Clear();
    TXMLObject* y = doc.CreateMainXMLObject("Curriculum")->CreateXMLObject("Year");
    y->AddNewXMLAtr("Vers", static_cast<int32_t>(kCurriculumVersion));
    y->AddNewXMLAtr("Name", static_cast<int32_t>(year.YGod));

    TXMLObject* ldom = y->CreateXMLObject("LDom");
    int doms = 0;
    for (const auto& dom : year.LDom) {
        std::vector<const TAyd*> rooms;
        for (const auto& a : year.LAyd)
            if (a->Dom() == dom.get()) rooms.push_back(a.get());
        if (dom->Name().empty() && rooms.empty()) continue;
        TXMLObject* d = ldom->CreateXMLObject("Dom");
        d->AddNewXMLAtr("Name", dom->Name());
        d->AddNewXMLAtr("Count", static_cast<int32_t>(rooms.size()));
        TXMLObject* layd = d->CreateXMLObject("LAyd");
        for (const TAyd* a : rooms) {
            TXMLObject* r = layd->CreateXMLObject("Ayd");
            r->AddNewXMLAtr("Name", a->Name());
            r->AddNewXMLAtr("N", static_cast<int32_t>(a->GN));
            r->AddNewXMLAtr("Count", static_cast<int32_t>(a->kv));
        }
        ++doms;
    }
    ldom->AddNewXMLAtr("Count", static_cast<int32_t>(doms));

    // A kind-2 subject's name carries its suffix, which the import adds again.
    std::set<const TYrName*> secondKind;
    for (const auto& gr : year.LGryp)
        for (const auto& pr : gr->LPredmet)
            if (pr->Dan.GDel == 2) secondKind.insert(pr->YrName());
    std::map<const TYrName*, int> names;
    TXMLObject* lpredmet = y->CreateXMLObject("LPredmet");
    for (const auto& yr : year.LYrName) {
        const int n = static_cast<int>(names.size()) + 1;
        names.emplace(yr.get(), n);
        std::string shortName = yr->Name();
        if (secondKind.count(yr.get()) && shortName.ends_with(kKindSuffix))
            shortName.resize(shortName.size() - std::string_view(kKindSuffix).size());
        TXMLObject* p = lpredmet->CreateXMLObject("P");
        p->AddNewXMLAtr("N", static_cast<int32_t>(n));
        p->AddNewXMLField("SName", shortName);
        p->AddNewXMLField("LName", yr->BigName());
    }
    // "N" is the reference to a teacher and the plan number the import gives
    // it: a teacher's own number when no other has it, a free one otherwise.
    std::map<int, int> numberUse;
    int maxNumber = 0;
    for (const auto& f : year.LFio) {
        ++numberUse[f->GN];
        maxNumber = std::max(maxNumber, f->GN);
    }
    std::map<const TFio*, int> fios;
    TXMLObject* lfio = y->CreateXMLObject("LFio");
    for (const auto& f : year.LFio) {
        const int n = f->GN > 0 && numberUse[f->GN] == 1 ? f->GN : ++maxNumber;
        fios.emplace(f.get(), n);
        TXMLObject* o = lfio->CreateXMLObject("F");
        o->AddNewXMLAtr("N", static_cast<int32_t>(n));
        o->AddNewXMLField("Name", f->BigName());
    }
    y->CreateXMLObject("LMetodist");

    TXMLObject* lgryp = y->CreateXMLObject("LGryp");
    lgryp->AddNewXMLAtr("Count", static_cast<int32_t>(year.LGryp.size()));
    const int32_t start = year.AllNed.Date09_01();
    for (const auto& gr : year.LGryp) {
        TXMLObject* g = lgryp->CreateXMLObject("Gr");
        g->AddNewXMLAtr("Name", gr->Name());
        g->AddNewXMLAtr("N", static_cast<int32_t>(gr->Dan.GN));
        const int pos = gr->Dan.DateSemm2 - start + 1;
        const int dey2sem = pos >= 1 && pos <= kGrafDays ? pos : 0;
        std::array<int, 2> days{};
        const std::string graf = grafOf(year, *gr, dey2sem, days[0], days[1]);
        TXMLObject* main = g->CreateXMLObject("Main");
        main->AddNewXMLField("Kyrs", static_cast<int32_t>(gr->Dan.Kyrs));
        main->AddNewXMLField("Stud1", static_cast<int32_t>(gr->Dan.Ks));
        main->AddNewXMLField("Dey2sem", static_cast<int32_t>(dey2sem));
        main->AddNewXMLField("Graf", graf);
        TXMLObject* lpr = g->CreateXMLObject("LPrGryp");
        lpr->AddNewXMLAtr("Count", static_cast<int32_t>(gr->LPredmet.size()));
        const int semWeek = gr->NedStartSemm(2);
        for (const auto& pr : gr->LPredmet)
            if (pr->YrName() != nullptr && names.count(pr->YrName()))
                writeSubject(lpr, *pr, semWeek, days, names, fios);
    }
}

bool SaveCurriculum(const TAllRasp& year, const std::filesystem::path& file, std::string& message) {
    // Without its calendar every study day would land on the wrong date.
    if (year.AllNed.YGod != year.YGod || year.AllNed.Dg == 0) {
        message = "the calendar of the academic year is not set";
        return false;
    }
    TXMLCreater doc;
    WriteCurriculum(year, doc);
    if (!doc.SaveToFile(file)) {
        message = doc.LastError();
        return false;
    }
    return true;
}

}  // namespace zavlin::exporting
