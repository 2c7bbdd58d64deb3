// Replacing several table files at once. A crash must leave either the old
// table or the new one, never a mix: the new contents are written completely
// as temporary files, then a plan file naming the renames is created
// atomically (the commit point), then the renames run. Whoever opens the
// table next finishes a plan it finds, or removes temporary files that no plan
// names (the replacement never committed).
#include <cstring>
#include <sstream>

#include "base/cp1251.h"
#include "storage/table_blob.h"

namespace zavlin {
namespace {

std::filesystem::path withExt(const std::string& fileName, const char* ext) {
    return std::filesystem::path(fileName + ext);
}

bool writeWhole(FileSystem& fs, const std::filesystem::path& p, const std::vector<uint8_t>& bytes) {
    auto f = fs.open(p, OpenMode::CreateTruncate);
    if (!f) return false;
    if (!bytes.empty() && !f->writeAt(0, bytes.data(), bytes.size())) return false;
    return f->sync();
}

bool readWhole(FileSystem& fs, const std::filesystem::path& p, std::string& out) {
    auto f = fs.open(p, OpenMode::ReadWrite);
    if (!f) return false;
    const int64_t n = f->size();
    if (n < 0 || n > (1 << 20)) return false;
    out.resize(static_cast<std::size_t>(n));
    return n == 0 || f->readAt(0, out.data(), out.size());
}

// Runs a committed plan. Every step may already have been done by an earlier
// attempt, so each one is checked first; the plan is removed at the end.
bool runPlan(FileSystem& fs, const std::filesystem::path& folder, const std::string& plan,
             const std::filesystem::path& planPath) {
    std::istringstream in(plan);
    std::string line;
    bool ok = true;
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        std::string op, a, b;
        std::getline(ls, op, '\t');
        std::getline(ls, a, '\t');
        std::getline(ls, b, '\t');
        // Plan entries name files of this folder only.
        if (a.empty() || a.find('/') != std::string::npos || b.find('/') != std::string::npos)
            continue;
        if (op == "REMOVE") {
            ok = fs.remove(folder / a) && ok;
        } else if (op == "RENAME" && !b.empty()) {
            if (fs.exists(folder / a)) ok = fs.rename(folder / a, folder / b) && ok;
        }
    }
    if (ok) ok = fs.remove(planPath);
    return ok;
}

}  // namespace

bool TTableBlob::RecoverFiles(FileSystem& fs, const std::string& fileName) {
    if (fileName.empty()) return true;
    const std::filesystem::path base(fileName);
    const std::filesystem::path folder = base.parent_path();
    const auto planPath = withExt(fileName, ".bt");
    bool ok = true;
    if (fs.exists(planPath)) {
        std::string plan;
        ok = readWhole(fs, planPath, plan) && runPlan(fs, folder, plan, planPath);
    } else {
        for (const char* ext : {".b0t", ".b1t", ".b2t"}) {
            const auto p = withExt(fileName, ext);
            if (fs.exists(p)) ok = fs.remove(p) && ok;
        }
    }
    fs.remove(withExt(fileName, ".bt.new"));
    return ok;
}

std::vector<uint8_t> TTableBlob::encodeB0() const {
    ATableBlobHead h = FHeadr;
    h.FCountField = static_cast<uint8_t>(std::min<std::size_t>(LField.size(), 255));
    h.FLengthHeadr = kTableHeadSize;
    std::vector<uint8_t> bytes(kTableHeadSize + LField.size() * kFieldDescSize, 0);
    h.encode(bytes.data());
    for (std::size_t i = 0; i < LField.size(); ++i) {
        uint8_t* d = bytes.data() + kTableHeadSize + i * kFieldDescSize;
        const TField& f = *LField[i];
        d[0] = static_cast<uint8_t>(f.TypeField());
        d[1] = kFieldNameLength;
        const std::string name = utf8ToCp1251Cut(f.Name(), kFieldNameLength);
        std::memset(d + 2, ' ', kFieldNameLength);
        std::memcpy(d + 2, name.data(), name.size());
        d[28] = static_cast<uint8_t>(f.GetSizeForFile_b1());
    }
    return bytes;
}

