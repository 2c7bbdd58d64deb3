// The dry run: the outcome the import would write, compared with the year
// as it stands. It reads the database and writes nothing.
#include <fmt/format.h>

#include <map>
#include <set>

#include "export/curriculum_import.h"
#include "model/god.h"
#include "storage/year_database.h"

namespace zavlin::exporting {

namespace {

// Subjects of a group by short name and occurrence, so that a name taken
// twice pairs up in order.
template <typename T, typename Name>
std::map<std::pair<std::string, int>, const T*> keyed(const std::vector<T>& list, Name name) {
    std::map<std::pair<std::string, int>, const T*> out;
    std::map<std::string, int> seen;
    for (const T& item : list) {
        const std::string n = name(item);
        out.emplace(std::make_pair(n, seen[n]++), &item);
    }
    return out;
}

std::string teacherSet(const std::set<std::string>& names) {
    std::string out;
    for (const std::string& n : names) out += (out.empty() ? "" : ", ") + n;
    return out.empty() ? "-" : out;
}

std::string loadDiff(const TOutcomeSubject& os, const TPredmet& pr,
                     const std::vector<TPlanTeacher>& teachers) {
    std::string out;
    for (int ne = 1; ne <= kCalendarWeeks; ++ne) {
        const int now = pr.CountPredmetNe(kSetkaPlan, ne);
        const int then = os.pairs[static_cast<std::size_t>(ne)];
        if (now != then)
            out += fmt::format("{}нед. {}: {} → {}", out.empty() ? "" : "; ", ne, now, then);
    }
    std::set<std::string> nowT, thenT;
    for (int ne = 1; ne <= kCalendarWeeks; ++ne) {
        for (const auto& fp : pr.GetLFio(ne))
            if (fp->Fio() != nullptr) nowT.insert(fp->Fio()->Name());
        for (int t : os.teachers[static_cast<std::size_t>(ne)])
            thenT.insert(teachers[static_cast<std::size_t>(t)].shortName);
    }
    if (nowT != thenT)
        out += fmt::format("{}преподаватели: {} → {}", out.empty() ? "" : "; ", teacherSet(nowT),
                           teacherSet(thenT));
    return out;
}

int placedLessons(const TGryp& gr) {
    int n = 0;
    for (const TNed* week : gr.LNed)
        for (int tip = 0; tip <= 1; ++tip)
            for (int d = 1; d <= kDayCount; ++d)
                for (int y = 0; y < kPeriodCount; ++y)
                    if (const TYrok* yrok = week->GetYrok(tip, d, y)) n += yrok->CountYrDp();
    return n;
}

}  // namespace

std::string TImportReport::Text() const {
    std::string out;
    auto section = [&out](const char* title, const std::vector<std::string>& lines) {
        if (lines.empty()) return;
        out += title;
        out += "\n";
        for (const std::string& l : lines) out += "  " + l + "\n";
    };
    if (NoChange()) out += "Учебный план совпадает с данными учебного года: изменений нет.\n";
    section("Будет добавлено:", added);
    section("Будет изменено:", changed);
    section("Будет удалено:", removed);
    section("Не входит в учебный план и будет удалено:", dropped);
    return out;
}

TImportReport CompareCurriculum(const TCurriculumPlan& plan, const TCurriculumOutcome& outcome,
                                const TAllRasp* year) {
    TImportReport r;
    // Subject names and teachers the import would create.
    std::map<std::string, std::string> names;  // short -> long, the first seen
    for (const TOutcomeGroup& og : outcome.groups)
        for (const TOutcomeSubject& os : og.subjects)
            names.emplace(os.shortName, os.longName.empty() ? os.shortName : os.longName);
    std::map<std::string, const TPlanTeacher*> teachers;
    for (const TPlanTeacher& t : plan.teachers) teachers.emplace(t.shortName, &t);

    // Buildings and rooms.
    for (const TPlanBuilding& b : plan.buildings) {
        const TDom* dom = year != nullptr ? year->FindDom(b.name) : nullptr;
        if (dom == nullptr) r.added.push_back("здание " + b.name);
        for (const TPlanRoom& room : b.rooms) {
            const TAyd* ayd = year != nullptr ? year->FindAyd(b.name, room.name) : nullptr;
            const std::string label = "аудитория " + b.name + "/" + room.name;
            if (ayd == nullptr) r.added.push_back(label);
            // The plan number of a room is not stored with it.
            else if (ayd->kv != room.seats)
                r.changed.push_back(fmt::format("{}: мест {} → {}", label, ayd->kv, room.seats));
        }
    }
    std::set<std::string> planDoms, planRooms;
    for (const TPlanBuilding& b : plan.buildings) {
        planDoms.insert(b.name);
        for (const TPlanRoom& room : b.rooms) planRooms.insert(b.name + "/" + room.name);
    }
    if (year != nullptr) {
        for (const auto& d : year->LDom)
            if (!d->Name().empty() && !planDoms.count(d->Name()))
                r.removed.push_back("здание " + d->Name());
        for (const auto& a : year->LAyd) {
            const std::string dom = a->Dom() != nullptr ? a->Dom()->Name() : std::string();
            if (!planRooms.count(dom + "/" + a->Name()))
                r.removed.push_back("аудитория " + dom + "/" + a->Name());
        }
    }

    // Subject names.
    for (const auto& [shortName, longName] : names) {
        const TYrName* yr = year != nullptr ? year->FindYrNameForName(shortName) : nullptr;
        if (yr == nullptr)
            r.added.push_back("предмет " + shortName);
        else if (yr->BigName() != longName)
            r.changed.push_back("предмет " + shortName + ": " + yr->BigName() + " → " + longName);
    }
    if (year != nullptr)
        for (const auto& yr : year->LYrName)
            if (!names.count(yr->Name())) r.removed.push_back("предмет " + yr->Name());

    // Teachers.
    for (const auto& [shortName, t] : teachers) {
        const TFio* fio = year != nullptr ? year->FindFioForShortName(shortName) : nullptr;
        if (fio == nullptr)
            r.added.push_back("преподаватель " + t->fullName);
        else if (fio->BigName() != t->fullName)
            r.changed.push_back("преподаватель " + shortName + ": " + fio->BigName() + " → " +
                                t->fullName);
    }
    if (year != nullptr)
        for (const auto& fio : year->LFio)
            if (!teachers.count(fio->Name()))
                r.removed.push_back("преподаватель " + fio->BigName());

    // Groups and their load.
    std::set<std::string> planGroups;
    for (const TOutcomeGroup& og : outcome.groups) {
        const TPlanGroup& pg = *og.source;
        planGroups.insert(pg.name);
        const TGryp* gr = year != nullptr ? year->FindGrypForName(pg.name) : nullptr;
        if (gr == nullptr) {
            r.added.push_back(fmt::format("группа {} ({} предм.)", pg.name, og.subjects.size()));
            continue;
        }
        if (gr->Dan.GN != pg.n || gr->Dan.Kyrs != pg.kyrs || gr->Dan.Ks != pg.stud1)
            r.changed.push_back(
                fmt::format("группа {}: номер {} → {}, курс {} → {}, студентов {} → {}", pg.name,
                            gr->Dan.GN, pg.n, gr->Dan.Kyrs, pg.kyrs, gr->Dan.Ks, pg.stud1));
        std::vector<const TPredmet*> prs;
        for (const auto& pr : gr->LPredmet) prs.push_back(pr.get());
        const auto now = keyed(prs, [](const TPredmet* pr) {
            return pr->YrName() != nullptr ? pr->YrName()->Name() : std::string();
        });
        const auto then =
            keyed(og.subjects, [](const TOutcomeSubject& os) { return os.shortName; });
        for (const auto& [key, os] : then) {
            const auto it = now.find(key);
            const std::string label = "нагрузка " + pg.name + " / " + key.first;
            if (it == now.end()) {
                r.added.push_back(label);
                continue;
            }
            const std::string diff = loadDiff(*os, **it->second, plan.teachers);
            if (!diff.empty()) r.changed.push_back(label + ": " + diff);
        }
        for (const auto& [key, pr] : now)
            if (!then.count(key)) r.removed.push_back("нагрузка " + pg.name + " / " + key.first);
    }
    if (year == nullptr) return r;
    for (const auto& gr : year->LGryp)
        if (!planGroups.count(gr->Name())) r.removed.push_back("группа " + gr->Name());

    // What the plan cannot carry goes with the old year.
    int lessons = 0, credits = 0, unions = 0;
    for (const auto& gr : year->LGryp) {
        lessons += placedLessons(*gr);
        credits += gr->CountZachet();
    }
    for (int ne = 1; ne <= kCalendarWeeks; ++ne)
        unions += static_cast<int>(const_cast<TAllRasp*>(year)->GetLOb(ne).size());
    if (year->CountFak() > 0) r.dropped.push_back(fmt::format("факультеты: {}", year->CountFak()));
    if (lessons > 0) r.dropped.push_back(fmt::format("уроки в расписании: {}", lessons));
    if (unions > 0) r.dropped.push_back(fmt::format("объединения: {}", unions));
    if (credits > 0) r.dropped.push_back(fmt::format("зачёты и экзамены: {}", credits));
    return r;
}

bool DryRunCurriculum(TAllGod& years, const TCurriculumPlan& plan, TImportReport& report,
                      std::string& message) {
    report = TImportReport{};
    message.clear();
    if (plan.version == 0) {
        message = kOldVersionMessage;
        return false;
    }
    const TDatabaseLock guard(years.DM, LockKind::Shared);
    if (!guard.Held()) {
        message = guard.Message();
        return false;
    }
    const int indx = years.GetIndexGod(plan.year);
    std::unique_ptr<TGod> held;
    TGod* god = nullptr;
    if (indx >= 0) {
        if (years.RecordGod(indx) == years.ActivRecGod && years.God() != nullptr) {
            god = years.God();
        } else {
            held = years.CreateGod(indx);
            if (!held->Load()) {
                message = "Не удалось прочитать учебный год " + ImportYearText(plan.year);
                return false;
            }
            god = held.get();
        }
    }
    TAllNed calendar;
    calendar.SetDataGod(plan.year, years.FRunSubb);
    TCurriculumOutcome outcome;
    if (!ResolveCurriculum(plan, calendar, outcome, message)) return false;
    report = CompareCurriculum(plan, outcome, god);
    return true;
}

}  // namespace zavlin::exporting
