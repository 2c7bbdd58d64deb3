// The timetable report windows on the sample colleges M and XL (400 groups):
// from creating a window to its choice shown and painted once, and "Создать"
// from the click to the document handed over (written on the worker, the
// window waiting). Then the accounting, statement and plan windows opened
// on the busiest group or teacher, until painted. The sample's lessons lie in its week with
// substitutions, so the weeks are chosen around it. Best of 3 runs. Offscreen platform unless
// another is set. Release build: `make bench`. Homes given as arguments (a composed college) are
// measured too.
#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/my_dialog.h"
#include "demo/sample_college.h"
#include "demo/sample_plan.h"
#include "export/document_opener.h"
#include "export/html_report_documents.h"
#include "export/ui/document_opening.h"
#include "model/god.h"
#include "model/group.h"
#include "model/timetable.h"
#include "reports/ui/accounting_windows.h"
#include "reports/ui/plan_windows.h"
#include "reports/ui/statement_windows.h"
#include "reports/ui/timetable_report_windows.h"
#include "sample_home.h"
#include "shell/shell.h"

using namespace zavlin;
using zavlin::reports::ui::TTimetableReport;
using zavlin::reports::ui::TTimetableReportWindow;
namespace fs = std::filesystem;

namespace {

class QuietView : public shell::TShellView {
public:
    void StatusText(const std::string&) override {}
    void HideSplash() override {}
};

constexpr int kRuns = 3;

double ms(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

struct Case {
    TTimetableReport kind;
    std::vector<int> weeks;  // made active before the window opens
};

bool measureHome(const fs::path& home, const char* label) {
    TScriptedDialog dialog(false);
    shell::TShell shell(home, dialog);
    QuietView view;
    if (shell.Start(view) != shell::TStartOutcome::Running) {
        std::fprintf(stderr, "report_windows_bench: the start-up failed\n");
        return false;
    }
    TGod& year = *shell.God();
    shell::ui::TWindowContext context{shell, dialog, nullptr, {}, {}, {}, false, {}};
    const int ne = demo::kSubstitutionWeek;
    // The busiest teacher of the week and the group with most subjects.
    const exporting::TFioWeekCells cells(year, ne);
    TFio* teacher = nullptr;
    for (const auto& fio : year.LFio)
        if (teacher == nullptr && cells.Busy(*fio)) teacher = fio.get();
    TGryp* group = nullptr;
    for (const auto& gr : year.LGryp)
        if (group == nullptr || gr->CountPredmet() > group->CountPredmet()) group = gr.get();
    if (teacher == nullptr || group == nullptr) {
        std::fprintf(stderr, "report_windows_bench: no lessons in week %d\n", ne);
        return false;
    }
    const std::vector<Case> cases = {
        {TTimetableReport::GroupYear, {ne}},
        {TTimetableReport::TeacherYear, {ne}},
        {TTimetableReport::TeacherGroupsYear, {ne}},
        {TTimetableReport::TeachersChess, {ne, demo::kActiveWeeks[0]}},
        {TTimetableReport::GroupsChess, {ne, demo::kActiveWeeks[0]}},
        {TTimetableReport::DayCard, {ne}},
        {TTimetableReport::WeekStand, {ne}},
        {TTimetableReport::NumeratorStand, {ne, demo::kActiveWeeks[0]}},
    };
    exporting::TRecordingOpener opener;
    exporting::ui::TScopedDocumentOpener scoped(opener);
    std::printf("%s: %d groups, %d teachers\n", label, year.CountGryp(), year.CountFio());
    std::printf("  %-8s %10s %10s  %s\n", "window", "open ms", "create ms", "report");
    for (const Case& c : cases) {
        year.AllNed.SetActivWeeks(c.weeks);
        double open = 1e12;
        double create = 1e12;
        bool ok = true;
        for (int run = 0; run < kRuns; ++run) {
            QElapsedTimer timer;
            timer.start();
            TTimetableReportWindow window(context, c.kind);
            window.show();
            QApplication::processEvents();
            (void)window.grab();
            open = std::min(open, ms(timer));
            window.SetGroup(group);
            window.SetTeacher(teacher);
            timer.restart();
            ok = window.Create() && ok;
            create = std::min(create, ms(timer));
        }
        // The caption last: its Cyrillic letters would upset the columns.
        std::printf("  %-8s %10.1f %10.1f  %s%s\n", reports::ui::ReportWindowName(c.kind), open,
                    create, reports::ui::ReportCaption(c.kind), ok ? "" : "  FAILED");
    }
    return true;
}

// The accounting, statement and plan windows: from creating the window to
// its table shown and painted once (the summaries: counted and shown).
template <class Make>
double openedMs(const Make& make) {
    double best = 1e12;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        const std::unique_ptr<QDialog> window = make();
        window->show();
        QApplication::processEvents();
        (void)window->grab();
        best = std::min(best, ms(timer));
    }
    return best;
}

bool measureTableWindows(const fs::path& home, const char* label) {
    TScriptedDialog dialog(false);
    shell::TShell shell(home, dialog);
    QuietView view;
    if (shell.Start(view) != shell::TStartOutcome::Running) {
        std::fprintf(stderr, "report_windows_bench: the start-up failed\n");
        return false;
    }
    TGod& year = *shell.God();
    shell::ui::TWindowContext context{shell, dialog, nullptr, {}, {}, {}, false, {}};
    // The group with most subjects and the teacher with most lessons in the
    // sample's week of lessons, made current as the main window would.
    int group = -1;
    for (int i = 0; i < year.CountGryp(); ++i)
        if (group < 0 || year.LGryp[static_cast<std::size_t>(i)]->CountPredmet() >
                             year.LGryp[static_cast<std::size_t>(group)]->CountPredmet())
            group = i;
    const exporting::TFioWeekCells cells(year, demo::kSubstitutionWeek);
    int teacher = -1;
    int most = 0;
    for (int i = 0; i < year.CountFio(); ++i) {
        int lessons = 0;
        for (int d = 1; d <= kDayCount; ++d)
            for (int y = 0; y < kPeriodCount; ++y)
                lessons +=
                    cells.Text(*year.LFio[static_cast<std::size_t>(i)], d, y).empty() ? 0 : 1;
        if (lessons > most) most = lessons, teacher = i;
    }
    if (group < 0 || teacher < 0) {
        std::fprintf(stderr, "report_windows_bench: no busy group or teacher\n");
        return false;
    }
    year.SetGrypActivIndx(group);
    year.SetFioActivIndx(teacher);
    year.AllNed.SetActivWeeks({demo::kSubstitutionWeek});
    exporting::TRecordingOpener opener;
    namespace rui = reports::ui;
    struct Row {
        const char* window;
        const char* what;
        std::function<std::unique_ptr<QDialog>()> make;
    };
    const auto summaryDone = [](std::unique_ptr<rui::TSummaryWindow> w) {
        // Counted on its worker: measured until its table is shown.
        while (w->Busy()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return std::unique_ptr<QDialog>(std::move(w));
    };
    const std::vector<Row> rows = {
        {"TForm20", "the busiest group",
         [&] { return std::make_unique<rui::TForm20>(context, opener); }},
        {"TForm21", "the busiest teacher",
         [&] { return std::make_unique<rui::TForm21>(context, opener); }},
        {"TForm22", "the first group's month",
         [&] { return std::make_unique<rui::TForm22>(context, opener); }},
        {"TForm23", "the first teacher's month",
         [&] { return std::make_unique<rui::TForm23>(context, opener); }},
        {"TForm41", "all teachers", [&] { return std::make_unique<rui::TForm41>(context); }},
        {"TForm45", "the first subject", [&] { return std::make_unique<rui::TForm45>(context); }},
        {"TForm35", "the first group's year",
         [&] { return summaryDone(std::make_unique<rui::TForm35>(context, opener)); }},
    };
    std::printf("%s: %d groups, %d teachers\n", label, year.CountGryp(), year.CountFio());
    std::printf("  %-8s %10s  %s\n", "window", "open ms", "table");
    for (const Row& r : rows)
        std::printf("  %-8s %10.1f  %s\n", r.window, openedMs(r.make), r.what);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("ZAVLIN_TABLE_SYNC", "off", 0);
    QApplication app(argc, argv);
    bool ok = true;
    for (const demo::SampleSize size : {demo::SampleSize::M, demo::SampleSize::XL}) {
        bench::SampleHome sample(size, "report_windows_bench");
        if (!sample.ok()) return 1;
        ok = measureHome(sample.home(), demo::sizeName(size)) && ok;
        ok = measureTableWindows(sample.home(), demo::sizeName(size)) && ok;
    }
    for (int i = 1; i < argc; ++i) ok = measureHome(argv[i], argv[i]) && ok;
    return ok ? 0 : 1;
}
