// Conversion of the legacy tables through the outside converter library (see
// legacy_converter_api.h for its entry point).
#include <dlfcn.h>

#include <cstring>
#include <memory>
#include <system_error>

#include "storage/legacy_converter_api.h"
#include "storage/table_interface.h"
#include "storage/year_database.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;

class LibraryHandle {
public:
    explicit LibraryHandle(void* handle) : handle_(handle) {}
    ~LibraryHandle() {
        if (handle_) dlclose(handle_);
    }
    LibraryHandle(const LibraryHandle&) = delete;
    LibraryHandle& operator=(const LibraryHandle&) = delete;
    explicit operator bool() const { return handle_ != nullptr; }

    TCreateTableProc entry(const char* name) const {
        void* symbol = dlsym(handle_, name);
        TCreateTableProc proc = nullptr;
        static_assert(sizeof proc == sizeof symbol);
        std::memcpy(&proc, &symbol, sizeof proc);
        return proc;
    }

private:
    void* handle_;
};

}  // namespace

bool TDM1::ReStracth_BDE() {
    const std::string library = DB.PathR + kLegacyConverterFile;
    std::error_code ec;
    if (!fs::exists(library, ec)) {
        Hooks.Message("Отсутствует " + library);
        return false;
    }
    // Loading runs the library's code: only the file lying in this
    // database's own home folder (a link to elsewhere is not that), and
    // only once the user has been told its full name and agreed.
    const fs::path real = fs::canonical(library, ec);
    if (ec || !fs::equivalent(real.parent_path(), DB.PathR, ec) || ec ||
        !fs::is_regular_file(real, ec)) {
        Hooks.Message("Библиотека " + library + " находится вне папки программы");
        return false;
    }
    if (!MyDialog1.MessageInfDlg("Для преобразования таблиц будет загружена библиотека " + library +
                                 ". Загрузить?")) {
        Hooks.Message("Библиотека " + library + " не загружена");
        return false;
    }
    const LibraryHandle handle(dlopen(real.c_str(), RTLD_NOW | RTLD_LOCAL));
    if (!handle) {
        Hooks.Message("Ошибка загрузки " + library);
        return false;
    }
    const TCreateTableProc createTable = handle.entry(kLegacyConverterEntry);
    if (!createTable) return false;

    bool allConverted = true;
    {
        TTableBlobInterface wrapper(AT1);
        for (const std::string& name : DB.ListReIndex) {
            StydImageShowBar("Реструктуризация " + name);
            // A table converted by an earlier run whose legacy files are
            // already gone must not be created anew from nothing.
            const std::string legacy = DB.PathF + tableBaseName(name) + ".db";
            if (!fs::exists(legacy, ec) && fs::exists(TablePath(name), ec)) continue;
            AT1.SetTableName(name);
            void* reference = nullptr;
            if (wrapper.QueryInterface(IID_ITableBlob, &reference) != S_OK) return false;
            auto* table = static_cast<ITableBlob*>(reference);
            const std::string path = TablePath(name).string();
            bool converted = false;
            try {
                converted = createTable(table, path.c_str(), yearTablePageSize(name), 0, 2) != 0;
            } catch (...) {
                converted = false;
            }
            (void)table->_Release();
            // The next table starts from a closed object, whatever this call left.
            wrapper.Close();
            if (!converted) allConverted = false;
        }
    }
    if (!allConverted) return false;
    for (const std::string& name : DB.ListReIndex) {
        const std::string base = DB.PathF + tableBaseName(name) + ".";
        for (const char* extension : {"db", "px", "mb"})
            (void)AT1.fileSystem().remove(base + extension);
    }
    return true;
}

}  // namespace zavlin
