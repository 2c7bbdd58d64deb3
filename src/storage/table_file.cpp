#include "storage/table_file.h"

#include <algorithm>
#include <cstring>

namespace zavlin {
namespace {
// Past this many cached bytes a file's clean blocks are let go after a flush.
constexpr uint64_t kCacheLimit = 256ull * 1024 * 1024;
}  // namespace

bool TableFile::open(FileSystem& fs, const std::filesystem::path& path, OpenMode mode) {
    close();
    file_ = fs.open(path, mode);
    if (!file_) return false;
    int64_t s = file_->size();
    if (s < 0) {
        file_.reset();
        return false;
    }
    path_ = path;
    size_ = diskSize_ = static_cast<uint64_t>(s);
    return true;
}

void TableFile::close() {
    file_.reset();
    blocks_.clear();
    dirtyBlocks_.clear();
    size_ = diskSize_ = 0;
    sizeDirty_ = false;
    cachedBytes_ = 0;
}

TableFile::Block* TableFile::block(uint64_t index, bool forWrite) {
    if (index >= blocks_.size()) blocks_.resize(index + 1);
    auto& b = blocks_[index];
    if (b) return b.get();
    const uint64_t start = index * kBlockSize;
    auto nb = std::make_unique<Block>();
    if (start < diskSize_) {
        const uint64_t want = std::min<uint64_t>(kBlockSize, diskSize_ - start);
        nb->data.resize(want);
        int64_t got = file_->readSomeAt(start, nb->data.data(), want);
        if (got < 0) return nullptr;
        nb->data.resize(static_cast<std::size_t>(got));
    }
    // Bytes written but not yet on disk beyond diskSize_ can only live in
    // blocks that are already cached, so a new block needs nothing else.
    if (!forWrite && start + nb->data.size() < std::min(size_, start + kBlockSize)) {
        nb->data.resize(std::min<uint64_t>(kBlockSize, size_ - start), 0);
    }
    cachedBytes_ += nb->data.size();
    b = std::move(nb);
    return b.get();
}

bool TableFile::read(uint64_t offset, void* buffer, std::size_t n) {
    if (!file_) return false;
    if (n == 0) return offset <= size_;
    if (offset > size_ || n > size_ - offset) return false;
    auto* out = static_cast<uint8_t*>(buffer);
    while (n > 0) {
        const uint64_t bi = offset / kBlockSize;
        const uint64_t inBlock = offset % kBlockSize;
        Block* b = block(bi, false);
        if (!b) return false;
        const std::size_t take = static_cast<std::size_t>(std::min<uint64_t>(n, kBlockSize - inBlock));
        const std::size_t have =
            inBlock < b->data.size() ? std::min(take, b->data.size() - static_cast<std::size_t>(inBlock)) : 0;
        if (have > 0) std::memcpy(out, b->data.data() + inBlock, have);
        if (have < take) std::memset(out + have, 0, take - have);
        out += take;
        offset += take;
        n -= take;
    }
    return true;
}

bool TableFile::write(uint64_t offset, const void* buffer, std::size_t n) {
    if (!file_) return false;
    if (n == 0) return true;
    const auto* in = static_cast<const uint8_t*>(buffer);
    while (n > 0) {
        const uint64_t bi = offset / kBlockSize;
        const uint32_t inBlock = static_cast<uint32_t>(offset % kBlockSize);
        Block* b = block(bi, true);
        if (!b) return false;
        const uint32_t take = static_cast<uint32_t>(std::min<uint64_t>(n, kBlockSize - inBlock));
        if (b->data.size() < inBlock + take) {
            cachedBytes_ += inBlock + take - b->data.size();
            b->data.resize(inBlock + take, 0);
        }
        std::memcpy(b->data.data() + inBlock, in, take);
        if (b->dirtyHi <= b->dirtyLo) {
            b->dirtyLo = inBlock;
            b->dirtyHi = inBlock + take;
            dirtyBlocks_.push_back(bi);
        } else {
            b->dirtyLo = std::min(b->dirtyLo, inBlock);
            b->dirtyHi = std::max(b->dirtyHi, inBlock + take);
        }
        in += take;
        offset += take;
        n -= take;
        size_ = std::max(size_, offset);
    }
    // A gap left before the written bytes reads as zeros here and becomes a
    // hole on disk, which reads as zeros too.
    return true;
}

bool TableFile::truncate(uint64_t newSize) {
    if (!file_) return false;
    // Settle pending bytes first so the order of effects on disk stays simple.
    if (!flush()) return false;
    if (!file_->truncate(newSize)) {
        discard();
        return false;
    }
    size_ = diskSize_ = newSize;
    const uint64_t keep = (newSize + kBlockSize - 1) / kBlockSize;
    if (blocks_.size() > keep) blocks_.resize(keep);
    if (keep > 0 && blocks_[keep - 1]) {
        auto& d = blocks_[keep - 1]->data;
        const uint64_t inLast = newSize - (keep - 1) * kBlockSize;
        if (d.size() > inLast) d.resize(inLast);
    }
    cachedBytes_ = 0;
    for (auto& b : blocks_)
        if (b) cachedBytes_ += b->data.size();
    return true;
}

bool TableFile::flush() {
    if (!file_) return false;
    if (dirtyBlocks_.empty()) return true;
    std::sort(dirtyBlocks_.begin(), dirtyBlocks_.end());
    bool ok = true;
    for (uint64_t bi : dirtyBlocks_) {
        Block* b = blocks_[bi].get();
        uint64_t start = bi * kBlockSize + b->dirtyLo;
        // A block written past the disk end must also fill the gap before it.
        uint32_t lo = b->dirtyLo;
        if (diskSize_ < start && diskSize_ >= bi * kBlockSize) {
            lo = static_cast<uint32_t>(diskSize_ - bi * kBlockSize);
        }
        if (diskSize_ < bi * kBlockSize) lo = 0;
        const uint32_t hi = std::min<uint32_t>(b->dirtyHi, static_cast<uint32_t>(b->data.size()));
        if (ok && hi > lo) {
            ok = file_->writeAt(bi * kBlockSize + lo, b->data.data() + lo, hi - lo);
            if (ok) diskSize_ = std::max(diskSize_, bi * kBlockSize + hi);
        }
        b->dirtyLo = b->dirtyHi = 0;
    }
    dirtyBlocks_.clear();
    if (!ok) {
        discard();
        return false;
    }
    if (cachedBytes_ > kCacheLimit) dropClean();
    return true;
}

void TableFile::discard() {
    blocks_.clear();
    dirtyBlocks_.clear();
    cachedBytes_ = 0;
    if (file_) {
        int64_t s = file_->size();
        size_ = diskSize_ = s < 0 ? 0 : static_cast<uint64_t>(s);
    }
}

void TableFile::dropClean() {
    for (auto& b : blocks_) {
        if (b && b->dirtyHi <= b->dirtyLo) b.reset();
    }
    cachedBytes_ = 0;
    for (auto& b : blocks_)
        if (b) cachedBytes_ += b->data.size();
}

bool TableFile::sync() {
    if (!flush()) return false;
    return file_->sync();
}

bool replaceFileWhole(FileSystem& fs, const std::filesystem::path& path, const uint8_t* data,
                      std::size_t n, bool syncData) {
    std::filesystem::path aside = path;
    aside += ".new";
    auto f = fs.open(aside, OpenMode::CreateTruncate);
    if (!f) return false;
    bool ok = n == 0 || f->writeAt(0, data, n);
    if (ok && syncData) ok = f->sync();
    f.reset();
    if (ok) ok = fs.rename(aside, path);
    if (!ok) fs.remove(aside);
    return ok;
}

}  // namespace zavlin
