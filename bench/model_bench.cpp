// Year model figures for a college-sized year: building its timetable,
// saving and loading it, and the teacher-clash question over a whole week.
// Loading is shown beside plain reads of the same database folder in the same
// run. Release build: `make bench`.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/my_dialog.h"
#include "base/streams.h"
#include "model/group.h"
#include "model/year.h"
#include "storage/file_system.h"
#include "storage/year_database.h"

using namespace zavlin;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kGroups = 400;
constexpr int kSubjects = 12;
constexpr int kTeachers = 1000;
constexpr int kBenchWeeks = 4;
constexpr int kAskedWeek = 1;
constexpr uint16_t kYear = 2016;

double seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "model_bench: %s\n", what.c_str());
    std::exit(1);
}

void must(bool ok, const char* what) {
    if (!ok) fail(std::string(what) + " failed");
}

// Any message means the model met something it could not handle.
class CountingDialog : public TMyDialog {
public:
    bool MessageDlg(const std::string& msg, const std::string&) override {
        note(msg);
        return false;
    }
    void MessageShow(const std::string& msg) override { note(msg); }
    int count = 0;

private:
    void note(const std::string& msg) {
        if (count++ < 5) std::fprintf(stderr, "model_bench: model says: %s\n", msg.c_str());
    }
};

std::vector<fs::path> folderFiles(const fs::path& dir) {
    std::vector<fs::path> r;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.is_regular_file()) r.push_back(e.path());
    std::sort(r.begin(), r.end());
    return r;
}

// Reads whole files with read() into one buffer, as a plain program would.
uint64_t plainRead(const std::vector<fs::path>& files) {
    static std::vector<char> buf(1 << 20);
    uint64_t total = 0;
    for (const auto& p : files) {
        int fd = ::open(p.c_str(), O_RDONLY);
        if (fd < 0) continue;
        ssize_t n;
        while ((n = ::read(fd, buf.data(), buf.size())) > 0) total += static_cast<uint64_t>(n);
        ::close(fd);
    }
    return total;
}

// Each teacher takes a few groups: (group, subject) pairs run through a
// permutation of the teachers, so every teacher gets 4 or 5 pairs, never two
// in one group.
int teacherOf(int group, int subject) {
    return ((group * kSubjects + subject) * 337) % kTeachers;
}

int periodsPerDay(int group) {
    return 4 + group % 3;
}

// What the timetable holds, kept beside the model to check its answers.
struct Busy {
    // [teacher][week][day][period]
    std::vector<uint8_t> cell = std::vector<uint8_t>(
        static_cast<std::size_t>(kTeachers) * (kBenchWeeks + 1) * (kDayCount + 1) * kPeriodCount);
    uint8_t& at(int t, int ne, int d, int y) {
        return cell[((static_cast<std::size_t>(t) * (kBenchWeeks + 1) + ne) * (kDayCount + 1) + d) *
                        kPeriodCount +
                    y];
    }
};

struct Built {
    std::vector<int> teacherN;  // our teacher index -> N
    long lessons = 0;
    Busy busy;
};

