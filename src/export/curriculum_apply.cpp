// The import proper: the year deleted, created again and filled from the
// resolved plan through the model's own operations.
#include <fmt/format.h>

#include <memory>
#include <utility>

#include "base/my_dialog.h"
#include "export/curriculum_import.h"
#include "model/god.h"
#include "storage/year_database.h"

namespace zavlin::exporting {

namespace {

constexpr uint8_t kSixDays = 0x7F;  // days 1-6 and the week's own bit

class Apply {
public:
    Apply(TGod& god, const TCurriculumPlan& plan, const TImportHooks& hooks)
        : god_(god), plan_(plan), hooks_(hooks) {}

    bool run(const TCurriculumOutcome& outcome) {
        return buildings() && teachers() && groups(outcome);
    }
    const std::string& failure() const { return failure_; }

private:
    bool fail(const std::string& what) {
        failure_ = what;
        return false;
    }
    void status(const std::string& text) const {
        if (hooks_.status) hooks_.status(text);
    }

    bool buildings() {
        for (const TPlanBuilding& b : plan_.buildings) {
            TDom* dom = god_.FindDom(b.name);
            // An empty year holds one unnamed building for its rooms.
            if (dom == nullptr && god_.CountDom() == 1 && god_.LDom[0]->Name().empty() &&
                god_.CountAyd() == 0) {
                dom = god_.LDom[0].get();
                dom->SetName(b.name);
                if (!god_.AddDom(dom)) return fail("здание " + b.name);
            }
            if (dom == nullptr) dom = god_.AddDom(b.name);
            if (dom == nullptr) return fail("здание " + b.name);
            for (const TPlanRoom& r : b.rooms) {
                TAyd* ayd = god_.FindAyd(b.name, r.name);
                if (ayd == nullptr) ayd = god_.CreateAyd(dom, r.name);
                ayd->GN = static_cast<uint16_t>(r.n);
                ayd->kv = static_cast<uint16_t>(r.seats);
                if (!god_.AddAyd(ayd)) return fail("аудитория " + b.name + "/" + r.name);
            }
        }
        return true;
    }

    bool teachers() {
        for (const TPlanTeacher& t : plan_.teachers) {
            TFio* fio = god_.FindFioForShortName(t.shortName);
            if (fio == nullptr) {
                auto made = std::make_unique<TFio>();
                made->SetBigName(t.fullName);
                made->GN = t.fn;
                fio = god_.AddFio(std::move(made));
                if (fio == nullptr) return fail("преподаватель " + t.fullName);
            }
            fio_.push_back(fio);
        }
        return true;
    }

    bool groups(const TCurriculumOutcome& outcome) {
        for (const TOutcomeGroup& og : outcome.groups) {
            const TPlanGroup& pg = *og.source;
            status("Группа: " + pg.name);
            TGryp* gr = god_.FindGrypForName(pg.name);
            if (gr == nullptr) {
                auto made = std::make_unique<TGryp>(static_cast<TSpisok*>(&god_));
                made->SetName(pg.name);
                made->Dan.GN = pg.n;
                made->Dan.Kyrs = static_cast<uint8_t>(pg.kyrs);
                made->Dan.Ks = static_cast<uint16_t>(pg.stud1);
                gr = god_.AddGryp(std::move(made));
                if (gr == nullptr) return fail("группа " + pg.name);
            } else {
                gr->Dan.GN = pg.n;
                gr->Dan.Kyrs = static_cast<uint8_t>(pg.kyrs);
                gr->Dan.Ks = static_cast<uint16_t>(pg.stud1);
                if (!god_.AddGryp(gr)) return fail("группа " + pg.name);
            }
            gr->DelAllPredmet();
            ApplyPlanCalendar(*gr, pg);
            for (const TOutcomeSubject& os : og.subjects)
                if (!subject(*gr, os)) return false;
            gr->modifiRasp = true;
        }
        return true;
    }

