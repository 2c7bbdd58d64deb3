// Blob fields: the slot keeps a 12-byte header, the bytes live in .b2 pages
// chained like a list. Freed pages go onto a free-page stack in the table
// header and are reused before the file grows.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "storage/fields.h"
#include "storage/table_format.h"

namespace zavlin {

class TBlobField;

class TPageBlob {
public:
    explicit TPageBlob(TBlobField* owner) : FOwner(owner) {}
    TBlobField* FOwner;
    std::vector<uint8_t> FSt;  // FLengthPage bytes, zero past the useful ones
    APageBlobHeadr FPageBlobHeadr;
};

class TBlobField : public TField {
public:
    using TField::TField;
    int GetSizeForFile_b1() const override { return kBlobHeadSize; }
    bool asBlobField() const override { return true; }
    void Clear() override;

    int32_t asInteger() override;
    void setAsInteger(int64_t) override {}
    std::string asString() override;
    void setAsString(std::string_view) override {}
    TDateTime asDateTime() override { return 0; }
    void setAsDateTime(TDateTime) override {}

    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override { SaveToStreamPageGreated(stream, false); }
    void SaveToStreamPageGreated(TStream& stream, bool keepPages);
    void WriteForFile_b1() override;
    void Committed() override;

    void GetTempBlobHeadr(ABlobHeadr& header);
    void SetTempBlobHeadr(const ABlobHeadr& header);
    // The header stored in the current slot.
    ABlobHeadr StoredBlobHeadr();
    int CountPageBlob() const { return static_cast<int>(LPage.size()); }
    void ClearPageBlob();
    const std::vector<std::unique_ptr<TPageBlob>>& Pages() const { return LPage; }

private:
    friend class TTableBlob;
    // Chain writing steps; each may raise ERangeError on a damaged table.
    void overwriteInPlace(uint32_t startPage, std::size_t count, uint32_t& link);
    uint32_t appendPages(std::size_t count);
    uint32_t takeFreePages(std::size_t firstPos, std::size_t count, uint32_t appended);

    bool FModifiBlobFields = false;
    std::vector<std::unique_ptr<TPageBlob>> LPage;
    ABlobHeadr FTempBlobHeadr;
    std::vector<uint8_t> scratch_;
};

}  // namespace zavlin