bool TTableBlob::replaceFiles(const Replacement& r) {
    if (openedReadOnly()) return false;
    // Whole files cannot be part of a batch's journal.
    if (batch_) return false;
    const std::string name = FileName();
    const std::filesystem::path base(name);
    const std::string stem = base.filename().string();
    std::string plan;
    if (r.dropIndex) plan += "REMOVE\t" + stem + ".bi\n";
    struct Part {
        const std::vector<uint8_t>* bytes;
        const char* ext;
    };
    for (const Part& p : {Part{r.b2, ".b2"}, Part{r.b1, ".b1"}, Part{r.b0, ".b0"}}) {
        const bool written = p.ext[2] == '2' && r.b2Written;
        if (!p.bytes && !written) continue;
        if (!written &&
            !writeWhole(fs_, withExt(name, (std::string(p.ext) + "t").c_str()), *p.bytes))
            return false;
        plan += "RENAME\t" + stem + p.ext + "t\t" + stem + p.ext + "\n";
    }
    if (r.removeB2) plan += "REMOVE\t" + stem + ".b2\n";
    const auto planPath = withExt(name, ".bt");
    const std::vector<uint8_t> planBytes(plan.begin(), plan.end());
    if (!replaceFileWhole(fs_, planPath, planBytes.data(), planBytes.size(), true))
        return false;
    // Committed: from here on the new files are the table, whatever happens.
    bool ok = runPlan(fs_, base.parent_path(), plan, planPath);
    // Every step of a plan can be run again: a second attempt finishes what a
    // failed rename or removal left.
    if (!ok) ok = RecoverFiles(fs_, name);
    if (r.dropIndex) {
        biFile_.reset();
        biSize_ = 0;
    }
    // Otherwise the files are neither the old table nor the new one until an
    // open finishes the plan. The object must not go on with either version
    // (a write would land in a file the plan then replaces): it is closed.
    if (!ok) Clear();
    return ok;
}

bool TTableBlob::reopenAfterReplace() {
    // Closed by a replacement that could not be finished: the next open
    // settles the files.
    if (!Active()) return false;
    // The handles still point at the replaced files. A table whose files
    // cannot all be opened again is closed rather than left half-open on
    // files of two versions.
    const bool ok = FFileStream_b0.open(fs_, FilePath(".b0"), OpenMode::ReadWrite) &&
                    FFileStream_b1.open(fs_, FilePath(".b1"), OpenMode::ReadWriteCreate);
    FFileStream_b2.close();
    if (!ok || (CanBlobFields() &&
                !FFileStream_b2.open(fs_, FilePath(".b2"), OpenMode::ReadWriteCreate))) {
        Clear();
        return false;
    }
    return true;
}

void TTableBlob::fieldLayout(std::vector<int>& offsets, std::vector<int>& sizes) const {
    offsets.clear();
    sizes.clear();
    for (const auto& f : LField) {
        offsets.push_back(f->PosSeekRecord());
        sizes.push_back(f->GetSizeForFile_b1());
    }
}

bool TTableBlob::readAllSlots(std::vector<uint8_t>& out) {
    if (!flushData()) return false;
    out.resize(slotLength() * FHeadr.FCountRecordAll);
    return out.empty() || FFileStream_b1.read(0, out.data(), out.size());
}

std::vector<uint8_t> TTableBlob::relayoutSlots(const std::vector<uint8_t>& oldB1,
                                               const std::vector<int>& oldOffsets,
                                               const std::vector<int>& oldSizes,
                                               const std::vector<int>& newFields) const {
    std::size_t oldSlot = kRecordHeadSize;
    for (int s : oldSizes) oldSlot += static_cast<std::size_t>(s);
    std::size_t newSlot = kRecordHeadSize;
    std::vector<int> newSizes;
    for (std::size_t i = 0; i < newFields.size(); ++i) {
        const int size = LField[i]->GetSizeForFile_b1();
        newSizes.push_back(size);
        newSlot += static_cast<std::size_t>(size);
    }
    const std::size_t count = oldSlot ? oldB1.size() / oldSlot : 0;
    std::vector<uint8_t> out(count * newSlot, 0);
    for (std::size_t s = 0; s < count; ++s) {
        const uint8_t* from = oldB1.data() + s * oldSlot;
        uint8_t* to = out.data() + s * newSlot;
        std::memcpy(to, from, kRecordHeadSize);
        std::size_t at = kRecordHeadSize;
        for (std::size_t i = 0; i < newFields.size(); ++i) {
            const int src = newFields[i];
            if (src >= 0) {
                const std::size_t n = std::min<std::size_t>(
                    static_cast<std::size_t>(newSizes[i]), static_cast<std::size_t>(oldSizes[src]));
                std::memcpy(to + at, from + oldOffsets[src], n);
            }
            at += static_cast<std::size_t>(newSizes[i]);
        }
    }
    return out;
}

}  // namespace zavlin
