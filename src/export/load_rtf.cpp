#include "export/load_rtf.h"

#include <system_error>

namespace zavlin::exporting {

void AddLoadTablePage(TFileRtf& doc, const reports::TLoadTable& table, bool withTitle) {
    doc.SetLandscapeTrue(true);
    TPageRtf* page = doc.AddPage();
    if (withTitle && !table.Title.empty()) page->AddStringLn(table.Title);
    page->AddStringLn("Недели : " + table.WeeksText);
    // The page decides the widths: the columns are not fitted to the texts.
    page->AddGrid(table.Grid)->SetAutoFormat(false);
}

bool SaveLoadTables(const std::vector<reports::TLoadTable>& tables,
                    const std::filesystem::path& file, TMyDialog& dialog) {
    TFileRtf doc;
    // Only a reader of several tables needs told which one a page holds.
    const bool titles = tables.size() > 1;
    for (const reports::TLoadTable& table : tables) AddLoadTablePage(doc, table, titles);
    return doc.SaveToFile(file, dialog);
}

std::filesystem::path LoadTablesTempFile(const std::filesystem::path& home) {
    return home / "temp" / "temp.rtf";
}

bool SaveLoadTablesInTemp(const std::vector<reports::TLoadTable>& tables,
                          const std::filesystem::path& home, TMyDialog& dialog) {
    const std::filesystem::path file = LoadTablesTempFile(home);
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    return SaveLoadTables(tables, file, dialog);
}

}  // namespace zavlin::exporting
