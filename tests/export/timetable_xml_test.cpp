// The timetable written as XML: the whole document of the XML file export and
// the web form for a tiny year, and the cases where elements must be left out.
#include "export/timetable_xml.h"

#include <gtest/gtest.h>

#include <algorithm>
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

    // Rooms of both buildings: each names its own building's place in the list.
    year->LGryp[0]->GetNed(1)->GetYrok(0, 2, 1)->LYr[0]->SetAyd(r2);
    BuildZavlinXml(doc, *year, "А Б.В.", "zavlin");
    const TXMLObject* root = doc.MainXMLObject();
    const TXMLObject* doms = root->FindXMLObject("LDomName");
    ASSERT_NE(doms, nullptr);
    auto domPlace = [&](const std::string& name) {
        for (int i = 0; i < doms->CountLXMLObject(); ++i)
            if (doms->XMLObject(i)->FindXMLAtr("Name")->asString() == name)
                return std::to_string(i + 1);
        return std::string("none");
    };
    auto domOf = [&](const std::string& roomName) {
        const TXMLObject* r =
            root->FindXMLObject("LAydName")->FindXMLObject("AydName", "Name", roomName);
        return r == nullptr ? std::string("no room") : r->FindXMLAtr("Dom_I")->asString();
    };
    EXPECT_EQ(domOf("201"), domPlace("Второй"));
    EXPECT_EQ(domOf("101"), domPlace(room->Dom()->Name()));
    std::vector<std::string> places{domOf("101"), domOf("201")};
    std::sort(places.begin(), places.end());
    EXPECT_EQ(places, (std::vector<std::string>{"1", "2"}));
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
    TUnionMembers unions;
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

// Numbers that do not fit their keys would wrap into other subjects and
// lessons (65543 is 7 modulo 65536, 257 is 1 modulo 256).
TEST_F(TimetableXml, ServerNumbersOutsideTheirKeysAreSkippedWithALine) {
    build();
    const std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<Raspisanie>\n"
        "<LPredmet>\n<Predmet FN=\"7\" tip=\"TPredmet\" SName=\"Матем\" "
        "LName=\"Математика\">\n</Predmet>\n</LPredmet>\n"
        "<LFio>\n<Fio FN=\"21\" Name=\"Иванов Иван Иванович\">\n</Fio>\n</LFio>\n"
        "<LGryp>\n<Gryp Name=\"Г-3\">\n<LWeek>\n<Week FN=\"2\">\n<LPrKrz>\n"
        "<Krz PredmetFN=\"65543\" ClassN=\"0\" Del=\"0\" PrZavlinFN=\"99\">\n"
        "<Fio FioFN=\"21\" CountYr=\"1\">\n</Fio>\n</Krz>\n"
        "<Krz PredmetFN=\"7\" ClassN=\"256\" Del=\"0\" PrZavlinFN=\"99\">\n"
        "<Fio FioFN=\"21\" CountYr=\"1\">\n</Fio>\n</Krz>\n"
        "<Krz PredmetFN=\"7\" ClassN=\"0\" Del=\"0\" PrZavlinFN=\"99\">\n"
        "<Fio FioFN=\"21\" CountYr=\"2\">\n"
        "<Yr Day=\"1\" Para=\"0\" FN=\"257\">\n</Yr>\n"
        "<Yr Day=\"2\" Para=\"0\" FN=\"2\">\n</Yr>\n"
        "</Fio>\n</Krz>\n"
        "</LPrKrz>\n</Week>\n</LWeek>\n</Gryp>\n</LGryp>\n</Raspisanie>\n";
    TXMLCreater doc;
    ASSERT_TRUE(doc.LoadFromAnsiString(text)) << doc.LastError();
    const TXMLObject* root = doc.MainXMLObject();
    TUnionMembers unions;
    std::vector<std::string> skipped;
    TServerLists lists{root->FindXMLObject("LPredmet"),
                       root->FindXMLObject("LFio"),
                       nullptr,
                       nullptr,
                       &unions,
                       &skipped};
    ASSERT_EQ(ReadRaspGrypFromXML(*year, *root->FindXMLObject("LGryp")->XMLObject(0), lists), "");

    EXPECT_EQ(skipped, (std::vector<std::string>{
                           "Группа Г-3, неделя 2: предмет с неверными номерами (PredmetFN=65543, "
                           "ClassN=0, Del=0, RazN=0, PrZavlinFN=99) пропущен",
                           "Группа Г-3, неделя 2: предмет с неверными номерами (PredmetFN=7, "
                           "ClassN=256, Del=0, RazN=0, PrZavlinFN=99) пропущен",
                           "Группа Г-3, неделя 2: урок с неверным номером FN=257 пропущен"}));
    const TGryp* g3 = year->FindGrypForName("Г-3");
    ASSERT_EQ(g3->CountPredmet(), 1);
    EXPECT_EQ(g3->LPredmet[0]->CountPredmetNe(kSetkaPlan, 2), 2);
    const TNed* week = g3->GetNed(2);
    const TYrok* mon = week->GetYrok(0, 1, 0);
    EXPECT_TRUE(mon == nullptr || mon->CountYr() == 0);
    ASSERT_NE(week->GetYrok(0, 2, 0), nullptr);
    ASSERT_EQ(week->GetYrok(0, 2, 0)->CountYr(), 1);
    EXPECT_EQ(week->GetYrok(0, 2, 0)->LYr[0]->FPlanFN, 2);
}

