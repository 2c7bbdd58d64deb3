#include "composition/sos_run.h"

#include <fstream>
#include <utility>

#include "base/cp1251.h"

namespace zavlin {

TSosRun::TSosRun(TAllRasp& year, std::filesystem::path home) : Year(year), FHome(std::move(home)) {
    Ti = Ti2 = Tm1 = Tm2 = Clock::now();
}

bool TSosRun::FormS1StopSos() {
    // The clock is read every 64th poll: polls come by the million.
    if (FHasDeadline && (++FPolls & 63u) == 0 && Clock::now() >= FDeadline) {
        StopSos = false;
        FHasDeadline = false;
    }
    return StopSos.load(std::memory_order_relaxed);
}

void TSosRun::ArmWeekDeadline() {
    FStepLogBytes = 0;
    FStepLogFull = false;
    FHasDeadline = WeekTimeLimit.count() > 0;
    if (FHasDeadline) FDeadline = Clock::now() + WeekTimeLimit;
}

void TSosRun::SaveLog(const std::string& line) {
    if (Observer != nullptr) Observer->SosLog(line);
    if (!WLog) return;
    // Opened and closed per line: the file stays whole when the run dies.
    std::ofstream out(LogFile(), std::ios::binary | std::ios::app);
    if (!out) return;
    out << utf8ToCp1251(line) << "\r\n";
}

void TSosRun::SaveStepLog(const std::string& line) {
    if (!StepLog()) return;
    FStepLogBytes += line.size() + 2;
    if (FStepLogBytes > StepLogLimit) {
        FStepLogFull = true;
        SaveLog("Ходы поиска этой недели дальше не записываются: отчёт достиг предела");
        return;
    }
    SaveLog(line);
}

void TSosRun::Status(const std::string& text) {
    Caption = text;
    if (Observer != nullptr) Observer->SosStatus(text);
}

void TSosRun::Progress() {
    if (Observer != nullptr) Observer->SosProgress(Counters);
}

}  // namespace zavlin
