#include "cli/export_commands.h"

#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <filesystem>
#include <memory>
#include <string>

#include "base/my_dialog.h"
#include "base/text.h"
#include "cli/calendar_commands.h"
#include "cli/db_commands.h"
#include "cli/table_access.h"
#include "export/xml_export.h"
#include "model/god.h"
#include "storage/name_helpers.h"
#include "storage/year_database.h"

namespace zavlin::cli {
namespace {

namespace fs = std::filesystem;
using namespace zavlin::exporting;

struct ExportArgs {
    std::string to;
    std::string author;
    std::string encoding;
    int year = 0;
    int week = 0;
    bool denominator = false;
    bool withZamena = false;
    bool withDp = false;
};

bool save(TXMLCreater& doc, const fs::path& file) {
    if (doc.SaveToFile(file)) return true;
    printError(CannotCreateMessage(file, doc.LastError()));
    return false;
}

int exportXml(const fs::path& home, const ExportArgs& a) {
    TConsoleDialog dialog(false);
    TDM1 dm(home, dialog);
    const auto held = holdDatabase(dm, LockKind::Shared);
    if (!held) return kExitFailed;
    const std::string stored = a.author.empty() ? ReadUserSettings(dm.FGodini).Name : a.author;
    // No stored author is a refusal here, not the window's "NoName".
    TExportAuthor parts = AuthorParts(stored);
    const std::string author = trim(stored).empty() ? std::string() : ComposeAuthor(parts);
    if (author.empty()) {
        printError("Введите вашу фамилию и инициалы");
        return kExitUsage;
    }
    int status = kExitFailed;
    const auto god = loadGodForVerb(home, dm, a.year, status);
    if (!god) return status;
    TXMLCreater doc;
    doc.SetEncoding(a.encoding.empty() ? kEncodings[ReadUserSettings(dm.FGodini).Coding]
                                       : a.encoding);
    BuildZavlinXml(doc, *god, author, ProgramFileName());
    if (!save(doc, a.to)) return kExitFailed;
    fmt::print("Экспорт расписания успешно завершён. Файл: {}\n", a.to);
    return kExitOk;
}

int exportWeb(const fs::path& home, const ExportArgs& a) {
    if (a.week < 1 || a.week > 56) {
        printError("--week must be 1-56");
        return kExitUsage;
    }
    TConsoleDialog dialog(false);
    TDM1 dm(home, dialog);
    const auto held = holdDatabase(dm, LockKind::Shared);
    if (!held) return kExitFailed;
    int status = kExitFailed;
    const auto god = loadGodForVerb(home, dm, a.year, status);
    if (!god) return status;
    std::error_code ec;
    fs::create_directories(a.to, ec);
    if (!fs::is_directory(a.to, ec)) {
        printError("Папка недоступна : " + a.to);
        return kExitFailed;
    }
    TXMLCreater doc;
    doc.SetEncoding(kEncodings[ReadUserSettings(dm.FGodini).Coding]);
    BuildWebXml(doc, *god, a.week, a.denominator, a.withZamena, a.withDp);
    const fs::path file = fs::path(a.to) / WebFileName(god->YGod, a.week);
    if (!save(doc, file)) return kExitFailed;
    // The window's message breaks lines with CR LF; a console wants "\n".
    fmt::print("Экспорт расписания успешно завершён. Файлы: \n{}\n", file.string());
    return kExitOk;
}

}  // namespace

void addExportCommands(CLI::App& app, int& status) {
    CLI::App* exp = app.add_subcommand("export", "write the timetable for other software");
    exp->add_option("--home", "the home folder (Database/, Zavlin98.ini, ...)");
    exp->require_subcommand(1);
    auto a = std::make_shared<ExportArgs>();

    CLI::App* xml = exp->add_subcommand(
        "xml", "every active week with all groups, examinations, unions and name lists");
    xml->add_option("--home", "the home folder (Database/, Zavlin98.ini, ...)");
    xml->add_option("--to", a->to, "the file to write")->required();
    xml->add_option("--author", a->author,
                    "the author, \"Фамилия Имя Отчество\" or \"Фамилия И.О.\"; default: the "
                    "stored one");
    xml->add_option("--encoding", a->encoding, "windows-1251 or utf-8; default: the stored one")
        ->check(CLI::IsMember({"windows-1251", "utf-8", "UTF-8"}));
    xml->add_option("--year", a->year, "the first calendar year; default: the active one");
    xml->callback([xml, a, &status] { status = exportXml(homeFolder(*xml), *a); });

    CLI::App* web = exp->add_subcommand("web", "one week in the form meant for publishing");
    web->add_option("--home", "the home folder (Database/, Zavlin98.ini, ...)");
    web->add_option("--week", a->week, "the week, 1-56")->required();
    web->add_option("--to", a->to, "the folder to write rs<year><week>.xml into")->required();
    web->add_flag("--denominator", a->denominator, "the week is a denominator week");
    web->add_flag("--with-substitutions", a->withZamena, "include substitutions");
    web->add_flag("--with-additional", a->withDp, "include lessons assigned additionally");
    web->add_option("--year", a->year, "the first calendar year; default: the active one");
    web->callback([web, a, &status] { status = exportWeb(homeFolder(*web), *a); });

    addHtmlExportCommands(*exp, status);
    addRtfExportCommands(*exp, status);
    addIcalExportCommands(*exp, status);
}

}  // namespace zavlin::cli