// Reference lists, groups, load and lessons; every lesson goes where
// TestAddFio says its teacher is free.
Built buildYear(TAllRasp& year) {
    Built b;
    std::vector<TFio*> fio;
    for (int t = 0; t < kTeachers; ++t) {
        auto f = std::make_unique<TFio>();
        char name[96];
        std::snprintf(name, sizeof name, "Преподаватель%04d Иван Петрович", t);
        f->SetBigName(name);
        TFio* added = year.AddFio(std::move(f));
        must(added != nullptr, "storing a teacher");
        fio.push_back(added);
        b.teacherN.push_back(added->N);
    }
    std::vector<TYrName*> names;
    for (int s = 0; s < kSubjects; ++s) {
        const std::string n = std::to_string(s + 1);
        TYrName* name = year.CreateYrName("Предмет" + n, "Учебный предмет номер " + n);
        must(year.AddYrName(name), "storing a subject name");
        names.push_back(name);
    }
    std::vector<TGryp*> groups;
    for (int g = 0; g < kGroups; ++g) {
        auto gr = std::make_unique<TGryp>(&year);
        gr->SetName("Гр-" + std::to_string(100 + g));
        TGryp* added = year.AddGryp(std::move(gr));
        must(added != nullptr, "storing a group");
        for (int s = 0; s < kSubjects; ++s)
            must(added->CreatePredmet(names[s]) != nullptr, "subject");
        groups.push_back(added);
    }

    struct Pick {
        int d, y, s;
    };
    for (int ne = 1; ne <= kBenchWeeks; ++ne) {
        for (int g = 0; g < kGroups; ++g) {
            TGryp* gr = groups[static_cast<std::size_t>(g)];
            TNed* week = gr->SetNed(ne);
            must(week != nullptr, "week");
            std::array<TFioPredmet*, kSubjects> fp{};
            for (int s = 0; s < kSubjects; ++s) {
                fp[s] = gr->LPredmet[static_cast<std::size_t>(s)]->AddFio(
                    ne, fio[static_cast<std::size_t>(teacherOf(g, s))]);
                must(fp[s] != nullptr, "assigning a teacher");
            }
            // All questions first: placing a lesson changes the timetable and
            // the index would be rebuilt for every question. The group's own
            // lessons sit in other cells, so they cannot clash with these.
            std::array<int, kSubjects> count{};
            std::vector<Pick> picks;
            for (int d = 1; d <= kDayCount; ++d)
                for (int y = 0; y < periodsPerDay(g); ++y) {
                    int best = -1;
                    for (int k = 0; k < kSubjects; ++k) {
                        const int s = (d * 7 + y + g + k) % kSubjects;
                        if (best >= 0 && count[s] >= count[best]) continue;
                        if (year.TestAddFio(0, 0, b.teacherN[teacherOf(g, s)], ne, d, y)) best = s;
                    }
                    if (best < 0) fail("no free teacher for a cell");
                    ++count[best];
                    picks.push_back({d, y, best});
                }
            for (const Pick& p : picks) {
                TPredmet* pr = gr->LPredmet[static_cast<std::size_t>(p.s)].get();
                TYrokKorzina* item = pr->AddPredmetNe(kSetkaPlan, ne);
                must(item != nullptr, "load");
                must(week->AddYrRas(0, p.d, p.y, item, fp[p.s]) != nullptr, "placing a lesson");
                uint8_t& cell = b.busy.at(teacherOf(g, p.s), ne, p.d, p.y);
                if (cell != 0) fail("TestAddFio let a teacher into two groups at once");
                cell = 1;
                ++b.lessons;
            }
        }
    }
    return b;
}

long countLessons(const TAllRasp& year) {
    long n = 0;
    for (const auto& gr : year.LGryp)
        for (const TNed* week : gr->LNed)
            for (int d = 1; d <= kDayCount; ++d)
                for (int y = 0; y < kPeriodCount; ++y)
                    if (const TYrok* yrok = week->GetYrok(0, d, y)) n += yrok->CountYrDp();
    return n;
}

template <typename F>
double bestOf(int runs, F&& f) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = Clock::now();
        f();
        best = std::min(best, seconds(t0, Clock::now()));
    }
    return best;
}

