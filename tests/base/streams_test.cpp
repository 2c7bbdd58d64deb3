#include "base/streams.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "base/errors.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> bytesOf(const std::string& s) {
    return {s.begin(), s.end()};
}

std::string readAll(TStream& s) {
    s.SetPosition(0);
    std::string out(static_cast<std::size_t>(s.Size()), '\0');
    s.ReadBuffer(out.data(), static_cast<int64_t>(out.size()));
    return out;
}

std::string fileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class FileStreams : public testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        dir_ = fs::temp_directory_path() /
               ("zavlin_streams_" + std::to_string(getpid()) + "_" + std::to_string(rd()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    fs::path dir_;
};

TEST(MemoryStream, WritingPastTheEndPadsWithZeros) {
    TMemoryStream s;
    s.WriteBuffer("abc", 3);
    EXPECT_EQ(s.Seek(6, SeekOrigin::Begin), 6);
    EXPECT_EQ(s.Size(), 3);  // seeking alone does not grow the stream
    s.WriteBuffer("x", 1);
    EXPECT_EQ(s.Bytes(), bytesOf(std::string("abc\0\0\0x", 7)));
    EXPECT_EQ(s.Position(), 7);

    s.SetPosition(1);
    s.WriteBuffer("ZZ", 2);  // overwrites inside
    EXPECT_EQ(s.Bytes(), bytesOf(std::string("aZZ\0\0\0x", 7)));
}

TEST(MemoryStream, SeekReadAndSize) {
    TMemoryStream s(bytesOf("hello"));
    EXPECT_EQ(s.Seek(-10, SeekOrigin::Current), 0);
    EXPECT_EQ(s.Seek(-2, SeekOrigin::End), 3);
    char buf[8] = {};
    EXPECT_EQ(s.Read(buf, 8), 2);  // only what is there
    EXPECT_EQ(std::string(buf, 2), "lo");
    EXPECT_EQ(s.Read(buf, 8), 0);
    s.Seek(100, SeekOrigin::Begin);
    EXPECT_EQ(s.Read(buf, 1), 0);

    s.SetSize(2);
    EXPECT_EQ(s.Position(), 2);
    s.SetSize(4);
    EXPECT_EQ(s.Bytes(), bytesOf(std::string("he\0\0", 4)));
    EXPECT_EQ(s.Position(), 2);
    s.Clear();
    EXPECT_EQ(s.Size(), 0);
    EXPECT_EQ(s.Position(), 0);
}

TEST(MemoryStream, BufferFormsThrowWhenShort) {
    TMemoryStream s(bytesOf("abc"));
    char buf[4];
    EXPECT_THROW(s.ReadBuffer(buf, 4), EStreamError);
    s.SetPosition(0);
    EXPECT_NO_THROW(s.ReadBuffer(buf, 3));
    EXPECT_NO_THROW(s.ReadBuffer(buf, 0));
}

TEST(MemoryStream, CopyFrom) {
    // Larger than a copy chunk and not a multiple of one.
    std::vector<uint8_t> big(200003);
    std::mt19937 rng(3);
    for (auto& b : big) b = static_cast<uint8_t>(rng());
    TMemoryStream source(big);

    TMemoryStream all;
    source.SetPosition(12345);
    EXPECT_EQ(all.CopyFrom(source, 0), 200003);  // 0 means all of it, from the start
    EXPECT_EQ(all.Bytes(), big);

    TMemoryStream part;
    source.SetPosition(100000);
    EXPECT_EQ(part.CopyFrom(source, 70000), 70000);
    EXPECT_TRUE(std::equal(part.Bytes().begin(), part.Bytes().end(), big.begin() + 100000));
    EXPECT_EQ(source.Position(), 170000);

    EXPECT_THROW(part.CopyFrom(source, 40000), EStreamError);
}

TEST_F(FileStreams, CreateReopenAndTruncate) {
    const fs::path path = dir_ / "a.bin";
    {
        TFileStream f(path, fmCreate);
        f.WriteBuffer("hello world", 11);
        EXPECT_EQ(f.Size(), 11);
        EXPECT_EQ(f.Position(), 11);  // Size keeps the position
    }
    {
        TFileStream f(path, fmOpenReadWrite | fmShareDenyNone);
        EXPECT_EQ(f.Seek(-5, SeekOrigin::End), 6);
        f.WriteBuffer("WORLD", 5);
        EXPECT_EQ(f.Seek(-100, SeekOrigin::Current), 0);
        EXPECT_EQ(readAll(f), "hello WORLD");
    }
    {
        TFileStream f(path, fmOpenWrite);  // does not truncate
        f.WriteBuffer("J", 1);
    }
    EXPECT_EQ(fileText(path), "Jello WORLD");
    {
        TFileStream f(path, fmCreate);  // truncates
        EXPECT_EQ(f.Size(), 0);
    }
    EXPECT_EQ(fs::file_size(path), 0u);
}

TEST_F(FileStreams, SizeAndAccessLimits) {
    const fs::path path = dir_ / "b.bin";
    {
        TFileStream f(path, fmCreate);
        f.WriteBuffer("abcdef", 6);
        f.SetSize(3);
        EXPECT_EQ(f.Position(), 3);
        f.SetSize(5);
        EXPECT_EQ(f.Position(), 3);
        EXPECT_EQ(readAll(f), std::string("abc\0\0", 5));
    }
    TFileStream reader(path, fmOpenRead);
    EXPECT_THROW(reader.WriteBuffer("x", 1), EStreamError);
    char buf[8];
    EXPECT_EQ(reader.Read(buf, 8), 5);
    EXPECT_THROW(reader.ReadBuffer(buf, 1), EStreamError);

    try {
        TFileStream missing(dir_ / "none.bin", fmOpenRead);
        FAIL() << "opened a missing file";
    } catch (const EStreamError& e) {
        EXPECT_NE(std::string(e.what()).find("none.bin"), std::string::npos) << e.what();
    }
    EXPECT_THROW(TFileStream(dir_ / "no_dir" / "c.bin", fmCreate), EStreamError);
}

TEST_F(FileStreams, MemoryStreamFiles) {
    TMemoryStream s(bytesOf(std::string("a\0b", 3)));
    s.SetPosition(1);
    s.SaveToFile(dir_ / "m.bin");
    EXPECT_EQ(s.Position(), 1);

    TMemoryStream loaded(bytesOf("old contents"));
    loaded.SetPosition(5);
    loaded.LoadFromFile(dir_ / "m.bin");
    EXPECT_EQ(loaded.Bytes(), s.Bytes());
    EXPECT_EQ(loaded.Position(), 0);

    EXPECT_THROW(loaded.LoadFromFile(dir_ / "none.bin"), EStreamError);
    EXPECT_THROW(loaded.SaveToFile(dir_ / "no_dir" / "m.bin"), EStreamError);
}

TEST_F(FileStreams, MemFileStreamRenameAndReopen) {
    const fs::path first = dir_ / "first.tmp";
    const fs::path second = dir_ / "second.db";
    TMemFileStream s(first, fmCreate);
    EXPECT_EQ(s.Mode(), fmCreate);
    s.WriteBuffer("payload", 7);

    ASSERT_TRUE(s.Rename(second));
    EXPECT_EQ(s.FileName(), second);
    EXPECT_EQ(s.Mode(), 0);
    EXPECT_EQ(s.FileStream(), nullptr);
    EXPECT_FALSE(fs::exists(first));
    EXPECT_EQ(fileText(second), "payload");

    char buf[4];
    EXPECT_THROW(s.Read(buf, 1), EStreamError);
    EXPECT_THROW(s.Write("x", 1), EStreamError);
    EXPECT_THROW(s.Position(), EStreamError);
    EXPECT_THROW(s.Size(), EStreamError);
    EXPECT_THROW(s.SetSize(0), EStreamError);

    s.Open(fmOpenReadWrite);
    EXPECT_EQ(s.Mode(), fmOpenReadWrite);
    EXPECT_EQ(s.Position(), 0);
    s.ReadBuffer(buf, 4);
    EXPECT_EQ(std::string(buf, 4), "payl");
    s.Seek(0, SeekOrigin::End);
    s.Open(fmOpenRead);  // reopening starts over
    EXPECT_EQ(s.Position(), 0);
    EXPECT_EQ(s.Size(), 7);

    s.Open(fmCreate);
    EXPECT_EQ(s.Size(), 0);

    EXPECT_FALSE(s.Rename(dir_ / "no_dir" / "third.db"));
    EXPECT_EQ(s.FileName(), second);
    EXPECT_TRUE(fs::exists(second));

    fs::remove(second);
    EXPECT_THROW(s.Open(fmOpenRead), EStreamError);
    EXPECT_EQ(s.Mode(), 0);
    EXPECT_THROW(s.Size(), EStreamError);
}

}  // namespace
}  // namespace zavlin
