// The export hub: the generators of the documents handed to a word
// processor (written into the home folder's "temp" and opened there) and of
// the linked web pages (written into "temp", then copied to a folder).
//
// The pieces the generators share are public here, so that every family of
// documents builds its pages the same way: the page skeleton, the red
// heading, a group's or a teacher's week as a table, the removal of a stale
// file, the save and the hand-over to the opener.
//
// Nothing here talks to the user but through the dialog given; the progress
// goes to THtmlProgress on the generating thread.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/file_system.h"
#include "export/html_writer.h"
#include "reports/month_statement.h"

namespace zavlin {
class TAllRasp;
class TArrayOfPointByte;
class TAyd;
class TFio;
class TGryp;
class TMyDialog;
class TYrok;
struct TGrypYr;
}  // namespace zavlin

namespace zavlin::exporting {

class TDocumentOpener;
class TFioWeekIndex;

// Index pages: the index name and ".htm".
inline constexpr const char* kGrypIndexName = "allgryp";
inline constexpr const char* kFioIndexName = "allfio";
inline constexpr const char* kHtmExt = ".htm";

// The word processor's documents.
inline constexpr const char* kWordGrypFile = "rgryp.htm";  // kind 0
inline constexpr const char* kWordFioFile = "rfio.htm";    // kind 1
inline constexpr const char* kEkzGrypFile = "ekzgr.htm";   // kind 60
inline constexpr const char* kEkzFioFile = "ekzfio.htm";   // kind 61
// The documents of the report windows.
inline constexpr const char* kZamenaGrypFile = "zamena1.htm";   // kinds 4, 41
inline constexpr const char* kZamenaFioFile = "zamena2.htm";    // kinds 5, 51
inline constexpr const char* kGrypFioFile = "grypfio.htm";      // kind 7
inline constexpr const char* kGrypFio2File = "grypfio2.htm";    // kind 77
inline constexpr const char* kFioAydFile = "fioayd.htm";        // kind 8
inline constexpr const char* kAydGrypFile = "aydgryp.htm";      // kind 9
inline constexpr const char* kGrypAydFile = "grypayd.htm";      // kind 91
inline constexpr const char* kCvodGrypFile = "cvgryp.htm";      // kind 21
inline constexpr const char* kPlanFioFile = "planfio.htm";      // kind 24
inline constexpr const char* kFioAllGodFile = "fioallgod.htm";  // kind 26
inline constexpr const char* kVedGrypFile = "vedgryp.htm";      // kind 2
inline constexpr const char* kVedFioFile = "vedfio.htm";        // kind 3
// Every kind of examination entry and credit record.
inline constexpr int kAllAtr = -1;

inline constexpr const char* kBodyColor = "AQUA";
inline constexpr const char* kHeadingColor = "RED";
inline constexpr int kBodyFontSize = 3;
inline constexpr int kHeadingFontSize = 4;
inline constexpr const char* kNoLessonGryp = "-------";
inline constexpr const char* kNoLessonFio = "------";

// The small progress window: shown with its maximum, moved, hidden. Called on
// the generating thread; a window queues what it hears.
class THtmlProgress {
public:
    virtual ~THtmlProgress() = default;
    virtual void Show(int maximum) { (void)maximum; }
    virtual void Position(int position) { (void)position; }
    virtual void Hide() {}
};

// "<week>~<group key>.htm" and "fio<week>~<teacher key>.htm".
std::string GrypPageName(int ne, const TGryp& gr);
std::string FioPageName(int ne, const TFio& fio);
// The teacher as pages name them: the full name, else the short one.
std::string FioTitle(const TFio& fio);

// A page: title, body colour (none when empty) and body font size.
std::unique_ptr<html::TFileHtml> MakePage(const std::string& title,
                                          const std::string& bgColor = kBodyColor,
                                          int fontSize = kBodyFontSize);
// A centred paragraph in font size 4, red.
html::TTextHtml* AddHeading(html::TBodyHtml& body, const std::string& text);

// What a period of a group shows: the held lessons' subjects, then their
// teachers, then " ауд." and their rooms, each list distinct and ","-joined.
// Empty when nothing is held there (a cancellation holds nothing).
std::string GrypPeriodText(const TYrok* yrok);
// What a period of a teacher shows over all groups: the groups, the subjects
// and " ауд." with the rooms. Empty when the teacher is free.
std::string FioPeriodText(const TAllRasp& year, const TFio& fio, int ne, int d, int y);
// The same text of the teacher's lessons of one period, as an index of the
// week (TFioWeekIndex) gives them: documents over many teachers use this one.
std::string FioPeriodText(const TAllRasp& year, const std::vector<TGrypYr>& lessons);

// A group's (teacher's) week as a table with border 1: "Пара", "Время" and the
// given days (1-6); one row per period from the first to the last occupied
// one of those days, the free cells marked with kNoLessonGryp (kNoLessonFio).
html::TGridHtml* AddGrypWeekTable(html::TBodyHtml& body, const TAllRasp& year, const TGryp& gr,
                                  int ne, const std::vector<int>& days);
html::TGridHtml* AddFioWeekTable(html::TBodyHtml& body, const TAllRasp& year, const TFio& fio,
                                 int ne, const std::vector<int>& days);
// The same table read from index, one week's lessons of every teacher.
html::TGridHtml* AddFioWeekTable(html::TBodyHtml& body, const TAllRasp& year, const TFio& fio,
                                 const std::vector<int>& days, const TFioWeekIndex& index);

// The days paired with week ne in WD (week, day), in order, each once.
std::vector<int> DaysOfWeek(const TArrayOfPointByte& WD, int ne);
// The (week, day) pairs of WD with a week 1-56 and a day 1-6, by week, then
// day, each once.
std::vector<std::pair<int, int>> WeekDays(const TArrayOfPointByte& WD);

// Which teacher a substitution document follows (VidDoc).
enum TZamenaVid {
    zvSubstitute = 0,  // the teacher who takes the lesson
    zvReplaced = 1,    // the teacher whose lesson is taken
    zvBoth = 2,
};

// How the teachers' monthly statements are laid out (VidDoc).
enum TVedVid {
    vvEachFio = 0,  // one table per teacher: its groups and subjects by day
    vvAllFio = 1,   // one table: a row per teacher, its day totals with unions
};

// What a cell of the teachers' week grid shows (vd).
enum TGrypFioVid {
    gfGryp = 0,         // the groups
    gfGrypPredmet = 1,  // the groups and the subjects
    gfFull = 2,         // the groups, the subjects and the rooms
};

// Everything a word-processor document may be asked with; each kind reads
// the fields it needs (see THtmlExportHub::CreateWordOfKind).
struct TWordRequest {
    const TArrayOfPointByte* WD = nullptr;  // (week, day) pairs; none when null
    int Y1 = 0;                             // periods
    int Y2 = 11;                            // the last period
    int N1 = 1;                             // weeks
    int N2 = 52;                            // the last study week
    bool vAyd = true;
    bool vShortPr = true;
    bool vShortFi = true;
    bool vSortYrok = false;
    int VidDoc = 0;
    int vd = gfGryp;
    int me = 9;  // month
    int h = 0;   // start offset of the month's columns
    reports::TStatementKinds Setka = reports::TStatementKinds::All;
};

class THtmlExportHub {
public:
    // PathTemp is home's "temp", created here; when that fails the dialog
    // says so and every generation fails at its first save.
    THtmlExportHub(const TAllRasp& year, const std::filesystem::path& home, TMyDialog& dialog,
                   TDocumentOpener& opener, FileSystem& files = realFileSystem());

