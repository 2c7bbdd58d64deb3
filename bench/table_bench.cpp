// Table engine figures, each beside plain file I/O of the same bytes measured
// in the same run. Release build: `make bench`.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/streams.h"
#include "storage/table_blob.h"

using namespace zavlin;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// Plain I/O does not wait for the disk either; ZAVLIN_TABLE_SYNC=full
// measures the engine as the program runs it.
bool benchSyncs() {
    const char* env = std::getenv("ZAVLIN_TABLE_SYNC");
    return env != nullptr && std::string(env) != "off";
}

RealFileSystem& disk() {
    static RealFileSystem fs(benchSyncs());
    return fs;
}

TCoreHooks& hooks() {
    static TConsoleDialog dialog(false);
    static TCoreHooks h(dialog);
    return h;
}

double seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
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

void must(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "bench: %s failed\n", what);
        std::exit(1);
    }
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

std::vector<fs::path> tableFiles(const fs::path& base) {
    std::vector<fs::path> r;
    for (const char* ext : {".b0", ".b1", ".b2", ".bi"}) r.push_back(fs::path(base.string() + ext));
    return r;
}

void report(const char* name, double engine, double plain, const char* target) {
    std::printf("%-8s engine %8.2f ms   plain I/O %8.2f ms   ratio %5.2fx   (target %s)\n", name,
                engine * 1e3, plain * 1e3, engine / plain, target);
}