// A count above what the model can hold (its counts stop at a byte) ends
// the filling instead of spinning on a count that no longer grows; the
// lessons after it are still read.
TEST_F(TimetableXml, ServerCountsAboveAByteEndTheFilling) {
    build();
    const std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<Raspisanie>\n"
        "<LPredmet>\n<Predmet FN=\"7\" tip=\"TPredmet\" SName=\"Матем\" "
        "LName=\"Математика\">\n</Predmet>\n</LPredmet>\n"
        "<LFio>\n<Fio FN=\"21\" Name=\"Иванов Иван Иванович\">\n</Fio>\n</LFio>\n"
        "<LGryp>\n<Gryp Name=\"Г-3\">\n<LWeek>\n<Week FN=\"2\">\n<LPrKrz>\n"
        "<Krz PredmetFN=\"7\" ClassN=\"0\" Del=\"0\" PrZavlinFN=\"99\">\n"
        "<Fio FioFN=\"21\" CountYr=\"1\" CountZm=\"300\">\n"
        "<Yr Day=\"1\" Para=\"0\" FN=\"1\">\n</Yr>\n"
        "<Zm Day=\"1\" Para=\"0\">\n</Zm>\n"
        "</Fio>\n</Krz>\n"
        "</LPrKrz>\n</Week>\n</LWeek>\n</Gryp>\n</LGryp>\n</Raspisanie>\n";
    TXMLCreater doc;
    ASSERT_TRUE(doc.LoadFromAnsiString(text)) << doc.LastError();
    const TXMLObject* root = doc.MainXMLObject();
    TUnionMembers unions;
    std::vector<std::string> skipped;
    TServerLists lists{root->FindXMLObject("LPredmet"),
                       root->FindXMLObject("LFio"),
                       nullptr,
                       nullptr,
                       &unions,
                       &skipped};
    ASSERT_EQ(ReadRaspGrypFromXML(*year, *root->FindXMLObject("LGryp")->XMLObject(0), lists), "");

    EXPECT_TRUE(skipped.empty());
    const TYrok* mon = year->FindGrypForName("Г-3")->GetNed(2)->GetYrok(0, 1, 0);
    ASSERT_NE(mon, nullptr);
    EXPECT_EQ(mon->CountZam(), 1);
    ASSERT_EQ(mon->CountYr(), 1);
}

