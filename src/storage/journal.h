// The rollback journal of a table operation, or of a batch of operations
// committed together. Before the first byte of .b0, .b1 or .b2 is written, the
// journal file "<table>.bj" records the three file sizes; before existing
// bytes are overwritten, it records their old contents (each range once per
// journal, so the image kept is the one from the start). When the operation or
// batch completes the journal is cut to 0 bytes (an empty journal is no
// journal); the file itself stays open until the table is closed, which spares
// creating and deleting a file at every operation. A journal found later (the
// program died in the middle) is played back: old bytes restored, files cut to
// their old sizes, .bi removed so that it is rebuilt from the slots.
//
// File layout (little-endian, offsets in bytes):
//   header, 36 bytes:
//     0 "ZVJ1" | 4 u64 size of .b0 | 12 u64 size of .b1 | 20 u64 size of .b2
//     | 28 u32 0 | 32 u32 FNV-1a checksum of bytes 0..31
//   entry, 21 bytes + old bytes:
//     0 u8 file (0 .b0, 1 .b1, 2 .b2) | 1 u64 offset | 9 u32 length | 13 u32 0
//     | 17 u32 FNV-1a checksum of bytes 0..16 and then of the old bytes
//     | 21 the old bytes
// A torn header or entry (cut short, checksum wrong) ends the journal: its
// overwrite had not begun. A whole entry must lie inside its file's recorded
// size, and no recorded size may exceed its file's present size (the engine
// only appends under a journal); a journal that breaks either rule is damaged
// and is refused, never played back.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "storage/file_system.h"

namespace zavlin {

class RollbackJournal {
public:
    explicit RollbackJournal(FileSystem& fs) : fs_(fs) {}
    ~RollbackJournal();
    RollbackJournal(const RollbackJournal&) = delete;
    RollbackJournal& operator=(const RollbackJournal&) = delete;
    // True while a journal object of this process holds an operation on the
    // file that is not final yet (playing it back then would undo live work).
    static bool liveInThisProcess(const std::filesystem::path& journalPath);

    // Starts an operation on the table whose files are path + ".b0" etc.
    void begin(const std::filesystem::path& journalPath, std::array<uint64_t, 3> sizes);
    // Called when bytes of a file are about to change in memory, with their
    // current contents: the part inside the file's size at the start of the
    // operation is kept for the journal (in memory until beforeWrite).
    void capture(int file, uint64_t offset, const uint8_t* oldBytes, std::size_t n);
    // Called before bytes of a file reach the disk: everything captured so
    // far is written to the journal first. False when the journal cannot be
    // written: the write must not happen then.
    [[nodiscard]] bool beforeWrite();
    uint64_t startSize(int file) const { return sizes_[static_cast<std::size_t>(file)]; }
    // Ends the operation. On success the journal is emptied (after the data
    // reached the disk when syncing is on). On failure the journal is played
    // back at once, so the files hold what they held before. True when the
    // operation is final.
    [[nodiscard]] bool end(bool success, const std::array<File*, 3>& files);
    // Ends the operation by playing back what it wrote. True when the files
    // hold what they held at begin (the journal is gone); false when the
    // journal stays for the next open.
    [[nodiscard]] bool rollback();
    // Refuses every write until the next begin: the files must stay as they
    // are (a batch that failed and was rolled back).
    void refuseWrites();
    bool active() const { return active_; }
    // Lets go of the (empty) journal file and removes it.
    void close();

    // Plays back a journal left by an operation cut short. True when there
    // was none or it was played back and removed. A damaged journal is
    // refused before any byte is written: false, with the reason in problem.
    static bool replay(FileSystem& fs, const std::filesystem::path& tableBase,
                       std::string* problem = nullptr);

private:
    [[nodiscard]] bool ensureOpen();

    FileSystem& fs_;
    std::filesystem::path path_;
    std::array<uint64_t, 3> sizes_{};
    std::unique_ptr<File> file_;
    bool written_ = false;  // the journal holds this operation's header
    // Sets written_ and keeps the process's list of live journals with it.
    void markWritten(bool written);
    bool live_ = false;
    bool unplayed_ = false;  // a playback failed: the journal stays, writes stop
    std::string livePath_;
    std::vector<uint8_t> pending_;  // entries captured but not yet written
    uint64_t end_ = 0;
    bool active_ = false;
    bool failed_ = false;
    // Byte ranges already saved in this operation, per file.
    std::vector<std::pair<uint64_t, uint64_t>> saved_[3];
};

}  // namespace zavlin
