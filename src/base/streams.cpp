#include "base/streams.h"

#include <fmt/format.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <system_error>

#include "base/errors.h"

namespace zavlin {

namespace {

constexpr int64_t kCopyChunk = 64 * 1024;
// Keeps single read/write calls well inside ssize_t on any host.
constexpr int64_t kIoChunk = int64_t{1} << 30;

int64_t addClamped(int64_t a, int64_t b) {
    int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) return b > 0 ? INT64_MAX : INT64_MIN;
    return sum;
}

std::string errnoText(int err) {
    return std::error_code(err, std::generic_category()).message();
}

}  // namespace

// ---- TStream ----

int64_t TStream::Size() {
    const int64_t pos = Seek(0, SeekOrigin::Current);
    const int64_t size = Seek(0, SeekOrigin::End);
    Seek(pos, SeekOrigin::Begin);
    return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
    if (count < 0) throw EStreamError("Stream read error: negative count");
    if (count != 0 && Read(buffer, count) != count) throw EStreamError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count < 0) throw EStreamError("Stream write error: negative count");
    if (count != 0 && Write(buffer, count) != count) throw EStreamError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count <= 0) {
        source.Seek(0, SeekOrigin::Begin);
        count = source.Size();
    }
    std::vector<uint8_t> buffer(static_cast<std::size_t>(std::min(count, kCopyChunk)));
    for (int64_t left = count; left > 0;) {
        const int64_t n = std::min(left, kCopyChunk);
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= n;
    }
    return count;
}

// ---- TMemoryStream ----

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
    const auto size = static_cast<int64_t>(data_.size());
    if (count <= 0 || pos_ >= size) return 0;
    const int64_t n = std::min(count, size - pos_);
    std::memcpy(buffer, data_.data() + pos_, static_cast<std::size_t>(n));
    pos_ += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    const int64_t end = addClamped(pos_, count);
    if (end > static_cast<int64_t>(data_.size())) {
        // resize fills a gap left by seeking past the end with zeros. A size
        // beyond memory is a write that took nothing, not a crash.
        try {
            data_.resize(static_cast<std::size_t>(end));
        } catch (const std::exception&) {
            return 0;
        }
    }
    std::memcpy(data_.data() + pos_, buffer, static_cast<std::size_t>(count));
    pos_ = end;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, SeekOrigin origin) {
    int64_t base = 0;
    if (origin == SeekOrigin::Current) base = pos_;
    if (origin == SeekOrigin::End) base = static_cast<int64_t>(data_.size());
    pos_ = std::max<int64_t>(0, addClamped(base, offset));
    return pos_;
}

void TMemoryStream::SetSize(int64_t newSize) {
    newSize = std::max<int64_t>(0, newSize);
    data_.resize(static_cast<std::size_t>(newSize));
    pos_ = std::min(pos_, newSize);
}

void TMemoryStream::Clear() {
    data_.clear();
    pos_ = 0;
}

void TMemoryStream::LoadFromFile(const std::filesystem::path& path, FileSystem& fs) {
    TFileStream file(path, fmOpenRead, fs);
    const int64_t size = file.Size();
    if (size < 0) throw EStreamError(fmt::format("Cannot read file \"{}\"", path.string()));
    std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
    file.ReadBuffer(bytes.data(), size);
    data_ = std::move(bytes);
    pos_ = 0;
}

void TMemoryStream::SaveToFile(const std::filesystem::path& path, FileSystem& fs) {
    if (!replaceFileWhole(fs, path, data_.data(), data_.size(), true))
        throw EStreamError(fmt::format("Cannot write file \"{}\"", path.string()));
}

// ---- TFileStream ----

