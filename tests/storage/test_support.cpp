#include "test_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <sstream>

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
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

void writeBytes(const std::filesystem::path& p, const std::vector<uint8_t>& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
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
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else
            continue;
        if (nibble < 0) {
            nibble = v;
        } else {
            out.push_back(static_cast<uint8_t>(nibble * 16 + v));
            nibble = -1;
        }
    }
    return out;
}

std::string repeatHex(const std::string& byte, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) {
        if (i) s += ' ';
        s += byte;
    }
    return s;
}

std::map<std::string, std::vector<uint8_t>> snapshotFiles(const std::filesystem::path& dir) {
    std::map<std::string, std::vector<uint8_t>> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.is_regular_file())
            files[entry.path().filename().string()] = readBytes(entry.path());
    }
    return files;
}

std::vector<uint8_t> withoutCreationTime(std::vector<uint8_t> b0) {
    for (std::size_t i = 48; i < 56 && i < b0.size(); ++i) b0[i] = 0;
    return b0;
}

std::vector<uint8_t> slice(const std::vector<uint8_t>& bytes, std::size_t from, std::size_t n) {
    if (from >= bytes.size()) return {};
    const std::size_t end = std::min(bytes.size(), from + n);
    return std::vector<uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                                bytes.begin() + static_cast<std::ptrdiff_t>(end));
}

TCoreHooks& hooks() {
    static TConsoleDialog dialog(false);
    static TCoreHooks testHooks(dialog);
    return testHooks;
}

MessageRecorder::MessageRecorder() {
    previous_ = hooks().SetMessageRoute([this](const std::string& t) { messages.push_back(t); });
}

MessageRecorder::~MessageRecorder() {
    hooks().SetMessageRoute(std::move(previous_));
}

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
    for (const auto& fieldText : fields) {
        std::stringstream ss(fieldText);
        std::string fname, type, len;
        std::getline(ss, fname, ':');
        std::getline(ss, type, ':');
        std::getline(ss, len, ':');
        uint8_t code = 0;
        ASSERT_TRUE(fieldTypeByName(type, code)) << type;
        ASSERT_NE(t.AddFieldByName(static_cast<TFieldTableBlobType>(code), fname,
                                   len.empty() ? 0 : std::stoi(len)),
                  nullptr)
            << fieldText;
    }
}

}  // namespace zavlin::test

// ---- Helpers of the maintenance and crash-safety tests ----
namespace zavlin::test {

std::vector<uint8_t> seededBytes(std::size_t n, uint8_t seed) {
    std::vector<uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(seed * 7 + i * 29 + (i >> 8) + 1);
    return v;
}

void loadBlob(TTableBlob& t, const std::string& field, const std::vector<uint8_t>& value) {
    TField* f = t.FieldByName(field);
    ASSERT_NE(f, nullptr) << field;
    TMemoryStream s(value);
    f->LoadFromStream(s);
}

std::vector<uint8_t> blobValue(TTableBlob& t, const std::string& field) {
    TField* f = t.FieldByName(field);
    if (!f) {
        ADD_FAILURE() << "no field " << field;
        return {};
    }
    TMemoryStream s;
    f->SaveToStream(s);
    return s.Bytes();
}

bool gotoRecord(TTableBlob& t, uint32_t key) {
    t.First();
    while (!t.Eof()) {
        if (static_cast<uint32_t>(t.Field(0)->asInteger()) == key) return true;
        t.Next();
    }
    return false;
}

TableImage imageOf(TTableBlob& t) {
    TableImage image;
    for (int i = 0; i < t.FieldCount(); ++i) {
        TField* f = t.Field(i);
        image.fields.push_back(f->Name() + ":" + std::to_string(f->TypeField()) + ":" +
                               std::to_string(f->GetSizeForFile_b1()));
    }
    image.pageLength = t.LengthPageBlob();
    image.autoInc = t.Headr().FAutoInc;
    image.deletedSlots = t.RecordCountAll() - t.RecordCount();
    if (t.FieldCount() == 0) return image;
    t.First();
    while (!t.Eof()) {
        std::map<std::string, std::vector<uint8_t>> values;
        const auto key = static_cast<uint32_t>(t.Field(0)->asInteger());
        for (int i = 0; i < t.FieldCount(); ++i) {
            TField* f = t.Field(i);
            std::vector<uint8_t> v;
            if (f->asStringField()) {
                const std::string s = f->asString();
                v.assign(s.begin(), s.end());
            } else {
                TMemoryStream m;
                f->SaveToStream(m);
                v = m.Bytes();
            }
            values[f->Name()] = std::move(v);
        }
        if (image.records.count(key)) ADD_FAILURE() << "key " << key << " twice";
        image.records[key] = std::move(values);
        t.Next();
    }
    t.First();
    return image;
}

std::string describe(const TableImage& image) {
    std::ostringstream out;
    out << "fields";
    for (const auto& f : image.fields) out << ' ' << f;
    out << "; page " << image.pageLength << "; autoinc " << image.autoInc << "; deleted slots "
        << image.deletedSlots << "; records";
    for (const auto& [key, values] : image.records) {
        out << " {" << key;
        for (const auto& [name, bytes] : values) {
            out << ' ' << name << '=';
            if (bytes.size() > 12) {
                uint32_t h = 2166136261u;
                for (uint8_t b : bytes) h = (h ^ b) * 16777619u;
                out << bytes.size() << " bytes #" << std::hex << h << std::dec;
            } else {
                out << hex(bytes);
            }
        }
        out << '}';
    }
    return out.str();
}

void PrintTo(const TableImage& image, std::ostream* out) {
    *out << describe(image);
}

}  // namespace zavlin::test

namespace zavlin::test {
std::string changedFiles(const std::map<std::string, std::vector<uint8_t>>& a,
                         const std::map<std::string, std::vector<uint8_t>>& b) {
    std::string out;
    for (const auto& [name, bytes] : a) {
        auto it = b.find(name);
        if (it == b.end())
            out += " -" + name;
        else if (it->second != bytes)
            out += " ~" + name;
    }
    for (const auto& [name, bytes] : b)
        if (!a.count(name)) out += " +" + name;
    return out;
}
}  // namespace zavlin::test
