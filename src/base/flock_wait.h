// flock with a bounded wait, for the lock files of the program (the
// database's, the window program's). POSIX only, like the file system seam.
#pragma once

#include <chrono>

namespace zavlin {

enum class Flock { Taken, Busy, Failed };

// op is LOCK_SH or LOCK_EX; tries again with growing pauses until `wait` has
// passed. Busy when others still hold it, Failed on any other error.
Flock flockWithin(int fd, int op, std::chrono::milliseconds wait);

}  // namespace zavlin
