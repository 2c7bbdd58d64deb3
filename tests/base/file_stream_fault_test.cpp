// File streams on a failing disk: for N = 1, 2, 3, ... the N-th operation of
// the file-system seam fails until the work gets through. A failure is always
// reported (an EStreamError, a short count or false), never passed over, and
// saving a memory stream leaves the old file whole when it fails.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/file_system.h"
#include "base/streams.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;

class FileStreamFaults : public testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        dir_ = fs::temp_directory_path() / ("zavlin-stream-faults-" + std::to_string(::getpid()) +
                                            "-" + std::to_string(counter++));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    static std::string textOf(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static std::vector<uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

    fs::path dir_;
};

// Catches: a write, truncation or open that failed on disk but went
// unreported, so that a document would be taken as written.
TEST_F(FileStreamFaults, EveryFailedOperationIsReported) {
    const fs::path path = dir_ / "doc.rtf";
    for (bool crash : {false, true}) {
        for (uint64_t n = 1;; ++n) {
            ASSERT_LT(n, 100u);
            FaultInjectingFileSystem faulty;
            faulty.failAt(n, crash);
            bool reported = false;
            try {
                TFileStream f(path, fmCreate, faulty);
                f.WriteBuffer("{\\rtf1 ", 7);
                f.WriteBuffer("text}", 5);
                f.SetSize(10);
                f.SetPosition(0);
                char buf[10];
                f.ReadBuffer(buf, 10);
                EXPECT_EQ(std::string(buf, 10), "{\\rtf1 tex");
            } catch (const EStreamError&) {
                reported = true;
            }
            const std::string where = "operation " + std::to_string(n);
            EXPECT_EQ(reported, faulty.failed()) << where;
            if (!faulty.failed()) {
                EXPECT_EQ(textOf(path), "{\\rtf1 tex") << where;
                break;
            }
        }
    }
}

// Catches: SaveToFile truncating the old file before the new bytes are safe,
// a failure passing silently, a leftover aside file.
TEST_F(FileStreamFaults, SaveToFileReplacesWholeOrNotAtAll) {
    const fs::path path = dir_ / "blob.bin";
    const TMemoryStream data(bytesOf("new contents"));
    for (bool crash : {false, true}) {
        for (uint64_t n = 1;; ++n) {
            ASSERT_LT(n, 100u);
            std::ofstream(path, std::ios::binary | std::ios::trunc) << "old";
            FaultInjectingFileSystem faulty;
            faulty.failAt(n, crash, true);
            TMemoryStream copy(data.Bytes());
            bool threw = false;
            try {
                copy.SaveToFile(path, faulty);
            } catch (const EStreamError& e) {
                threw = true;
                EXPECT_NE(std::string(e.what()).find("blob.bin"), std::string::npos) << e.what();
            }
            const std::string where = "operation " + std::to_string(n);
            if (threw) {
                EXPECT_EQ(textOf(path), "old") << where;
            } else {
                EXPECT_EQ(textOf(path), "new contents") << where;
            }
            if (!faulty.failed()) {
                EXPECT_FALSE(threw) << where;
                EXPECT_FALSE(fs::exists(dir_ / "blob.bin.new")) << where;
                break;
            }
            if (!crash) {
                EXPECT_FALSE(fs::exists(dir_ / "blob.bin.new")) << where;
            }
        }
    }
}

// Catches: a failed rename taken for done, leaving the stream on a name the
// file does not have.
TEST_F(FileStreamFaults, FailedRenameKeepsTheName) {
    const fs::path first = dir_ / "first.tmp";
    FaultInjectingFileSystem faulty;
    TMemFileStream s(first, fmCreate, faulty);
    s.WriteBuffer("payload", 7);
    faulty.failAt(1, false);
    EXPECT_FALSE(s.Rename(dir_ / "second.db"));
    EXPECT_TRUE(faulty.failed());
    EXPECT_EQ(s.FileName(), first);
    EXPECT_EQ(textOf(first), "payload");
    EXPECT_FALSE(fs::exists(dir_ / "second.db"));
    s.Open(fmOpenRead);  // reopened through the same file system
    EXPECT_EQ(s.Size(), 7);
}

// A disk on which someone plants a link at the aside name right after the
// replacement removed the leftover one.
class PlantingFileSystem : public FileSystem {
public:
    PlantingFileSystem(fs::path aside, fs::path target)
        : aside_(std::move(aside)), target_(std::move(target)) {}
    std::unique_ptr<File> open(const fs::path& p, OpenMode m) override {
        return realFileSystem().open(p, m);
    }
    bool exists(const fs::path& p) override { return realFileSystem().exists(p); }
    bool rename(const fs::path& a, const fs::path& b) override {
        return realFileSystem().rename(a, b);
    }
    bool remove(const fs::path& p) override {
        const bool ok = realFileSystem().remove(p);
        if (p == aside_) fs::create_symlink(target_, aside_);
        return ok;
    }
    bool createFolder(const fs::path& p) override { return realFileSystem().createFolder(p); }
    bool removeFolder(const fs::path& p) override { return realFileSystem().removeFolder(p); }
    bool syncFolder(const fs::path& p) override { return realFileSystem().syncFolder(p); }
    bool copyPermissions(const fs::path& a, const fs::path& b) override {
        return realFileSystem().copyPermissions(a, b);
    }
    std::unique_ptr<FileLock> lock(const fs::path& p, LockKind k, std::chrono::milliseconds w,
                                   LockRefusal& r) override {
        return realFileSystem().lock(p, k, w, r);
    }

private:
    fs::path aside_;
    fs::path target_;
};

// Catches: a replacement that writes through a link planted at its aside
// name, which would let anyone who can write the folder overwrite another
// file with the program's rights.
TEST_F(FileStreamFaults, ALinkPlantedAtTheAsideNameIsNeverWrittenThrough) {
    const fs::path file = dir_ / "god.Ini";
    const fs::path victim = dir_ / "victim";
    std::ofstream(file, std::ios::binary) << "old";
    std::ofstream(victim, std::ios::binary) << "precious";
    PlantingFileSystem planting(dir_ / "god.Ini.new", victim);
    const std::vector<uint8_t> bytes = bytesOf("new");
    EXPECT_FALSE(replaceFileWhole(planting, file, bytes.data(), bytes.size(), false));
    EXPECT_EQ(textOf(victim), "precious");
    EXPECT_EQ(textOf(file), "old");
}

}  // namespace
}  // namespace zavlin
