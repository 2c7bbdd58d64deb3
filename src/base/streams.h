// Byte streams in the manner the storage engine and the document writers use
// them: a position, a size, reads that may come up short and the "Buffer"
// forms that raise EStreamError instead.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/file_system.h"

namespace zavlin {

enum class SeekOrigin { Begin, Current, End };

class TStream {
public:
    virtual ~TStream() = default;

    // Returns the number of bytes actually read (0 at the end).
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    // Returns the number of bytes actually written.
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Returns the new position. A position before 0 is clamped to 0.
    virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;
    virtual int64_t Size();
    // Truncates or extends (with zeros); the position is clamped to the new size.
    virtual void SetSize(int64_t newSize) = 0;

    int64_t Position() { return Seek(0, SeekOrigin::Current); }
    void SetPosition(int64_t pos) { Seek(pos, SeekOrigin::Begin); }

    // Throw EStreamError when fewer than count bytes move.
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);

    // Copies count bytes from source's current position; count 0 copies the
    // whole source from its start. Returns the number of bytes copied.
    int64_t CopyFrom(TStream& source, int64_t count);
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(data_.size()); }
    void SetSize(int64_t newSize) override;

    void Clear();
    const uint8_t* Memory() const { return data_.data(); }
    uint8_t* Memory() { return data_.data(); }
    const std::vector<uint8_t>& Bytes() const { return data_; }
    // Keeps capacity for later writes without changing the size.
    void Reserve(int64_t capacity) { data_.reserve(static_cast<size_t>(capacity)); }

    // Both throw EStreamError. Saving replaces the file whole: written aside,
    // flushed and renamed over it, so a failure leaves the old file.
    void LoadFromFile(const std::filesystem::path& path, FileSystem& fs = realFileSystem());
    void SaveToFile(const std::filesystem::path& path, FileSystem& fs = realFileSystem());

private:
    std::vector<uint8_t> data_;
    int64_t pos_ = 0;
};

// File open modes, numbered as the original platform numbered them so that a
// stored or passed mode keeps its meaning.
enum FileMode : uint16_t {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareDenyNone = 0x0040,
    fmCreate = 0xFF00,  // create or truncate, read and write
};

// A plain file stream for documents and exports, on a file of the file-system
// seam. A failing write shows as a short count (WriteBuffer throws); a torn
// write may still have put part of its bytes down.
class TFileStream : public TStream {
public:
    // Throws EStreamError when the file cannot be opened or created.
    TFileStream(const std::filesystem::path& path, uint16_t mode,
                FileSystem& fs = realFileSystem());
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() override;
    void SetSize(int64_t newSize) override;

    const std::filesystem::path& FileName() const { return path_; }

private:
    std::filesystem::path path_;
    std::unique_ptr<File> file_;
    int64_t pos_ = 0;
};

// A stream that forwards every operation to a file it owns, and can close,
// reopen with another mode and rename that file.
class TMemFileStream : public TStream {
public:
    TMemFileStream(const std::filesystem::path& fileName, uint16_t mode,
                   FileSystem& fs = realFileSystem());

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() override;
    void SetSize(int64_t newSize) override;

    void Close();              // closes the file; the mode becomes 0
    void Open(uint16_t mode);  // closes and reopens the same file, at its start
    // Closes the file and renames it; false when the rename fails.
    [[nodiscard]] bool Rename(const std::filesystem::path& newFileName);

    TFileStream* FileStream() { return FFileStream.get(); }
    const std::filesystem::path& FileName() const { return FFileName; }
    uint16_t Mode() const { return FMode; }

private:
    TFileStream& file();  // throws EStreamError when closed
    FileSystem& fs_;
    std::unique_ptr<TFileStream> FFileStream;
    std::filesystem::path FFileName;
    uint16_t FMode = 0;
};

}  // namespace zavlin
