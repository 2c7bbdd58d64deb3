// The calendar file: TEXT escaping and line folding, the events of a group
// and of a teacher on a hand-built year (substitutions applied), and the
// whole file read back by an independent parser.
#include "export/ical.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "base/datetime.h"
#include "model/group.h"
#include "model/teacher.h"
#include "model/year_fixture.h"
#include "support/files.h"
#include "support/ical_reader.h"
#include "support/scratch_home.h"

namespace zavlin::exporting {
namespace {

namespace fs = std::filesystem;

// The physical lines of a document, without their CR LF; fails on a bare LF.
std::vector<std::string> physicalLines(const std::string& doc) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < doc.size()) {
        const std::size_t end = doc.find("\r\n", at);
        EXPECT_NE(end, std::string::npos) << "the last line lacks CR LF";
        if (end == std::string::npos) break;
        lines.push_back(doc.substr(at, end - at));
        EXPECT_EQ(lines.back().find('\n'), std::string::npos) << lines.back();
        at = end + 2;
    }
    return lines;
}

TEST(IcalText, EscapesAndFolding) {
    EXPECT_EQ(IcalText("a\\b;c,d\ne\r\nf"), "a\\\\b\\;c\\,d\\ne\\nf");
    EXPECT_EQ(IcalText("Группа: 1"), "Группа: 1");
    EXPECT_EQ(FoldIcalLine("SHORT:x"), "SHORT:x\r\n");

    // 8 ASCII octets, then two-octet letters: every physical line at most
    // 75 octets, continuation lines start with a blank, no letter is cut.
    std::string value;
    for (int i = 0; i < 100; ++i) value += "Ж";
    const std::string line = "SUMMARY:" + value;
    const std::string folded = FoldIcalLine(line);
    const std::vector<std::string> lines = physicalLines(folded);
    ASSERT_GT(lines.size(), 2u);
    std::string unfolded;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_LE(lines[i].size(), 75u) << i;
        if (i > 0) {
            ASSERT_EQ(lines[i][0], ' ');
            EXPECT_NE(static_cast<unsigned char>(lines[i][1]) & 0xC0, 0x80) << i;
        }
        unfolded += i == 0 ? lines[i] : lines[i].substr(1);
    }
    EXPECT_EQ(unfolded, line);
    // Exactly 75 octets stays on one line, 76 does not.
    EXPECT_EQ(physicalLines(FoldIcalLine(std::string(75, 'a'))).size(), 1u);
    EXPECT_EQ(physicalLines(FoldIcalLine(std::string(76, 'a'))).size(), 2u);
}

TEST(IcalDocument, ALongSubjectWithSeparatorsSurvivesAnIndependentReader) {
    const fs::path python = testsupport::pythonWithIcalendar();
    if (python.empty()) GTEST_SKIP() << "Python's icalendar module is missing (python3-icalendar)";
    testsupport::ScratchHome dir("ical");
    const std::string subject =
        "Основы алгоритмизации; программирование, отладка и тестирование программных "
        "модулей (лабораторный практикум), часть 2\\3";
    TIcalEvents events;
    const int32_t date = encodeDate(2016, 9, 12);
    events.Events.push_back({"u1@x", date, 9 * 60, 10 * 60 + 30, subject, "101, корпус 2",
                             "Иванов Иван Иванович\nзамена"});
    events.Events.push_back({"u2@x", date + 1, 7 * 60 + 15, 8 * 60 + 45, "Физика", "", ""});
    const std::string doc = IcalDocument(events, "Группа ИС-21", "20161001T101500Z");
    for (const std::string& l : physicalLines(doc)) EXPECT_LE(l.size(), 75u) << l;
    ASSERT_TRUE(testsupport::writeFile(dir.path() / "a.ics", doc));

    std::string why;
    const auto read = testsupport::readIcal(python, dir.path() / "a.ics", why);
    ASSERT_TRUE(read) << why;
    EXPECT_EQ(read->version, "2.0");
    EXPECT_FALSE(read->prodid.empty());
    ASSERT_EQ(read->events.size(), 2u);
    const auto& first = read->events[0];
    EXPECT_EQ(first.summary, subject);
    EXPECT_EQ(first.start, "2016-09-12T09:00:00");
    EXPECT_EQ(first.end, "2016-09-12T10:30:00");
    EXPECT_EQ(first.location, "101, корпус 2");
    EXPECT_EQ(first.description, "Иванов Иван Иванович\nзамена");
    EXPECT_EQ(first.uid, "u1@x");
    EXPECT_EQ(first.stamp, "2016-10-01T10:15:00+00:00");
    EXPECT_EQ(read->events[1].start, "2016-09-13T07:15:00");
    // No room, no teacher: the properties are left out, not written empty.
    EXPECT_EQ(doc.find("LOCATION:\r\n"), std::string::npos);
    EXPECT_EQ(IcalStampNow().size(), 16u);
    EXPECT_EQ(IcalStampNow().back(), 'Z');
}

