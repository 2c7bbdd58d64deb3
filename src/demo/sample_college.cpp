#include "demo/sample_college.h"

#include <fmt/format.h>


#include "model/god.h"
#include "storage/file_system.h"
#include "storage/year_database.h"
#include "storage/year_tables.h"

namespace zavlin::demo {

namespace {

namespace fs = std::filesystem;

// Weeks of the autumn semester: September to the January examinations.
constexpr int kAutumnWeeks = 19;

std::string shortName(const std::string& fullName) {
    TFio probe;
    probe.SetBigName(fullName);
    return probe.Name();
}

}  // namespace

std::string countsFileName(const SampleOptions& options) {
    return fmt::format("sample-{}-{}.txt", sizeName(options.size), options.seed);
}

std::string countsText(const SamplePlan& plan, const SampleCounts& c) {
    const SampleOptions& o = plan.options;
    std::string out = fmt::format(
        "# Sample college {} (seed {}), academic year {}/{}.\n"
        "# The hidden timetable the load was derived from: lessons counts one per\n"
        "# teacher and group, periods the occupied periods of groups, units the\n"
        "# subjects of groups with load that week, holes the empty periods between\n"
        "# a day's first and last lesson.\n",
        sizeName(o.size), o.seed, o.year, o.year + 1);
    out += fmt::format("size={}\nseed={}\nyear={}\n", sizeName(o.size), o.seed, o.year);
    out += fmt::format("groups={}\nteachers={}\nsubject_names={}\nsubjects={}\nrooms={}\n",
                       c.groups, c.teachers, c.subjectNames, c.subjects, c.rooms);
    out += fmt::format("unions={}\npinned_per_week={}\nsubstitutions={}\nexams={}\ncredits={}\n",
                       c.unions, c.pinned, plan.substitutions.size(), plan.exams.size(),
                       plan.credits.size());
    std::string active;
    for (const WeekCounts& w : c.weeks) {
        if (!active.empty()) active += ',';
        active += std::to_string(w.ne);
        out += fmt::format(
            "week{0}.lessons={1}\nweek{0}.periods={2}\nweek{0}.units={3}\n"
            "week{0}.group_holes={4}\nweek{0}.teacher_holes={5}\n",
            w.ne, w.lessons, w.groupPeriods, w.units, w.groupHoles, w.teacherHoles);
    }
    out += fmt::format("active_weeks={}\nsubstitution_week={}\ncredit_week={}\nexam_week={}\n",
                       active, kSubstitutionWeek, kCreditWeek, kExamWeek);
    const PlanGroup& g = plan.groups[static_cast<std::size_t>(plan.showcaseGroup)];
    out += fmt::format(
        "showcase_group={}\nshowcase_teacher={}\n", g.name,
        shortName(plan.teachers[static_cast<std::size_t>(plan.showcaseTeacher)].fullName));
    return out;
}

SampleResult createSampleCollege(const fs::path& home, const SampleOptions& options,
                                 TMyDialog& dialog, TProgressObserver* progress) {
    SampleResult r;
    std::string message;
    const TCreateDatabaseResult created = CreateDatabase(home, message);
    if (created == TCreateDatabaseResult::Failed) {
        r.message = message;
        return r;
    }
    // A database made by this run holds nothing but the sample: should the
    // power fail, it is made again, so waiting for the disk at every row buys
    // nothing.
    RealFileSystem unsynced(false);
    TDM1 dm(home, dialog, created == TCreateDatabaseResult::Created ? unsynced : realFileSystem());
    // The new year is written as one operation on the database.
    TDatabaseLock held(dm, LockKind::Exclusive);
    if (!held.Held()) {
        r.message = held.Message();
        return r;
    }
    // The sample's credits and rooms find their periods by the lesson times: a
    // database that states none gets the usual ones written, not assumed.
    if (dm.FGodini.ReadSection("Time").empty() &&
        !writeLessonTimes(dm.FGodini, defaultLessonTimes())) {
        r.message = "the lesson times could not be written to god.Ini";
        return r;
    }
    TAllGod years(dm);
    if (!years.ReadListGod()) {
        r.message = "the list of years could not be read";
        return r;
    }
    if (!years.TestNewGod(options.year)) {
        r.message = fmt::format(
            "the academic year {}/{} exists already: give another --year, or remove it with "
            "zavlin-cli year delete {}",
            options.year, options.year + 1, options.year);
        return r;
    }
    const int activeBefore = dm.FGodini.ReadInteger("God", "ActivGod", 0);
    const int indx = years.AddGod(options.year);
    if (indx < 0) {
        r.message = "the year could not be stored in YmGod.b0";
        return r;
    }
    // From here a failure takes the half-built year away again: left, it
    // would only make the next run refuse ("exists already").
    auto undo = [&](std::string message) {
        r.message = std::move(message);
        dm.Hooks.ProgressObserver = nullptr;
        const int at = years.GetIndexGod(options.year);
        bool removed = at >= 0 && years.DelGod(at);
        if (activeBefore != 0 && activeBefore != options.year)
            removed = dm.FGodini.WriteInteger("God", "ActivGod", activeBefore) && removed;
        if (!r.countsFile.empty()) (void)dm.AT1.fileSystem().remove(r.countsFile);
        if (!removed)
            r.message += fmt::format(
                "; the half-built year {0} could not be removed (zavlin-cli year delete {0})",
                options.year);
        return r;
    };
    r.plan = planSample(options);
    r.counts = countPlan(r.plan);
    if (!years.SetActivGod(indx) || years.God() == nullptr)
        return undo("the new year could not be loaded or made the active one in god.Ini");
    TGod& god = *years.God();
    // Reading the empty year is no news; entering it is.
    dm.Hooks.ProgressObserver = progress;
    if (!god.SetLengthSemestr(kAutumnWeeks)) return undo("god.Ini could not be written");
    std::string built;
    if (!buildSampleYear(r.plan, god, built)) return undo(built);
    god.AllNed.SetActivWeeks({kActiveWeeks.begin(), kActiveWeeks.end()});
    if (!god.AllNed.SaveDataGod()) return undo("the active weeks could not be written to god.Ini");
    const fs::path countsFile = home / countsFileName(options);
    const std::string counts = countsText(r.plan, r.counts);
    if (!replaceFileWhole(dm.AT1.fileSystem(), countsFile,
                          reinterpret_cast<const uint8_t*>(counts.data()), counts.size(), true))
        return undo("could not write " + countsFile.string());
    r.countsFile = countsFile;
    r.ok = true;
    return r;
}

}  // namespace zavlin::demo
