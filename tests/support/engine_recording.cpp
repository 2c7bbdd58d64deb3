#include "support/engine_recording.h"

#include <fmt/format.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <vector>

#include "base/cp1251.h"
#include "base/file_system.h"
#include "base/my_dialog.h"
#include "composition/driver.h"
#include "model/god.h"
#include "model/group.h"
#include "model/teacher.h"
#include "model/timetable.h"
#include "storage/year_database.h"
#include "support/sha256.h"

namespace zavlin::testsupport {
namespace {

namespace fs = std::filesystem;

std::string readWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The real file system, but a variant file about to be deleted is read
// first: the search deletes it as it ends, and its bytes are the fullest
// trace of the search there is.
class VariantCapture : public FileSystem {
public:
    std::unique_ptr<File> open(const fs::path& path, OpenMode mode) override {
        return inner_.open(path, mode);
    }
    bool exists(const fs::path& path) override { return inner_.exists(path); }
    bool rename(const fs::path& from, const fs::path& to) override {
        return inner_.rename(from, to);
    }
    bool remove(const fs::path& path) override {
        if (path.filename() == "temprasp.bin" && inner_.exists(path)) {
            const std::string bytes = readWhole(path);
            Lines += fmt::format("{} {}\n", bytes.size(), sha256Hex(bytes));
        }
        return inner_.remove(path);
    }
    bool createFolder(const fs::path& path) override { return inner_.createFolder(path); }
    bool removeFolder(const fs::path& path) override { return inner_.removeFolder(path); }
    bool syncFolder(const fs::path& path) override { return inner_.syncFolder(path); }
    bool copyPermissions(const fs::path& from, const fs::path& to) override {
        return inner_.copyPermissions(from, to);
    }
    std::unique_ptr<FileLock> lock(const fs::path& path, LockKind kind,
                                   std::chrono::milliseconds wait, LockRefusal& refusal) override {
        return inner_.lock(path, kind, wait, refusal);
    }