// LoadYear in its three parts, each timed alone: the group rows with their
// blobs, the reference lists, and parsing every blob.
void loadBreakdown(TDM1& dm, const TAllRasp& loaded, double load) {
    uint64_t blobBytes = 0;
    const double rows = bestOf(3, [&] {
        blobBytes = 0;
        must(dm.ReadEntries("YmGryp.b0", kYear,
                            [&](TTableBlob& t) {
                                (void)t.FieldByName("Gryp")->asString();
                                (void)t.FieldByName("Dey")->asString();
                                TMemoryStream m;
                                t.FieldByName("Zavlin")->SaveToStream(m);
                                blobBytes += static_cast<uint64_t>(m.Size());
                            }),
             "reading the group rows");
    });
    const double lists = bestOf(3, [&] {
        TAllRasp fresh(dm);
        fresh.YGod = kYear;
        must(fresh.LoadReferenceLists(), "reading the reference lists");
    });
    // The same blobs handed to a year that holds the lists and the groups.
    TAllRasp year(dm);
    year.YGod = kYear;
    must(year.LoadYear(), "loading the year");
    std::vector<std::vector<uint8_t>> blobs;
    for (const auto& gr : loaded.LGryp) blobs.push_back(gr->WriteRasp());
    double parse = 1e30;
    double clear = 1e30;
    for (int run = 0; run < 3; ++run) {
        // Unions point at assignments: they go before the groups' contents.
        const auto c0 = Clock::now();
        for (auto& week : year.LOb) week.clear();
        for (const auto& gr : year.LGryp) gr->Clear();
        clear = std::min(clear, seconds(c0, Clock::now()));
        for (std::size_t i = 0; i < blobs.size(); ++i) year.LGryp[i]->St = blobs[i];
        const auto p0 = Clock::now();
        must(year.StreamToRasp(), "parsing the blobs");
        parse = std::min(parse, seconds(p0, Clock::now()));
    }
    std::printf("  of which group rows + blobs     %9.1f ms (%.1f MB of blobs)\n", rows * 1e3,
                blobBytes / 1048576.0);
    std::printf("           reference lists        %9.1f ms\n", lists * 1e3);
    std::printf("           parsing the blobs      %9.1f ms (%.0f%% of LoadYear)\n", parse * 1e3,
                100.0 * parse / load);
    std::printf("  (freeing that timetable again    %9.1f ms, not part of LoadYear)\n",
                clear * 1e3);
}

void printTarget(const char* name, double ms, bool met, const char* target) {
    std::printf("%-34s %9.1f ms   (target %s: %s)\n", name, ms, target, met ? "met" : "NOT MET");
}

}  // namespace