// Substitutions of a teacher whose element carries no substitution count:
// the subject has no substitution basket yet. Each is read as a
// substitution of that teacher (one replacing the plan lesson, one beside
// nothing), with a basket made for it, never as a cancellation.
TEST_F(TimetableXml, ServerSubstitutionsWithoutABasket) {
    build();
    const std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<Raspisanie>\n"
        "<LPredmet>\n<Predmet FN=\"7\" tip=\"TPredmet\" SName=\"Матем\" "
        "LName=\"Математика\">\n</Predmet>\n</LPredmet>\n"
        "<LFio>\n<Fio FN=\"21\" Name=\"Иванов Иван Иванович\">\n</Fio>\n"
        "<Fio FN=\"22\" Name=\"Петров Пётр Петрович\">\n</Fio>\n</LFio>\n"
        "<LGryp>\n<Gryp Name=\"Г-3\">\n<LWeek>\n<Week FN=\"2\">\n<LPrKrz>\n"
        "<Krz PredmetFN=\"7\" ClassN=\"0\" Del=\"0\" PrZavlinFN=\"99\">\n"
        "<Fio FioFN=\"21\" CountYr=\"1\">\n<Yr Day=\"1\" Para=\"0\" FN=\"1\">\n</Yr>\n</Fio>\n"
        "<Fio FioFN=\"22\" CountYr=\"0\">\n"
        "<Zm Day=\"1\" Para=\"0\">\n<Yr FN=\"1\">\n</Yr>\n</Zm>\n"
        "<Zm Day=\"2\" Para=\"1\">\n</Zm>\n"
        "</Fio>\n</Krz>\n"
        "</LPrKrz>\n</Week>\n</LWeek>\n</Gryp>\n</LGryp>\n</Raspisanie>\n";
    TXMLCreater doc;
    ASSERT_TRUE(doc.LoadFromAnsiString(text)) << doc.LastError();
    const TXMLObject* root = doc.MainXMLObject();
    TUnionMembers unions;
    std::vector<std::string> skipped;
    TServerLists lists{root->FindXMLObject("LPredmet"),
                       root->FindXMLObject("LFio"),
                       nullptr,
                       nullptr,
                       &unions,
                       &skipped};
    ASSERT_EQ(ReadRaspGrypFromXML(*year, *root->FindXMLObject("LGryp")->XMLObject(0), lists), "");
    EXPECT_TRUE(skipped.empty()) << skipped.front();

    const TGryp* g3 = year->FindGrypForName("Г-3");
    ASSERT_EQ(g3->CountPredmet(), 1);
    const TPredmet& math = *g3->LPredmet[0];
    EXPECT_EQ(math.CountPredmetNe(kSetkaPlan, 2), 1);
    EXPECT_EQ(math.CountPredmetNe(kSetkaZamena, 2), 2) << "one basket lesson per substitution";
    const TNed* week = g3->GetNed(2);
    const TYrok* mon = week->GetYrok(0, 1, 0);
    ASSERT_NE(mon, nullptr);
    ASSERT_EQ(mon->CountYr(), 1);
    ASSERT_EQ(mon->CountZam(), 1);
    ASSERT_NE(mon->LZm[0]->Fio(), nullptr) << "a substitution, not a cancellation";
    EXPECT_EQ(mon->LZm[0]->Fio()->Name(), "Петров П.П.");
    EXPECT_EQ(mon->LZm[0]->LZm, std::vector<TYr*>{mon->LYr[0]});
    EXPECT_FALSE(mon->LYr[0]->Held());
    const TYrok* tue = week->GetYrok(0, 2, 1);
    ASSERT_NE(tue, nullptr);
    EXPECT_EQ(tue->CountYr(), 0);
    ASSERT_EQ(tue->CountZam(), 1);
    ASSERT_NE(tue->LZm[0]->Fio(), nullptr);
    EXPECT_EQ(tue->LZm[0]->Fio()->Name(), "Петров П.П.");
    EXPECT_TRUE(tue->LZm[0]->LZm.empty()) << "it replaces nothing";
}

}  // namespace
}  // namespace zavlin::exporting

// The round trip over the sample college: every week of every group written
// in the server's form (the subjects numbered as the server numbers them)
// and read back into the group gives the same timetable blob. The form
// carries the plan and substitution load with the teachers, the lessons of
// the timetable layer with their rooms, unions, cancellations of lessons and
// substitutions; the pinned layer and the additional load it cannot carry
// are taken out of the group before it is written.
#include "demo/sample_college.h"
#include "demo/sample_plan.h"
#include "support/scratch_home.h"

