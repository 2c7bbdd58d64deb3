#include "base/collation.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/stringpiece.h>

#include <memory>

namespace zavlin {

namespace {

// ICU collators are not safe to share between threads, and creating one is
// slow; the composition worker sorts too, so each thread builds its own once.
icu::Collator* russianCollator() {
    thread_local std::unique_ptr<icu::Collator> collator;
    thread_local bool tried = false;
    if (!tried) {
        tried = true;
        UErrorCode status = U_ZERO_ERROR;
        collator.reset(icu::Collator::createInstance(icu::Locale("ru"), status));
        if (U_FAILURE(status)) collator.reset();
    }
    return collator.get();
}

int compareBytes(std::string_view a, std::string_view b) {
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

int compareRussian(std::string_view a, std::string_view b) {
    icu::Collator* collator = russianCollator();
    // Without ICU data a stable byte order is still better than no order.
    if (collator == nullptr) return compareBytes(a, b);
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult r =
        collator->compareUTF8(icu::StringPiece(a.data(), static_cast<int32_t>(a.size())),
                              icu::StringPiece(b.data(), static_cast<int32_t>(b.size())), status);
    if (U_FAILURE(status)) return compareBytes(a, b);
    return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

}  // namespace zavlin