    // --- The documents; each returns success.
    // Linked web pages: the index tip + ".htm" and one page per selected
    // group (teacher) and week.
    [[nodiscard]] bool CreateHtmlGryp(const std::string& tip = kGrypIndexName);
    [[nodiscard]] bool CreateHtmlFio(const std::string& tip = kFioIndexName);
    // Timetables of the selected groups (teachers) for the word processor,
    // each week of Weeks on its days in WD.
    [[nodiscard]] bool CreateWordGryp(const TArrayOfPointByte& WD);
    [[nodiscard]] bool CreateWordFio(const TArrayOfPointByte& WD);
    // Consultations, examinations and credits of the selected groups
    // (teachers) on the days of WD; vAtrN limits them to one attribute.
    [[nodiscard]] bool CreateWordEkzamen1(const TArrayOfPointByte& WD, int vAtrN = kAllAtr);
    [[nodiscard]] bool CreateWordEkzamen2(const TArrayOfPointByte& WD, int vAtrN = kAllAtr);

    // --- The documents of the report windows (their own files).
    // Substitutions of the selected groups on each (week, day) of WD: group,
    // period, what was planned and what takes place, the room with vAyd;
    // short subject (teacher) names with vShortPr (vShortFi). Layout 1 lists
    // the substitutions themselves (Zamena1, by group; Zamena2, by teacher),
    // layout 2 the differences from each group's base week (Zamena3, by
    // group; Zamena4, by teacher). vSortYrok orders a day by period instead
    // of by group; VidDoc picks the teacher a row belongs to.
    [[nodiscard]] bool CreateWordZamena1(const TArrayOfPointByte& WD, bool vAyd, bool vShortPr,
                                         bool vShortFi, bool vSortYrok = false);
    [[nodiscard]] bool CreateWordZamena2(const TArrayOfPointByte& WD, bool vAyd, bool vShortPr,
                                         bool vShortFi, int VidDoc = zvSubstitute);
    [[nodiscard]] bool CreateWordZamena3(const TArrayOfPointByte& WD, bool vAyd, bool vShortPr,
                                         bool vShortFi, bool vSortYrok = false);
    [[nodiscard]] bool CreateWordZamena4(const TArrayOfPointByte& WD, bool vAyd, bool vShortPr,
                                         bool vShortFi, int VidDoc = zvSubstitute);
    // The groups of the selected teachers in periods Y1..Y2 of every day:
    // one table per week of Weeks, a row per teacher (AllFioNed); or one
    // table over weeks N1..N2, a row per teacher and week (AllFioNed2).
    [[nodiscard]] bool CreateWordAllFioNed(int Y1, int Y2, int vd = gfGryp);
    [[nodiscard]] bool CreateWordAllFioNed2(int N1, int N2, int Y1, int Y2, int vd = gfGryp);
    // On each (week, day) of WD, periods Y1..Y2: the rooms of the selected
    // teachers (FioToAyd), the groups in each selected room (AydToGryp),
    // the rooms of the selected groups (GrypToAyd).
    [[nodiscard]] bool CreateWordFioToAyd(int Y1, int Y2, const TArrayOfPointByte& WD);
    [[nodiscard]] bool CreateWordAydToGryp(int Y1, int Y2, const TArrayOfPointByte& WD);
    [[nodiscard]] bool CreateWordGrypToAyd(int Y1, int Y2, const TArrayOfPointByte& WD);
    // The planned load of each selected group, subject by subject, per
    // semester and for the year.
    [[nodiscard]] bool CreateWordCvodGryp();
    // The planned lessons and hours of the selected teachers in weeks
    // Ne1..Ne2, group and subject by group and subject; a teacher with
    // unions gets a second total that counts a union's lesson once.
    [[nodiscard]] bool CreateWordPlanFio(int Ne1, int Ne2);
    // Each selected teacher's weeks ne1..ne2, day by day, periods vY1..vY2.
    [[nodiscard]] bool CreateWordFioAllGod(int ne1, int ne2, int vY1, int vY2);
    // The monthly statements of month me (1-12) from start offset h (see
    // reports::kStatementStarts): the hours of each selected group by
    // subject and teacher, or of each selected teacher by group and subject
    // of the kinds Setka, day by day.
    [[nodiscard]] bool CreateWordVedGryp(int me, int h);
    [[nodiscard]] bool CreateWordVedFio(int me, int h, reports::TStatementKinds Setka,
                                        int VidDoc = vvEachFio);
    std::vector<const TAyd*> SelectedAyd() const;
    // The generator of a document kind of the word-processor window:
    //   0 Gryp, 1 Fio, 2 VedGryp, 3 VedFio, 4 Zamena1, 41 Zamena3, 5 Zamena2,
    //   51 Zamena4, 7 AllFioNed, 77 AllFioNed2, 8 FioToAyd, 9 AydToGryp,
    //   91 GrypToAyd, 21 CvodGryp, 24 PlanFio, 26 FioAllGod, 60 Ekzamen1,
    //   61 Ekzamen2.
    // An unknown kind writes nothing and fails.
    [[nodiscard]] bool CreateWordOfKind(int VidTip, const TWordRequest& request);