namespace zavlin::exporting {
namespace {

// A readable account of a group's week, to say where two blobs differ.
std::string describe(const TGryp& gr, int ne) {
    std::string out;
    const TNed* week = gr.GetNed(ne);
    if (week == nullptr) return out;
    for (int setka : {kSetkaPlan, kSetkaZamena, kSetkaDop})
        for (const auto& item : week->LKorzina(setka))
            out += "item " + std::to_string(setka) + " " + item->Predmet()->Name() +
                   " NN=" + std::to_string(item->Dan.NN) + " N=" + std::to_string(item->Dan.N) +
                   " ky=" + std::to_string(item->Dan.ky) + "\n";
    for (const auto& pr : gr.LPredmet)
        for (const auto& fp : pr->GetLFio(ne)) {
            out += "fio " + pr->Name() + " " + fp->Fio()->Name() +
                   " kYr=" + std::to_string(fp->Dan.kYr) + " Nob=" + std::to_string(fp->Dan.Nob) +
                   " zm=" + std::to_string(fp->FZmKorzina ? fp->FZmKorzina->FCountZm : -1) + "\n";
            for (const auto& yr : fp->LYr)
                out += "  yr tip=" + std::to_string(yr->Dan.tip) + " " + std::to_string(yr->De()) +
                       "/" + std::to_string(yr->Y()) + " NN=" + std::to_string(yr->Dan.NN) +
                       " zm=" + std::to_string(yr->Dan.Zm) + " ayd=" + yr->NameAyd() +
                       " k=" + std::to_string(yr->LZm.size()) + "\n";
        }
    for (int d = 1; d <= kDayCount; ++d)
        for (int y = 0; y < kPeriodCount; ++y)
            if (const TYrok* p = week->GetYrok(0, d, y))
                for (int i = 0; i < p->CountYrDpZm(); ++i)
                    out += "cell " + std::to_string(d) + "/" + std::to_string(y) + " " +
                           p->YrDpZm(i)->NamePredmet(false) + " " +
                           p->YrDpZm(i)->NameFio(false, false) + "\n";
    return out;
}

// The form carries which assignments share a union, not the union's number:
// both sides are numbered alike (by their first member) before comparing.
void numberUnions(TAllRasp& year, int ne) {
    auto& list = year.GetLOb(ne);
    auto member = [](const TFioPredmet* fp) {
        return std::make_tuple(fp->Predmet()->Gryp()->GetIndex(), fp->Predmet()->GetIndex(),
                               fp->GetIndex());
    };
    for (auto& ob : list)
        std::sort(
            ob->LFioPredmet.begin(), ob->LFioPredmet.end(),
            [&](const TFioPredmet* a, const TFioPredmet* b) { return member(a) < member(b); });
    std::sort(list.begin(), list.end(), [&](const auto& a, const auto& b) {
        return member(a->LFioPredmet.front()) < member(b->LFioPredmet.front());
    });
    for (std::size_t i = 0; i < list.size(); ++i) {
        list[i]->FN = static_cast<uint16_t>(i + 1);
        for (TFioPredmet* fp : list[i]->LFioPredmet) fp->Dan.Nob = list[i]->FN;
    }
}

class ServerWeekWriter {
public:
    ServerWeekWriter(const TAllRasp& year, TXMLObject& root) : year_(year), root_(root) {
        TXMLObject* doms = root.CreateXMLObject("LDom");
        for (std::size_t i = 0; i < year.LDom.size(); ++i) {
            TXMLObject* d = doms->CreateXMLObject("Dom");
            d->AddNewXMLAtr("FN", static_cast<int32_t>(i + 1));
            d->AddNewXMLAtr("Name", year.LDom[i]->Name());
        }
        TXMLObject* rooms = root.CreateXMLObject("LAyd");
        for (std::size_t i = 0; i < year.LAyd.size(); ++i) {
            TXMLObject* a = rooms->CreateXMLObject("Ayd");
            a->AddNewXMLAtr("FN", static_cast<int32_t>(i + 1));
            a->AddNewXMLAtr("Name", year.LAyd[i]->Name());
        }
        TXMLObject* fios = root.CreateXMLObject("LFio");
        for (std::size_t i = 0; i < year.LFio.size(); ++i) {
            TXMLObject* f = fios->CreateXMLObject("Fio");
            f->AddNewXMLAtr("FN", static_cast<int32_t>(i + 1));
            f->AddNewXMLAtr("Name", year.LFio[i]->BigName());
        }
        root.CreateXMLObject("LPredmet");
        groups_ = root.CreateXMLObject("LGryp");
    }

