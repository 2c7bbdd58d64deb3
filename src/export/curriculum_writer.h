// A study plan written from a year in the form the curriculum import reads:
// buildings and rooms, every teacher, the subject names, and each group with
// its study calendar ("Graf", from its weeks' study days) and its subjects:
// "H" from the regular load of weeks 1-52, the half-year hours from the
// typical weeks 53-56, and the teachers of each half-year.
//
// The typical weeks travel as hours of a half-year, so what the import makes
// of them is the nearest it can: the two weeks' pairs summed and shared out
// again, the odd pair going to the week the import's rule gives it.
#pragma once

#include <filesystem>
#include <string>

namespace zavlin {
class TAllRasp;
class TXMLCreater;
}  // namespace zavlin

namespace zavlin::exporting {

inline constexpr int kCurriculumVersion = 1;

// Builds the document (root "Curriculum", one "Year").
void WriteCurriculum(const TAllRasp& year, TXMLCreater& doc);
// Writes it to a file (Windows-1251, replaced whole); false with the reason.
[[nodiscard]] bool SaveCurriculum(const TAllRasp& year, const std::filesystem::path& file,
                                  std::string& message);

}  // namespace zavlin::exporting
