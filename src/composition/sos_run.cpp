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
    // Opened and closed per line: the file stays whole when the run dies.
    const std::string bytes = utf8ToCp1251(line) + "\r\n";
    auto out = Fs.open(LogFile(), OpenMode::ReadWriteCreate);
    const int64_t end = out ? out->size() : -1;
    if (end < 0 || !out->writeAt(static_cast<uint64_t>(end), bytes.data(), bytes.size()))
        FileFault("Не удалось записать файл " + LogFile().string());
}

bool TSosRun::CreateLog() {
    if (!WLog) return true;
    if (!Fs.open(LogFile(), OpenMode::ReadWriteCreate)) {
        FileFault("Не удалось записать файл " + LogFile().string());
        return false;
    }
    return true;
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