class IcalEvents : public testing_year::YearFixture {
protected:
    void SetUp() override {
        YearFixture::SetUp();
        year->AllNed.SetDataGod(2016, false);
        year->TaimYrok[1].SetTn(9 * 60);
        year->TaimYrok[1].SetTd(90);
        year->TaimYrok[3].SetTn(0);  // a period the college does not use
        gr = group("ИС-1");
        math = subject(gr, 0, {0}, 3, kWeek);
        physics = subject(gr, 1, {1}, 1, kWeek);
        mathFp = math->GetLFio(kWeek)[0].get();
        physicsFp = physics->GetLFio(kWeek)[0].get();
        monday = place(math, mathFp, 1, 1);
        monday->SetAyd(room);
        tuesday = place(math, mathFp, 2, 1);
        wednesday = place(physics, physicsFp, 3, 1);
        place(math, mathFp, 4, 3);
    }

    TYr* place(TPredmet* pr, TFioPredmet* fp, int d, int y) {
        TYr* yr = year->AddYr(gr, 0, kWeek, d, y, item(gr, pr, kWeek), fp);
        EXPECT_NE(yr, nullptr) << d << " " << y;
        return yr;
    }

    std::string dayText(int d) const {
        const DateParts p = decodeDate(year->AllNed.DNed(kWeek)->Dt + d - 1);
        return fmt::format("{:04}-{:02}-{:02}", p.year, p.month, p.day);
    }

    static constexpr int kWeek = 3;
    TGryp* gr = nullptr;
    TPredmet* math = nullptr;
    TPredmet* physics = nullptr;
    TFioPredmet* mathFp = nullptr;
    TFioPredmet* physicsFp = nullptr;
    TYr* monday = nullptr;
    TYr* tuesday = nullptr;
    TYr* wednesday = nullptr;
};

TEST_F(IcalEvents, HeldLessonsOfAGroupWithSubstitutionsApplied) {
    // Tuesday's lesson cancelled, Wednesday's given by Сидоров instead.
    ASSERT_NE(tuesday->Yrok()->AddOtmena(tuesday), nullptr);
    TYrokKorzina* extra = physics->AddPredmetNe(kSetkaZamena, kWeek, physicsFp);
    ASSERT_NE(extra, nullptr);
    ASSERT_NE(wednesday->Yrok()->AddZamena(wednesday, extra, nullptr, fios[2], physicsFp), nullptr);

    const TIcalEvents got = GroupIcalEvents(*year, *gr, {kWeek, 53, 0});
    EXPECT_EQ(got.WithoutTime, 1);
    ASSERT_EQ(got.Events.size(), 2u);
    const TIcalEvent& m = got.Events[0];
    EXPECT_EQ(m.Date, year->AllNed.DNed(kWeek)->Dt);
    EXPECT_EQ(m.Start, 9 * 60);
    EXPECT_EQ(m.End, 10 * 60 + 30);
    EXPECT_EQ(m.Summary, "Матем");
    EXPECT_EQ(m.Location, "101");
    EXPECT_EQ(m.Description, fios[0]->BigName());
    const TIcalEvent& w = got.Events[1];
    EXPECT_EQ(w.Date, m.Date + 2);
    EXPECT_EQ(w.Summary, "Физика");
    EXPECT_EQ(w.Description, fios[2]->BigName() + " (замена)");
    EXPECT_NE(m.Uid, w.Uid);
    // The same timetable gives the same identities.
    EXPECT_EQ(GroupIcalEvents(*year, *gr, {kWeek}).Events[1].Uid, w.Uid);

    // The replaced teacher loses the lesson, the substitute has it.
    EXPECT_TRUE(TeacherIcalEvents(*year, *fios[1], {kWeek}).Events.empty());
    const TIcalEvents sub = TeacherIcalEvents(*year, *fios[2], {kWeek});
    ASSERT_EQ(sub.Events.size(), 1u);
    EXPECT_EQ(sub.Events[0].Summary, "Физика (ИС-1)");
    EXPECT_EQ(sub.Events[0].Date, w.Date);
    const TIcalEvents ivanov = TeacherIcalEvents(*year, *fios[0], {kWeek});
    EXPECT_EQ(ivanov.Events.size(), 1u);
    EXPECT_EQ(ivanov.WithoutTime, 1);
}

