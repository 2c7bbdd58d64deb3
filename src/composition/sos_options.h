// The switches of the composition's steps, as the dispatcher sets them in the
// home's "Zavlin98.ini", section "Composition".
#pragma once

#include <filesystem>

#include "composition/sos_run.h"
#include "storage/file_system.h"

namespace zavlin {

inline constexpr const char* kSosOptionsSection = "Composition";

// "Exact" = 1 gives TSosOptions::Exact() whatever the other keys say; else
// each of "Repair", "RepairDepth", "RepairNodes", "RepairPatience",
// "Recompose", "PolishHoles", "ChainInWindow", "NoMoveBack",
// "PolishTeacherHoles", "LocalSweeps", "ResumeSweeps", "TeacherHolesAnyDay",
// "SkipUnchanged" and "Threads" replaces its default, which is TSosOptions's but for Threads: 0,
// one search per core. A missing file, section or key, or a value that is no number or out of
// range, keeps the default: a typo never stops a composition.
TSosOptions ReadSosOptions(const std::filesystem::path& home, FileSystem& fs = realFileSystem());

}  // namespace zavlin
