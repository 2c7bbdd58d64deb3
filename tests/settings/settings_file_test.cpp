#include "settings/settings_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/core_hooks.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class SettingsFile : public testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        dir_ = fs::temp_directory_path() /
               ("zavlin-settings-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    fs::path file() const { return dir_ / "setupini.ini"; }
    std::string text() const { return textOf(file()); }
    static std::string textOf(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void put(const std::string& bytes) const {
        std::ofstream(file(), std::ios::binary | std::ios::trunc) << bytes;
    }

    fs::path dir_;
    TScriptedDialog dialog_;
    TCoreHooks hooks_{dialog_};
};

// Catches: no message or a wrong text, no file created, non-empty defaults,
// FilePath ignored or used without its separator.
TEST_F(SettingsFile, MissingFileIsReportedOnceAndCreatedEmpty) {
    TFileIni ini(hooks_, dir_);
    EXPECT_EQ(ini.ReadInteger("Program", "Start"), 0);
    EXPECT_EQ(ini.ReadString("Program", "End"), "");
    EXPECT_FALSE(ini.ReadBool("God", "RunSubb"));
    EXPECT_EQ(ini.ReadDate("VersProgram", "DateIns"), 0.0);
    EXPECT_TRUE(ini.ReadSectionText("Rasp").empty());
    ASSERT_EQ(dialog_.shown,
              Lines{"Фаил не обнаружен: " + dir_.string() + "/setupini.ini Создаю новый"});
    ASSERT_TRUE(fs::exists(file()));
    EXPECT_EQ(fs::file_size(file()), 0u);

    fs::create_directories(dir_ / "other");
    TFileIni elsewhere(hooks_, dir_ / "unused");
    elsewhere.SetFilePath((dir_ / "other").string());
    elsewhere.SetFileName("god.Ini");
    EXPECT_EQ(elsewhere.ReadString("God", "ActivGod"), "");
    EXPECT_EQ(dialog_.shown.back(),
              "Фаил не обнаружен: " + (dir_ / "other").string() + "/god.Ini Создаю новый");
    EXPECT_TRUE(fs::exists(dir_ / "other" / "god.Ini"));

    TFileIni shortPath(hooks_, dir_);
    shortPath.SetFilePath("..");  // two characters: the program folder stays
    EXPECT_EQ(shortPath.FullFileName(), file());
}

// Catches: a written value not on disk before close, lost quotes, no trimming,
// single-quoted values losing their quotes.
TEST_F(SettingsFile, QuotedValuesReadBackWithTheirQuotes) {
    put("");
    TFileIni ini(hooks_, dir_);
    ASSERT_TRUE(ini.WriteString("User", "Name", "\"abc\""));
    ASSERT_TRUE(ini.WriteString("User", "Path", "  /home/x  "));
    ASSERT_TRUE(ini.WriteString("User", "Single", "'q'"));
    ASSERT_TRUE(ini.WriteString("User", "One", "\""));
    EXPECT_EQ(text(), "[User]\r\nName=\"\"abc\"\"\r\nPath=/home/x\r\nSingle=''q''\r\nOne=\"\r\n");

    TFileIni again(hooks_, dir_);
    EXPECT_EQ(again.ReadString("User", "Name"), "\"abc\"");
    EXPECT_EQ(again.ReadString("User", "Path"), "/home/x");
    EXPECT_EQ(again.ReadString("User", "Single"), "'q'");
    EXPECT_EQ(again.ReadString("User", "One"), "\"");

    // Why single quotes are doubled too: reading takes one pair of either kind
    // off, so 'q' stored bare would come back as q.
    put("[User]\r\nSingle='q'\r\nDouble=\"q\"\r\n");
    TFileIni bare(hooks_, dir_);
    EXPECT_EQ(bare.ReadString("User", "Single"), "q");
    EXPECT_EQ(bare.ReadString("User", "Double"), "q");
}

// Catches: quotes or blanks kept on reading, wrong hex forms, overflow wrapping
// into a number, a bool read from text, a date stored with its fraction.
TEST_F(SettingsFile, NumbersBoolsAndDates) {
    put("[N]\na = \"x y\" \nb='z'\nc=\"open\ndec= -17\nhex1=$1F\nhex2=0x10\nall=$FFFFFFFF\n"
        "big=2147483648\nmin=-2147483648\njunk=12abc\nempty=\nyes=yes\ntwo=2\n");
    TFileIni ini(hooks_, dir_);
    EXPECT_EQ(ini.ReadString("N", "a"), "x y");
    EXPECT_EQ(ini.ReadString("N", "b"), "z");
    EXPECT_EQ(ini.ReadString("N", "c"), "\"open");
    EXPECT_EQ(ini.ReadString("N", "empty", "dflt"), "");  // present: no default
    EXPECT_EQ(ini.ReadInteger("N", "dec"), -17);
    EXPECT_EQ(ini.ReadInteger("N", "hex1"), 31);
    EXPECT_EQ(ini.ReadInteger("N", "hex2"), 16);
    EXPECT_EQ(ini.ReadInteger("N", "all"), -1);
    EXPECT_EQ(ini.ReadInteger("N", "big", 7), 7);
    EXPECT_EQ(ini.ReadInteger("N", "min"), -2147483647 - 1);
    EXPECT_EQ(ini.ReadInteger("N", "junk", 5), 5);
    EXPECT_EQ(ini.ReadInteger("N", "empty", 5), 5);
    EXPECT_TRUE(ini.ReadBool("N", "two"));
    EXPECT_FALSE(ini.ReadBool("N", "yes"));
    EXPECT_TRUE(ini.ReadBool("N", "yes", true));

    ASSERT_TRUE(ini.WriteBool("W", "On", true));
    ASSERT_TRUE(ini.WriteBool("W", "Off", false));
    ASSERT_TRUE(ini.WriteDate("W", "Day", 42614.75));
    ASSERT_TRUE(ini.WriteInteger("W", "Neg", -3));
    EXPECT_FALSE(ini.WriteDate("W", "Bad", NAN));
    EXPECT_FALSE(ini.WriteDate("W", "Bad", 1e12));
    EXPECT_NE(text().find("[W]\r\nOn=1\r\nOff=0\r\nDay=42614\r\nNeg=-3\r\n"), std::string::npos);
    EXPECT_EQ(ini.ReadDate("W", "Day"), 42614.0);
    EXPECT_FALSE(ini.ValueExists("W", "Bad"));
}

// Catches: comments, junk or blank lines dropped or reordered on writing, a key
// appended after the blank line or into the wrong section, the key's spelling
// changed, LF-only files not understood.
TEST_F(SettingsFile, WritingKeepsEveryOtherLine) {
    put("; settings\n[Program]\nEnd=OK\nsome junk\n\n[God]\r\nActivGod=2015\r\n");
    TFileIni ini(hooks_, dir_);
    ASSERT_TRUE(ini.WriteString("PROGRAM", "end", "Start"));
    ASSERT_TRUE(ini.WriteInteger("program", "Count", 3));
    ASSERT_TRUE(ini.WriteInteger("Time", "Yrok0", 435));
    ASSERT_TRUE(ini.WriteInteger("God", "RunSubb", 2));
    EXPECT_EQ(text(),
              "; settings\r\n[Program]\r\nEnd=Start\r\nsome junk\r\nCount=3\r\n\r\n"
              "[God]\r\nActivGod=2015\r\nRunSubb=2\r\n[Time]\r\nYrok0=435\r\n");
    EXPECT_EQ(ini.ReadSections(), (Lines{"Program", "God", "Time"}));
    EXPECT_FALSE(fs::exists(dir_ / "setupini.ini.new"));
}

// Catches: ASCII-only case folding, UTF-8 written to disk, names not converted back.
TEST_F(SettingsFile, CyrillicIsStoredAsCp1251AndComparedWithoutCase) {
    put("");
    TFileIni ini(hooks_, dir_);
    ASSERT_TRUE(ini.WriteString("Настройки", "Ключ", "Значение"));
    EXPECT_EQ(text(),
              "[\xCD\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE8]\r\n"
              "\xCA\xEB\xFE\xF7=\xC7\xED\xE0\xF7\xE5\xED\xE8\xE5\r\n");
    EXPECT_EQ(ini.ReadString("НАСТРОЙКИ", "ключ"), "Значение");
    EXPECT_EQ(ini.ReadSection("настройки"), Lines{"Ключ"});
    EXPECT_EQ(ini.ReadSectionValues("Настройки"), Lines{"Ключ=Значение"});
    ASSERT_TRUE(ini.WriteString("настройки", "ЁЖ", "1"));
    EXPECT_EQ(ini.ReadString("Настройки", "ёж"), "1");
}

// Catches: a count line ignored, a following section read as text, blank or
// indented lines lost, the last line given a line end, an empty last line lost.
TEST_F(SettingsFile, TextSectionRoundTrip) {
    put("");
    TFileIni ini(hooks_, dir_);
    const Lines heading{"Расписание занятий", "", "  группа=1"};
    ASSERT_TRUE(ini.WriteSectionText("Rasp1up", heading));
    EXPECT_EQ(text(),
              "[Rasp1up]\r\n_LenghtSection=3\r\n\xD0\xE0\xF1\xEF\xE8\xF1\xE0\xED\xE8\xE5"
              " \xE7\xE0\xED\xFF\xF2\xE8\xE9\r\n\r\n  \xE3\xF0\xF3\xEF\xEF\xE0=1");
    ASSERT_TRUE(ini.WriteString("Rasp1", "StrEnd", "x"));  // a section after the text
    EXPECT_EQ(TFileIni(hooks_, dir_).ReadSectionText("RASP1UP"), heading);

    ASSERT_TRUE(ini.WriteSectionText("Tail", {"a", ""}));
    ASSERT_TRUE(TFileIni(hooks_, dir_).WriteString("After", "k", "v"));  // after reopening
    EXPECT_EQ(TFileIni(hooks_, dir_).ReadSectionText("Tail"), (Lines{"a", ""}));

    ASSERT_TRUE(ini.WriteSectionMemo("Memo", {"one\r\ntwo\nthree"}));
    EXPECT_EQ(ini.ReadSectionStrL("Memo"), (Lines{"one", "two", "three"}));
    ASSERT_TRUE(ini.WriteSectionText("Empty", {}));
    EXPECT_TRUE(ini.ReadSectionText("Empty").empty());
}

// Catches: the old section kept or only partly dropped, the following section
// lost, the new one written in place instead of at the end, a stale duplicate.
TEST_F(SettingsFile, TextSectionRewrittenInTheMiddle) {
    put("[A]\r\nk=1\r\n[Head]\r\n_LenghtSection=2\r\nold 1\r\nold 2\r\n[B]\r\nk=2\r\n"
        "[head]\r\nstale\r\n");
    TFileIni ini(hooks_, dir_);
    ASSERT_TRUE(ini.WriteSectionText("HEAD", {"new"}));
    EXPECT_EQ(text(), "[A]\r\nk=1\r\n[B]\r\nk=2\r\n[HEAD]\r\n_LenghtSection=1\r\nnew");
    EXPECT_EQ(ini.ReadSectionText("head"), Lines{"new"});
    EXPECT_EQ(ini.ReadString("B", "k"), "2");
}

// Catches: a wrong limit without the count line, a count exceeding the section.
TEST_F(SettingsFile, TextSectionLimits) {
    put("[NoCount]\r\nl1\r\nx=y\r\n[Short]\r\n_LenghtSection=5\r\nonly\r\n[More]\r\n"
        "_LenghtSection=1\r\nfirst\r\nsecond\r\n[Bad]\r\n_LenghtSection=zz\r\nb1");
    TFileIni ini(hooks_, dir_);
    EXPECT_EQ(ini.ReadSectionText("NoCount"), (Lines{"l1", "x=y"}));
    EXPECT_EQ(ini.ReadSectionText("Short"), Lines{"only"});
    EXPECT_EQ(ini.ReadSectionText("More"), Lines{"first"});
    EXPECT_EQ(ini.ReadSectionText("Bad"), Lines{"b1"});
}

// Catches: duplicated keys listed twice, quotes in the values list, only the
// first of two same-named sections erased, a lone erase not saved.
TEST_F(SettingsFile, SectionListsAndErase) {
    put("[S]\r\nb=\"2\"\r\na=1\r\nB=3\r\n[T]\r\nx=1\r\n[s]\r\nc=4\r\n");
    TFileIni ini(hooks_, dir_);
    EXPECT_EQ(ini.ReadSection("s"), (Lines{"b", "a"}));
    EXPECT_EQ(ini.ReadSectionValues("S"), (Lines{"b=2", "a=1"}));
    EXPECT_TRUE(ini.ReadSection("none").empty());
    ASSERT_TRUE(ini.EraseSection("S"));
    EXPECT_EQ(text(), "[T]\r\nx=1\r\n");
    ASSERT_TRUE(ini.EraseSection("none"));
    EXPECT_EQ(ini.ReadSections(), Lines{"T"});
}

// Catches: wrong key names or style words, the trailing blank trimmed away,
// a non-standard colour written, keys applied when absent or invalid.
TEST_F(SettingsFile, Fonts) {
    put("");
    TFileIni ini(hooks_, dir_);
    TFontSpec font;
    font.Name = "Times New Roman";
    font.Size = 12;
    font.Bold = font.Italic = true;
    font.Color = "clRed";
    font.Charset = 204;
    ASSERT_TRUE(ini.WriteFont("Zamena", "Tabl", font));
    EXPECT_EQ(text(),
              "[Zamena]\r\nTabl.Name=Times New Roman\r\nTabl.Size=12\r\n"
              "Tabl.Style=Bold Italic \r\nTabl.Color=clRed\r\nTabl.Charset=204\r\n");
    TFontSpec back;
    TFileIni(hooks_, dir_).ReadFont("zamena", "tabl", back);
    EXPECT_EQ(back, font);

    font.Underline = font.StrikeOut = true;
    font.Bold = font.Italic = false;
    font.Color = "$00FF8040";  // no standard identifier: the old colour must go
    ASSERT_TRUE(ini.WriteFont("Zamena", "Tabl", font));
    EXPECT_EQ(text(),
              "[Zamena]\r\nTabl.Name=Times New Roman\r\nTabl.Size=12\r\n"
              "Tabl.Style=UnDer StrikeOut \r\nTabl.Charset=204\r\n");
    // Read back, the font does not take the red of the font written before.
    TFontSpec later;
    TFileIni(hooks_, dir_).ReadFont("Zamena", "Tabl", later);
    EXPECT_EQ(later.Color, TFontSpec{}.Color);
    EXPECT_TRUE(later.Underline && later.StrikeOut && !later.Bold);

    put("[E]\r\nF.Size=abc\r\nF.Style=xxboldyy\r\nF.Color=clnavy\r\nF.Charset=300\r\n"
        "[C]\r\nF.Color=purple\r\n");
    TFontSpec partial;
    partial.Name = "Arial";
    partial.Italic = true;
    ini.ReadFont("E", "F", partial);
    EXPECT_EQ(partial.Name, "Arial");
    EXPECT_EQ(partial.Size, 8);
    EXPECT_TRUE(partial.Bold);
    EXPECT_FALSE(partial.Italic);  // a present style value sets every style
    EXPECT_EQ(partial.Color, "clNavy");
    EXPECT_EQ(partial.Charset, 1);
    ini.ReadFont("C", "F", partial);
    EXPECT_EQ(partial.Color, "clNavy");
}

// Catches: a crash or lost data on binary junk, very long lines, missing "]",
// keys before any section; junk not kept byte for byte when the file is saved.
TEST_F(SettingsFile, GarbageLinesAreReadAroundAndKept) {
    std::string junk = "lost=1\r\n" + std::string("\x01\x02\0\xFF=\xFE", 6);
    junk += "\r\n[open\r\n=novalue\r\n";
    junk += "[Ok]\r\nk=1\r\n" + std::string(200000, 'z') + "\r\n;c=3\r\n[x\r\nm=2\r\n[] \r\nn=5";
    put(junk);
    TFileIni ini(hooks_, dir_);
    EXPECT_EQ(ini.ReadString("Ok", "k"), "1");
    EXPECT_EQ(ini.ReadString("Ok", "m"), "2");
    EXPECT_EQ(ini.ReadString("Ok", ";c"), "");
    EXPECT_EQ(ini.ReadString("", "n"), "5");
    EXPECT_EQ(ini.ReadSection("Ok"), (Lines{"k", "m"}));
    ASSERT_TRUE(ini.WriteString("Ok", "k", "9"));
    EXPECT_EQ(text(), std::string(junk).replace(junk.find("k=1"), 3, "k=9"));
}

// Catches: two objects on one file undoing each other's writes; a failed save
// reported as success, damaging the file, or forgotten afterwards.
TEST_F(SettingsFile, SharedFileAndFailedSaves) {
    put("[Program]\r\nEnd=OK\r\n");
    TFileIni main(hooks_, dir_), backup(hooks_, dir_);
    EXPECT_EQ(backup.ReadString("Program", "End"), "OK");
    ASSERT_TRUE(main.WriteString("Program", "End", "Start"));
    ASSERT_TRUE(backup.WriteString("CopyToArxiv", "LastDate", "42000"));
    EXPECT_EQ(main.ReadString("CopyToArxiv", "LastDate"), "42000");
    EXPECT_EQ(text(), "[Program]\r\nEnd=Start\r\n[CopyToArxiv]\r\nLastDate=42000\r\n");

    const std::string before = text();
    fs::create_directory(dir_ / "setupini.ini.new");  // the save cannot write aside
    EXPECT_FALSE(main.WriteInteger("CopyToArxiv", "X", 1));
    EXPECT_EQ(text(), before);
    EXPECT_EQ(main.ReadInteger("CopyToArxiv", "X"), 1);
    EXPECT_FALSE(main.UpdateFile());
    fs::remove(dir_ / "setupini.ini.new");
    EXPECT_TRUE(main.UpdateFile());
    EXPECT_EQ(text(), before + "X=1\r\n");

    fs::create_directory(dir_ / "dir.ini");  // exists but cannot be read as a file
    TFileIni unreadable(hooks_, dir_);
    unreadable.SetFileName("dir.ini");
    EXPECT_EQ(unreadable.ReadString("A", "b"), "");
    EXPECT_FALSE(unreadable.WriteString("A", "b", "c"));
    EXPECT_TRUE(fs::is_directory(dir_ / "dir.ini"));

    EXPECT_FALSE(main.WriteString("P", "a=b", "1"));
    EXPECT_FALSE(main.WriteString("P", "", "1"));
    EXPECT_FALSE(main.WriteString("P\nQ", "a", "1"));
    ASSERT_TRUE(main.WriteString("P", "v", "line1\nline2"));
    EXPECT_EQ(main.ReadString("P", "v"), "line1 line2");
    EXPECT_TRUE(dialog_.shown.empty());
}

}  // namespace
}  // namespace zavlin
