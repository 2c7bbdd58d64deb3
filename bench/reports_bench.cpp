// Time of the hour accounting and the statements on a sample college: the
// summary of all teachers, every teacher's accounting and every teacher's
// monthly statement. Release build: `make bench`. An optional argument is
// the size (S, M, L, XL; default XL).
#include <chrono>
#include <cstdio>
#include <string>

#include "base/my_dialog.h"
#include "model/god.h"
#include "model/teacher.h"
#include "reports/hours.h"
#include "reports/month_statement.h"
#include "reports/summary_statement.h"
#include "sample_home.h"
#include "storage/year_database.h"

using namespace zavlin;
namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

}  // namespace

int main(int argc, char** argv) {
    demo::SampleSize size = demo::SampleSize::XL;
    const std::string asked = argc > 1 ? argv[1] : "XL";
    for (demo::SampleSize s :
         {demo::SampleSize::S, demo::SampleSize::M, demo::SampleSize::L, demo::SampleSize::XL})
        if (asked == demo::sizeName(s)) size = s;
    bench::SampleHome home(size, "reports_bench");
    if (!home.ok()) return 1;
    TScriptedDialog dialog;
    TDM1 dm(home.home(), dialog);
    TGod year(dm);
    year.YGod = static_cast<uint16_t>(home.made().plan.options.year);
    if (!year.Load()) {
        std::fprintf(stderr, "reports_bench: the year does not load\n");
        return 1;
    }
    std::printf("%s: %zu groups, %zu teachers\n", demo::sizeName(size), year.LGryp.size(),
                year.LFio.size());

    auto t0 = Clock::now();
    const reports::TSummaryTable all = reports::teachersOfAllGroups(year);
    auto t1 = Clock::now();
    std::printf("%-40s %8.3f s (%zu rows, %d lessons of 2 hours)\n", "teachersOfAllGroups",
                seconds(t0, t1), all.rows.size(), all.total.h00[reports::kSummaryYear] / 200);

    t0 = Clock::now();
    std::size_t rows = 0;
    for (const auto& fio : year.LFio) rows += reports::accountByTeacher(year, *fio, {}).rows.size();
    t1 = Clock::now();
    std::printf("%-40s %8.3f s (%zu rows)\n", "accountByTeacher, every teacher", seconds(t0, t1),
                rows);

    t0 = Clock::now();
    rows = 0;
    for (const auto& fio : year.LFio)
        rows += reports::CreateFio(year, *fio, 10, 0, reports::TStatementKinds::All).rows.size();
    t1 = Clock::now();
    std::printf("%-40s %8.3f s (%zu rows)\n", "CreateFio (October), every teacher",
                seconds(t0, t1), rows);
    return 0;
}
