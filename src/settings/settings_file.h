// TFileIni: one settings file (INI, Windows-1251 on disk, CR LF lines). Sections,
// keys and values are UTF-8 here. The file is read whole on first access and
// kept in memory; every write operation saves it at once, atomically (written
// to "<name>.new", then renamed over the file), so a crash loses nothing.
// When another object or program replaces the file, the next access reads it
// again, so that two objects on one file do not undo each other's writes.
//
// Value encodings:
//   WriteString   trims; a value in quotes gets one more pair of the same quotes
//   Bool          "1" / "0"; reading takes any non-zero integer as true
//   Integer       reading takes decimal, "$1F" and "0x1F"; garbage gives the default
//   Date          the whole day count
//   Text section  see ini_document.h; fonts see font_spec.h
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/core_hooks.h"
#include "base/datetime.h"
#include "base/file_system.h"
#include "settings/font_spec.h"
#include "settings/ini_document.h"

namespace zavlin {

class TFileIni {
public:
    // The program folder is where the file lies unless FilePath says otherwise.
    // Messages for the person at the screen go to hooks (its owner's); the
    // file is read and written through fs.
    explicit TFileIni(TCoreHooks& hooks, std::filesystem::path programFolder = {},
                      FileSystem& fs = realFileSystem());
    // Saves changes that an earlier save could not.
    ~TFileIni();
    TFileIni(const TFileIni&) = delete;
    TFileIni& operator=(const TFileIni&) = delete;

    // Changing the place closes the file; the next access opens the new one.
    const std::string& FileName() const { return FFileName; }
    void SetFileName(const std::string& name);
    const std::string& FilePath() const { return FFilePath; }
    // Used as the folder when longer than two characters.
    void SetFilePath(const std::string& path);
    const std::filesystem::path& ProgramFolder() const { return FProgramFolder; }
    void SetProgramFolder(const std::filesystem::path& folder);
    // The folder with its separator, as the missing-file message shows it.
    std::string FolderText() const;
    std::filesystem::path FullFileName() const;

    std::string ReadString(const std::string& Section, const std::string& Ident,
                           const std::string& Default = {});
    int ReadInteger(const std::string& Section, const std::string& Ident, int Default = 0);
    bool ReadBool(const std::string& Section, const std::string& Ident, bool Default = false);
    TDateTime ReadDate(const std::string& Section, const std::string& Ident, TDateTime Default = 0);
    bool ValueExists(const std::string& Section, const std::string& Ident);

    // Writes fail (false) for a key that cannot be stored in the format (empty,
    // with "=" or a line break, or starting with ";" or "["), for a section with
    // a line break, and when the file cannot be saved; the change then stays in
    // memory and the next save tries again.
    [[nodiscard]] bool WriteString(const std::string& Section, const std::string& Ident,
                                   const std::string& Value);
    [[nodiscard]] bool WriteInteger(const std::string& Section, const std::string& Ident,
                                    int Value);
    [[nodiscard]] bool WriteBool(const std::string& Section, const std::string& Ident, bool Value);
    // False for a date whose day count does not fit an int.
    [[nodiscard]] bool WriteDate(const std::string& Section, const std::string& Ident,
                                 TDateTime Value);

    std::vector<std::string> ReadSections();
    std::vector<std::string> ReadSection(const std::string& Section);
    std::vector<std::string> ReadSectionValues(const std::string& Section);
    [[nodiscard]] bool EraseSection(const std::string& Section);

    std::vector<std::string> ReadSectionText(const std::string& Section);
    // A line holding line breaks is stored as several lines.
    [[nodiscard]] bool WriteSectionText(const std::string& Section,
                                        const std::vector<std::string>& Lines);
    std::vector<std::string> ReadSectionStrL(const std::string& Section) {
        return ReadSectionText(Section);
    }
    [[nodiscard]] bool WriteSectionStrL(const std::string& Section,
                                        const std::vector<std::string>& Lines) {
        return WriteSectionText(Section, Lines);
    }
    std::vector<std::string> ReadSectionMemo(const std::string& Section) {
        return ReadSectionText(Section);
    }
    [[nodiscard]] bool WriteSectionMemo(const std::string& Section,
                                        const std::vector<std::string>& Lines) {
        return WriteSectionText(Section, Lines);
    }

    // Changes only the parts of the font whose keys are present and valid.
    void ReadFont(const std::string& Section, const std::string& Ident, TFontSpec& Font);
    // A colour without a standard identifier removes a stored K.Color, so that an
    // old colour does not come back.
    [[nodiscard]] bool WriteFont(const std::string& Section, const std::string& Ident,
                                 const TFontSpec& Font);

    // Saves what an earlier save could not; true when nothing is left unsaved.
    [[nodiscard]] bool UpdateFile();
    // Until EndUpdate the writes stay in memory; EndUpdate saves them in one
    // replacement of the file. For a run of writes that belong together.
    void BeginUpdate() { deferred_ = true; }
    [[nodiscard]] bool EndUpdate() {
        deferred_ = false;
        return UpdateFile();
    }
    // Save and release the file; the next access opens it again.
    [[nodiscard]] bool CloseIni();
    [[nodiscard]] bool FreeFile() { return CloseIni(); }

private:
    struct FileStamp {
        unsigned long long device = 0;
        unsigned long long inode = 0;
        long long size = 0;
        long long mtimeNs = 0;
        bool operator==(const FileStamp&) const = default;
    };

    TCoreHooks& hooks_;
    IniDocument& doc();
    void open();
    void release();
    [[nodiscard]] bool save();
    // Brings the change made in memory to disk.
    [[nodiscard]] bool commit();
    static std::optional<FileStamp> stampOf(const std::filesystem::path& path);

    FileSystem& fs_;
    std::filesystem::path FProgramFolder;
    std::string FFileName = "setupini.ini";
    std::string FFilePath;

    std::optional<IniDocument> doc_;
    std::optional<FileStamp> stamp_;
    bool dirty_ = false;
    bool deferred_ = false;
    // The file is there but could not be read: never replace it.
    bool unreadable_ = false;
};

}  // namespace zavlin
