// Fuzz target: the input is one group's timetable blob. The group reads it
// against a small fixed year (teachers 1-3, subject names 1-3, rooms 1-2, one
// user attribute), writes it, and a second group reads that write. Whatever
// the model writes it must read back without error and write again byte for
// byte; a mismatch aborts. A damaged input may be refused, never crash.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "base/my_dialog.h"
#include "model/group.h"
#include "model/year.h"
#include "storage/year_database.h"

namespace {

namespace fs = std::filesystem;
using namespace zavlin;

// Damaged blobs are reported through the dialog; nobody reads them here.
class SilentDialog : public TMyDialog {
public:
    bool MessageDlg(const std::string&, const std::string&) override { return false; }
    void MessageShow(const std::string&) override {}
};

struct Year {
    fs::path home;
    SilentDialog dialog;
    std::unique_ptr<TDM1> dm;
    std::unique_ptr<TAllRasp> year;
    TGryp* first = nullptr;
    TGryp* second = nullptr;
    AGryp dan;  // what a blob may overwrite, as a fresh group has it
};

// Built once per process; the folder goes at exit.
Year& fixture() {
    static Year* y = [] {
        auto* f = new Year;
        f->home = fs::temp_directory_path() / ("zavlin-fuzz-blob-" + std::to_string(::getpid()));
        fs::remove_all(f->home);
        fs::create_directories(f->home);
        std::string message;
        if (CreateDatabase(f->home, message) != TCreateDatabaseResult::Created) {
            std::fprintf(stderr, "group_blob_fuzz: no scratch database: %s\n", message.c_str());
            std::abort();
        }
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(fixture().home, ec);
        });
        f->dm = std::make_unique<TDM1>(f->home, f->dialog);
        f->year = std::make_unique<TAllRasp>(*f->dm);
        TAllRasp& year = *f->year;
        year.YGod = 2016;
        const char* const teachers[] = {"Иванов Иван Иванович", "Петрова Анна Сергеевна",
                                        "Сидоров Пётр Николаевич"};
        for (int n = 1; n <= 3; ++n) {
            auto fio = std::make_unique<TFio>();
            fio->N = n;
            fio->SetBigName(teachers[n - 1]);
            year.LFio.push_back(std::move(fio));
        }
        const char* const subjects[] = {"Матем", "Физика", "История"};
        for (int n = 1; n <= 3; ++n) year.CreateYrName(subjects[n - 1], subjects[n - 1])->N = n;
        for (int n = 1; n <= 2; ++n) {
            auto ayd = std::make_unique<TAyd>();
            ayd->N = n;
            ayd->SetName(std::to_string(100 + n));
            year.LAyd.push_back(std::move(ayd));
        }
        year.Atribyt.Add(1, "Лекция");
        for (const char* name : {"ИС-11", "ИС-12"}) {
            year.LGryp.push_back(std::make_unique<TGryp>(&year));
            year.LGryp.back()->SetName(name);
        }
        f->first = year.LGryp[0].get();
        f->second = year.LGryp[1].get();
        f->dan = f->first->Dan;
        return f;
    }();
    return *y;
}

[[noreturn]] void mismatch(const char* what, const std::vector<uint8_t>& a,
                           const std::vector<uint8_t>& b) {
    std::size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
    std::fprintf(stderr, "group_blob_fuzz: %s: %zu and %zu bytes, first difference at %zu\n", what,
                 a.size(), b.size(), at);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Year& f = fixture();
    // Older blobs leave the group's own fields alone; the last input's must
    // not leak into this one.
    f.first->Dan = f.dan;
    f.second->Dan = f.dan;
    const std::vector<uint8_t> input(data, data + size);
    (void)f.first->ReadRasp(input);
    const std::vector<uint8_t> written = f.first->WriteRasp();
    const std::vector<uint8_t> rewritten = f.first->WriteRasp();
    if (rewritten != written) mismatch("a second write differs", written, rewritten);

    if (!f.second->ReadRasp(written)) {
        std::fprintf(stderr,
                     "group_blob_fuzz: the model's own blob (%zu bytes) reads with errors\n",
                     written.size());
        std::abort();
    }
    const std::vector<uint8_t> again = f.second->WriteRasp();
    if (again != written) mismatch("the rewrite differs", written, again);

    // Each group leaves its unions as it clears; what is left is empty.
    f.first->Clear();
    f.second->Clear();
    for (auto& week : f.year->LOb) week.clear();
    return 0;
}