int main() {
    // Plain I/O does not wait for the disk either; ZAVLIN_TABLE_SYNC=full
    // measures the engine as the program runs it.
    if (!std::getenv("ZAVLIN_TABLE_SYNC")) ::setenv("ZAVLIN_TABLE_SYNC", "off", 0);
    RealFileSystem disk(syncModeFromEnvironment());
    std::printf("engine waits for the disk (fdatasync): %s\n", disk.syncsToDisk() ? "yes" : "no");
    const fs::path home =
        fs::temp_directory_path() / ("zavlin-model-bench-" + std::to_string(::getpid()));
    fs::remove_all(home);
    fs::create_directories(home);
    std::string message;
    if (CreateDatabase(home, message) != TCreateDatabaseResult::Created)
        fail("cannot create the database: " + message);

    {
        CountingDialog dialog;
        TDM1 dm(home, dialog, disk);

        // --- build and save
        TAllRasp year(dm);
        year.YGod = kYear;
        auto t0 = Clock::now();
        Built built = buildYear(year);
        const double buildTime = seconds(t0, Clock::now());
        t0 = Clock::now();
        must(year.SaveRasp(), "saving the timetable");
        const double saveTime = seconds(t0, Clock::now());
        std::printf("year: %d groups x %d subjects, %d teachers, %d weeks, %ld lessons\n", kGroups,
                    kSubjects, kTeachers, kBenchWeeks, built.lessons);
        std::printf("%-34s %9.1f ms\n", "build (TestAddFio before placing)", buildTime * 1e3);
        std::printf("%-34s %9.1f ms\n", "SaveRasp (every group's blob)", saveTime * 1e3);

        // --- load beside plain reads of the folder
        const auto files = folderFiles(dm.DB.PathF);
        uint64_t bytes = 0;
        double plain = 1e30;
        for (int i = 0; i < 5; ++i) {
            const auto p0 = Clock::now();
            bytes = plainRead(files);
            plain = std::min(plain, seconds(p0, Clock::now()));
        }
        double load = 1e30;
        std::unique_ptr<TAllRasp> loaded;
        for (int i = 0; i < 3; ++i) {
            auto fresh = std::make_unique<TAllRasp>(dm);
            fresh->YGod = kYear;
            const auto l0 = Clock::now();
            const bool ok = fresh->LoadYear();
            load = std::min(load, seconds(l0, Clock::now()));
            must(ok, "loading the year");
            loaded = std::move(fresh);  // the last one is destroyed outside the timing
        }
        if (loaded->CountGryp() != kGroups || loaded->CountFio() != kTeachers)
            fail("the loaded year lost groups or teachers");
        if (countLessons(*loaded) != built.lessons) fail("the loaded year lost lessons");
        std::printf(
            "%-34s %9.1f ms   plain read() %7.2f ms (%zu files, %.1f MB)   ratio %5.2fx   "
            "(target within 5x: %s)\n",
            "LoadYear", load * 1e3, plain * 1e3, files.size(), bytes / 1048576.0, load / plain,
            load <= 5 * plain ? "met" : "NOT MET");
        loadBreakdown(dm, *loaded, load);

        // --- every teacher, every cell of one week
        const int asked = kTeachers * kDayCount * kPeriodCount;
        std::vector<uint8_t> indexed(static_cast<std::size_t>(asked));
        std::vector<uint8_t> scanned(static_cast<std::size_t>(asked));
        auto ask = [&](std::vector<uint8_t>& out, bool scan) {
            std::size_t i = 0;
            for (int t = 0; t < kTeachers; ++t)
                for (int d = 1; d <= kDayCount; ++d)
                    for (int y = 0; y < kPeriodCount; ++y) {
                        const int n = built.teacherN[static_cast<std::size_t>(t)];
                        out[i++] = scan ? loaded->TestAddFioScan(0, 0, n, kAskedWeek, d, y)
                                        : loaded->TestAddFio(0, 0, n, kAskedWeek, d, y);
                    }
        };
        auto q0 = Clock::now();
        ask(indexed, false);
        const double first = seconds(q0, Clock::now());
        q0 = Clock::now();
        ask(indexed, false);
        const double again = seconds(q0, Clock::now());
        q0 = Clock::now();
        ask(scanned, true);
        const double scan = seconds(q0, Clock::now());

        std::size_t i = 0;
        int busy = 0;
        for (int t = 0; t < kTeachers; ++t)
            for (int d = 1; d <= kDayCount; ++d)
                for (int y = 0; y < kPeriodCount; ++y, ++i) {
                    if (indexed[i] != scanned[i])
                        fail("TestAddFio and TestAddFioScan disagree for teacher " +
                             std::to_string(built.teacherN[static_cast<std::size_t>(t)]) + " day " +
                             std::to_string(d) + " period " + std::to_string(y));
                    const bool expectFree = built.busy.at(t, kAskedWeek, d, y) == 0;
                    if ((indexed[i] != 0) != expectFree)
                        fail("TestAddFio answers against the loaded timetable for teacher " +
                             std::to_string(built.teacherN[static_cast<std::size_t>(t)]));
                    busy += expectFree ? 0 : 1;
                }
        std::printf("questions: %d teachers x %d cells of week %d = %d, %d of them busy\n",
                    kTeachers, kDayCount * kPeriodCount, kAskedWeek, asked, busy);
        printTarget("TestAddFio, index built on the way", first * 1e3, first < 1.0, "under 1 s");
        std::printf("%-34s %9.1f ms\n", "TestAddFio, index in place", again * 1e3);
        std::printf("%-34s %9.1f ms   ratio scan/index %5.2fx, answers identical\n",
                    "TestAddFioScan (walks every group)", scan * 1e3, scan / first);
        if (dialog.count != 0) fail("the model reported problems");
    }
    fs::remove_all(home);
    return 0;
}
