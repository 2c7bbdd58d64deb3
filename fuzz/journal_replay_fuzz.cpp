// Fuzz target: the rollback journal. A small table of two records is written
// once; each input becomes its ".bj", and the table is opened (which plays the
// journal back or refuses it) and read. Whatever the journal says, no table
// file may end up longer than it was: playback only restores old bytes inside
// the recorded sizes and cuts files back, so growth is a finding, as is a
// crash, a hang or an exception other than the engine's range errors.
//
// Input layout: byte 0 holds flags, the rest is the journal (see
// src/storage/journal.h). Flag 1 puts right checksums into the header and
// into every entry that fits, so that mutations reach the bounds checks
// instead of stopping at a checksum.
// The table's files are 164 (.b0), 98 (.b1) and 2080 (.b2) bytes long, so a
// seed can name offsets inside and outside them.
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "base/core_hooks.h"
#include "base/errors.h"
#include "base/streams.h"
#include "storage/journal.h"
#include "storage/table_blob.h"

namespace {

namespace fs = std::filesystem;
using namespace zavlin;

const char* const kExt[3] = {".b0", ".b1", ".b2"};

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

// Replays need no disk waits.
FileSystem& unsynced() {
    static RealFileSystem fs(false);
    return fs;
}

const fs::path& scratch() {
    static const fs::path* dir = [] {
        auto* d = new fs::path(fs::temp_directory_path() /
                               ("zavlin-journal-fuzz-" + std::to_string(::getpid())));
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

std::vector<uint8_t> readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& p, const uint8_t* data, std::size_t n) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(n));
}

// The table's files, made once by the engine itself.
const std::array<std::vector<uint8_t>, 3>& tableFiles() {
    static const std::array<std::vector<uint8_t>, 3> files = [] {
        const fs::path base = scratch() / "T";
        TTableBlob t(quietHooks(), unsynced());
        t.SetTableName(base.string());
        if (!t.CreateFile() || !t.AddAutoIncField("N") || !t.AddStringField("Name", 20) ||
            !t.AddBlobField("Dan"))
            std::abort();
        for (uint8_t i = 0; i < 2; ++i) {
            if (!t.Append()) std::abort();
            t.FieldByName("Name")->setAsString("name" + std::to_string(i));
            TMemoryStream m(std::vector<uint8_t>(200 + 700u * i, static_cast<uint8_t>(0x41 + i)));
            t.FieldByName("Dan")->LoadFromStream(m);
            if (!t.Post()) std::abort();
        }
        t.Close();
        std::array<std::vector<uint8_t>, 3> out;
        for (int i = 0; i < 3; ++i) out[i] = readFile(base.string() + kExt[i]);
        return out;
    }();
    return files;
}

uint32_t fnv1a(const uint8_t* p, std::size_t n, uint32_t h = 2166136261u) {
    for (std::size_t i = 0; i < n; ++i) {
        h ^= p[i];
        h *= 16777619u;
    }
    return h;
}

void putU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void fixChecksums(std::vector<uint8_t>& j) {
    if (j.size() < 36) return;
    putU32(j.data() + 32, fnv1a(j.data(), 32));
    std::size_t pos = 36;
    while (pos + 21 <= j.size()) {
        uint8_t* e = j.data() + pos;
        const std::size_t len = static_cast<std::size_t>(e[9]) | (std::size_t{e[10]} << 8) |
                                (std::size_t{e[11]} << 16) | (std::size_t{e[12]} << 24);
        if (len > j.size() - pos - 21) return;
        putU32(e + 17, fnv1a(e + 21, len, fnv1a(e, 17)));
        pos += 21 + len;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto& files = tableFiles();
    const fs::path& dir = scratch();
    for (const auto& e : fs::directory_iterator(dir)) fs::remove(e.path());
    const std::string base = (dir / "T").string();
    for (int i = 0; i < 3; ++i) writeFile(base + kExt[i], files[i].data(), files[i].size());
    std::vector<uint8_t> journal;
    if (size > 0) journal.assign(data + 1, data + size);
    if (size > 0 && (data[0] & 1)) fixChecksums(journal);
    writeFile(base + ".bj", journal.data(), journal.size());

    {
        TTableBlob t(quietHooks(), unsynced());
        t.ErrorOpen = [](TTableBlob&, uint16_t, const std::string&) {};
        t.SetTableName(base);
        if (t.Open()) {
            try {
                for (t.First(); !t.Eof(); t.Next()) {
                    TMemoryStream m;
                    t.FieldByName("Dan")->SaveToStream(m);
                }
            } catch (const ERangeError&) {
            } catch (const EStreamError&) {
            }
            // Opened means the journal was settled.
            if (fs::exists(base + ".bj") && fs::file_size(base + ".bj") != 0) std::abort();
        }
    }
    for (int i = 0; i < 3; ++i) {
        std::error_code ec;
        const auto now = fs::file_size(base + kExt[i], ec);
        if (!ec && now > files[i].size()) std::abort();
    }
    return 0;
}
