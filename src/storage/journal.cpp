#include "storage/journal.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>

#include "base/little_endian.h"

namespace zavlin {
namespace {

constexpr std::size_t kHeaderSize = 36;
constexpr std::size_t kEntryHead = 17;

uint32_t fnv1a(const uint8_t* p, std::size_t n, uint32_t h = 2166136261u) {
    for (std::size_t i = 0; i < n; ++i) {
        h ^= p[i];
        h *= 16777619u;
    }
    return h;
}

const char* const kExt[3] = {".b0", ".b1", ".b2"};

// Journals of this process that hold an operation not yet final. Another
// object of the same process (the locks between processes do not part them)
// must not play such a journal back under the writer's feet.
std::mutex& liveJournalsMutex() {
    static std::mutex m;
    return m;
}
std::set<std::string>& liveJournals() {
    static std::set<std::string> s;
    return s;
}

}  // namespace

RollbackJournal::~RollbackJournal() {
    markWritten(false);
}

void RollbackJournal::markWritten(bool written) {
    written_ = written;
    if (written == live_) return;
    std::lock_guard lock(liveJournalsMutex());
    if (written)
        liveJournals().insert(path_.string());
    else
        liveJournals().erase(livePath_);
    livePath_ = path_.string();
    live_ = written;
}

bool RollbackJournal::liveInThisProcess(const std::filesystem::path& journalPath) {
    std::lock_guard lock(liveJournalsMutex());
    return liveJournals().count(journalPath.string()) != 0;
}

void RollbackJournal::begin(const std::filesystem::path& journalPath,
                            std::array<uint64_t, 3> sizes) {
    if (file_ && journalPath != path_) close();
    path_ = journalPath;
    sizes_ = sizes;
    markWritten(false);
    pending_.clear();
    end_ = 0;
    active_ = true;
    // A journal that could not be played back holds the only way back to
    // the last good state: nothing more is written until the table is
    // opened again, which plays it back first.
    failed_ = unplayed_;
    for (auto& s : saved_) s.clear();
}

void RollbackJournal::close() {
    unplayed_ = false;
    if (!file_) return;
    const int64_t size = file_->size();
    file_.reset();
    if (size == 0) fs_.remove(path_);
}

bool RollbackJournal::ensureOpen() {
    if (!file_) file_ = fs_.open(path_, OpenMode::ReadWriteCreate);
    return file_ != nullptr;
}

void RollbackJournal::capture(int file, uint64_t offset, const uint8_t* oldBytes, std::size_t n) {
    if (!active_ || n == 0) return;
    const uint64_t limit = sizes_[static_cast<std::size_t>(file)];
    if (offset >= limit) return;
    const uint64_t hi = std::min<uint64_t>(offset + n, limit);
    auto& saved = saved_[file];
    for (const auto& r : saved)
        if (r.first <= offset && hi <= r.second) return;
    const std::size_t len = static_cast<std::size_t>(hi - offset);
    const std::size_t at = pending_.size();
    pending_.resize(at + kEntryHead + 4 + len);
    uint8_t* e = pending_.data() + at;
    e[0] = static_cast<uint8_t>(file);
    putU64(e + 1, offset);
    putU32(e + 9, static_cast<uint32_t>(len));
    putU32(e + 13, 0);
    std::memcpy(e + kEntryHead + 4, oldBytes, len);
    uint32_t c = fnv1a(e, kEntryHead);
    c = fnv1a(e + kEntryHead + 4, len, c);
    putU32(e + kEntryHead, c);
    // Pages are written one after another: growing the last range keeps the
    // list short, so a long value does not cost a quadratic search.
    if (!saved.empty() && saved.back().second == offset) {
        saved.back().second = hi;
    } else {
        saved.emplace_back(offset, hi);
    }
}

bool RollbackJournal::beforeWrite() {
    if (!active_) return true;
    if (failed_) return false;
    if (written_ && pending_.empty()) return true;
    // Another object of this process is in the middle of an operation on the
    // same table (a batch): a second journal header would overwrite its
    // saved bytes.
    if (!written_ && liveInThisProcess(path_)) {
        failed_ = true;
        return false;
    }
    if (!ensureOpen()) {
        failed_ = true;
        return false;
    }
    // The header (once per operation) and the captured entries in one write.
    std::vector<uint8_t> out;
    if (!written_) {
        out.resize(kHeaderSize);
        std::memcpy(out.data(), "ZVJ1", 4);
        for (int i = 0; i < 3; ++i)
            putU64(out.data() + 4 + 8 * i, sizes_[static_cast<std::size_t>(i)]);
        putU32(out.data() + 32, fnv1a(out.data(), 32));
        end_ = 0;
    }
    out.insert(out.end(), pending_.begin(), pending_.end());
    if (!file_->writeAt(end_, out.data(), out.size()) || !file_->sync()) {
        failed_ = true;
        return false;
    }
    end_ += out.size();
    markWritten(true);
    pending_.clear();
    return true;
}

bool RollbackJournal::end(bool success, const std::array<File*, 3>& files) {
    if (!active_) return true;
    if (!success || failed_) {
        (void)rollback();
        return false;
    }
    active_ = false;
    pending_.clear();
    if (!written_) return true;
    markWritten(false);
    for (File* f : files)
        if (f && !f->sync()) success = false;
    // Emptying the journal is the moment the operation becomes final;
    // removing it does as well when it cannot be emptied.
    if (success && file_->truncate(0)) return true;
    file_.reset();
    if (success && fs_.remove(path_)) return true;
    markWritten(true);
    active_ = true;
    (void)rollback();
    return false;
}

bool RollbackJournal::rollback() {
    if (!active_) return true;
    active_ = false;
    pending_.clear();
    // Nothing reached the table files before the journal held its header.
    if (!written_) return true;
    markWritten(false);
    file_.reset();
    std::string base = path_.string();
    base.resize(base.size() - 3);
    if (replay(fs_, base)) return true;
    unplayed_ = true;
    return false;
}

void RollbackJournal::refuseWrites() {
    active_ = true;
    failed_ = true;
    markWritten(false);
    pending_.clear();
    for (auto& s : saved_) s.clear();
}

namespace {

void say(std::string* problem, std::string text) {
    if (problem) *problem = std::move(text);
}

}  // namespace

bool RollbackJournal::replay(FileSystem& fs, const std::filesystem::path& tableBase,
                             std::string* problem) {
    const std::filesystem::path jp(tableBase.string() + ".bj");
    if (!fs.exists(jp)) return true;
    if (liveInThisProcess(jp)) {
        say(problem, "an operation of this program is still writing it");
        return false;
    }
    auto j = fs.open(jp, OpenMode::ReadWrite);
    if (!j) return false;
    const int64_t size = j->size();
    if (size < 0) return false;
    std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
    if (size > 0 && !j->readAt(0, bytes.data(), bytes.size())) return false;
    j.reset();
    if (bytes.empty()) return fs.remove(jp);
    const bool headerWhole =
        bytes.size() >= kHeaderSize && getU32(bytes.data() + 32) == fnv1a(bytes.data(), 32);
    if (headerWhole && std::memcmp(bytes.data(), "ZVJ", 3) == 0 && bytes[3] != '1') {
        // Written by another version of the engine: its layout is unknown
        // here, and removing it would lose that version's rollback.
        say(problem, "unknown journal version");
        return false;
    }
    if (!headerWhole || std::memcmp(bytes.data(), "ZVJ1", 4) != 0) {
        // The header never made it: no table byte was written after it.
        return fs.remove(jp);
    }
    uint64_t sizes[3];
    for (int i = 0; i < 3; ++i) sizes[i] = getU64(bytes.data() + 4 + 8 * i);
    struct Entry {
        int file;
        uint64_t offset;
        std::size_t at;
        std::size_t len;
    };
    std::vector<Entry> entries;
    std::size_t pos = kHeaderSize;
    while (pos + kEntryHead + 4 <= bytes.size()) {
        const uint8_t* e = bytes.data() + pos;
        const std::size_t len = getU32(e + 9);
        // A torn entry ends the journal: its overwrite had not begun.
        if (len > bytes.size() - pos - kEntryHead - 4) break;
        uint32_t c = fnv1a(e, kEntryHead);
        c = fnv1a(e + kEntryHead + 4, len, c);
        if (c != getU32(e + kEntryHead)) break;
        const int file = e[0];
        const uint64_t offset = getU64(e + 1);
        // A whole entry the engine never writes: the journal is damaged.
        if (file > 2 || getU32(e + 13) != 0) {
            say(problem,
                "journal entry " + std::to_string(entries.size() + 1) + " names no table file");
            return false;
        }
        // Old bytes always lie inside the file as it was at the start.
        if (offset > sizes[file] || len > sizes[file] - offset) {
            say(problem, "journal entry " + std::to_string(entries.size() + 1) +
                             " lies outside the recorded size of " + kExt[file]);
            return false;
        }
        entries.push_back({file, offset, pos + kEntryHead + 4, len});
        pos += kEntryHead + 4 + len;
    }
    std::unique_ptr<File> files[3];
    for (int i = 0; i < 3; ++i) {
        const std::filesystem::path p(tableBase.string() + kExt[i]);
        // A file that is there but cannot be opened keeps the journal for
        // the next attempt; skipped, its old bytes would be lost.
        if (fs.exists(p) && !(files[i] = fs.open(p, OpenMode::ReadWrite))) return false;
        const int64_t now = files[i] ? files[i]->size() : 0;
        if (now < 0) return false;
        // Under a journal the files only grow, so a file shorter than its
        // recorded size was changed by something else: playing the journal
        // back would extend it with whatever the entries say.
        if (sizes[i] > static_cast<uint64_t>(now)) {
            say(problem, std::string("the journal records ") + std::to_string(sizes[i]) +
                             " bytes of " + kExt[i] + ", which holds " + std::to_string(now));
            return false;
        }
    }
    bool ok = true;
    // Newest first, so that the oldest image of a range is the one that stays.
    for (auto it = entries.rbegin(); it != entries.rend() && ok; ++it) {
        if (!files[it->file]) continue;
        ok = files[it->file]->writeAt(it->offset, bytes.data() + it->at, it->len);
    }
    for (int i = 0; i < 3 && ok; ++i) {
        if (!files[i]) continue;
        const int64_t now = files[i]->size();
        if (now > static_cast<int64_t>(sizes[i])) ok = files[i]->truncate(sizes[i]);
        if (ok) ok = files[i]->sync();
    }
    if (!ok) return false;
    // The index may describe the undone state of the slots: rebuild it.
    if (!fs.remove(std::filesystem::path(tableBase.string() + ".bi"))) return false;
    return fs.remove(jp);
}

}  // namespace zavlin
