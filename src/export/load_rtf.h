// The weekly load tables as an RTF document: one landscape page per table
// with "Недели : " and the weeks, then the table as the grid shows it (header
// rows included), its columns sharing the page's width. A document of several
// tables puts each one's title above its weeks.
#pragma once

#include <filesystem>
#include <vector>

#include "export/rtf_writer.h"
#include "reports/load_tables.h"

namespace zavlin::exporting {

void AddLoadTablePage(TFileRtf& doc, const reports::TLoadTable& table, bool withTitle = false);

// Every table on its page (titled when there are several), saved as
// SaveToFile does (the dialog hears why not).
[[nodiscard]] bool SaveLoadTables(const std::vector<reports::TLoadTable>& tables,
                                  const std::filesystem::path& file, TMyDialog& dialog);

// "temp/temp.rtf" below the program folder: the document the report windows
// write and hand to the word processor.
std::filesystem::path LoadTablesTempFile(const std::filesystem::path& home);
// Saves there, making the folder when it is missing.
[[nodiscard]] bool SaveLoadTablesInTemp(const std::vector<reports::TLoadTable>& tables,
                                        const std::filesystem::path& home, TMyDialog& dialog);

}  // namespace zavlin::exporting
