// One running window program per home folder, and the writers of the
// command line kept out while it runs. The window program holds an
// exclusive lock on home/"zavlin.lock" for its whole run and keeps in that
// file the 45-byte record a second copy reads: its process id, its start
// time (days since 30 December 1899) and its name. A writing verb of
// zavlin-cli takes the same lock shared for its run. A lock dies with its
// process, so a killed copy leaves no lock behind, only a stale record.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "base/file_system.h"

namespace zavlin::shell {

inline constexpr const char* kInstanceLockFile = "zavlin.lock";
inline constexpr std::size_t kInstanceRecordSize = 45;

struct TInstanceRecord {
    uint32_t handle = 0;   // the process id
    double started = 0;    // days since 30 December 1899
    std::string name;      // program file name without extension, at most 32

    std::array<uint8_t, kInstanceRecordSize> Encode() const;
    static std::optional<TInstanceRecord> Decode(const uint8_t* bytes, std::size_t size);
};

// "Программа zavlin уже запущена :" and the start date and time.
std::string AlreadyRunningText(const TInstanceRecord& record);

class TInstanceLock {
public:
    ~TInstanceLock();
    // The window program's lock. Null when another copy holds it; then
    // `other` holds its record when one could be read, and `message` the text
    // to show. Non-null with a message when the lock file could not be made
    // or written: show it and go on. A command-line writer holding the lock
    // is waited for lockWait(), then refused with a message of its own.
    static std::unique_ptr<TInstanceLock> AcquireWindow(const std::filesystem::path& home,
                                                        const std::string& name,
                                                        std::optional<TInstanceRecord>& other,
                                                        std::string& message);
    // A writing verb's lock. Null while the window program runs, with the
    // message naming its start time.
    static std::unique_ptr<TInstanceLock> AcquireWriter(const std::filesystem::path& home,
                                                        std::string& message);

private:
    TInstanceLock() = default;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace zavlin::shell
