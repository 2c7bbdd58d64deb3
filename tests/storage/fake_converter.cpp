// A stand-in for the legacy converter library. Its "legacy format" is a text
// file "<table>.db" with one name per line; each line becomes a row of a table
// N (key), Name (text), Dan (blob with the page size passed). Beside the table
// a file "<table>.fail" makes the call report failure and "<table>.throw"
// makes it throw. Every call appends "name pageSize reserved0 reserved2" to
// "calls.log" in the table's folder, so a test can see order and arguments.
// Only the ITableBlob interface is used: nothing of the program is linked in.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "storage/legacy_converter_api.h"

namespace {

namespace fs = std::filesystem;

// Takes the reference GetField hands out and gives it back at scope end.
class FieldRef {
public:
    FieldRef(zavlin::ITableBlob* table, int index) { table->GetField(index, field_); }
    ~FieldRef() {
        if (field_) field_->_Release();
    }
    FieldRef(const FieldRef&) = delete;
    FieldRef& operator=(const FieldRef&) = delete;
    zavlin::IField* get() const { return field_; }

private:
    zavlin::IField* field_ = nullptr;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t CreateTable(zavlin::ITableBlob* table,
                                                                      const char* tablePath,
                                                                      int32_t pageSize,
                                                                      int32_t reserved0,
                                                                      int32_t reserved2) {
    const fs::path path(tablePath);
    const fs::path folder = path.parent_path();
    const std::string base = path.stem().string();
    {
        std::ofstream log(folder / "calls.log", std::ios::app);
        log << path.filename().string() << ' ' << pageSize << ' ' << reserved0 << ' ' << reserved2
            << '\n';
    }
    if (fs::exists(folder / (base + ".fail"))) return 0;
    if (fs::exists(folder / (base + ".throw"))) throw std::runtime_error("legacy table unreadable");

    table->SetDatabaseName(folder.string());
    table->SetTableName(path.filename().string());
    if (!table->CreateFile()) return 0;
    table->AddAutoIncField("N");
    table->AddStringField("Name", 48);
    table->AddBlobField("Dan", pageSize);

    std::ifstream legacy(folder / (base + ".db"));
    std::string line;
    while (std::getline(legacy, line)) {
        table->Append();
        {
            FieldRef name(table, 1);
            if (!name.get()) return 0;
            name.get()->SetAsString(line);
        }
        table->Post();
    }
    table->Close();
    return 1;
}