TFileStream::TFileStream(const std::filesystem::path& path, uint16_t mode, FileSystem& fs)
    : path_(path) {
    const bool create = (mode & fmCreate) == fmCreate;
    OpenMode how = OpenMode::CreateTruncate;
    if (!create) {
        switch (mode & 3) {
            case fmOpenRead:
                how = OpenMode::ReadOnly;
                break;
            case fmOpenWrite:
            case fmOpenReadWrite:
                how = OpenMode::ReadWrite;
                break;
            default:
                throw EStreamError(
                    fmt::format("Cannot open file \"{}\": bad mode {:#x}", path.string(), mode));
        }
    }
    errno = 0;
    file_ = fs.open(path, how);
    if (!file_) {
        const int err = errno;
        throw EStreamError(fmt::format("Cannot {} file \"{}\": {}", create ? "create" : "open",
                                       path.string(),
                                       err != 0 ? errnoText(err) : "not a regular file"));
    }
}

TFileStream::~TFileStream() = default;

int64_t TFileStream::Read(void* buffer, int64_t count) {
    auto* out = static_cast<uint8_t*>(buffer);
    int64_t done = 0;
    while (done < count) {
        const auto n = static_cast<size_t>(std::min(count - done, kIoChunk));
        const int64_t r = file_->readSomeAt(static_cast<uint64_t>(pos_ + done), out + done, n);
        if (r <= 0) break;
        done += r;
    }
    pos_ += done;
    return done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
    const auto* in = static_cast<const uint8_t*>(buffer);
    int64_t done = 0;
    while (done < count) {
        const auto n = static_cast<size_t>(std::min(count - done, kIoChunk));
        if (!file_->writeAt(static_cast<uint64_t>(pos_ + done), in + done, n)) break;
        done += static_cast<int64_t>(n);
    }
    pos_ += done;
    return done;
}

int64_t TFileStream::Seek(int64_t offset, SeekOrigin origin) {
    int64_t base = 0;
    if (origin == SeekOrigin::Current) base = pos_;
    if (origin == SeekOrigin::End) {
        base = file_->size();
        if (base < 0) return pos_;
    }
    pos_ = std::max<int64_t>(0, addClamped(base, offset));
    return pos_;
}

int64_t TFileStream::Size() {
    return file_->size();
}

void TFileStream::SetSize(int64_t newSize) {
    newSize = std::max<int64_t>(0, newSize);
    errno = 0;
    if (!file_->truncate(static_cast<uint64_t>(newSize))) {
        const int err = errno;
        throw EStreamError(fmt::format("Cannot set the size of \"{}\": {}", path_.string(),
                                       err != 0 ? errnoText(err) : "input/output error"));
    }
    pos_ = std::min(pos_, newSize);
}

// ---- TMemFileStream ----

TMemFileStream::TMemFileStream(const std::filesystem::path& fileName, uint16_t mode, FileSystem& fs)
    : fs_(fs),
      FFileStream(std::make_unique<TFileStream>(fileName, mode, fs)),
      FFileName(fileName),
      FMode(mode) {}

TFileStream& TMemFileStream::file() {
    if (!FFileStream) throw EStreamError(fmt::format("File \"{}\" is closed", FFileName.string()));
    return *FFileStream;
}

int64_t TMemFileStream::Read(void* buffer, int64_t count) {
    return file().Read(buffer, count);
}

int64_t TMemFileStream::Write(const void* buffer, int64_t count) {
    return file().Write(buffer, count);
}

int64_t TMemFileStream::Seek(int64_t offset, SeekOrigin origin) {
    return file().Seek(offset, origin);
}

int64_t TMemFileStream::Size() {
    return file().Size();
}

void TMemFileStream::SetSize(int64_t newSize) {
    file().SetSize(newSize);
}

void TMemFileStream::Close() {
    FFileStream.reset();
    FMode = 0;
}

void TMemFileStream::Open(uint16_t mode) {
    Close();
    // A fresh descriptor starts at offset 0.
    FFileStream = std::make_unique<TFileStream>(FFileName, mode, fs_);
    FMode = mode;
}

bool TMemFileStream::Rename(const std::filesystem::path& newFileName) {
    Close();
    if (!fs_.rename(FFileName, newFileName)) return false;
    FFileName = newFileName;
    return true;
}

}  // namespace zavlin