    TServerLists Lists() const {
        return {root_.FindXMLObject("LPredmet"), root_.FindXMLObject("LFio"),
                root_.FindXMLObject("LDom"), root_.FindXMLObject("LAyd"), nullptr};
    }

    TXMLObject* Week(const TGryp& gr, int ne) {
        TXMLObject* g = groups_->CreateXMLObject("Gryp");
        g->AddNewXMLAtr("Name", gr.Name());
        TXMLObject* w = g->CreateXMLObject("LWeek")->CreateXMLObject("Week");
        w->AddNewXMLAtr("FN", static_cast<int32_t>(ne));
        TXMLObject* items = w->CreateXMLObject("LPrKrz");
        const TNed* week = gr.GetNed(ne);
        std::vector<const TPredmet*> subjects;
        for (int setka : {kSetkaPlan, kSetkaZamena})
            for (const auto& item : week->LKorzina(setka))
                if (std::find(subjects.begin(), subjects.end(), item->Predmet()) == subjects.end())
                    subjects.push_back(item->Predmet());
        // Teachers given no load that week come too, with a count of none.
        for (const auto& pr : gr.LPredmet)
            if (!pr->GetLFio(ne).empty() &&
                std::find(subjects.begin(), subjects.end(), pr.get()) == subjects.end())
                subjects.push_back(pr.get());
        // Lessons first, substitutions after all of them: a substitution
        // names lessons of other subjects by their number.
        for (const TPredmet* pr : subjects) writeItem(*pr, ne, *items, false);
        for (const TPredmet* pr : subjects) writeItem(*pr, ne, *items, true);
        return g;
    }

private:
    int fioFN(const TFio* f) const { return year_.GetFioIndex(f) + 1; }
    void room(const TYr& yr, TXMLObject& o) const {
        const TAyd* a = yr.Ayd();
        if (a == nullptr) return;
        const auto dom = std::find_if(year_.LDom.begin(), year_.LDom.end(),
                                      [&](const auto& d) { return d.get() == a->Dom(); });
        o.AddNewXMLAtr("Dom", static_cast<int32_t>(dom - year_.LDom.begin() + 1));
        o.AddNewXMLAtr("Ayd", static_cast<int32_t>(year_.GetAydIndex(a) + 1));
    }
    static int planFN(const TYr& yr) { return yr.Yrok()->GetIndexYrDpZm(&yr) + 1; }

