// The composition's switches as the dispatcher writes them in the home's
// "Zavlin98.ini": what each key sets, and that nothing a typo can do stops a
// composition or switches a step the dispatcher did not name.
#include "composition/sos_options.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <tuple>

#include "support/scratch_home.h"

namespace zavlin {
namespace {

// Every field, so that a comparison names the one that differs.
auto fields(const TSosOptions& o) {
    return std::make_tuple(o.Repair, o.RepairDepth, o.RepairNodes, o.RepairPatience, o.Recompose,
                           o.PolishHoles, o.ChainInWindow, o.NoMoveBack, o.PolishTeacherHoles,
                           o.LocalSweeps, o.ResumeSweeps, o.TeacherHolesAnyDay, o.SkipUnchanged,
                           o.Threads);
}

// What the file gives when it says nothing: the run's defaults, but a
// search on every core.
TSosOptions fileDefaults() {
    TSosOptions o;
    o.Threads = 0;
    return o;
}

class SosOptionsFile : public ::testing::Test {
protected:
    void write(const std::string& text) {
        std::ofstream out(home.path() / "Zavlin98.ini", std::ios::binary | std::ios::trunc);
        out << text;
    }
    TSosOptions read() { return ReadSosOptions(home.path()); }
    testsupport::ScratchHome home{"sos_options"};
};

TEST_F(SosOptionsFile, NoFileNoSectionOrAnEmptySectionKeepTheDefaults) {
    ASSERT_FALSE(home.empty());
    EXPECT_EQ(fields(read()), fields(fileDefaults())) << "no file";
    write("[Program]\r\nEnd=OK\r\n");
    EXPECT_EQ(fields(read()), fields(fileDefaults())) << "no section";
    write("[Composition]\r\n[Program]\r\nRepair=0\r\n");
    EXPECT_EQ(fields(read()), fields(fileDefaults())) << "the key belongs to another section";
}

// Catches: a key read into the wrong field, a value read as a flag where a
// number is meant, a key that switches another on its way.
TEST_F(SosOptionsFile, EachKeySetsItsOwnFieldAlone) {
    struct Case {
        std::string line;
        void (*expect)(TSosOptions&);
    };
    const Case cases[] = {
        {"Repair=0", [](TSosOptions& o) { o.Repair = false; }},
        {"RepairDepth=5", [](TSosOptions& o) { o.RepairDepth = 5; }},
        {"RepairNodes=1234", [](TSosOptions& o) { o.RepairNodes = 1234; }},
        {"RepairPatience=0", [](TSosOptions& o) { o.RepairPatience = 0; }},
        {"Recompose=0", [](TSosOptions& o) { o.Recompose = false; }},
        {"PolishHoles=0", [](TSosOptions& o) { o.PolishHoles = false; }},
        {"ChainInWindow=0", [](TSosOptions& o) { o.ChainInWindow = false; }},
        {"NoMoveBack=0", [](TSosOptions& o) { o.NoMoveBack = false; }},
        {"PolishTeacherHoles=0", [](TSosOptions& o) { o.PolishTeacherHoles = false; }},
        {"LocalSweeps=0", [](TSosOptions& o) { o.LocalSweeps = false; }},
        {"ResumeSweeps=0", [](TSosOptions& o) { o.ResumeSweeps = false; }},
        {"TeacherHolesAnyDay=0", [](TSosOptions& o) { o.TeacherHolesAnyDay = false; }},
        {"SkipUnchanged=0", [](TSosOptions& o) { o.SkipUnchanged = false; }},
        {"Threads=3", [](TSosOptions& o) { o.Threads = 3; }},
        {"Threads=1", [](TSosOptions& o) { o.Threads = 1; }},
        {"Threads=0", [](TSosOptions&) {}},
        {"repairdepth = 2 ", [](TSosOptions& o) { o.RepairDepth = 2; }},
        {"Exact=0", [](TSosOptions&) {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        write("; the dispatcher's choice\r\n[Composition]\r\n" + c.line + "\r\n");
        TSosOptions expected = fileDefaults();
        c.expect(expected);
        EXPECT_EQ(fields(read()), fields(expected));
    }
    // Whatever the defaults, the keys switch every step on (LF line ends too).
    write(
        "[Composition]\nRepair=1\nPolishHoles=1\nChainInWindow=1\n"
        "NoMoveBack=1\nPolishTeacherHoles=1\nLocalSweeps=1\nResumeSweeps=1\n"
        "TeacherHolesAnyDay=1\nSkipUnchanged=1\n");
    const TSosOptions on = read();
    EXPECT_TRUE(on.Repair && on.PolishHoles && on.ChainInWindow && on.NoMoveBack &&
                on.PolishTeacherHoles && on.LocalSweeps && on.ResumeSweeps &&
                on.TeacherHolesAnyDay && on.SkipUnchanged);
}

TEST_F(SosOptionsFile, ExactOverridesEveryOtherKey) {
    write("[Composition]\r\nRepair=1\r\nPolishHoles=1\r\nExact=1\r\nRepairDepth=4\r\n");
    EXPECT_EQ(fields(read()), fields(TSosOptions::Exact()));
    write("[Composition]\r\nExact=$1\r\n");
    EXPECT_EQ(fields(read()), fields(TSosOptions::Exact())) << "the file's hexadecimal spelling";
}

// Catches: a typo refusing the composition, reading a partial number, a
// flag taken as on for any non-zero value, a count out of range accepted.
TEST_F(SosOptionsFile, ABadValueKeepsTheDefault) {
    for (const std::string line :
         {"Repair=yes", "Repair=2", "Repair=-1", "PolishHoles=", "NoMoveBack=0x", "RepairDepth=0",
          "RepairDepth=1e3", "RepairNodes=-5", "RepairNodes=12abc", "RepairDepth=100000",
          "ChainInWindow=1 0", "Exact=2", "Exact=true", "Threads=-1", "Threads=65"}) {
        SCOPED_TRACE(line);
        write("[Composition]\r\n" + line + "\r\n");
        EXPECT_EQ(fields(read()), fields(fileDefaults()));
    }
    // One bad key leaves its neighbours read.
    write("[Composition]\r\nRepair=oops\r\nNoMoveBack=0\r\n");
    TSosOptions expected = fileDefaults();
    expected.NoMoveBack = false;
    EXPECT_EQ(fields(read()), fields(expected));
}

TEST_F(SosOptionsFile, AFileThatCannotBeReadKeepsTheDefaults) {
    ASSERT_FALSE(home.empty());
    std::filesystem::create_directory(home.path() / "Zavlin98.ini");
    EXPECT_EQ(fields(read()), fields(fileDefaults()));
}

}  // namespace
}  // namespace zavlin