    // The web-site export: the pages of the groups and/or the teachers made
    // in "temp" and copied into folder (created when missing). The dialog
    // gets the one message at the end; copied lists the files in folder.
    [[nodiscard]] bool ExportWeb(const std::filesystem::path& folder, bool groups, bool teachers,
                                 std::vector<std::filesystem::path>* copied = nullptr);

    // Copies every file of Fil from PathTemp into folder (created when
    // missing), replacing what is there; a file that cannot be copied is
    // deleted from PathTemp. The dialog gets "Файлы созданы." or the error of
    // the last failed copy; copied lists the files in folder.
    [[nodiscard]] bool CopyToFolder(const std::filesystem::path& folder,
                                    std::vector<std::filesystem::path>* copied = nullptr);

    // --- The steps every generator shares.
    // The short label of week ne under vV1..vV3.
    std::string WeekLabel(int ne) const;
    std::vector<const TGryp*> SelectedGryp() const;
    std::vector<const TFio*> SelectedFio() const;
    // A stale file of that name in PathTemp is deleted first (a folder
    // removed): the word processor must never open last time's document.
    // False, with the message shown, when it cannot be.
    [[nodiscard]] bool RemoveStale(const std::string& fileName);
    // Saves the page as PathTemp / fileName and lists it in Fil; false with
    // the message shown.
    [[nodiscard]] bool SavePage(html::TFileHtml& page, const std::string& fileName);
    // The hand-over: opened when StartWord is set, else "Создан файл " + its
    // name.
    [[nodiscard]] bool Deliver(const std::string& fileName);
    // A whole word document: the stale file removed, the page titled title
    // built by build (which moves the progress up to maximum), saved and
    // handed over.
    using TBuild = std::function<void(html::TBodyHtml& body, THtmlProgress& progress)>;
    [[nodiscard]] bool WriteDocument(const std::string& fileName, const std::string& title,
                                     int maximum, const TBuild& build);

    const TAllRasp& Year() const { return FYear; }
    TMyDialog& Dialog() const { return FDialog; }
    THtmlProgress& ProgressSink() const { return Progress != nullptr ? *Progress : FNoProgress; }

    std::filesystem::path PathTemp;
    // The files the last generation wrote, relative to PathTemp.
    std::vector<std::string> Fil;
    bool StartWord = true;
    int vV1 = 0;  // date format
    int vV2 = 0;  // naming of the additional weeks
    int vV3 = 0;  // semester note
    // The weeks the documents cover, in order: the active ones to begin with.
    std::vector<int> Weeks;
    THtmlProgress* Progress = nullptr;

    // The folder exists or is made; false with the message shown. A window
    // asks it before anything else, so a bad folder costs the user nothing.
    [[nodiscard]] bool PrepareFolder(const std::filesystem::path& folder);

private:
    // CopyToFolder once the folder is known to be there.
    bool copyFiles(const std::filesystem::path& folder, std::vector<std::filesystem::path>* copied);

    const TAllRasp& FYear;
    TMyDialog& FDialog;
    TDocumentOpener& FOpener;
    FileSystem& FFiles;
    mutable THtmlProgress FNoProgress;
};

}  // namespace zavlin::exporting
