#include "composition/sos_run.h"

#include <utility>

#include "base/cp1251.h"

namespace zavlin {

TSosRun::TSosRun(TAllRasp& year, std::filesystem::path home, FileSystem& fs)
    : Year(year), Fs(fs), FHome(std::move(home)) {
    Ti = Ti2 = Tm1 = Tm2 = Clock::now();
}

bool TSosRun::FormS1StopSos() {
    if (Heartbeat != nullptr && (++FBeats & 255u) == 0)
        Heartbeat->store(FBeats, std::memory_order_relaxed);
    // The clock is read every 64th poll: polls come by the million.
    if (FHasDeadline && (++FPolls & 63u) == 0 && Clock::now() >= FDeadline) {
        RequestStop();
        FHasDeadline = false;
        FLimitReached = true;
    }
    if (FStepsLeft > 0 && --FStepsLeft == 0) {
        RequestStop();
        FLimitReached = true;
    }
    return StopSos.load(std::memory_order_relaxed) && FFileError.empty() &&
           (SharedGo == nullptr || SharedGo->load(std::memory_order_relaxed));
}

void TSosRun::ArmWeekDeadline() {
    FStepLogBytes = 0;
    FStepLogFull = false;
    FLimitReached = false;
    FHasDeadline = WeekTimeLimit.count() > 0;
    if (FHasDeadline) FDeadline = Clock::now() + WeekTimeLimit;
    FStepsLeft = WeekStepLimit;
}

void TSosRun::SaveLog(const std::string& line) {
    if (Capture != nullptr) {
        Capture->push_back(line);
        return;
    }
    if (Observer != nullptr) Observer->SosLog(line);
    // After a fault the report is not touched again: it would only fail anew.
    if (!WLog || !FilesOk()) return;
    if (!FLog && !openLog()) return;
    const std::string bytes = utf8ToCp1251(line) + "\r\n";
    if (!FLog->writeAt(FLogEnd, bytes.data(), bytes.size())) {
        FLog.reset();
        FileFault("Не удалось записать файл " + LogFile().string());
        return;
    }
    FLogEnd += bytes.size();
}

bool TSosRun::openLog() {
    FLog = Fs.open(LogFile(), OpenMode::ReadWriteCreate);
    const int64_t end = FLog ? FLog->size() : -1;
    if (end < 0) {
        FLog.reset();
        FileFault("Не удалось записать файл " + LogFile().string());
        return false;
    }
    FLogEnd = static_cast<uint64_t>(end);
    return true;
}

bool TSosRun::CreateLog() {
    FLog.reset();
    if (!WLog) return true;
    return openLog();
}

void TSosRun::FileFault(const std::string& message) {
    if (!FFileError.empty()) return;
    FFileError = message;
    RequestStop();
    if (Observer != nullptr) Observer->SosLog(message);
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