    std::string Lines;  // written on the run's worker, read after it is joined

private:
    FileSystem& inner_ = realFileSystem();
};

// The active year loaded the way the command line loads it.
std::unique_ptr<TGod> loadActiveYear(TDM1& dm, std::string& message) {
    const int y = dm.FGodini.ReadInteger("God", "ActivGod", 0);
    TAllGod years(dm);
    if (y == 0 || !years.ReadListGod() || years.GetIndexGod(y) < 0) {
        message = "no active year";
        return nullptr;
    }
    std::unique_ptr<TGod> god = years.CreateGod(years.GetIndexGod(y));
    god->YGod = static_cast<uint16_t>(y);
    TAllGod times(dm);
    times.LoadTimeYrok();
    god->TaimYrok = times.Lt;
    if (!god->LoadYear()) {
        message = fmt::format("the year {} did not load", y);
        return nullptr;
    }
    return god;
}

std::string_view lineAt(std::string_view text, std::size_t& pos, bool& more) {
    more = pos < text.size();
    if (!more) return {};
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

}  // namespace

std::string timetableLines(const TAllRasp& year, const std::vector<int>& weeks) {
    std::string out;
    for (const auto& gr : year.LGryp)
        for (int ne : weeks) {
            const TNed* week = gr->GetNed(ne);
            if (week == nullptr) continue;
            for (int d = 1; d <= 6; ++d)
                for (int y = 0; y < 12; ++y) {
                    const TYrok* cell = week->GetYrok(0, d, y);
                    if (cell == nullptr) continue;
                    for (const TYr* yr : cell->LYr)
                        out += fmt::format("{} w{} d{} p{}: {} / {} / room {}\n", gr->Name(), ne, d,
                                           y, yr->Predmet() ? yr->Predmet()->Name() : "-",
                                           yr->Fio() ? yr->Fio()->Name() : "-", yr->NAyd());
                }
        }
    return out;
}

EngineRecording recordSampleRun(const fs::path& home, demo::SampleSize size, uint64_t seed) {
    EngineRecording rec;
    TScriptedDialog dialog(true);
    const demo::SampleResult made =
        demo::createSampleCollege(home, demo::SampleOptions{size, seed}, dialog);
    if (!made.ok) {
        rec.message = made.message;
        return rec;
    }
    std::vector<int> weeks;
    {
        TDM1 dm(home, dialog);
        std::unique_ptr<TGod> god = loadActiveYear(dm, rec.message);
        if (!god) return rec;
        god->SelectAllGryp(true);
        (void)LeaveOutUnreadableGroups(*god);
        VariantCapture files;
        TFormS1State state(*god, home, files);
        state.Run.WLog = true;
        // The recordings are of the search as it was before the repair and
        // the recomposition of a week its copy leaves incomplete, with its
        // kept deviations on.
        state.Run.Options.Repair = false;
        state.Run.Options.Recompose = false;
        state.Run.Options.PolishHoles = true;
        state.Run.Options.ChainInWindow = true;
        state.Run.Options.NoMoveBack = true;
        state.Run.Options.PolishTeacherHoles = false;
        state.Run.Options.LocalSweeps = false;
        state.Run.Options.ResumeSweeps = false;
        state.Run.Options.TeacherHolesAnyDay = false;
        state.Run.Options.SkipUnchanged = false;
        state.SetTipSostRasp(0);
        weeks = state.ActiveWeeks();
        const auto start = std::chrono::steady_clock::now();
        {
            TSosRaspisanue worker(state);
            worker.Start();
            worker.Wait();
        }
        rec.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const TFormS1Snapshot done = state.Snapshot();
        if (!done.RaspOk || !done.FileError.empty() || !god->SaveRasp()) {
            rec.message = "the run failed: " + done.Verdict + done.FileError;
            return rec;
        }
        rec.variants = files.Lines;
    }
    rec.log = readWhole(home / "Logsrasp.txt");
    // Read back from the tables: what the dispatcher gets is what was saved.
    TDM1 dm(home, dialog);
    std::unique_ptr<TGod> saved = loadActiveYear(dm, rec.message);
    if (!saved) return rec;
    rec.timetable = timetableLines(*saved, weeks);
    rec.ok = true;
    return rec;
}

std::string maskClockLines(std::string_view log) {
    static const std::string label = utf8ToCp1251("Время составления:");
    std::string out;
    out.reserve(log.size());
    std::size_t pos = 0;
    while (pos < log.size()) {
        std::size_t end = log.find('\n', pos);
        end = end == std::string_view::npos ? log.size() : end + 1;
        std::string_view line = log.substr(pos, end - pos);
        if (line.substr(0, label.size()) == label) {
            out += label;
            if (line.ends_with("\r\n"))
                out += "\r\n";
            else if (line.ends_with('\n'))
                out += '\n';
        } else {
            out += line;
        }
        pos = end;
    }
    return out;
}

std::optional<LineDifference> firstDifferentLine(std::string_view expected,
                                                 std::string_view actual) {
    std::size_t pe = 0;
    std::size_t pa = 0;
    for (std::size_t n = 1;; ++n) {
        bool moreE = false;
        bool moreA = false;
        const std::string_view e = lineAt(expected, pe, moreE);
        const std::string_view a = lineAt(actual, pa, moreA);
        if (!moreE && !moreA) return std::nullopt;
        if (moreE != moreA || e != a)
            return LineDifference{n, std::string(moreE ? e : "<end of text>"),
                                  std::string(moreA ? a : "<end of text>")};
    }
}

std::string recordingDigest(const EngineRecording& recording) {
    const std::string log = maskClockLines(recording.log);
    std::size_t lessons = 0;
    for (char c : recording.timetable) lessons += c == '\n';
    std::string out = fmt::format("report {} {}\n", log.size(), sha256Hex(log));
    std::istringstream variants(recording.variants);
    for (std::string line; std::getline(variants, line);) out += "variants " + line + "\n";
    out += fmt::format("timetable {} {}\n", lessons, sha256Hex(recording.timetable));
    return out;
}

}  // namespace zavlin::testsupport
