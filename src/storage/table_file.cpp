#include "storage/table_file.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace zavlin {
namespace {

// Block buffers outlive the files that used them: tables are opened and
// closed all the time, and fresh memory costs a page fault per 4 KiB.
class BlockPool {
public:
    uint8_t* take() {
        {
            std::lock_guard lock(mutex_);
            if (!free_.empty()) {
                uint8_t* p = free_.back();
                free_.pop_back();
                return p;
            }
        }
        return new uint8_t[TableFile::kBlockSize];
    }
    void give(uint8_t* p) {
        std::lock_guard lock(mutex_);
        if (free_.size() < kKeep) {
            free_.push_back(p);
        } else {
            delete[] p;
        }
    }
    ~BlockPool() {
        for (uint8_t* p : free_) delete[] p;
    }

private:
    static constexpr std::size_t kKeep = 64;
    std::mutex mutex_;
    std::vector<uint8_t*> free_;
};

BlockPool& pool() {
    static BlockPool p;
    return p;
}

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

void TableFile::releaseBlocks() {
    for (auto& b : blocks_) pool().give(b.data);
    blocks_.clear();
    last_ = nullptr;
}

void TableFile::close() {
    file_.reset();
    releaseBlocks();
    dirtyBlocks_.clear();
    size_ = diskSize_ = 0;
    ioFailed_ = false;
}

bool TableFile::writeBack(Block& b) {
    if (!b.isDirty()) return true;
    const uint64_t start = b.index * kBlockSize;
    // Bytes between the disk end and the dirty range are zeros in the block;
    // a write past the end leaves a hole, which reads as zeros too.
    const uint32_t lo = b.dirtyLo;
    const uint32_t hi = std::min(b.dirtyHi, b.valid);
    b.dirtyLo = b.dirtyHi = 0;
    if (hi <= lo) return true;
    if (journal_ && !journal_->beforeWrite()) return false;
    if (!file_->writeAt(start + lo, b.data + lo, hi - lo)) return false;
    diskSize_ = std::max(diskSize_, start + hi);
    return true;
}

TableFile::Block* TableFile::block(uint64_t index) {
    if (last_ && last_->index == index) {
        last_->lastUse = ++clock_;
        return last_;
    }
    Block* victim = nullptr;
    for (auto& b : blocks_) {
        if (b.index == index) {
            b.lastUse = ++clock_;
            last_ = &b;
            return &b;
        }
        // Pending bytes reach the disk at flush() only, never on eviction: an
        // operation that fails half-way must leave the files as they were.
        if (!b.isDirty() && (!victim || b.lastUse < victim->lastUse)) victim = &b;
    }
    if (blocks_.size() < kMaxBlocks || !victim) {
        // Growing the vector moves the blocks: fix the pointers held. While
        // every block holds pending bytes the cache grows past kMaxBlocks;
        // flush() and discard() shrink it again.
        std::vector<std::size_t> dirtyIdx;
        for (Block* d : dirtyBlocks_)
            dirtyIdx.push_back(static_cast<std::size_t>(d - blocks_.data()));
        blocks_.reserve(std::max<std::size_t>(kMaxBlocks, blocks_.size() + 1));
        blocks_.emplace_back();
        dirtyBlocks_.clear();
        for (std::size_t i : dirtyIdx) dirtyBlocks_.push_back(&blocks_[i]);
        victim = &blocks_.back();
        victim->data = pool().take();
        last_ = nullptr;  // it may point into the old array
    }
    victim->index = kNoBlock;
    const uint64_t start = index * kBlockSize;
    uint32_t got = 0;
    if (start < diskSize_) {
        const uint64_t want = std::min<uint64_t>(kBlockSize, diskSize_ - start);
        const int64_t r = file_->readSomeAt(start, victim->data, want);
        if (r < 0) return nullptr;
        got = static_cast<uint32_t>(r);
    }
    // Whatever the disk does not hold reads as zeros.
    std::memset(victim->data + got, 0, kBlockSize - got);
    victim->valid =
        static_cast<uint32_t>(start >= size_ ? 0 : std::min<uint64_t>(kBlockSize, size_ - start));
    victim->index = index;
    victim->dirtyLo = victim->dirtyHi = 0;
    victim->lastUse = ++clock_;
    last_ = victim;
    return victim;
}

bool TableFile::read(uint64_t offset, void* buffer, std::size_t n) {
    if (!file_) return false;
    if (offset > size_ || n > size_ - offset) return false;
    auto* out = static_cast<uint8_t*>(buffer);
    while (n > 0) {
        const uint64_t bi = offset / kBlockSize;
        const std::size_t inBlock = static_cast<std::size_t>(offset % kBlockSize);
        Block* b = block(bi);
        if (!b) return false;
        const std::size_t take = std::min<std::size_t>(n, kBlockSize - inBlock);
        std::memcpy(out, b->data + inBlock, take);
        out += take;
        offset += take;
        n -= take;
    }
    return true;
}

bool TableFile::write(uint64_t offset, const void* buffer, std::size_t n) {
    if (!file_) return false;
    const auto* in = static_cast<const uint8_t*>(buffer);
    while (n > 0) {
        const uint64_t bi = offset / kBlockSize;
        const uint32_t inBlock = static_cast<uint32_t>(offset % kBlockSize);
        Block* b = block(bi);
        if (!b) return false;
        const uint32_t take = static_cast<uint32_t>(std::min<uint64_t>(n, kBlockSize - inBlock));
        if (journal_ && journal_->active() && offset < journal_->startSize(fileId_))
            journal_->capture(fileId_, offset, b->data + inBlock, take);
        std::memcpy(b->data + inBlock, in, take);
        if (!b->isDirty()) {
            b->dirtyLo = inBlock;
            b->dirtyHi = inBlock + take;
            dirtyBlocks_.push_back(b);
        } else {
            b->dirtyLo = std::min(b->dirtyLo, inBlock);
            b->dirtyHi = std::max(b->dirtyHi, inBlock + take);
        }
        b->valid = std::max(b->valid, inBlock + take);
        in += take;
        offset += take;
        n -= take;
        size_ = std::max(size_, offset);
    }
    return true;
}

bool TableFile::truncate(uint64_t newSize) {
    if (!file_) return false;
    if (!flush()) return false;
    if (!file_->truncate(newSize)) {
        discard();
        return false;
    }
    size_ = diskSize_ = newSize;
    for (auto& b : blocks_) {
        if (b.index == kNoBlock) continue;
        const uint64_t start = b.index * kBlockSize;
        if (start >= newSize) {
            b.index = kNoBlock;
        } else if (start + b.valid > newSize) {
            b.valid = static_cast<uint32_t>(newSize - start);
            std::memset(b.data + b.valid, 0, kBlockSize - b.valid);
        }
    }
    last_ = nullptr;
    return true;
}

bool TableFile::flush() {
    if (!file_) return false;
    bool ok = !ioFailed_;
    if (!dirtyBlocks_.empty()) {
        std::sort(dirtyBlocks_.begin(), dirtyBlocks_.end(),
                  [](const Block* a, const Block* b) { return a->index < b->index; });
        for (Block* b : dirtyBlocks_) {
            if (ok) {
                ok = writeBack(*b);
            } else {
                b->dirtyLo = b->dirtyHi = 0;
            }
        }
        dirtyBlocks_.clear();
    }
    if (!ok) {
        discard();
        return false;
    }
    // Back to the usual size after an operation that held many pending blocks.
    if (blocks_.size() > kMaxBlocks) {
        for (std::size_t i = kMaxBlocks; i < blocks_.size(); ++i) pool().give(blocks_[i].data);
        blocks_.resize(kMaxBlocks);
        last_ = nullptr;
    }
    return true;
}

void TableFile::refresh() {
    if (file_ && dirtyBlocks_.empty() && !ioFailed_) discard();
}

void TableFile::discard() {
    for (auto& b : blocks_) {
        b.index = kNoBlock;
        b.dirtyLo = b.dirtyHi = 0;
    }
    last_ = nullptr;
    dirtyBlocks_.clear();
    ioFailed_ = false;
    if (blocks_.size() > kMaxBlocks) {
        for (std::size_t i = kMaxBlocks; i < blocks_.size(); ++i) pool().give(blocks_[i].data);
        blocks_.resize(kMaxBlocks);
    }
    if (file_) {
        const int64_t s = file_->size();
        size_ = diskSize_ = s < 0 ? 0 : static_cast<uint64_t>(s);
    }
}

}  // namespace zavlin
