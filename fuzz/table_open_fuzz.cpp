// Fuzz target: the four files of one table come from the input, the engine
// opens them, reads everything it can reach, and writes one record. Damaged
// tables may be refused or raise the engine's range, conversion and stream
// errors; anything else (a crash, a hang, another exception) is a finding.
//
// Input layout:
//   0  u16 length of .b0   2  u16 length of .b1   4  u16 length of .b2
//   6  u8 flags: 1 = .bi present, 2 = attach an ErrorOpen handler
//   7  the .b0, .b1 and .b2 bytes, then whatever is left is .bi
// Lengths beyond the input are cut to what is there.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "base/errors.h"
#include "base/streams.h"
#include "base/user_messages.h"
#include "storage/table_blob.h"

namespace {

namespace fs = std::filesystem;
using namespace zavlin;

// A private folder per process, created once and removed at exit. The path
// is never destroyed, so the exit handler can still use it.
const fs::path& scratch() {
    static const fs::path* dir = [] {
        auto* d =
            new fs::path(fs::temp_directory_path() / ("zavlin-fuzz-" + std::to_string(::getpid())));
        fs::remove_all(*d);
        fs::create_directories(*d);
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(scratch(), ec);
        });
        setUserMessageHandler([](const std::string&) {});
        return d;
    }();
    return *dir;
}

void writeFile(const fs::path& p, const uint8_t* data, std::size_t n) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(n));
}

// Runs f and swallows the errors a damaged table may raise.
template <typename F>
void guarded(F&& f) {
    try {
        f();
    } catch (const ERangeError&) {
    } catch (const EConvertError&) {
    } catch (const EStreamError&) {
    }
}

void readFields(TTableBlob& t) {
    for (int i = 0; i < t.FieldCount(); ++i) {
        TField* f = t.Field(i);
        guarded([&] { (void)f->asInteger(); });
        guarded([&] { (void)f->asString(); });
        guarded([&] { (void)f->asDateTime(); });
        if (f->asBlobField()) {
            guarded([&] {
                TMemoryStream m;
                f->SaveToStream(m);
            });
        }
    }
}

void walkIndex(TTableBlob& t) {
    t.First();
    while (!t.Eof()) {
        readFields(t);
        t.Next();
    }
}

void walkSlots(TTableBlob& t) {
    t.FirstAll();
    while (!t.EofAll()) {
        ARecordHeadr h;
        (void)t.ReadRecordHeadr(h);
        (void)t.TestRecordDeleted();
        readFields(t);
        t.NextAll();
    }
}

void appendPostDelete(TTableBlob& t) {
    guarded([&] {
        if (!t.Append()) return;
        for (int i = 1; i < t.FieldCount(); ++i) {
            TField* f = t.Field(i);
            if (f->asBlobField()) {
                TMemoryStream m(std::vector<uint8_t>(100, 0x5A));
                f->LoadFromStream(m);
            } else {
                guarded([&] { f->setAsInteger(1); });
            }
        }
        (void)t.Post();
        (void)t.Delete();
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fs::path& dir = scratch();
    for (const auto& e : fs::directory_iterator(dir)) fs::remove(e.path());

    std::size_t len[3] = {0, 0, 0};
    uint8_t flags = 0;
    std::size_t at = 0;
    if (size >= 7) {
        for (int i = 0; i < 3; ++i)
            len[i] = static_cast<std::size_t>(data[2 * i] | (data[2 * i + 1] << 8));
        flags = data[6];
        at = 7;
    }
    const char* const ext[3] = {".b0", ".b1", ".b2"};
    for (int i = 0; i < 3; ++i) {
        const std::size_t n = std::min(len[i], size - at);
        writeFile(dir / (std::string("T") + ext[i]), data + at, n);
        at += n;
    }
    if (flags & 1) writeFile(dir / "T.bi", data + at, size - at);

    TTableBlob t;
    if (flags & 2) t.ErrorOpen = [](TTableBlob&, uint16_t, const std::string&) {};
    t.SetTableName((dir / "T").string());
    if (!t.Open()) return 0;
    walkIndex(t);
    walkSlots(t);
    appendPostDelete(t);
    t.Close();
    // What the write left behind must open or be refused just the same.
    if (t.Open()) {
        walkIndex(t);
        t.Close();
    }
    return 0;
}
