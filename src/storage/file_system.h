// The file-system seam lives in base, so that settings and streams write
// through it too; the table engine keeps including it from here.
#pragma once

#include "base/file_system.h"
