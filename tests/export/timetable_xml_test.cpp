// The timetable written as XML: the whole document of the XML file export and
// the web form for a tiny year, and the cases where elements must be left out.
#include "export/timetable_xml.h"

#include <gtest/gtest.h>

#include <string>

#include "export/xml_export.h"
#include "export_year_fixture.h"

namespace zavlin::exporting {
namespace {

using TimetableXml = testing_export::TinyYear;

std::string text(TXMLCreater& doc) {
    std::string out;
    EXPECT_TRUE(doc.SaveToAnsiString(out));
    std::string lf;
    for (char c : out)
        if (c != '\r') lf += c;
    return lf;
}

TEST_F(TimetableXml, TheWholeDocumentOfATinyYear) {
    build();
    TXMLCreater doc;
    doc.SetEncoding("utf-8");
    BuildZavlinXml(doc, *year, "Автор А.А.", "zavlin");
    const std::string week1 = year->AllNed.DNed(1)->GetShortStrDateNed();
    // The lists first, in their order, each moved before "LDNed"; the
    // substitution carries the index of the lesson it replaces; the lesson
    // of the union names it where both groups meet; the union's single
    // lesson in a period writes no "Ob".
    const std::string expected =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
        "<YhZav>\n"
        "<ProgName>zavlin</ProgName>\n"
        "<UserName>Автор А.А.</UserName>\n"
        "<ProgVers>1</ProgVers>\n"
        "<VersFile>1</VersFile>\n"
        "<Year>2016</Year>\n"
        "<LPredmetName>\n"
        "<PredmetName I=\"1\" Name=\"Матем\">\n</PredmetName>\n"
        "<PredmetName I=\"2\" Name=\"Физика\">\n</PredmetName>\n"
        "</LPredmetName>\n"
        "<LFioName>\n"
        "<Fio I=\"1\" Name=\"Иванов И.И.\">\n</Fio>\n"
        "<Fio I=\"2\" Name=\"Петров П.П.\">\n</Fio>\n"
        "</LFioName>\n"
        "<LDomName>\n"
        "<DomName I=\"1\" Name=\"Главный\">\n</DomName>\n"
        "</LDomName>\n"
        "<LAydName>\n"
        "<AydName I=\"1\" Name=\"101\" Dom_I=\"1\">\n</AydName>\n"
        "</LAydName>\n"
        "<LАtrName>\n"
        "<AtrName I=\"1\" Name=\"Экзамен\">\n</AtrName>\n"
        "</LАtrName>\n"
        "<LGrypName>\n"
        "<GrypName I=\"1\" Name=\"Г-1\">\n"
        "<LPrGryp>\n"
        "<PrGryp I=\"1\" PredmetName_I=\"1\" GN=\"0\">\n</PrGryp>\n"
        "</LPrGryp>\n"
        "</GrypName>\n"
        "<GrypName I=\"2\" Name=\"Г-2\">\n"
        "<LPrGryp>\n"
        "<PrGryp I=\"1\" PredmetName_I=\"1\" GN=\"0\">\n</PrGryp>\n"
        "</LPrGryp>\n"
        "</GrypName>\n"
        "</LGrypName>\n"
        "<LDNed>\n"
        "<DNed N=\"1\">\n"
        "<Dt>29.08.2016</Dt>\n"
        "<Date>" +
        week1 +
        "</Date>\n"
        "<LGryp>\n"
        "<Gryp I=\"1\">\n"
        "<Ne>\n"
        "<Day N=\"1\">\n"
        "<Yrok N=\"0\">\n"
        "<Yr I=\"1\" Pr_I=\"1\" Pr_Tip=\"0\" Fio_I=\"1\" PFio_I=\"1\" Del=\"0\" RazN=\"0\" "
        "NYrName=\"0\" CFio=\"1\">\n"
        "</Yr>\n"
        "<Zm I=\"2\" Pr_I=\"2\" Pr_Tip=\"0\" Fio_I=\"2\" PFio_I=\"1\" Del=\"0\" RazN=\"0\" "
        "NYrName=\"0\" CFio=\"1\">\n"
        "<Ayd Dom=\"1\" I=\"1\">\n</Ayd>\n"
        "<Yr I=\"1\">\n</Yr>\n"
        "</Zm>\n"
        "</Yrok>\n"
        "</Day>\n"
        "<Day N=\"2\">\n"
        "<Yrok N=\"1\">\n"
        "<Yr I=\"1\" Pr_I=\"1\" Pr_Tip=\"0\" Fio_I=\"1\" PFio_I=\"1\" Del=\"0\" RazN=\"0\" "
        "NYrName=\"0\" ObN=\"1\" CFio=\"1\">\n"
        "</Yr>\n"
        "</Yrok>\n"
        "</Day>\n"
        "</Ne>\n"
        "<En>\n"
        "<EDey N=\"4\">\n"
        "<Ekz PredmetName_I=\"1\" FioName_I=\"1\" Ch=\"400\">\n"
        "<Atr>1</Atr>\n"
        "</Ekz>\n"
        "</EDey>\n"
        "</En>\n"
        "</Gryp>\n"
        "<Gryp I=\"2\">\n"
        "<Ne>\n"
        "<Day N=\"2\">\n"
        "<Yrok N=\"1\">\n"
        "<Yr I=\"1\" Pr_I=\"1\" Pr_Tip=\"0\" Fio_I=\"1\" PFio_I=\"1\" Del=\"0\" RazN=\"0\" "
        "NYrName=\"0\" ObN=\"1\" CFio=\"1\">\n"
        "</Yr>\n"
        "</Yrok>\n"
        "</Day>\n"
        "<Day N=\"3\">\n"
        "<Yrok N=\"0\">\n"
        "<Yr I=\"1\" Pr_I=\"1\" Pr_Tip=\"0\" Fio_I=\"1\" PFio_I=\"1\" Del=\"0\" RazN=\"0\" "
        "NYrName=\"0\" CFio=\"1\">\n"
        "</Yr>\n"
        "</Yrok>\n"
        "</Day>\n"
        "</Ne>\n"
        "</Gryp>\n"
        "</LGryp>\n"
        "<LOb>\n"
        "<Ob Day=\"2\" Yrok=\"1\">\n"
        "<LGryp>\n"
        "<Gryp Gryp_I=\"1\" Yr_I=\"1\">\n</Gryp>\n"
        "<Gryp Gryp_I=\"2\" Yr_I=\"1\">\n</Gryp>\n"
        "</LGryp>\n"
        "</Ob>\n"
        "</LOb>\n"
        "</DNed>\n"
        "</LDNed>\n"
        "</YhZav>\n";
    EXPECT_EQ(text(doc), expected);

    // The list of attributes is found under its Cyrillic name only.
    ASSERT_NE(doc.MainXMLObject()->FindXMLObject("L\xD0\x90trName"), nullptr);
    EXPECT_EQ(doc.MainXMLObject()->FindXMLObject("LAtrName"), nullptr);
}

TEST_F(TimetableXml, TheWebFormWithAndWithoutSubstitutions) {
    build();
    TXMLCreater doc;
    doc.SetEncoding("utf-8");
    BuildWebXml(doc, *year, 1, true, true, true);
    const std::string week1 = year->AllNed.DNed(1)->GetShortStrDateNed();
    const std::string head =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
        "<YhZav>\n"
        "<Year>2016</Year>\n"
        "<Week>1</Week>\n";
    const std::string g2 =
        "<Group Name=\"Г-2\">\n"
        "<Timetable>\n"
        "<Day N=\"2\">\n<Lesson N=\"1\">\n<Part N=\"1\">\n"
        "<Name>Математика</Name>\n<Teacher>Иванов Иван Иванович</Teacher>\n"
        "</Part>\n</Lesson>\n</Day>\n"
        "<Day N=\"3\">\n<Lesson N=\"0\">\n<Part N=\"1\">\n"
        "<Name>Математика</Name>\n<Teacher>Иванов Иван Иванович</Teacher>\n"
        "</Part>\n</Lesson>\n</Day>\n"
        "</Timetable>\n"
        "</Group>\n";
    const std::string day2 =
        "<Day N=\"2\">\n<Lesson N=\"1\">\n<Part N=\"1\">\n"
        "<Name>Математика</Name>\n<Teacher>Иванов Иван Иванович</Teacher>\n"
        "</Part>\n</Lesson>\n</Day>\n";
    EXPECT_EQ(text(doc), head +
                             "<Numerator>1</Numerator>\n"
                             "<Monday>29.08.2016</Monday>\n"
                             "<Work>" +
                             week1 +
                             "</Work>\n"
                             "<ListGroup>\n"
                             "<Group Name=\"Г-1\">\n"
                             "<Timetable>\n"
                             "<Day N=\"1\">\n<Lesson N=\"0\">\n"
                             "<Part N=\"1\" Status=\"Заменён\">\n"
                             "<Name>Математика</Name>\n<Teacher>Иванов Иван Иванович</Teacher>\n"
                             "</Part>\n"
                             "<Part N=\"1\" Status=\"Замена\">\n"
                             "<Name>Физика</Name>\n<Teacher>Петров Пётр Петрович</Teacher>\n"
                             "<Auditorium>\n<Number>101</Number>\n<Building>Главный</Building>\n"
                             "</Auditorium>\n"
                             "</Part>\n"
                             "</Lesson>\n</Day>\n" +
                             day2 +
                             "</Timetable>\n"
                             "</Group>\n" +
                             g2 +
                             "<Group Name=\"Г-3\">\n</Group>\n"
                             "</ListGroup>\n"
                             "</YhZav>\n");

    // Without substitutions the replaced lesson is shown as planned.
    BuildWebXml(doc, *year, 1, false, false, false);
    const std::string plain = text(doc);
    EXPECT_NE(plain.find("<Numerator>0</Numerator>"), std::string::npos);
    EXPECT_EQ(plain.find("Status"), std::string::npos);
    EXPECT_EQ(plain.find("Физика"), std::string::npos);
    EXPECT_NE(plain.find("<Day N=\"1\">\n<Lesson N=\"0\">\n<Part N=\"1\">\n<Name>Математика"),
              std::string::npos);
}

TEST_F(TimetableXml, AdditionalLessonsAndCancellationsInTheWebForm) {
    build();
    TGryp* gr = year->LGryp[0].get();
    TNed* week = gr->GetNed(1);
    // An additional lesson with an attribute in period 4 of Tuesday, and a
    // cancellation of Wednesday's... (Г-1 has none: cancel Tuesday's lesson).
    TPredmet* math = gr->LPredmet[0].get();
    TFioPredmet* fp = math->GetLFio(1)[0].get();
    TYrokKorzina* dop = math->AddPredmetNe(kSetkaDop, 1, fp);
    ASSERT_NE(dop, nullptr);
    TYr* extra = week->AddYrRas(0, 2, 4, dop, fp);
    ASSERT_NE(extra, nullptr);
    extra->Dan.NAt = TAtribyt::kKonsyltacia;
    ASSERT_NE(week->GetYrok(0, 2, 1)->AddOtmena(), nullptr);

    TXMLCreater doc;
    doc.SetEncoding("utf-8");
    BuildWebXml(doc, *year, 1, false, true, true);
    const std::string all = text(doc);
    EXPECT_NE(all.find("<Lesson N=\"1\">\n"
                       "<Part N=\"1\" Status=\"Заменён\">\n"
                       "<Name>Математика</Name>\n<Teacher>Иванов Иван Иванович</Teacher>\n"
                       "</Part>\n"
                       "<Part N=\"1\" Status=\"Замена\">\n"
                       "<Teacher>Отменен</Teacher>\n"
                       "</Part>\n"),
              std::string::npos)
        << all;
    EXPECT_NE(all.find("<Lesson N=\"4\">\n"
                       "<Part N=\"1\" Status=\"Назначен дополнительно\" Attribute=\"" +
                       year->Atribyt.AtrName(TAtribyt::kKonsyltacia) + "\">\n"),
              std::string::npos)
        << all;

    // The additional lesson is left out unless asked for; its period stays
    // as an empty lesson.
    BuildWebXml(doc, *year, 1, false, true, false);
    EXPECT_EQ(text(doc).find("Назначен дополнительно"), std::string::npos);

    // In the file export it is a "Dp" with the attribute's position.
    BuildZavlinXml(doc, *year, "А Б.В.", "zavlin");
    const std::string file = text(doc);
    EXPECT_NE(file.find("<Dp I=\"1\""), std::string::npos);
    EXPECT_NE(file.find("<AtrName I=\"1\" Name=\"" + year->Atribyt.AtrName(TAtribyt::kKonsyltacia) +
                        "\">"),
              std::string::npos);
}

TEST_F(TimetableXml, WhatTheFileExportLeavesOut) {
    build();
    TXMLCreater doc;

    // No active week: only the fields of the root.
    year->AllNed.DNed(1)->Activ = false;
    BuildZavlinXml(doc, *year, "А Б.В.", "zavlin");
    TXMLObject* root = doc.MainXMLObject();
    EXPECT_EQ(root->CountLXMLObject(), 0);
    EXPECT_EQ(root->CountLXMLField(), 5);

    // Week 2 active: no group has it, so it has no "LGryp"; week 1's group
    // Г-3 (neither week nor examinations) is left out.
    year->AllNed.DNed(1)->Activ = true;
    year->AllNed.DNed(2)->Activ = true;
    BuildZavlinXml(doc, *year, "А Б.В.", "zavlin");
    root = doc.MainXMLObject();
    const TXMLObject* ldned = root->XMLObject(root->CountLXMLObject() - 1);
    ASSERT_EQ(ldned->Name(), "LDNed");
    ASSERT_EQ(ldned->CountLXMLObject(), 2);
    EXPECT_EQ(ldned->XMLObject(1)->FindXMLObject("LGryp"), nullptr);
    EXPECT_EQ(ldned->XMLObject(0)->FindXMLObject("LGryp")->CountLXMLObject(), 2);
    const TXMLObject* names = root->FindXMLObject("LGrypName");
    ASSERT_NE(names, nullptr);
    EXPECT_EQ(names->CountLXMLObject(), 2);
    EXPECT_EQ(names->FindXMLObject("GrypName", "Name", "Г-3"), nullptr);

    // Weeks 53-56 have no Monday date.
    TXMLObject dn(nullptr, nullptr, "DNed");
    DNedFieldToXML(*year->AllNed.DNed(54), dn);
    EXPECT_EQ(dn.FindXMLField("Dt"), nullptr);
    EXPECT_NE(dn.FindXMLField("Date"), nullptr);
    BuildWebXml(doc, *year, 53, false, false, false);
    EXPECT_EQ(doc.MainXMLObject()->FindXMLField("Monday"), nullptr);
    BuildWebXml(doc, *year, 52, false, false, false);
    EXPECT_NE(doc.MainXMLObject()->FindXMLField("Monday"), nullptr);
}

TEST_F(TimetableXml, ARoomWithoutItsBuildingInTheListIsOfBuildingOne) {
    build();
    TXmlNameLists lists;
    // Rooms of two buildings: "I" counts within the building.
    TDom* other = year->AddDom("Второй");
    TAyd* r2 = year->AddAyd(other, "201");
    TAyd* r3 = year->AddAyd(other, "202");
    ASSERT_NE(r3, nullptr);
    EXPECT_EQ(lists.Ayd(r2), 1);
    EXPECT_EQ(lists.Ayd(room), 2);
    EXPECT_EQ(lists.Ayd(r3), 3);
    EXPECT_EQ(lists.AydInDom(r3), 2);
    EXPECT_EQ(lists.AydInDom(room), 1);
    EXPECT_EQ(lists.Dom(room->Dom()), 2);

    // The file export: a room whose building is none of the list.
    TAyd* bare = year->CreateAyd(nullptr, "B1");
    ASSERT_NE(bare, nullptr);
    year->LGryp[1]->GetNed(1)->GetYrok(0, 3, 0)->LYr[0]->SetAyd(bare);
    TXMLCreater doc;
    BuildZavlinXml(doc, *year, "А Б.В.", "zavlin");
    const TXMLObject* rooms = doc.MainXMLObject()->FindXMLObject("LAydName");
    ASSERT_NE(rooms, nullptr);
    const TXMLObject* b1 = rooms->FindXMLObject("AydName", "Name", "B1");
    ASSERT_NE(b1, nullptr);
    EXPECT_EQ(b1->FindXMLAtr("Dom_I")->asString(), "1");
}

// A week as the curriculum server sends it: the lists, then the group's load
// items with their teachers and lessons.
const char* const kServerWeek =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n"
    "<Raspisanie Year=\"2016\">\n"
    "<LDom>\n<Dom FN=\"1\" Name=\"Главный\">\n</Dom>\n</LDom>\n"
    "<LAyd>\n<Ayd FN=\"5\" DomFN=\"1\" Name=\"101\">\n</Ayd>\n</LAyd>\n"
    "<LPredmet>\n"
    "<Predmet FN=\"7\" tip=\"TPredmet\" SName=\"Матем\" LName=\"Математика\">\n</Predmet>\n"
    "<Predmet FN=\"8\" tip=\"TPredmet\" SName=\"Химия\" LName=\"Химия\">\n</Predmet>\n"
    "</LPredmet>\n"
    "<LFio>\n"
    "<Fio FN=\"21\" Name=\"Иванов Иван Иванович\">\n</Fio>\n"
    "<Fio FN=\"22\" Name=\"Петров Пётр Петрович\">\n</Fio>\n"
    "<Fio FN=\"30\" Name=\"Сидоров Сидор Сидорович\">\n</Fio>\n"
    "</LFio>\n"
    "<LGryp>\n"
    "<Gryp Name=\"Г-3\">\n<LWeek>\n<Week FN=\"2\">\n<LPrKrz>\n"
    "<Krz PredmetFN=\"7\" ClassN=\"0\" Del=\"0\" PrZavlinFN=\"99\">\n"
    "<Fio FioFN=\"21\" CountYr=\"3\">\n"
    "<Yr Day=\"1\" Para=\"0\" FN=\"1\" Dom=\"1\" Ayd=\"5\">\n</Yr>\n"
    "<Yr Day=\"2\" Para=\"0\" FN=\"2\" ObN=\"1\">\n</Yr>\n"
    "<Yr Day=\"3\" Para=\"0\" FN=\"3\">\n<Ot>\n</Ot>\n</Yr>\n"
    "</Fio>\n"
    "<Fio FioFN=\"22\" CountYr=\"2\" CountZm=\"1\">\n"
    "<Yr Day=\"4\" Para=\"0\" FN=\"4\">\n</Yr>\n"
    "<Zm Day=\"1\" Para=\"0\" Dom=\"1\" Ayd=\"5\">\n<Yr FN=\"1\">\n</Yr>\n</Zm>\n"
    "</Fio>\n"
    "</Krz>\n"
    "<Krz PredmetFN=\"8\" ClassN=\"0\" Del=\"0\" PrZavlinFN=\"98\">\n"
    "<Fio FioFN=\"21\" CountYr=\"1\">\n</Fio>\n"
    "</Krz>\n"
    "</LPrKrz>\n</Week>\n</LWeek>\n</Gryp>\n"
    "<Gryp Name=\"Г-2\">\n<LWeek>\n<Week FN=\"2\">\n<LPrKrz>\n"
    "<Krz PredmetFN=\"7\" ClassN=\"0\" Del=\"0\" PrZavlinFN=\"99\">\n"
    "<Fio FioFN=\"21\" CountYr=\"1\">\n"
    "<Yr Day=\"2\" Para=\"0\" FN=\"1\" ObN=\"1\">\n</Yr>\n"
    "</Fio>\n</Krz>\n</LPrKrz>\n</Week>\n</LWeek>\n</Gryp>\n"
    "<Gryp Name=\"Г-9\">\n</Gryp>\n"
    "</LGryp>\n"
    "</Raspisanie>\n";

TEST_F(TimetableXml, AGroupsWeekFromTheServer) {
    build();
    TXMLCreater doc;
    ASSERT_TRUE(doc.LoadFromAnsiString(kServerWeek)) << doc.LastError();
    const TXMLObject* root = doc.MainXMLObject();
    std::map<std::tuple<int, std::string, std::string>, std::vector<TFioPredmet*>> unions;
    TServerLists lists{root->FindXMLObject("LPredmet"), root->FindXMLObject("LFio"),
                       root->FindXMLObject("LDom"), root->FindXMLObject("LAyd"), &unions};
    const TXMLObject* groups = root->FindXMLObject("LGryp");

    // Teachers: found by full name, or made and stored with the server's number.
    const int teachers = year->CountFio();
    const TXMLObject* fios = lists.vLFi;
    EXPECT_EQ(ReadRaspFioFromXML(*year, *fios->XMLObject(0)),
              year->FindFioForBigName("Иванов Иван Иванович"));
    TFio* sidorov = ReadRaspFioFromXML(*year, *fios->XMLObject(2));
    ASSERT_NE(sidorov, nullptr);
    EXPECT_EQ(year->CountFio(), teachers + 1);
    EXPECT_EQ(sidorov->GN, 30);
    EXPECT_NE(sidorov->N, 0);
    EXPECT_EQ(sidorov->Name(), "Сидоров С.С.");

    EXPECT_EQ(ReadRaspGrypFromXML(*year, *groups->XMLObject(2), lists),
              "Отсутствует план группы :Г-9");
    ASSERT_EQ(ReadRaspGrypFromXML(*year, *groups->XMLObject(0), lists), "");
    // Г-3's lesson of the union waits for Г-2's.
    EXPECT_TRUE(year->GetLOb(2).empty());
    ASSERT_EQ(ReadRaspGrypFromXML(*year, *groups->XMLObject(1), lists), "");

    TGryp* g3 = year->FindGrypForName("Г-3");
    const TNed* week = g3->GetNed(2);
    ASSERT_NE(week, nullptr);
    // Chemistry is no subject name of the year: its item is skipped.
    ASSERT_EQ(g3->CountPredmet(), 1);
    const TPredmet* math = g3->LPredmet[0].get();
    EXPECT_EQ(math->Dan.GNYrName, 7);
    EXPECT_EQ(math->Dan.GNPredmetYp, 99);
    // The plan count ends at the larger of 3 and 2.
    EXPECT_EQ(math->CountPredmetNe(kSetkaPlan, 2), 3);
    ASSERT_EQ(math->CountFio(2), 2);

    const TYrok* mon = week->GetYrok(0, 1, 0);
    ASSERT_NE(mon, nullptr);
    ASSERT_EQ(mon->CountYr(), 1);
    ASSERT_EQ(mon->CountZam(), 1);
    EXPECT_EQ(mon->LYr[0]->Fio()->Name(), "Иванов И.И.");
    EXPECT_FALSE(mon->LYr[0]->Held());
    EXPECT_EQ(mon->LZm[0]->Fio()->Name(), "Петров П.П.");
    EXPECT_EQ(mon->LZm[0]->Ayd(), room);
    EXPECT_EQ(mon->LZm[0]->LZm, std::vector<TYr*>{mon->LYr[0]});

    const TYr* tue = week->GetYrok(0, 2, 0)->LYr[0];
    ASSERT_NE(tue->FioPredmet()->Ob, nullptr);
    EXPECT_EQ(tue->FioPredmet()->Ob->NameGryp(), "Г-3,Г-2");
    EXPECT_EQ(year->GetLOb(2).size(), 1u);
    EXPECT_TRUE(week->GetYrok(0, 3, 0)->OtmenaYr());
    EXPECT_EQ(week->GetYrok(0, 4, 0)->LYr[0]->Fio()->Name(), "Петров П.П.");

    // Read again: the week's load is replaced, not added to.
    unions.clear();
    ASSERT_EQ(ReadRaspGrypFromXML(*year, *groups->XMLObject(0), lists), "");
    EXPECT_EQ(g3->CountPredmet(), 1);
    EXPECT_EQ(g3->LPredmet[0]->CountFio(2), 2);
    EXPECT_EQ(g3->LPredmet[0]->CountPredmetNe(kSetkaPlan, 2), 3);
    EXPECT_EQ(g3->GetNed(2)->GetYrok(0, 1, 0)->CountYr(), 1);
}

}  // namespace
}  // namespace zavlin::exporting