    void writeItem(const TPredmet& pr, int ne, TXMLObject& items, bool substitutions) {
        TXMLObject* krz = items.CreateXMLObject("Krz");
        krz->AddNewXMLAtr("PredmetFN", static_cast<int32_t>(pr.Dan.GNYrName));
        krz->AddNewXMLAtr("ClassN", static_cast<int32_t>(pr.Dan.TipDRKM));
        krz->AddNewXMLAtr("Del", static_cast<int32_t>(pr.Dan.GDel));
        krz->AddNewXMLAtr("PrZavlinFN", static_cast<int32_t>(pr.Dan.GNPredmetYp));
        krz->AddNewXMLAtr("RazN", static_cast<int32_t>(pr.Dan.RazN));
        const TNed* week = pr.Gryp()->GetNed(ne);
        const TYrokKorzina* plan = week->FindYrokKorzina(kSetkaPlan, &pr);
        for (const auto& fp : pr.GetLFio(ne)) {
            TXMLObject* t = krz->CreateXMLObject("Fio");
            t->AddNewXMLAtr("FioFN", static_cast<int32_t>(fioFN(fp->Fio())));
            int pos = 1;
            for (const auto& other : pr.GetLFio(ne)) {
                if (other == fp) break;
                if (other->Fio() == fp->Fio()) ++pos;
            }
            t->AddNewXMLAtr("PosI", static_cast<int32_t>(pos));
            if (!substitutions) {
                t->AddNewXMLAtr(
                    "CountYr",
                    static_cast<int32_t>(plan != nullptr ? plan->CountMaxYrForFioPredmet() : 0));
            } else {
                t->AddNewXMLAtr("CountZm", static_cast<int32_t>(pr.CountZmKorzina(ne) > 0
                                                                    ? fp->FZmKorzina != nullptr
                                                                          ? fp->FZmKorzina->FCountZm
                                                                          : 0
                                                                    : 0));
            }
            for (const auto& yr : fp->LYr) {
                if (yr->Yrok() == nullptr || yr->Dan.tip != 0) continue;
                if (!substitutions && !yr->SetZamenaYes() && yr->Setka() == kSetkaPlan) {
                    TXMLObject* o = t->CreateXMLObject("Yr");
                    o->AddNewXMLAtr("Day", static_cast<int32_t>(yr->De()));
                    o->AddNewXMLAtr("Para", static_cast<int32_t>(yr->Y()));
                    o->AddNewXMLAtr("FN", static_cast<int32_t>(planFN(*yr)));
                    room(*yr, *o);
                    if (fp->Ob != nullptr) o->AddNewXMLAtr("ObN", static_cast<int32_t>(fp->Ob->FN));
                    for (const TYr* z : yr->LZm)
                        if (z->SetOtmenaYes()) o->CreateXMLObject("Ot")->AddNewXMLAtr("N", 1);
                } else if (substitutions && yr->SetZamenaYes()) {
                    TXMLObject* o = t->CreateXMLObject("Zm");
                    o->AddNewXMLAtr("Day", static_cast<int32_t>(yr->De()));
                    o->AddNewXMLAtr("Para", static_cast<int32_t>(yr->Y()));
                    room(*yr, *o);
                    for (const TYr* r : yr->LZm)
                        o->CreateXMLObject("Yr")->AddNewXMLAtr("FN",
                                                               static_cast<int32_t>(planFN(*r)));
                }
            }
        }
    }

    const TAllRasp& year_;
    TXMLObject& root_;
    TXMLObject* groups_;
};

class RoundTrip : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch.empty());
        std::string message;
        ASSERT_TRUE(scratch.MakeDatabase(message)) << message;
        dm = std::make_unique<TDM1>(scratch.str(), dialog);
        year = std::make_unique<TAllRasp>(*dm);
        demo::SampleOptions options;
        options.size = demo::SampleSize::S;
        options.year = 2016;
        year->YGod = 2016;
        year->AllNed.SetDataGod(2016, false);
        ASSERT_TRUE(demo::buildSampleYear(demo::planSample(options), *year, message)) << message;
    }
    void TearDown() override {
        year.reset();
        dm.reset();
    }
    testsupport::ScratchHome scratch{"xmlround"};
    TScriptedDialog dialog;
    std::unique_ptr<TDM1> dm;
    std::unique_ptr<TAllRasp> year;
};

