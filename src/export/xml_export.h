// The XML file export ("Zavlin.xml": every active week with all groups, the
// examination weeks, the unions and the name lists they refer to) and the web
// export (one "rs<year><week>.xml" per active week), with the author and
// address settings of "god.Ini" section "User" and the hand-over of a web
// file to the mail client or a folder.
//
// The jobs report what the windows show: status lines as they go, and one
// message at the end; nothing here talks to the user directly.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/file_system.h"
#include "export/xml_document.h"

namespace zavlin {
class TAllRasp;
class TFileIni;
}  // namespace zavlin

namespace zavlin::exporting {

inline constexpr const char* kEncodings[] = {"windows-1251", "UTF-8"};

// "god.Ini", section "User".
struct TUserSettings {
    std::string Name;  // the author, "Surname I.O."
    int Coding = 0;    // index into kEncodings
    std::string EMailWeb;
    std::string Path;
    std::string FileName;
    bool SendCopy = false;
};
TUserSettings ReadUserSettings(TFileIni& ini);

// The three fields of the author as the windows show them: a stored author
// split back into its parts, "NoName" as the surname when none is stored.
struct TAuthorParts {
    std::string surname;
    std::string givenName;
    std::string patronymic;
};
TAuthorParts AuthorParts(const std::string& stored);
using TExportAuthor = TAuthorParts;
// The author as stored and written, "Фамилия И.О."; the parts are tidied
// in place. Empty when there is no surname.
std::string ComposeAuthor(TExportAuthor& author);

// "Невозможно создать файл : " + the file, then the reason on its own line.
std::string CannotCreateMessage(const std::filesystem::path& file, const std::string& why = {});

// The program file's name without its folder.
std::string ProgramFileName();

// "temp" below the home folder.
std::filesystem::path TempFolder(const std::filesystem::path& home);
// A whole written file read back through the seam, for its copy elsewhere;
// false when it cannot be opened or read.
[[nodiscard]] bool ReadWholeFile(FileSystem& files, const std::filesystem::path& path,
                                 std::string& bytes);
// "rs" + year + week in two digits + ".xml".
std::string WebFileName(int year, int ne);

// The documents.
void BuildZavlinXml(TXMLCreater& doc, const TAllRasp& year, const std::string& author,
                    const std::string& progName);
void BuildWebXml(TXMLCreater& doc, const TAllRasp& year, int ne, bool denominator, bool vCanZamena,
                 bool vCanDp);

// The hand-over of a file to the mail client.
class TMailer {
public:
    virtual ~TMailer() = default;
    // True when the client took the message.
    [[nodiscard]] virtual bool Send(const std::string& address, const std::string& subject,
                                    const std::filesystem::path& file) = 0;
};

// Runs a program with its arguments and waits; its exit status, -1 when it
// could not be started.
using TProcessRunner = std::function<int(const std::vector<std::string>& argv)>;
int RunProcess(const std::vector<std::string>& argv);

// One plain mail address: not empty, no leading "-", no blanks or control
// characters, none of "?&,;" that would smuggle more into a mail link.
[[nodiscard]] bool PlainEmailAddress(std::string_view address);

// "xdg-email --subject S --attach FILE ADDRESS": the user's mail client
// opens the message and the user sends it.
class TXdgMailer : public TMailer {
public:
    explicit TXdgMailer(TProcessRunner runner = RunProcess) : FRunner(std::move(runner)) {}
    [[nodiscard]] bool Send(const std::string& address, const std::string& subject,
                            const std::filesystem::path& file) override;

private:
    TProcessRunner FRunner;
};

// Keeps every message it is given; answers with accept.
class TRecordingMailer : public TMailer {
public:
    struct Message {
        std::string address;
        std::string subject;
        std::filesystem::path file;
    };
    [[nodiscard]] bool Send(const std::string& address, const std::string& subject,
                            const std::filesystem::path& file) override;
    std::vector<Message> messages;
    bool accept = true;
};

struct TXmlExportJob {
    TExportAuthor author;
    int coding = 0;
    std::string progName;  // empty: this program's file name
};

struct TWebExportJob {
    TExportAuthor author;
    int coding = 0;
    bool denominator = false;
    bool withZamena = false;
    bool withDp = false;
    bool mail = false;
    std::string email;
    bool copy = false;
    std::string folder;
    std::string fileName;
};

struct TExportResult {
    bool ok = false;
    // The message for the user ("" when none is shown).
    std::string message;
    std::vector<std::filesystem::path> files;
};

// Status lines as the job goes on.
using TStatusSink = std::function<void(const std::string&)>;

// The author is composed (the parts trimmed, as the window shows them back);
// the settings are stored in ini; the file is written into home's "temp".
TExportResult RunXmlFileExport(const TAllRasp& year, TFileIni& ini,
                               const std::filesystem::path& home, TXmlExportJob& job,
                               const TStatusSink& status = {});
TExportResult RunWebFileExport(const TAllRasp& year, TFileIni& ini,
                               const std::filesystem::path& home, TWebExportJob& job,
                               TMailer& mailer, const TStatusSink& status = {},
                               FileSystem& files = realFileSystem());

}  // namespace zavlin::exporting
