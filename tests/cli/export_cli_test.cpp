// zavlin-cli export xml|web over the small sample college.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "export/xml_document.h"
#include "support/cli_runner.h"
#include "support/scratch_home.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;

class ExportCli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch.empty());
        home = scratch.str();
        const auto made = run("demo --size S --year 2016");
        ASSERT_EQ(made.status, 0) << made.out;
    }
    testsupport::CliRun run(const std::string& args) {
        return testsupport::runAtHome(ZAVLIN_CLI, args, home);
    }
    testsupport::ScratchHome scratch{"exportcli"};
    std::string home;
};

TEST_F(ExportCli, TheXmlFileOfTheActiveWeeks) {
    const fs::path file = fs::path(home) / "out.xml";
    // Nobody is stored as the author yet.
    auto r = run("export xml --to '" + file.string() + "'");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("Введите вашу фамилию и инициалы"), std::string::npos);
    EXPECT_FALSE(fs::exists(file));

    r = run("export xml --to '" + file.string() +
            "' --author 'петров Пётр Петрович' --encoding utf-8 --year 2016");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Экспорт расписания успешно завершён. Файл: " + file.string()),
              std::string::npos);
    TXMLCreater doc;
    ASSERT_TRUE(doc.LoadFromFile(file)) << doc.LastError();
    EXPECT_EQ(doc.Encoding(), "UTF-8");
    const TXMLObject* root = doc.MainXMLObject();
    EXPECT_EQ(root->FindXMLField("UserName")->asString(), "Петров П.П.");
    EXPECT_EQ(root->FindXMLField("Year")->asString(), "2016");
    // The sample's numerator and denominator weeks, every group in each.
    const TXMLObject* weeks = root->FindXMLObject("LDNed");
    ASSERT_NE(weeks, nullptr);
    ASSERT_EQ(weeks->CountLXMLObject(), 2);
    EXPECT_EQ(weeks->XMLObject(0)->FindXMLAtr("N")->asString(), "53");
    EXPECT_EQ(weeks->XMLObject(0)->FindXMLObject("LGryp")->CountLXMLObject(),
              root->FindXMLObject("LGrypName")->CountLXMLObject());
    EXPECT_EQ(root->XMLObject(root->CountLXMLObject() - 1), weeks);
}

TEST_F(ExportCli, OneWeekInTheWebForm) {
    const fs::path out = fs::path(home) / "web";
    auto r = run("export web --week 3 --to '" + out.string() +
                 "' --denominator --with-substitutions --year 2016");
    ASSERT_EQ(r.status, 0) << r.out;
    const fs::path file = out / "rs201603.xml";
    ASSERT_TRUE(fs::exists(file)) << r.out;
    TXMLCreater doc;
    ASSERT_TRUE(doc.LoadFromFile(file)) << doc.LastError();
    const TXMLObject* root = doc.MainXMLObject();
    EXPECT_EQ(root->FindXMLField("Week")->asString(), "3");
    EXPECT_EQ(root->FindXMLField("Numerator")->asString(), "1");
    EXPECT_NE(root->FindXMLField("Monday"), nullptr);
    EXPECT_GT(root->FindXMLObject("ListGroup")->CountLXMLObject(), 0);

    EXPECT_EQ(run("export web --week 57 --to '" + out.string() + "'").status, 2);
    EXPECT_EQ(run("export web --week 55 --to '" + out.string() + "'").status, 0);
    TXMLCreater dop;
    ASSERT_TRUE(dop.LoadFromFile(out / "rs201655.xml"));
    EXPECT_EQ(dop.MainXMLObject()->FindXMLField("Monday"), nullptr);
}

}  // namespace
}  // namespace zavlin