TEST_F(RoundTrip, EveryWeekOfTheSampleCollegeReadsBackToTheSameBlob) {
    int weeks = 0, lessons = 0, substitutions = 0, unions = 0;
    for (const auto& gr : year->LGryp) {
        // The server's numbers of the subjects.
        for (std::size_t i = 0; i < gr->LPredmet.size(); ++i)
            gr->LPredmet[i]->Dan.GNYrName = static_cast<uint16_t>(i + 1);
        for (int ne = 1; ne <= kWeeks; ++ne) {
            TNed* week = gr->GetNed(ne);
            if (week == nullptr) continue;
            gr->ClearRasp(1, ne, false);
            // A substitution names its assignment's teacher: the form puts
            // it under that teacher.
            for (const auto& pr : gr->LPredmet)
                for (const auto& fp : pr->GetLFio(ne))
                    for (const auto& yr : fp->LYr)
                        if (yr->SetZamenaYes() && yr->Fio() != fp->Fio())
                            static_cast<TZamena*>(yr.get())->SetFio(fp->Fio());
            while (!week->LKorzina(kSetkaDop).empty())
                ASSERT_TRUE(
                    week->DelYrokKorzina(kSetkaDop, week->LKorzina(kSetkaDop)[0]->Dan.NN, false));
        }
    }
    // A week of every group in one document, as the server sends it: the
    // unions of the week are taken apart while their groups are read and
    // joined again by their members.
    for (int ne = 1; ne <= kWeeks; ++ne) {
        std::vector<std::vector<uint8_t>> before;
        std::vector<std::string> told;
        TXMLCreater doc;
        TXMLObject* root = doc.CreateMainXMLObject("Raspisanie");
        ServerWeekWriter writer(*year, *root);
        bool any = false;
        // A union is carried by its members' lessons: one whose members have
        // no lesson in the timetable that week cannot come back.
        auto& weekUnions = year->GetLOb(ne);
        for (int i = static_cast<int>(weekUnions.size()) - 1; i >= 0; --i) {
            bool placed = false;
            for (const TFioPredmet* fp : weekUnions[static_cast<std::size_t>(i)]->LFioPredmet)
                for (const auto& yr : fp->LYr)
                    placed = placed || (yr->Yrok() != nullptr && yr->Dan.tip == 0);
            if (!placed) {
                ASSERT_TRUE(year->DelOb(ne, i, false));
            }
        }
        numberUnions(*year, ne);
        auto unionText = [&] {
            std::string t;
            for (const auto& ob : year->GetLOb(ne))
                t += std::to_string(ob->FN) + ":" + ob->NamePredmetGrypFio() + ";";
            return t;
        };
        const std::string unionsBefore = unionText();
        for (const auto& gr : year->LGryp) {
            before.push_back(gr->WriteRasp());
            told.push_back(describe(*gr, ne));
            const TNed* week = gr->GetNed(ne);
            if (week == nullptr) continue;
            any = true;
            for (int d = 1; d <= kDayCount; ++d)
                for (int y = 0; y < kPeriodCount; ++y)
                    if (const TYrok* p = week->GetYrok(0, d, y)) {
                        lessons += p->CountYr();
                        substitutions += p->CountZam();
                    }
            writer.Week(*gr, ne);
        }
        if (!any) continue;
        ++weeks;
        // Through the text, as the server's answer comes.
        std::string text;
        ASSERT_TRUE(doc.SaveToAnsiString(text));
        TXMLCreater back;
        ASSERT_TRUE(back.LoadFromAnsiString(text)) << back.LastError();
        const TXMLObject* broot = back.MainXMLObject();
        TUnionMembers u;
        const TServerLists lists{broot->FindXMLObject("LPredmet"), broot->FindXMLObject("LFio"),
                                 broot->FindXMLObject("LDom"), broot->FindXMLObject("LAyd"), &u};
        const TXMLObject* groups = broot->FindXMLObject("LGryp");
        for (int i = 0; i < groups->CountLXMLObject(); ++i)
            ASSERT_EQ(ReadRaspGrypFromXML(*year, *groups->XMLObject(i), lists), "");
        unions += static_cast<int>(year->GetLOb(ne).size());
        numberUnions(*year, ne);
        ASSERT_EQ(unionText(), unionsBefore) << "week " << ne;
        for (std::size_t i = 0; i < year->LGryp.size(); ++i) {
            TGryp& gr = *year->LGryp[i];
            const std::vector<uint8_t> after = gr.WriteRasp();
            ASSERT_EQ(describe(gr, ne), told[i]) << gr.Name() << " week " << ne;
            ASSERT_EQ(after, before[i]) << gr.Name() << " week " << ne;
        }
    }
    EXPECT_GT(weeks, 0);
    EXPECT_GT(lessons, 0);
    EXPECT_GT(substitutions, 0);
    std::printf("round trip: %d weeks, %d lessons, %d substitutions, %d unions\n", weeks, lessons,
                substitutions, unions);
}

}  // namespace
}  // namespace zavlin::exporting
