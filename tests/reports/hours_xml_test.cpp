// The teacher's accounting file: its elements read back, and the question
// before an existing file is replaced.
#include "export/hours_xml.h"

#include <gtest/gtest.h>

#include <fstream>

#include "export/xml_document.h"
#include "model/year_fixture.h"

namespace zavlin {
namespace {

class HoursXml : public testing_year::YearFixture {
protected:
    void SetUp() override {
        YearFixture::SetUp();
        year->AllNed.SetDataGod(2016, false);
        TGryp* a = group("ИС-11");
        a->SetDateSemm2(0);
        TPredmet* pr = subject(a, 0, {0}, 2, 3);
        a->GetNed(3)->AddYrokRas(0, 1, 0, item(a, pr, 3));
        file = scratch.path() / "teacher.xml";
    }

    std::string read() {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::filesystem::path file;
};

TEST_F(HoursXml, TheFileHoldsEachGroupsLessonsWithTheirFigures) {
    std::string message;
    reports::TAccountOptions o;
    o.toDate = encodeDate(2016, 12, 1);
    ASSERT_TRUE(exporting::SaveTeacherHoursXml(file, *year, *fios[0], o, dialog, message))
        << message;
    EXPECT_TRUE(dialog.asked.empty());  // a new file asks nothing

    TXMLCreater doc;
    ASSERT_TRUE(doc.LoadFromFile(file)) << doc.LastError();
    ASSERT_NE(doc.MainXMLObject(), nullptr);
    EXPECT_EQ(doc.MainXMLObject()->Name(), "Teachers");
    TXMLObject* headr = doc.MainXMLObject()->FindXMLObject("Headr");
    ASSERT_NE(headr, nullptr);
    EXPECT_EQ(headr->FindXMLField("LastDate")->asString(), "01.12.2016");
    TXMLObject* teacher =
        doc.MainXMLObject()->FindXMLObject("Teacher", "Name", "Иванов Иван Иванович");
    ASSERT_NE(teacher, nullptr);
    TXMLObject* grp = teacher->FindXMLObject("Group", "Name", "ИС-11");
    ASSERT_NE(grp, nullptr);
    TXMLObject* lesson = grp->FindXMLObject("Lesson", "Name", "Матем");
    ASSERT_NE(lesson, nullptr);
    TXMLObject* sem1 = lesson->FindXMLObject("Semester1");
    ASSERT_NE(sem1, nullptr);
    EXPECT_EQ(sem1->FindXMLField("CountGroup")->asString(), "2");
    EXPECT_EQ(sem1->FindXMLField("CountTeacher")->asString(), "2");
    EXPECT_EQ(sem1->FindXMLField("LengthTime")->asString(), "2");  // one lesson, two hours
    ASSERT_NE(lesson->FindXMLObject("Year"), nullptr);
    EXPECT_EQ(lesson->FindXMLObject("Year")->FindXMLField("CountTeacher")->asString(), "2");
    ASSERT_NE(lesson->FindXMLObject("Semester2"), nullptr);
}

TEST_F(HoursXml, AnExistingFileIsReplacedOnlyWhenTheUserAgrees) {
    { std::ofstream(file) << "old"; }
    std::string message;
    dialog.queue(false);
    EXPECT_FALSE(exporting::SaveTeacherHoursXml(file, *year, *fios[0], {}, dialog, message));
    EXPECT_TRUE(message.empty());
    ASSERT_EQ(dialog.asked.size(), 1U);
    EXPECT_EQ(dialog.asked[0], "Файл существует. Заменить? \r\n" + file.string());
    EXPECT_EQ(read(), "old");

    dialog.queue(true);
    EXPECT_TRUE(exporting::SaveTeacherHoursXml(file, *year, *fios[0], {}, dialog, message));
    EXPECT_NE(read().find("<Teachers"), std::string::npos);

    // A folder that does not exist: reported, not claimed done.
    EXPECT_FALSE(exporting::SaveTeacherHoursXml(scratch.path() / "no" / "t.xml", *year, *fios[0],
                                                {}, dialog, message));
    EXPECT_FALSE(message.empty());
}

}  // namespace
}  // namespace zavlin
