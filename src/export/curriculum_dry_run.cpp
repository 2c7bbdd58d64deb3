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

void note(std::string& out, const std::string& what) {
    out += (out.empty() ? "" : "; ") + what;
}

template <typename A, typename B>
void field(std::string& out, const char* name, A now, B then) {
    if (static_cast<long long>(now) != static_cast<long long>(then))
        note(out, fmt::format("{} {} → {}", name, static_cast<long long>(now),
                              static_cast<long long>(then)));
}

std::string loadDiff(const TOutcomeSubject& os, const TPredmet& pr,
                     const std::vector<TPlanTeacher>& teachers) {
    std::string out;
    const TPlanSubject& s = *os.source;
    field(out, "GNYrName", pr.Dan.GNYrName, s.gnYrName);
    field(out, "номер", pr.Dan.GNPredmetYp, s.n);
    field(out, "RazN", pr.Dan.RazN, s.razN);
    field(out, "тип", pr.Dan.TipDRKM, s.tipDRKM);
    field(out, "вид", pr.Dan.GDel, s.kind);
    field(out, "пар 1 полугодия", pr.Dan.Sem1, os.sem1);
    field(out, "пар 2 полугодия", pr.Dan.Sem2, os.sem2);
    field(out, "подгруппы", pr.Dan.Podg, os.subgroups ? 1 : 0);
    for (int ne = 1; ne <= kCalendarWeeks; ++ne) {
        const int now = pr.CountPredmetNe(kSetkaPlan, ne);
        const int then = os.pairs[static_cast<std::size_t>(ne)];
        if (now != then) note(out, fmt::format("нед. {}: {} → {}", ne, now, then));
    }
    for (int ne = 1; ne <= kCalendarWeeks; ++ne) {
        std::set<std::string> nowT, thenT;
        for (const auto& fp : pr.GetLFio(ne))
            if (fp->Fio() != nullptr) nowT.insert(fp->Fio()->Name());
        for (int t : os.teachers[static_cast<std::size_t>(ne)])
            thenT.insert(teachers[static_cast<std::size_t>(t)].shortName);
        if (nowT != thenT)
            note(out, fmt::format("преподаватели нед. {}: {} → {}", ne, teacherSet(nowT),
                                  teacherSet(thenT)));
    }
    return out;
}

// The group as the import makes it against the group as it is: its numbers,
// its calendar week by week, and the start of its second half-year.
std::string groupDiff(const TPlanGroup& pg, const TGryp& gr, const TAllRasp& year) {
    std::string out;
    field(out, "номер", gr.Dan.GN, pg.n);
    field(out, "курс", gr.Dan.Kyrs, pg.kyrs);
    field(out, "студентов", gr.Dan.Ks, pg.stud1);
    // Never added to the year: the model's own calendar rule on a copy.
    TGryp fresh(static_cast<TSpisok*>(const_cast<TAllRasp*>(&year)));
    ApplyPlanCalendar(fresh, pg);
    for (int ne = 1; ne <= kCalendarWeeks; ++ne)
        if (gr.GetNedDey(ne) != fresh.GetNedDey(ne))
            note(out, fmt::format("дни недели {}: {} → {}", ne, gr.CountRunDey(ne),
                                  fresh.CountRunDey(ne)));
    if (gr.Dan.DateSemm2 != fresh.Dan.DateSemm2)
        note(out, "начало 2 полугодия: " + gr.StrDateSemm2() + " → " + fresh.StrDateSemm2());
    const AGryp plain;
    if (gr.Dan.TimeDay != plain.TimeDay || gr.Dan.arRDeyNed != plain.arRDeyNed)
        note(out, "режим дня и пар по дням — по умолчанию");
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
    return out;
}

