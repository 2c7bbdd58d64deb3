// The academic years of the database: the year object (TGod, a TAllRasp with
// the year's settings and calendar), the list of stored years (TAllGod, one
// TRecordGod per row of "YmGod.b0") and the lesson times shared by all years.
//
// Settings in "god.Ini":
//   God/RunSubb            default for new years: 7 = Saturday is a study day, 2 = not
//   God/ActivGod           the first calendar year of the active year, 0 = none
//   God/Semestr<year>      weeks of the first semester, 1-52 (anything else = 52)
//   YhGod<year>/RunSubb    7 or 2 for this year; 0 or missing = the default
//   YhGod<year>/Week       56 flags "0"/"1"
//   Time/Yrok<i>, LYrok<i> start and length of period i in minutes
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/lesson_time.h"
#include "model/year.h"

namespace zavlin {

class TDM1;

class TGod : public TAllRasp {
public:
    explicit TGod(TDM1& dm);

    // "2016-17"
    std::string Name() const;
    std::string GetNumberWeek(int i) const { return AllNed.GetNumberWeek(i); }

    // Takes the year, its Saturday setting (vRunSubb when the year has none)
    // and its semester length, and builds the calendar.
    void SetDataGod(int YhGod, bool vRunSubb);
    // Stores the year's own Saturday setting and rebuilds the calendar.
    [[nodiscard]] bool SetDataGod(bool vRunSubb);
    // Stores the first semester's length (1-52, anything else as 52).
    [[nodiscard]] bool SetLengthSemestr(int weeks);
    static int ReadLengthSemestr(TFileIni& ini, int year);

    // The whole year from the tables; the calendar is built first when it
    // does not belong to YGod yet.
    [[nodiscard]] bool Load();
    // Copies Gd's faculties, subject names, teachers, groups with their data,
    // subjects and faculty memberships, buildings and rooms into this year,
    // storing each entry. Timetables, load, substitutions and exams stay
    // behind. False when an entry could not be stored.
    [[nodiscard]] bool AssignGod(TGod& Gd);
    // Deletes every group, faculty, room, building, teacher and subject name
    // of YGod and empties the lists.
    [[nodiscard]] bool DelAllOfGod();

    bool FRunSubb = false;    // Saturday is a study day in this year
    uint8_t SinxrNed = 0;     // base week of a synchronisation run
    uint8_t TipSostRasp = 0;  // kind of the composition run
    // The calendar labels the weeks, so it keeps the length.
    uint8_t& FLengthSemestr = AllNed.FLengthSemestr;
};

class TRecordGod {
public:
    int NRec = 0;                // key N of the row in "YmGod.b0"
    uint16_t yGod = 0;           // first calendar year
    std::unique_ptr<TGod> FGod;  // only for the active year

    // "2016-2017"
    std::string Name() const;
};

class TAllGod {
public:
    explicit TAllGod(TDM1& dm);
    ~TAllGod();
    TAllGod(const TAllGod&) = delete;
    TAllGod& operator=(const TAllGod&) = delete;

    TDM1& DM;

    // Reads the default Saturday setting and the list, loads the year that
    // "ActivGod" names, then the lesson times. False when the list could not
    // be read or the year did not load cleanly.
    [[nodiscard]] bool AllGodLoad();
    // The default Saturday setting (written as 2 when missing) and the list of
    // years, sorted by label; no year is loaded.
    [[nodiscard]] bool ReadListGod();

    int CountGod() const { return static_cast<int>(SL.size()); }
    TRecordGod* RecordGod(int indx) const;
    // The loaded year, or nullptr when none is active.
    TGod* God() const { return ActivRecGod != nullptr ? ActivRecGod->FGod.get() : nullptr; }
    int ActivIndx() const;

    // Frees the current year and loads the chosen one; "ActivGod" names it
    // from now on. False when indx is no entry or the year did not load
    // cleanly (what could be read stays loaded).
    [[nodiscard]] bool SetActivGod(int indx);
    // A year object for the entry with its calendar set, not loaded.
    std::unique_ptr<TGod> CreateGod(int indx) const;
    // Appends the row and the entry; its place in the list, -1 when the year
    // exists already or the row could not be stored.
    int AddGod(int YGod);
    // Deletes the year's rows in every table, its row of "YmGod.b0" and its
    // section of "god.Ini". An active year stops being active.
    [[nodiscard]] bool DelGod(int indx);
    // Replaces what year NewIndx holds by a copy of year OldIndx and saves it.
    [[nodiscard]] bool AssignGod(int OldIndx, int NewIndx);

    int GetIndexGod(int YGod) const;  // -1 when not listed
    bool TestNewGod(int YGod) const { return GetIndexGod(YGod) < 0; }
    // The entry of the latest year before YGod; -1 when none.
    int TestPriorGod(int YGod) const;

    [[nodiscard]] bool SaveTimeYrok();
    void LoadTimeYrok();
    TTaimYrok& GetTimeYrok(int i) { return Lt[static_cast<std::size_t>(i)]; }
    // "0  07:15  01:30"
    std::vector<std::string> TimeYrorToListBoxN() const;

    std::vector<std::unique_ptr<TRecordGod>> SL;  // sorted by label
    std::array<TTaimYrok, kLessonPeriods> Lt = defaultLessonTimes();
    bool FRunSubb = false;  // default for new years
    TRecordGod* ActivRecGod = nullptr;

private:
    void writeActivGod();
};

}  // namespace zavlin
