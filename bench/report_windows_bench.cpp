// The timetable report windows on the sample colleges M and XL (400 groups):
// from creating a window to its choice shown and painted once, and "Создать"
// from the click to the document handed over (written on the worker, the
// window waiting). The sample's lessons lie in its week with substitutions,
// so the weeks are chosen around it. Best of 3 runs. Offscreen platform
// unless another is set. Release build: `make bench`. Homes given as
// arguments (a composed college) are measured too.
#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
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
    }
    for (int i = 1; i < argc; ++i) ok = measureHome(argv[i], argv[i]) && ok;
    return ok ? 0 : 1;
}