    bool subject(TGryp& gr, const TOutcomeSubject& os) {
        const TPlanSubject& s = *os.source;
        status("Группа: " + gr.Name() + " Предмет: " + os.shortName);
        const std::string what = "группа " + gr.Name() + ", предмет " + os.shortName;
        TYrName* name = god_.FindYrNameForName(os.shortName);
        if (name == nullptr) {
            name = god_.CreateYrName(os.shortName, os.longName);
            if (!god_.AddYrName(name)) return fail("предмет " + os.shortName);
        }
        TPredmet* pr = gr.CreatePredmet(name);
        if (pr == nullptr) return fail(what);
        pr->Dan.GNYrName = static_cast<uint16_t>(s.gnYrName);
        pr->Dan.GNPredmetYp = static_cast<uint16_t>(s.n);
        pr->Dan.RazN = static_cast<uint8_t>(s.razN);
        pr->Dan.TipDRKM = static_cast<uint8_t>(s.tipDRKM);
        pr->Dan.GDel = static_cast<uint8_t>(s.kind);
        pr->Dan.Sem1 = static_cast<uint8_t>(os.sem1);
        pr->Dan.Sem2 = static_cast<uint8_t>(os.sem2);
        if (os.subgroups) pr->Dan.Podg = 1;
        for (int ne = 1; ne <= kCalendarWeeks; ++ne) {
            for (int t : os.teachers[static_cast<std::size_t>(ne)])
                if (pr->AddFio(ne, fio_[static_cast<std::size_t>(t)]) == nullptr)
                    return fail(what + ", преподаватель");
            const int pairs = os.pairs[static_cast<std::size_t>(ne)];
            if (pairs > 0 && gr.GetNed(ne) == nullptr) gr.SetNed(ne);
            for (int k = 0; k < pairs; ++k)
                if (pr->AddPredmetNe(kSetkaPlan, ne) == nullptr)
                    return fail(fmt::format("{}, нагрузка недели {}", what, ne));
        }
        return true;
    }

