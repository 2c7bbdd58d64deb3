#include "test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace zavlin::test {

ScratchDir::ScratchDir() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("zavlin-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<uint8_t> readBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeBytes(const std::filesystem::path& p, const std::vector<uint8_t>& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string hex(const std::vector<uint8_t>& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i) s += ' ';
        s += digits[bytes[i] >> 4];
        s += digits[bytes[i] & 15];
    }
    return s;
}

std::vector<uint8_t> fromHex(const std::string& text) {
    std::vector<uint8_t> out;
    int nibble = -1;
    for (char c : text) {
        int v;
        if (c >= '0' && c <= '9') v = c - '0';
        else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
        else continue;
        if (nibble < 0) {
            nibble = v;
        } else {
            out.push_back(static_cast<uint8_t>(nibble * 16 + v));
            nibble = -1;
        }
    }
    return out;
}

MessageRecorder::MessageRecorder() {
    previous_ = setUserMessageHandler([this](const std::string& t) { messages.push_back(t); });
}

MessageRecorder::~MessageRecorder() { setUserMessageHandler(std::move(previous_)); }

void MessageRecorder::attach(TTableBlob& table) {
    table.ErrorOpen = [this](TTableBlob&, uint16_t code, const std::string& text) {
        errors.emplace_back(code, text);
    };
    table.ErrorTest = table.ErrorOpen;
}

void createTable(TTableBlob& t, const ScratchDir& dir, const std::string& name,
                 const std::vector<std::string>& fields) {
    t.SetTableName(dir.table(name));
    ASSERT_TRUE(t.CreateFile());
    for (const auto& spec : fields) {
        std::stringstream ss(spec);
        std::string fname, type, len;
        std::getline(ss, fname, ':');
        std::getline(ss, type, ':');
        std::getline(ss, len, ':');
        uint8_t code = 0;
        ASSERT_TRUE(fieldTypeByName(type, code)) << type;
        ASSERT_NE(t.AddFieldByName(static_cast<TFieldTableBlobType>(code), fname,
                                   len.empty() ? 0 : std::stoi(len)),
                  nullptr)
            << spec;
    }
}

}  // namespace zavlin::test
