// Fuzz target: the input is a settings file. Every section and key found is
// read through TFileIni (as values, numbers, a font and a text section); then
// one key and one text section are written and must read back as written, in
// the same object and after reopening. Anything else is a finding.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "base/my_dialog.h"
#include "settings/settings_file.h"

namespace {

namespace fs = std::filesystem;
using namespace zavlin;

// A private folder per process, created once and removed at exit.
const fs::path& scratch() {
    static const fs::path* dir = [] {
        auto* d = new fs::path(fs::temp_directory_path() /
                               ("zavlin-ini-fuzz-" + std::to_string(::getpid())));
        fs::remove_all(*d);
        fs::create_directories(*d);
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(*dir, ec);
        });
        return d;
    }();
    return *dir;
}

void require(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The file always exists, so nothing may be shown.
    static TScriptedDialog quiet;
    static TCoreHooks hooks(quiet);

    const fs::path file = scratch() / "fuzz.ini";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    TFileIni ini(hooks, scratch());
    ini.SetFileName("fuzz.ini");
    for (const auto& section : ini.ReadSections()) {
        for (const auto& key : ini.ReadSection(section)) {
            (void)ini.ReadString(section, key);
            (void)ini.ReadInteger(section, key);
            (void)ini.ReadDate(section, key);
        }
        (void)ini.ReadSectionValues(section);
        (void)ini.ReadSectionText(section);
        TFontSpec font;
        ini.ReadFont(section, "Font", font);
        require(font.Charset >= 0 && font.Charset <= 255);
    }

    const std::vector<std::string> text{"Расписание", "", "  key=1"};
    require(ini.WriteString("FuzzSection", "FuzzKey", "\"value\""));
    require(ini.WriteSectionText("FuzzText", text));
    require(ini.ReadString("fuzzsection", "FUZZKEY") == "\"value\"");
    require(ini.ReadSectionText("fuzztext") == text);
    require(ini.CloseIni());

    TFileIni again(hooks, scratch());
    again.SetFileName("fuzz.ini");
    require(again.ReadString("FuzzSection", "FuzzKey") == "\"value\"");
    require(again.ReadSectionText("FuzzText") == text);
    require(quiet.shown.empty());
    return 0;
}
