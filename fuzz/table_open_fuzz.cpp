// Fuzz target: the four files of one table come from the input, the engine
// opens them, reads everything it can reach, checks it, re-indexes and packs
// copies of it, and writes one record. Damaged tables may be refused or raise
// the engine's range, conversion and stream errors; anything else (a crash, a
// hang, another exception) is a finding, and so is a re-index or a pack that
// succeeds but loses a record or leaves a table that does not open or still
// shows what it should have rebuilt.
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

#include "base/core_hooks.h"
#include "base/errors.h"
#include "base/streams.h"
#include "storage/table_blob.h"

namespace {

namespace fs = std::filesystem;
using namespace zavlin;

// A private folder per process, created once and removed at exit. The path
// is never destroyed, so the exit handler can still use it.
// The owner of the tables here: nobody is at the screen.
TCoreHooks& quietHooks() {
    static TScriptedDialog dialog;
    static TCoreHooks* hooks = [] {
        auto* h = new TCoreHooks(dialog);
        h->SetMessageRoute([](const std::string&) {});
        return h;
    }();
    return *hooks;
}

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

// Live slots as .b1 holds them; what a repair must keep.
uint32_t liveSlots(TTableBlob& t) {
    uint32_t live = 0;
    t.FirstAll();
    while (!t.EofAll()) {
        ARecordHeadr h;
        if (t.ReadRecordHeadr(h) && h.live()) ++live;
        t.NextAll();
    }
    t.First();
    return live;
}

// The table files of `from` copied to `to` (same base name "T").
void copyTable(const fs::path& from, const fs::path& to) {
    fs::create_directories(to);
    for (const auto& e : fs::directory_iterator(to)) fs::remove(e.path());
    for (const char* ext : {".b0", ".b1", ".b2", ".bi"}) {
        std::error_code ec;
        fs::copy_file(from / (std::string("T") + ext), to / (std::string("T") + ext), ec);
    }
}

// Opens the repaired copy and checks it; returns the first finding (0 when
// clean). A repaired table that does not open, or that lost a record, is a
// finding of the fuzzer.
uint16_t afterRepair(const fs::path& dir, uint32_t liveBefore, bool keyed) {
    TTableBlob t(quietHooks());
    t.ErrorOpen = [](TTableBlob&, uint16_t, const std::string&) {};
    uint16_t finding = 0;
    t.ErrorTest = [&finding](TTableBlob&, uint16_t code, const std::string&) {
        if (finding == 0) finding = code;
    };
    t.SetTableName((dir / "T").string());
    if (!t.Open()) std::abort();
    if (keyed && t.RecordCount() != liveBefore) std::abort();
    guarded([&] { (void)t.TestTable(); });
    t.Close();
    return finding;
}

// Check, re-index and pack on what opened. Re-index rebuilds the index and
// the key counter from the slots, so their findings must be gone after it;
// pack rewrites the pages too, so only a key 0 or two records under one key
// (which no repair settles by dropping one) may remain.
void checkAndRepair(const fs::path& dir, TTableBlob& opened) {
    guarded([&] { (void)opened.TestTable(); });
    const uint32_t live = liveSlots(opened);
    const bool keyed = opened.Headr().FLengthRecords >= 4;
    opened.Close();
    const fs::path copy = dir / "repair";
    for (bool pack : {false, true}) {
        copyTable(dir, copy);
        TTableBlob t(quietHooks());
        t.ErrorOpen = [](TTableBlob&, uint16_t, const std::string&) {};
        t.SetTableName((copy / "T").string());
        bool ok = false;
        guarded([&] { ok = pack ? t.PackTable() : t.ReIndexTable(); });
        t.Close();
        if (!ok) continue;
        const uint16_t finding = afterRepair(copy, live, keyed);
        const bool left = pack ? finding != 0 && finding != 101 && finding != 102
                               : finding == 103 || finding == 104 || finding == 105;
        if (left) std::abort();
    }
    std::error_code ec;
    fs::remove_all(copy, ec);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fs::path& dir = scratch();
    for (const auto& e : fs::directory_iterator(dir)) fs::remove_all(e.path());

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

    TTableBlob t(quietHooks());
    if (flags & 2) t.ErrorOpen = [](TTableBlob&, uint16_t, const std::string&) {};
    t.SetTableName((dir / "T").string());
    if (!t.Open()) return 0;
    checkAndRepair(dir, t);
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
