#include "base/streams.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

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

void TMemoryStream::LoadFromFile(const std::filesystem::path& path) {
    TFileStream file(path, fmOpenRead);
    const int64_t size = file.Size();
    std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
    file.ReadBuffer(bytes.data(), size);
    data_ = std::move(bytes);
    pos_ = 0;
}

void TMemoryStream::SaveToFile(const std::filesystem::path& path) {
    TFileStream file(path, fmCreate);
    file.WriteBuffer(data_.data(), static_cast<int64_t>(data_.size()));
}

// ---- TFileStream ----

TFileStream::TFileStream(const std::filesystem::path& path, uint16_t mode) : path_(path) {
    const bool create = (mode & fmCreate) == fmCreate;
    int flags = O_CLOEXEC;
    if (create) {
        flags |= O_CREAT | O_TRUNC | O_RDWR;
    } else {
        switch (mode & 3) {
            case fmOpenRead:
                flags |= O_RDONLY;
                break;
            case fmOpenWrite:
                flags |= O_WRONLY;
                break;
            case fmOpenReadWrite:
                flags |= O_RDWR;
                break;
            default:
                throw EStreamError(
                    fmt::format("Cannot open file \"{}\": bad mode {:#x}", path.string(), mode));
        }
    }
    do {
        fd_ = ::open(path.c_str(), flags, 0644);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
        throw EStreamError(fmt::format("Cannot {} file \"{}\": {}", create ? "create" : "open",
                                       path.string(), errnoText(errno)));
    }
}

TFileStream::~TFileStream() {
    // Not retried on EINTR: on Linux the descriptor is gone either way.
    if (fd_ >= 0) ::close(fd_);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
    auto* out = static_cast<uint8_t*>(buffer);
    int64_t done = 0;
    while (done < count) {
        const auto n = static_cast<size_t>(std::min(count - done, kIoChunk));
        const ssize_t r = ::read(fd_, out + done, n);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        done += r;
    }
    return done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
    const auto* in = static_cast<const uint8_t*>(buffer);
    int64_t done = 0;
    while (done < count) {
        const auto n = static_cast<size_t>(std::min(count - done, kIoChunk));
        const ssize_t w = ::write(fd_, in + done, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) break;
        done += w;
    }
    return done;
}

int64_t TFileStream::Seek(int64_t offset, SeekOrigin origin) {
    // lseek refuses a negative result instead of clamping it, so aim explicitly.
    int64_t base = 0;
    if (origin == SeekOrigin::Current) base = ::lseek(fd_, 0, SEEK_CUR);
    if (origin == SeekOrigin::End) base = ::lseek(fd_, 0, SEEK_END);
    if (base < 0) return ::lseek(fd_, 0, SEEK_CUR);
    const int64_t target = std::max<int64_t>(0, addClamped(base, offset));
    const off_t pos = ::lseek(fd_, static_cast<off_t>(target), SEEK_SET);
    return pos < 0 ? ::lseek(fd_, 0, SEEK_CUR) : pos;
}

void TFileStream::SetSize(int64_t newSize) {
    newSize = std::max<int64_t>(0, newSize);
    const int64_t pos = Seek(0, SeekOrigin::Current);
    int rc;
    do {
        rc = ::ftruncate(fd_, static_cast<off_t>(newSize));
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) {
        throw EStreamError(
            fmt::format("Cannot set the size of \"{}\": {}", path_.string(), errnoText(errno)));
    }
    if (pos > newSize) Seek(newSize, SeekOrigin::Begin);
}

// ---- TMemFileStream ----

TMemFileStream::TMemFileStream(const std::filesystem::path& fileName, uint16_t mode)
    : FFileStream(std::make_unique<TFileStream>(fileName, mode)),
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
    FFileStream = std::make_unique<TFileStream>(FFileName, mode);
    FMode = mode;
}

bool TMemFileStream::Rename(const std::filesystem::path& newFileName) {
    Close();
    std::error_code ec;
    std::filesystem::rename(FFileName, newFileName, ec);
    if (ec) return false;
    FFileName = newFileName;
    return true;
}

}  // namespace zavlin