    TGod& god_;
    const TCurriculumPlan& plan_;
    const TImportHooks& hooks_;
    std::vector<TFio*> fio_;
    std::string failure_;
};

bool hasCutNames(const TCurriculumPlan& plan) {
    for (const TPlanGroup& g : plan.groups)
        for (const TPlanSubject& s : g.subjects)
            if (s.cut) return true;
    return false;
}

}  // namespace

void ApplyPlanCalendar(TGryp& gr, const TPlanGroup& pg) {
    int s1 = 0, s2 = 0;
    gr.GrafToNed(pg.graf, pg.dey2sem, s1, s2);
    // The half-year starts on its day also when that day has no study.
    if (pg.dey2sem > 0 && gr.God() != nullptr)
        gr.SetDateSemm2(gr.God()->AllNed.Date09_01() + pg.dey2sem - 1);
    for (int h = 0; h < 2; ++h)
        if ((h == 0 ? s1 : s2) > 0)
            for (int ne : {53 + 2 * h, 54 + 2 * h}) gr.SetNed(ne)->SetYhDey(kSixDays);
}

bool CheckCurriculumPlan(const TCurriculumPlan& plan, bool runSaturday, TCurriculumOutcome& outcome,
                         std::string& message) {
    message.clear();
    if (plan.version == 0) {
        message = kOldVersionMessage;
        return false;
    }
    TAllNed calendar;
    calendar.SetDataGod(plan.year, runSaturday);
    return ResolveCurriculum(plan, calendar, outcome, message);
}

TImportResult ImportCurriculum(TAllGod& years, const TCurriculumPlan& plan, TMyDialog& dialog,
                               const TImportHooks& hooks, std::string& message) {
    TCurriculumOutcome outcome;
    if (!CheckCurriculumPlan(plan, years.FRunSubb, outcome, message)) return TImportResult::Failed;
    if (hooks.backup &&
        dialog.MessageDlg("Выполнить резервное копирование перед импортированием?", "Информация")) {
        // Asked for and not made: going on would destroy the year without
        // the way back the person wanted.
        if (!hooks.backup()) {
            message = "Резервная копия не создана. Импорт не выполнен.";
            return TImportResult::Failed;
        }
    }
    const std::string yearText = ImportYearText(plan.year);
    if (years.GetIndexGod(plan.year) >= 0 &&
        !dialog.MessageDlg("Год: " + yearText +
                               ". Повторное предупреждение. Если группы  существуют, то их данные "
                               "будут переписаны. Продолжать?",
                           "Информация"))
        return TImportResult::Declined;

    TDM1& dm = years.DM;
    const TDatabaseLock guard(dm, LockKind::Exclusive);
    if (!guard.Held()) {
        message = guard.Message();
        return TImportResult::Failed;
    }
    const std::string wayBack =
        ". Учебный год " + yearText +
        " импортирован не полностью; прежние данные можно вернуть из резервной копии "
        "(Резервное восстановление).";
    // What the plan does not hold is taken from the year before it goes.
    TCurriculumPlan kept = plan;
    const std::string section = TAllNed::SectionName(plan.year);
    // Its own Saturday rule and active weeks are the college's, not the plan's.
    std::string runSubb, weeks;
    if (const int old = years.GetIndexGod(plan.year); old >= 0) {
        if (hasCutNames(plan)) {
            std::unique_ptr<TGod> held;
            TGod* oldGod = years.RecordGod(old) == years.ActivRecGod ? years.God() : nullptr;
            if (oldGod == nullptr) {
                held = years.CreateGod(old);
                // Going on would import other names than the dry run showed.
                if (!held->Load()) {
                    message = "Не удалось прочитать учебный год " + yearText +
                              ". Импорт не выполнен, данные не изменены.";
                    return TImportResult::Failed;
                }
                oldGod = held.get();
            }
            KeepYearSubjectNames(kept, *oldGod);
        }
        runSubb = dm.FGodini.ReadString(section, "RunSubb");
        weeks = dm.FGodini.ReadString(section, "Week");
    }
    if (hooks.touching) hooks.touching();
    if (const int old = years.GetIndexGod(plan.year); old >= 0 && !years.DelGod(old)) {
        message = "Не удалось удалить учебный год " + yearText + wayBack;
        return TImportResult::Failed;
    }
    for (const auto& [key, value] : {std::pair{"RunSubb", runSubb}, std::pair{"Week", weeks}})
        if (!value.empty() && !dm.FGodini.WriteString(section, key, value)) {
            message = "Ошибка записи учебного года " + yearText + wayBack;
            return TImportResult::Failed;
        }
    const int indx = years.AddGod(plan.year);
    if (indx < 0) {
        message = "Ошибка записи учебного года " + yearText + wayBack;
        return TImportResult::Failed;
    }
    if (!years.SetActivGod(indx) || years.God() == nullptr) {
        message = "Не удалось загрузить новый учебный год " + yearText + wayBack;
        return TImportResult::Failed;
    }
    TGod& god = *years.God();
    (void)god.AllNed.PreselectActiv();
    // The new year's own calendar decides; it is the one checked above
    // unless the settings changed in between.
    if (!ResolveCurriculum(kept, god.AllNed, outcome, message)) {
        message += wayBack;
        return TImportResult::Failed;
    }
    Apply apply(god, kept, hooks);
    if (!apply.run(outcome)) {
        message = "Не удалось записать: " + apply.failure() + wayBack;
        return TImportResult::Failed;
    }
    if (!god.SaveRasp() || !god.AllNed.SaveDataGod() || !dm.FGodini.UpdateFile()) {
        message = "Не удалось сохранить учебный год " + yearText + wayBack;
        return TImportResult::Failed;
    }
    if (hooks.status) hooks.status(kImportDone);
    return TImportResult::Done;
}

}  // namespace zavlin::exporting
