// Undoing in memory what a failed replacement of a table's files did not do
// on disk.
#pragma once

#include <utility>

#include "storage/table_blob.h"

namespace zavlin {

// Puts the object's description of the table (fields, header) back as the
// files still hold it when replacing them fails, and opens the files again,
// unless dismissed. A table the failure closed stays closed: its files are
// then no longer the old table, and the next open settles them.
template <typename Restore>
class TTableBlob::RestoreGuard {
public:
    RestoreGuard(TTableBlob& table, Restore restore, bool reopen = true)
        : table_(table), restore_(std::move(restore)), reopen_(reopen) {}
    ~RestoreGuard() {
        if (dismissed_ || !table_.Active()) return;
        // A second failure while undoing must not end the program: the object
        // then stays as the first failure left it.
        try {
            restore_();
            table_.recomputeLayout();
            if (reopen_) (void)table_.reopenAfterReplace();
        } catch (...) {
        }
    }
    RestoreGuard(const RestoreGuard&) = delete;
    RestoreGuard& operator=(const RestoreGuard&) = delete;

    void dismiss() { dismissed_ = true; }

private:
    TTableBlob& table_;
    Restore restore_;
    bool reopen_;
    bool dismissed_ = false;
};

}  // namespace zavlin
