// The plan entered into a year object the way the data-entry windows enter
// it. Only the pinned lessons and the past week keep placed lessons: the
// active weeks get their load and wait for composition.
#include <algorithm>
#include <array>
#include <memory>

#include "base/datetime.h"
#include "demo/sample_college.h"
#include "model/calendar.h"
#include "model/exam.h"
#include "model/group.h"
#include "model/year.h"
#include "storage/year_database.h"

namespace zavlin::demo {

namespace {

constexpr uint8_t kExamHour = 9;
constexpr uint16_t kExamHours = 600;  // academic hours x 100
constexpr uint8_t kDifZachetType = 2;

struct Built {
    std::vector<TFak*> faculties;
    std::vector<TYrName*> names;
    std::vector<TFio*> teachers;
    std::vector<TAyd*> rooms;
    std::vector<TGryp*> groups;
};

class Failure {
public:
    explicit Failure(std::string& message) : message_(message) {}
    bool operator()(bool ok, const std::string& what) {
        if (!ok && message_.empty()) message_ = what + " could not be stored";
        return ok;
    }

private:
    std::string& message_;
};

// The Monday on or after 10 January: where the spring semester starts.
int32_t springStart(int year) {
    int32_t date = encodeDate(year + 1, 1, 10);
    while (isoWeekday(date) != 1) ++date;
    return date;
}

TFioPredmet* assignment(TGryp* gr, int subject, int ne, TFio* fio) {
    return gr->LPredmet[static_cast<std::size_t>(subject)]->FindFioPredmet(ne, fio);
}

// Teachers and load of one week, as the load window enters them.
void enterWeek(const SamplePlan& plan, const Built& b, int g, int ne, int w) {
    TGryp* gr = b.groups[static_cast<std::size_t>(g)];
    gr->SetNed(ne);
    const PlanGroup& pg = plan.groups[static_cast<std::size_t>(g)];
    for (std::size_t s = 0; s < pg.subjects.size(); ++s) {
        TPredmet* pr = gr->LPredmet[s].get();
        for (int t : pg.subjects[s].teachers)
            pr->AddFio(ne, b.teachers[static_cast<std::size_t>(t)]);
        for (int k = 0; k < pg.subjects[s].target[static_cast<std::size_t>(w)]; ++k)
            pr->AddPredmetNe(kSetkaPlan, ne);
    }
}

// What the plan gives a subject beside its load: its kind, subgroups for a
// subject two teachers read in parallel, and the planned pairs of each
// half-year, its typical weeks' pairs over the weeks of its study days (a
// week counted from three study days on).
void enterPlannedPairs(const SamplePlan& plan, const Built& b, int g) {
    TGryp* gr = b.groups[static_cast<std::size_t>(g)];
    const TAllRasp* year = gr->God();
    const int32_t first = year != nullptr ? year->AllNed.Date09_01() : 0;
    std::array<int, 2> days{};
    const int spring = gr->NedStartSemm(2);
    for (int ne = 1; ne <= kStudyWeeks; ++ne)
        for (int d = 1; d <= kDayCount; ++d)
            if (gr->TestRunDey(ne, d) && year != nullptr &&
                year->AllNed.DNed(ne)->Dt + d - 1 >= first)
                ++days[ne < spring ? 0 : 1];
    const PlanGroup& pg = plan.groups[static_cast<std::size_t>(g)];
    for (std::size_t s = 0; s < pg.subjects.size(); ++s) {
        TPredmet* pr = gr->LPredmet[s].get();
        pr->Dan.GDel = 1;  // an ordinary subject of the plan
        if (pg.subjects[s].teachers.size() > 1) pr->Dan.Podg = 1;
        for (int h = 0; h < 2; ++h) {
            const int studyDays = days[static_cast<std::size_t>(h)];
            const int weeks = studyDays / 6 + (studyDays % 6 > 2 ? 1 : 0);
            const int pairs = pr->CountPredmetNe(kSetkaPlan, 53 + 2 * h) +
                              pr->CountPredmetNe(kSetkaPlan, 54 + 2 * h);
            (h == 0 ? pr->Dan.Sem1 : pr->Dan.Sem2) =
                static_cast<uint8_t>(std::min(pairs * weeks / 2, 250));
        }
    }
}

void enterUnions(const SamplePlan& plan, const Built& b, TAllRasp& year, int ne) {
    for (const PlanUnion& u : plan.unions) {
        auto ob = std::make_unique<TOb>(ne, 0);
        for (const auto& [g, s] : u.members)
            ob->LFioPredmet.push_back(assignment(b.groups[static_cast<std::size_t>(g)], s, ne,
                                                 b.teachers[static_cast<std::size_t>(u.teacher)]));
        (void)year.AddOb(std::move(ob), true);
    }
}

// Lesson l of the plan into layer tip of week ne.
TYr* enterLesson(const Built& b, const PlanLesson& l, int ne, int tip) {
    TGryp* gr = b.groups[static_cast<std::size_t>(l.group)];
    TPredmet* pr = gr->LPredmet[static_cast<std::size_t>(l.subject)].get();
    TNed* week = gr->GetNed(ne);
    TFioPredmet* fp =
        assignment(gr, l.subject, ne, b.teachers[static_cast<std::size_t>(l.teacher)]);
    TYrokKorzina* item = week->FindYrokKorzina(kSetkaPlan, pr);
    if (fp == nullptr || item == nullptr) return nullptr;
    TYr* yr = week->AddYrRas(tip, l.day, l.period, item, fp);
    if (yr != nullptr) yr->SetAyd(b.rooms[static_cast<std::size_t>(l.room)]);
    return yr;
}

bool enterSubstitutions(const SamplePlan& plan, const Built& b) {
    for (const PlanSubstitution& s : plan.substitutions) {
        TNed* week = b.groups[static_cast<std::size_t>(s.group)]->GetNed(kSubstitutionWeek);
        TYrok* yrok = week != nullptr ? week->GetYrok(0, s.day, s.period) : nullptr;
        if (yrok == nullptr) return false;
        TYr* lesson = nullptr;
        for (TYr* yr : yrok->LYr)
            if (yr->Fio() == b.teachers[static_cast<std::size_t>(s.teacher)]) lesson = yr;
        if (lesson == nullptr) return false;
        if (s.substitute < 0) {
            if (yrok->AddOtmena(lesson) == nullptr) return false;
            continue;
        }
        // The lesson gives up its room to the substitution that replaces it.
        TAyd* room = lesson->Ayd();
        TZamena* zm = yrok->AddZamenaForYr(lesson);
        if (zm == nullptr) return false;
        zm->SetFio(b.teachers[static_cast<std::size_t>(s.substitute)]);
        zm->SetAyd(room);
    }
    return true;
}

void enterExams(const SamplePlan& plan, const Built& b, TAllRasp& year) {
    for (const PlanExam& e : plan.exams) {
        TGryp* gr = b.groups[static_cast<std::size_t>(e.group)];
        TEDey& day = *gr->SetENed(kExamWeek)->mDey[static_cast<std::size_t>(e.day)];
        auto ex = std::make_unique<TEkzamen>(&day);
        ex->Dan.de = static_cast<uint8_t>(e.day);
        ex->Dan.Tm = kExamHour;
        ex->Dan.Kh00 = kExamHours;
        ex->SetPredmet(gr->LPredmet[static_cast<std::size_t>(e.subject)].get());
        ex->SetFio(b.teachers[static_cast<std::size_t>(e.teacher)]);
        ex->SetAtr(year.Atribyt.AtrNumer(TAtribyt::kEkzamen));
        day.LEkz.push_back(std::move(ex));
    }
    for (const PlanCredit& c : plan.credits) {
        TGryp* gr = b.groups[static_cast<std::size_t>(c.group)];
        auto z = createZachet(gr, kDifZachetType);
        z->FDan.FNe = static_cast<uint8_t>(kCreditWeek);
        z->FDan.FDay = static_cast<uint8_t>(c.day);
        z->FDan.FStart = static_cast<uint16_t>(c.start);
        z->FDan.FLength = static_cast<uint16_t>(c.length);
        z->SetPredmet(gr->LPredmet[static_cast<std::size_t>(c.subject)].get());
        z->SetAyd(b.rooms[static_cast<std::size_t>(c.room)]);
        z->AddEkzam(b.teachers[static_cast<std::size_t>(c.examiner)]);
        if (c.assistant >= 0) z->AddAsist(b.teachers[static_cast<std::size_t>(c.assistant)]);
        gr->LZachet.push_back(std::move(z));
    }
}

}  // namespace

bool buildSampleYear(const SamplePlan& plan, TAllRasp& year, std::string& message) {
    message.clear();
    Failure ok(message);
    Built b;

    year.DM.StydImageShowBar("Факультеты");
    for (const PlanFaculty& f : plan.faculties) {
        auto fak = std::make_unique<TFak>(static_cast<TSpisok*>(&year));
        fak->SetName(f.name);
        b.faculties.push_back(year.AddFak(std::move(fak)));
        if (!ok(b.faculties.back() != nullptr, "faculty " + f.name)) return false;
    }
    year.DM.StydImageShowBar("Предметы");
    for (const PlanSubjectName& n : plan.names) {
        TYrName* yr = year.CreateYrName(n.shortName, n.fullName == n.shortName ? "" : n.fullName);
        b.names.push_back(yr);
        if (!ok(year.AddYrName(yr), "subject " + n.shortName)) return false;
    }
    year.DM.StydImageShowBar("Преподаватели");
    for (const PlanTeacher& t : plan.teachers) {
        auto fio = std::make_unique<TFio>();
        fio->SetBigName(t.fullName);
        fio->SetDolg(t.position);
        fio->SetRday(t.rday);
        fio->Dan.Op = t.op;
        // The college's plan numbers its teachers, as its import would.
        fio->GN = static_cast<int>(b.teachers.size()) + 1;
        b.teachers.push_back(year.AddFio(std::move(fio)));
        if (!ok(b.teachers.back() != nullptr, "teacher " + t.fullName)) return false;
    }
    year.DM.StydImageShowBar("Здания");
    std::vector<TDom*> buildings;
    for (const PlanBuilding& d : plan.buildings) {
        // A year loaded without buildings got an unnamed one to put rooms in.
        if (buildings.empty() && year.CountDom() == 1 && year.LDom[0]->Name().empty()) {
            TDom* first = year.LDom[0].get();
            first->SetName(d.name);
            buildings.push_back(year.AddDom(first) ? first : nullptr);
        } else {
            buildings.push_back(year.AddDom(d.name));
        }
        if (!ok(buildings.back() != nullptr, "building " + d.name)) return false;
    }
    for (const PlanRoom& r : plan.rooms) {
        TAyd* ayd = year.CreateAyd(buildings[static_cast<std::size_t>(r.building)], r.name);
        ayd->kv = static_cast<uint16_t>(r.seats);
        ayd->SetSpecAyd(r.special);
        for (int t : r.teachers) ayd->AddFio(b.teachers[static_cast<std::size_t>(t)]);
        b.rooms.push_back(ayd);
        if (!ok(year.AddAyd(ayd), "room " + r.name)) return false;
    }

    year.DM.StydImageShowBar("Группы");
    for (std::size_t g = 0; g < plan.groups.size(); ++g) {
        const PlanGroup& pg = plan.groups[g];
        auto gr = std::make_unique<TGryp>(static_cast<TSpisok*>(&year));
        gr->SetName(pg.name);
        gr->Dan.Ks = static_cast<uint16_t>(pg.students);
        gr->Dan.TimeDay = static_cast<uint8_t>(pg.firstPeriod);
        gr->Dan.Kyrs = static_cast<uint8_t>(pg.course);
        if (pg.fiveDays) gr->Dan.arRDeyNed = {9, 9, 9, 9, 9, 0, 0};
        gr->SetDateSemm2(springStart(plan.options.year));
        b.groups.push_back(year.AddGryp(std::move(gr)));
        if (!ok(b.groups.back() != nullptr, "group " + pg.name)) return false;
        for (std::size_t f = 0; f < plan.faculties.size(); ++f)
            for (int member : plan.faculties[f].groups)
                if (member == static_cast<int>(g) &&
                    !ok(year.AddFakGryp(b.faculties[f], b.groups.back()),
                        "membership of " + pg.name))
                    return false;
        for (const PlanSubject& s : pg.subjects) {
            TPredmet* pr =
                b.groups.back()->CreatePredmet(b.names[static_cast<std::size_t>(s.name)]);
            if (!ok(pr != nullptr, "a subject of " + pg.name)) return false;
            pr->Dan.Spar = static_cast<uint8_t>(s.spar);
        }
    }

    year.DM.StydImageShowBar("Нагрузка");
    for (std::size_t g = 0; g < plan.groups.size(); ++g) {
        for (std::size_t w = 0; w < kActiveWeeks.size(); ++w)
            enterWeek(plan, b, static_cast<int>(g), kActiveWeeks[w], static_cast<int>(w));
        // The past week ran on the numerator timetable.
        enterWeek(plan, b, static_cast<int>(g), kSubstitutionWeek, 0);
        enterPlannedPairs(plan, b, static_cast<int>(g));
    }
    for (int ne : {kActiveWeeks[0], kActiveWeeks[1], kSubstitutionWeek})
        enterUnions(plan, b, year, ne);

    for (std::size_t w = 0; w < kActiveWeeks.size(); ++w)
        for (const PlanLesson& l : plan.weeks[w].lessons)
            if (l.pinned &&
                !ok(enterLesson(b, l, kActiveWeeks[w], 1) != nullptr, "a pinned lesson"))
                return false;
    for (const PlanLesson& l : plan.weeks[0].lessons)
        if (!ok(enterLesson(b, l, kSubstitutionWeek, 0) != nullptr, "a lesson of the past week"))
            return false;
    if (!ok(enterSubstitutions(plan, b), "a substitution")) return false;
    enterExams(plan, b, year);

    year.DM.StydImageShowBar("Сохранение расписания");
    return ok(year.SaveRasp(), "the timetables");
}

}  // namespace zavlin::demo
