// The entry point of the legacy table converter, for the authors of that
// library. The program loads "TableBDE.so" from its home folder with dlopen
// and looks up the C symbol "CreateTable":
//
//   extern "C" int32_t CreateTable(zavlin::ITableBlob* table, const char* tablePath,
//                                  int32_t pageSize, int32_t reserved0, int32_t reserved2);
//
// It is called once per table of the year database, in the fixed table order:
//   table      the program's table object, the same one for every call. It
//              comes pointed at the new table (database folder and table name
//              set), so CreateFile creates it there; a converter may also set
//              both itself from tablePath. It holds one reference taken for
//              this call: the converter must give back every reference it
//              takes (GetField), and keeps none after returning.
//   tablePath  the new table's full path, UTF-8, with its ".b0" extension
//              ("/home/u/.local/share/zavlin98/Database/YmFio.b0"). The legacy
//              files lie beside it with the extensions ".db", ".px" and ".mb".
//              The path is not limited in length.
//   pageSize   the blob page size to create the table with: 4096 for YmGryp,
//              128 for YmFio, 64 for YmAyd, 1024 for the others.
//   reserved0, reserved2
//              always 0 and 2; kept for the converter's own use.
// The converter creates the table (CreateFile, Add...Field), fills it
// (Append, field writes, Post) and returns non-zero on success, 0 on failure.
// It must not let an exception escape; one that does counts as a failure.
// The program deletes the legacy files only when every call succeeded.
//
// Build with the same compiler and standard library as the program: the
// interface passes std::string.
#pragma once

#include <cstdint>

#include "storage/table_interface.h"

extern "C" {
using TCreateTableProc = int32_t (*)(zavlin::ITableBlob* table, const char* tablePath,
                                     int32_t pageSize, int32_t reserved0, int32_t reserved2);
}

namespace zavlin {

// The library's file name in the home folder and the name of its entry point.
inline constexpr const char* kLegacyConverterFile = "TableBDE.so";
inline constexpr const char* kLegacyConverterEntry = "CreateTable";

}  // namespace zavlin