TEST_F(IcalEvents, LessonsWithoutALengthOrADateAreLeftOutAndCountedApart) {
    // A start without a length would end the event where it starts.
    year->TaimYrok[1].SetTd(0);
    TIcalEvents got = GroupIcalEvents(*year, *gr, {kWeek});
    EXPECT_TRUE(got.Events.empty());
    EXPECT_EQ(got.WithoutTime, 4);
    EXPECT_EQ(got.WithoutDate, 0);
    EXPECT_EQ(TeacherIcalEvents(*year, *fios[0], {kWeek}).WithoutTime, 3);

    // A lesson that would run past midnight has no end on its day either.
    year->TaimYrok[1].SetTn(23 * 60);
    year->TaimYrok[1].SetTd(90);
    EXPECT_EQ(GroupIcalEvents(*year, *gr, {kWeek}).WithoutTime, 4);

    // A week whose dates are not set: the lessons are counted as such.
    year->TaimYrok[1].SetTn(9 * 60);
    year->AllNed.DNed(kWeek)->Dt = 0;
    got = GroupIcalEvents(*year, *gr, {kWeek});
    EXPECT_TRUE(got.Events.empty());
    EXPECT_EQ(got.WithoutDate, 4);
    EXPECT_EQ(got.WithoutTime, 0);
}

TEST_F(IcalEvents, AUnionIsOneEventOfTheTeacher) {
    TGryp* other = group("ИС-2");
    TPredmet* math2 = subject(other, 0, {0}, 1, kWeek);
    auto ob = std::make_unique<TOb>(kWeek, 0);
    ob->LFioPredmet = {mathFp, math2->GetLFio(kWeek)[0].get()};
    ASSERT_GE(year->AddOb(std::move(ob), true), 0);
    TYr* joint = year->AddYr(other, 0, kWeek, 1, 1, item(other, math2, kWeek),
                             math2->GetLFio(kWeek)[0].get());
    ASSERT_NE(joint, nullptr);
    joint->SetAyd(room);

    const TIcalEvents got = TeacherIcalEvents(*year, *fios[0], {kWeek});
    ASSERT_EQ(got.Events.size(), 2u);  // Monday (joint) and Tuesday
    EXPECT_EQ(got.Events[0].Summary, "Матем (ИС-1, ИС-2)");
    EXPECT_EQ(got.Events[0].Location, "101");
    EXPECT_EQ(got.Events[1].Summary, "Матем (ИС-1)");
    EXPECT_EQ(got.Events[1].Date, got.Events[0].Date + 1);
    std::set<std::string> uids;
    for (const TIcalEvent& e : got.Events) uids.insert(e.Uid);
    EXPECT_EQ(uids.size(), got.Events.size());

    // Read back: the group's calendar as a parser sees it.
    const fs::path python = testsupport::pythonWithIcalendar();
    if (python.empty()) GTEST_SKIP() << "Python's icalendar module is missing (python3-icalendar)";
    const fs::path file = scratch.path() / "g.ics";
    std::string message;
    ASSERT_TRUE(SaveIcal(
        file, IcalDocument(GroupIcalEvents(*year, *gr, {kWeek}), "ИС-1", IcalStampNow()), message))
        << message;
    std::string why;
    const auto read = testsupport::readIcal(python, file, why);
    ASSERT_TRUE(read) << why;
    ASSERT_EQ(read->events.size(), 3u);
    EXPECT_EQ(read->events[0].start, dayText(1) + "T09:00:00");
    EXPECT_EQ(read->events[1].start, dayText(2) + "T09:00:00");
    EXPECT_EQ(read->events[2].end, dayText(3) + "T10:30:00");
}

}  // namespace
}  // namespace zavlin::exporting
