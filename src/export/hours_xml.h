// A teacher's hour accounting written as an XML file:
//
//   <Teachers>
//   <Headr>
//   <LastDate>dd.mm.yyyy</LastDate>      the accounting date (empty: the year's end)
//   </Headr>
//   <Teacher Name="full name">
//   <Group Name="group">                  one per group, in the year's order
//   <Lesson Name="subject" Substitution="false">   one per accounting row
//   <Semester1>                           likewise Semester2 and Year
//   <CountGroup>..</CountGroup>           the subject's lessons planned ("сетка + корзина")
//   <CountTeacher>..</CountTeacher>       the teacher's lessons planned
//   <LengthTime>..</LengthTime>           hours delivered up to the date (a lesson = 2)
//   </Semester1> ... </Lesson> </Group> </Teacher>
//   </Teachers>
#pragma once

#include <filesystem>
#include <string>

#include "base/file_system.h"
#include "reports/hours.h"

namespace zavlin {
class TAllRasp;
class TFio;
class TMyDialog;
class TXMLCreater;
}  // namespace zavlin

namespace zavlin::exporting {

void BuildTeacherHoursXml(TXMLCreater& doc, const TAllRasp& year, const TFio& fio,
                          const reports::TAccountOptions& o);

// Asks "Файл существует. Заменить? \r\n" + the file before writing over an
// existing file. False when the user refused (message empty) or the file
// could not be written (message says why); the old file is then untouched.
[[nodiscard]] bool SaveTeacherHoursXml(const std::filesystem::path& file, const TAllRasp& year,
                                       const TFio& fio, const reports::TAccountOptions& o,
                                       TMyDialog& dialog, std::string& message,
                                       FileSystem& fs = realFileSystem());

}  // namespace zavlin::exporting
