// The ten quality measures of one week's timetable, their detail lines and
// the report block written after a composed week. Each measure is recomputed
// from the timetable on every call.
#pragma once

#include <string>
#include <vector>

namespace zavlin {

class TAllRasp;
class TGryp;

// Each measure empties Sl, adds one line per finding and returns the total
// (kd) and the number of groups or teachers concerned (kg / kf).
void GetKahestvoDirkaGryp(const TAllRasp& year, int Tip, int ne, std::vector<std::string>& Sl,
                          int& kd, int& kg);
void GetKahestvoDirkaFio(const TAllRasp& year, int Tip, int ne, std::vector<std::string>& Sl,
                         int& kd, int& kf);
void GetKahestvoNagryzGryp(const TAllRasp& year, int Tip, int ne, std::vector<std::string>& Sl,
                           int& kd, int& kg);
void GetKahestvoNagryzFio(const TAllRasp& year, int Tip, int ne, std::vector<std::string>& Sl,
                          int& kd, int& kf);
void GetKahestvoRunFio(const TAllRasp& year, int Tip, int ne, std::vector<std::string>& Sl, int& kd,
                       int& kf);
void GetKahestvoNoDeyGryp(const TAllRasp& year, int Tip, int ne, std::vector<std::string>& Sl,
                          int& kd, int& kg);
void GetKahestvoNoDeyFio(const TAllRasp& year, int Tip, int ne, std::vector<std::string>& Sl,
                         int& kd, int& kf);
void GetKahestvoPy(const TAllRasp& year, int Tip, int ne, std::vector<std::string>& Sl, int& kd,
                   int& kg);
void GetKahestvoNoObFio(const TAllRasp& year, int Tip, int ne, std::vector<std::string>& Sl,
                        int& kd, int& kf);
void GetKahestvoBadFio(const TAllRasp& year, int Tip, int ne, std::vector<std::string>& Sl, int& kd,
                       int& kf);

inline constexpr int kKahestvoCount = 10;

// Measure n (1-10) in the order of the window's list and of the report.
void GetKahestvo(const TAllRasp& year, int n, int Tip, int ne, std::vector<std::string>& Sl,
                 int& kd, int& k2);
// " гр." for measures 1, 3, 6, 8, " чел." for the others.
const char* KahestvoUnit(int n);
// The report's ten lines after a composed week (timetable layer).
std::vector<std::string> KahestvoReportLines(const TAllRasp& year, int ne);
// A measure's summary line as the quality window lists it.
std::string KahestvoSummaryLine(int n, int kd, int k2);

// The three week totals that rank variants, in one pass over the groups:
// group holes, badly distributed subjects, teacher holes. They equal
// CountDirkaAllGrypOfNed, CountBadNagryzkaAllGrypOfNed and
// CountDirkaAllFioOfNed.
struct TWeekTotals {
    int groupHoles = 0;
    int badNagryzka = 0;
    int teacherHoles = 0;
};
TWeekTotals WeekTotals(const TAllRasp& year, int tip, int ne);

// One group's week in one pass: days with a single lesson (CountOneYrok),
// holes (CountDirka) and badly distributed subjects (CountBadNagryzkaOfNed).
struct TGrypWeekCounts {
    int oneYrok = 0;
    int holes = 0;
    int badNagryzka = 0;
};
TGrypWeekCounts GrypWeekCounts(const TGryp& gr, int tip, int ne);

}  // namespace zavlin
