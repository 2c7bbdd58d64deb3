// One open table file with a small block cache in front of it. Reads are
// served from 64 KiB blocks loaded on first use; writes land in the blocks and
// reach the disk at flush(), which the table calls at the end of every
// operation and before each save point, so the files on disk change at the
// same moments as if every write went straight through. The cache holds a
// fixed number of blocks and recycles their buffers, so a long scan stays in
// the processor's caches instead of growing with the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "storage/file_system.h"
#include "storage/journal.h"

namespace zavlin {

class TableFile {
public:
    static constexpr uint64_t kBlockSize = 64 * 1024;

    TableFile() = default;
    TableFile(const TableFile&) = delete;
    TableFile& operator=(const TableFile&) = delete;

    [[nodiscard]] bool open(FileSystem& fs, const std::filesystem::path& path, OpenMode mode);
    // Drops the cache without writing pending bytes.
    void close();
    bool isOpen() const { return file_ != nullptr; }
    const std::filesystem::path& path() const { return path_; }

    uint64_t size() const { return size_; }
    // Exactly n bytes at offset; false beyond the end or on an I/O error.
    [[nodiscard]] bool read(uint64_t offset, void* buffer, std::size_t n);
    // Extends the file when writing past its end (a gap reads as zeros).
    [[nodiscard]] bool write(uint64_t offset, const void* buffer, std::size_t n);
    // Pending bytes beyond the new size are dropped.
    [[nodiscard]] bool truncate(uint64_t newSize);
    // Writes the pending bytes; on failure the cache is dropped so that later
    // reads see what the disk holds.
    [[nodiscard]] bool flush();
    // Forgets pending bytes (the operation that wrote them failed).
    void discard();
    // Forgets the cached bytes when nothing is pending, so the next reads see
    // what another object may have written since (no-op while writes wait).
    void refresh();
    uint64_t diskSize() const { return diskSize_; }
    File* raw() { return file_.get(); }
    // Every write that reaches the disk is announced to the journal first.
    void setJournal(RollbackJournal* journal, int fileId) {
        journal_ = journal;
        fileId_ = fileId;
    }

    static constexpr std::size_t kMaxBlocks = 8;
    ~TableFile() { close(); }

private:
    static constexpr uint64_t kNoBlock = ~uint64_t{0};
    struct Block {
        uint64_t index = kNoBlock;
        uint8_t* data = nullptr;  // kBlockSize bytes from the shared pool
        uint32_t valid = 0;       // bytes that belong to the file
        uint32_t dirtyLo = 0;
        uint32_t dirtyHi = 0;  // dirtyHi > dirtyLo when the block holds pending bytes
        uint64_t lastUse = 0;
        bool isDirty() const { return dirtyHi > dirtyLo; }
    };
    Block* block(uint64_t index);
    [[nodiscard]] bool writeBack(Block& b);
    void releaseBlocks();

    std::unique_ptr<File> file_;
    std::filesystem::path path_;
    uint64_t size_ = 0;      // logical size, pending writes included
    uint64_t diskSize_ = 0;  // size on disk
    std::vector<Block> blocks_;
    Block* last_ = nullptr;  // most recently used, the common case of a scan
    uint64_t clock_ = 0;
    std::vector<Block*> dirtyBlocks_;
    bool ioFailed_ = false;  // a write-back on eviction failed; flush reports it
    RollbackJournal* journal_ = nullptr;
    int fileId_ = 0;
};

}  // namespace zavlin