TImportReport CompareCurriculum(const TCurriculumPlan& plan, const TCurriculumOutcome& outcome,
                                const TAllNed& calendar, const TAllRasp* year) {
    TImportReport r;
    std::map<std::string, std::string> names;  // short -> long, the first seen
    for (const TOutcomeGroup& og : outcome.groups)
        for (const TOutcomeSubject& os : og.subjects)
            names.emplace(os.shortName, os.longName.empty() ? os.shortName : os.longName);
    std::map<std::string, const TPlanTeacher*> teachers;
    for (const TPlanTeacher& t : plan.teachers) teachers.emplace(t.shortName, &t);

    if (year != nullptr && year->AllNed.ActivDNedToStr() != calendar.ActivDNedToStr())
        r.changed.push_back("активные недели: " + year->AllNed.ActivDNedToStr() + " → " +
                            calendar.ActivDNedToStr());

    for (const TPlanBuilding& b : plan.buildings) {
        const TDom* dom = year != nullptr ? year->FindDom(b.name) : nullptr;
        if (dom == nullptr) r.added.push_back("здание " + b.name);
        for (const TPlanRoom& room : b.rooms) {
            const TAyd* ayd = year != nullptr ? year->FindAyd(b.name, room.name) : nullptr;
            const std::string label = "аудитория " + b.name + "/" + room.name;
            if (ayd == nullptr) {
                r.added.push_back(label);
                continue;
            }
            // A room's plan number lives only while the import runs: the
            // room table has no place for it, so it is no stored change.
            std::string diff;
            field(diff, "мест", ayd->kv, room.seats);
            if (!diff.empty()) r.changed.push_back(label + ": " + diff);
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

    for (const auto& [shortName, t] : teachers) {
        const TFio* fio = year != nullptr ? year->FindFioForShortName(shortName) : nullptr;
        if (fio == nullptr) {
            r.added.push_back("преподаватель " + t->fullName);
            continue;
        }
        std::string diff;
        if (fio->BigName() != t->fullName) note(diff, fio->BigName() + " → " + t->fullName);
        field(diff, "номер", fio->GN, t->fn);
        if (!diff.empty()) r.changed.push_back("преподаватель " + shortName + ": " + diff);
    }
    if (year != nullptr)
        for (const auto& fio : year->LFio)
            if (!teachers.count(fio->Name()))
                r.removed.push_back("преподаватель " + fio->BigName());

    std::set<std::string> planGroups;
    for (const TOutcomeGroup& og : outcome.groups) {
        const TPlanGroup& pg = *og.source;
        planGroups.insert(pg.name);
        const TGryp* gr = year != nullptr ? year->FindGrypForName(pg.name) : nullptr;
        if (gr == nullptr) {
            r.added.push_back(fmt::format("группа {} ({} предм.)", pg.name, og.subjects.size()));
            continue;
        }
        if (const std::string diff = groupDiff(pg, *gr, *year); !diff.empty())
            r.changed.push_back("группа " + pg.name + ": " + diff);
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

    // The deletion takes what the plan has no place for.
    int lessons = 0, credits = 0, unions = 0, teacherData = 0, roomData = 0;
    for (const auto& gr : year->LGryp) {
        lessons += placedLessons(*gr);
        credits += gr->CountZachet();
    }
    for (int ne = 1; ne <= kCalendarWeeks; ++ne)
        unions += static_cast<int>(const_cast<TAllRasp*>(year)->GetLOb(ne).size());
    for (const auto& fio : year->LFio) {
        TFio plain;
        plain.GN = fio->GN;
        if (fio->DanToBytes() != plain.DanToBytes() || !fio->LAyd.empty()) ++teacherData;
    }
    for (const auto& a : year->LAyd)
        if (!a->LFio.empty() || a->SpAyd) ++roomData;
    if (year->CountFak() > 0) r.removed.push_back(fmt::format("факультеты: {}", year->CountFak()));
    if (lessons > 0) r.removed.push_back(fmt::format("уроки в расписании: {}", lessons));
    if (unions > 0) r.removed.push_back(fmt::format("объединения: {}", unions));
    if (credits > 0) r.removed.push_back(fmt::format("зачёты и экзамены: {}", credits));
    if (teacherData > 0)
        r.removed.push_back(
            fmt::format("данные преподавателей вне учебного плана (часы, аудитории, должность): {}",
                        teacherData));
    if (roomData > 0)
        r.removed.push_back(fmt::format(
            "данные аудиторий вне учебного плана (преподаватели, особые): {}", roomData));
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
    // The import keeps what the plan does not hold: the year's Saturday
    // rule, its active weeks and the full names of subjects cut in the file.
    TCurriculumPlan kept = plan;
    TAllNed calendar;
    if (god != nullptr) {
        KeepYearSubjectNames(kept, *god);
        calendar.SetDataGod(plan.year, god->FRunSubb);
        for (int ne = 1; ne <= kCalendarWeeks; ++ne)
            calendar.DNed(ne)->Activ = god->AllNed.DNed(ne)->Activ;
    } else {
        calendar.SetDataGod(plan.year, years.FRunSubb);
    }
    (void)calendar.PreselectActiv();
    TCurriculumOutcome outcome;
    if (!ResolveCurriculum(kept, calendar, outcome, message)) return false;
    report = CompareCurriculum(kept, outcome, calendar, god);
    return true;
}

}  // namespace zavlin::exporting