void benchScan(const fs::path& dir) {
    const fs::path base = dir / "Scan";
    TTableBlob t(hooks(), disk());
    t.SetTableName(base.string());
    must(t.CreateFile(), "create");
    t.AddAutoIncField("N");
    t.AddFieldByName(ftInteger, "Num");
    t.AddStringField("Name", 40);
    t.AddFieldByName(ftDate, "Day");
    TBlobField* blob = t.AddBlobField("Dan");
    std::vector<uint8_t> value(300);
    for (int i = 0; i < 20000; ++i) {
        must(t.Append(), "append");
        t.FieldByName("Num")->setAsInteger(i);
        t.FieldByName("Name")->setAsString("Группа номер " + std::to_string(i) +
                                           " очной формы обуч");
        t.FieldByName("Day")->setAsInteger(42614 + i % 365);
        for (std::size_t k = 0; k < value.size(); ++k) value[k] = static_cast<uint8_t>(i + k);
        TMemoryStream m(value);
        blob->LoadFromStream(m);
        must(t.Post(), "post");
    }
    t.Close();

    uint64_t checksum = 0;
    const double engine = bestOf(5, [&] {
        TTableBlob r(hooks(), disk());
        r.SetTableName(base.string());
        must(r.Open(), "open");
        TField* num = r.FieldByName("Num");
        TField* name = r.FieldByName("Name");
        TField* day = r.FieldByName("Day");
        TField* dan = r.FieldByName("Dan");
        TField* key = r.FieldByName("N");
        TMemoryStream m;
        r.First();
        while (!r.Eof()) {
            checksum +=
                static_cast<uint64_t>(key->asInteger()) + static_cast<uint64_t>(num->asInteger());
            checksum += name->asString().size();
            checksum += static_cast<uint64_t>(day->asInteger());
            m.SetSize(0);
            dan->SaveToStream(m);
            checksum += static_cast<uint64_t>(m.Size());
            r.Next();
        }
        r.Close();
    });
    const auto files = tableFiles(base);
    const double plain = bestOf(5, [&] { checksum += plainRead(files); });
    report("scan", engine, plain, "within 3x");

    // Pack and re-index of the same table, each beside copying its files.
    const fs::path copyDir = dir / "copy";
    fs::create_directories(copyDir);
    const double copy = bestOf(3, [&] {
        for (const auto& f : files) {
            if (!fs::exists(f)) continue;
            int in = ::open(f.c_str(), O_RDONLY);
            int out = ::open((copyDir / f.filename()).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            static std::vector<char> buf(1 << 20);
            ssize_t n;
            while ((n = ::read(in, buf.data(), buf.size())) > 0)
                must(::write(out, buf.data(), static_cast<size_t>(n)) == n, "copy");
            ::close(in);
            ::close(out);
        }
    });
    const double reindex = bestOf(3, [&] {
        TTableBlob r(hooks(), disk());
        r.SetTableName(base.string());
        must(r.ReIndexTable(), "reindex");
    });
    const double pack = bestOf(3, [&] {
        TTableBlob r(hooks(), disk());
        r.SetTableName(base.string());
        must(r.PackTable(), "pack");
    });
    report("reindex", reindex, copy, "within 4x");
    report("pack", pack, copy, "within 4x");
    if (checksum == 42) std::printf(" ");
}

void benchBlobs(const fs::path& dir) {
    const fs::path base = dir / "Blobs";
    constexpr int kCount = 500;
    constexpr std::size_t kSize = 20 * 1024;
    constexpr std::size_t kLonger = kSize + kSize / 10;
    std::vector<uint8_t> a(kSize, 0x5A);
    std::vector<uint8_t> b(kLonger, 0xA5);
    uint64_t checksum = 0;

    const double engine = bestOf(3, [&] {
        TTableBlob t(hooks(), disk());
        t.SetTableName(base.string());
        must(t.CreateFile(), "create");
        t.AddAutoIncField("N");
        TBlobField* blob = t.AddBlobField("Dan");
        for (int i = 0; i < kCount; ++i) {
            must(t.Append(), "append");
            TMemoryStream m(a);
            blob->LoadFromStream(m);
            must(t.Post(), "post");
        }
        for (uint32_t i = 0; i < kCount; ++i) {
            t.SetIndexActivRecord(i);
            must(!t.Eof(), "position");
            TMemoryStream m(b);
            blob->LoadFromStream(m);
            must(t.Post(), "post");
        }
        TMemoryStream out;
        t.First();
        while (!t.Eof()) {
            out.SetSize(0);
            blob->SaveToStream(out);
            checksum += static_cast<uint64_t>(out.Size());
            t.Next();
        }
        t.Close();
    });

    const fs::path plainFile = dir / "plain.bin";
    const double plain = bestOf(3, [&] {
        int fd = ::open(plainFile.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        for (int i = 0; i < kCount; ++i)
            must(::pwrite(fd, a.data(), a.size(), static_cast<off_t>(i * kLonger)) ==
                     static_cast<ssize_t>(a.size()),
                 "write");
        for (int i = 0; i < kCount; ++i)
            must(::pwrite(fd, b.data(), b.size(), static_cast<off_t>(i * kLonger)) ==
                     static_cast<ssize_t>(b.size()),
                 "rewrite");
        std::vector<uint8_t> in(kLonger);
        for (int i = 0; i < kCount; ++i) {
            must(::pread(fd, in.data(), in.size(), static_cast<off_t>(i * kLonger)) ==
                     static_cast<ssize_t>(in.size()),
                 "read");
            checksum += in.size();
        }
        ::close(fd);
    });
    report("blobs", engine, plain, "within 3x");
    if (checksum == 42) std::printf(" ");
}

void benchAppends(const fs::path& dir) {
    const fs::path base = dir / "Appends";
    const double engine = bestOf(1, [&] {
        TTableBlob t(hooks(), disk());
        t.SetTableName(base.string());
        must(t.CreateFile(), "create");
        t.AddAutoIncField("N");
        t.AddStringField("Name", 40);
        for (int i = 0; i < 5000; ++i) {
            must(t.Append(), "append");
            t.FieldByName("Name")->setAsString("Запись " + std::to_string(i));
            must(t.Post(), "post");
        }
        t.Close();
    });
    std::printf(
        "appends  5000 appends with Post: %.2f ms (%.1f us each; the index file and "
        "the header are rewritten at every append)\n",
        engine * 1e3, engine * 1e6 / 5000);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    std::printf("engine waits for the disk (fdatasync): %s\n", disk().syncsToDisk() ? "yes" : "no");
    const fs::path dir = fs::temp_directory_path() / ("zavlin-bench-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    if (only.empty() || only == "scan") benchScan(dir);
    if (only.empty() || only == "blobs") benchBlobs(dir);
    if (only.empty() || only == "appends") benchAppends(dir);
    fs::remove_all(dir);
    return 0;
}
