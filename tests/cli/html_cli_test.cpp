// zavlin-cli export html over the small sample college, and its web pages
// rendered by a real browser (headless Chromium).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>

#include "base/cp1251.h"
#include "base/my_dialog.h"
#include "model/year.h"
#include "storage/year_database.h"
#include "support/cli_runner.h"
#include "support/scratch_home.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int occurrences(const std::string& text, const std::string& needle) {
    int n = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos;
         at = text.find(needle, at + needle.size()))
        ++n;
    return n;
}

class HtmlCli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch.empty());
        home = scratch.str();
        const auto made = run("demo --size S --year 2016");
        ASSERT_EQ(made.status, 0) << made.out;
        const std::string counts = readFile(scratch.path() / "sample-S-1.txt");
        group = value(counts, "showcase_group");
        teacher = value(counts, "showcase_teacher");
        ASSERT_FALSE(group.empty());
        ASSERT_FALSE(teacher.empty());
    }
    testsupport::CliRun run(const std::string& args) {
        return testsupport::runAtHome(ZAVLIN_CLI, args, home);
    }
    static std::string value(const std::string& counts, const std::string& key) {
        const std::size_t at = counts.find("\n" + key + "=");
        if (at == std::string::npos) return {};
        const std::size_t from = at + key.size() + 2;
        return counts.substr(from, counts.find('\n', from) - from);
    }
    // A page in UTF-8.
    static std::string page(const fs::path& p) { return cp1251ToUtf8(readFile(p)); }

    testsupport::ScratchHome scratch{"htmlcli"};
    std::string home;
    std::string group;
    std::string teacher;
};

TEST_F(HtmlCli, DocumentsOfTheChosenGroupsAndTeachers) {
    const fs::path out = scratch.path() / "docs";
    auto r =
        run("export html --groups --weeks 5 --group '" + group + "' --to '" + out.string() + "'");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find((out / "rgryp.htm").string()), std::string::npos) << r.out;
    std::string doc = page(out / "rgryp.htm");
    EXPECT_EQ(occurrences(doc, "РАСПИСАНИЕ ГРУППЫ "), 1);
    EXPECT_NE(doc.find("РАСПИСАНИЕ ГРУППЫ " + group + " неделя "), std::string::npos);
    EXPECT_NE(doc.find(" ауд."), std::string::npos);

    r = run("export html --teachers --weeks 5,53 --teacher '" + teacher + "' --to '" +
            out.string() + "'");
    ASSERT_EQ(r.status, 0) << r.out;
    doc = page(out / "rfio.htm");
    EXPECT_EQ(occurrences(doc, "РАСПИСАНИЕ ПРЕПОДАВАТЕЛЯ "), 2);  // weeks 5 and 53

    r = run("export html --exams --weeks 16,17 --to '" + out.string() + "'");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(page(out / "ekzgr.htm").find("КОНСУЛЬТАЦИИ И ЭКЗАМЕНЫ ГРУППЫ"), std::string::npos);
    EXPECT_NE(page(out / "ekzfio.htm").find("КОНСУЛЬТАЦИИ И ЭКЗАМЕНЫ ПРЕПОДАВАТЕЛЯ"),
              std::string::npos);

    // Any kind of the word-processor window, for scripts: the room
    // document over the weeks' days; an unknown kind makes nothing.
    r = run("export html --kind 9 --weeks 5 --to '" + out.string() + "'");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(occurrences(page(out / "aydgryp.htm"), "АУДИТОРИИ И ГРУППЫ "), 6);
    r = run("export html --kind 6 --to '" + out.string() + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("kind 6"), std::string::npos) << r.out;
    EXPECT_EQ(run("export html --kind 1 --groups --to '" + out.string() + "'").status, 2);

    // Wrong command lines.
    EXPECT_EQ(run("export html --to '" + out.string() + "'").status, 2);
    EXPECT_EQ(run("export html --groups --web --to '" + out.string() + "'").status, 2);
    EXPECT_EQ(run("export html --groups --weeks 0 --to '" + out.string() + "'").status, 2);
    r = run("export html --groups --group 'Нет такой' --to '" + out.string() + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Нет такой"), std::string::npos);
    // A target that cannot be a folder.
    r = run("export html --groups --to '" + (out / "rgryp.htm" / "x").string() + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Ошибка при создании директории"), std::string::npos) << r.out;
}

TEST_F(HtmlCli, TheWebSiteOfTheActiveWeeks) {
    const fs::path site = scratch.path() / "site";
    const auto r = run("export html --web --to '" + site.string() + "'");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Файлы созданы."), std::string::npos);
    const std::string index = page(site / "allgryp.htm");
    // The sample's active weeks are 53 and 54.
    EXPECT_EQ(occurrences(index, "<TH>Неделя N"), 2);
    EXPECT_NE(index.find("HREF=\"53~"), std::string::npos);
    EXPECT_NE(index.find("HREF=\"54~"), std::string::npos);
    EXPECT_NE(page(site / "allfio.htm").find("<TH>Преподаватели</TH>"), std::string::npos);
    int pages = 0;
    for (const auto& entry : fs::directory_iterator(site)) {
        ++pages;
        EXPECT_NE(r.out.find(entry.path().string()), std::string::npos) << entry.path();
    }
    EXPECT_EQ(pages, occurrences(r.out, site.string()));
}

// --- A real browser

fs::path findChromium() {
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    for (std::size_t from = 0; from <= dirs.size();) {
        std::size_t to = dirs.find(':', from);
        if (to == std::string::npos) to = dirs.size();
        for (const char* name : {"chromium", "chromium-browser"}) {
            const fs::path candidate = fs::path(dirs.substr(from, to - from)) / name;
            std::error_code ec;
            if (fs::is_regular_file(candidate, ec)) return candidate;
        }
        from = to + 1;
    }
    return {};
}

// The document as the browser built it, or "" (with why) when it did not run.
std::string dumpDom(const fs::path& chromium, const fs::path& file, std::string& why) {
    testsupport::CliCall call;
    call.args = {"--headless", "--no-sandbox", "--disable-gpu", "--dump-dom",
                 "file://" + file.string()};
    const testsupport::CliRun r = testsupport::runProgram(chromium, call);
    if (r.status != 0 || r.out.find("<html") == std::string::npos) {
        why = "status " + std::to_string(r.status) + ": " + r.err.substr(0, 400);
        return {};
    }
    return r.out;
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

TEST_F(HtmlCli, PagesReadInARealBrowser) {
    // A whole script element in the 18 characters a stored group name has.
    const std::string evil = "<script>x</script>";
    const std::string shown = "&lt;script&gt;x&lt;/script&gt;";
    {
        // Through the model, as the group window renames a group.
        TScriptedDialog dialog;
        TDM1 dm(home, dialog);
        TAllRasp year(dm);
        year.YGod = 2016;
        ASSERT_TRUE(year.LoadYear());
        TGryp* gr = year.FindGrypForName(group);
        ASSERT_NE(gr, nullptr);
        gr->SetName(evil);
        ASSERT_TRUE(year.AddGryp(gr));
    }
    const fs::path site = scratch.path() / "site";
    const auto r = run("export html --web --weeks 5 --to '" + site.string() + "'");
    ASSERT_EQ(r.status, 0) << r.out;

    const fs::path chromium = findChromium();
    if (chromium.empty())
        GTEST_SKIP() << "no Chromium on PATH (scripts/install-deps.sh installs it)";
    std::string why;
    const std::string index = dumpDom(chromium, site / "allgryp.htm", why);
    if (index.empty()) GTEST_SKIP() << "Chromium cannot start here: " << why;

    // The charset declaration works: the Cyrillic comes out as text.
    EXPECT_NE(index.find("РАСПИСАНИЕ ГРУПП"), std::string::npos) << index.substr(0, 600);
    EXPECT_NE(index.find("<th>Группы</th>"), std::string::npos);
    // The name is text, and no script element was made of it.
    EXPECT_NE(index.find(shown), std::string::npos);
    EXPECT_EQ(lower(index).find("<script"), std::string::npos);

    // Every link of the index names a page that exists.
    const std::regex href("href=\"([^\"]*)\"");
    std::set<std::string> targets;
    for (auto it = std::sregex_iterator(index.begin(), index.end(), href);
         it != std::sregex_iterator(); ++it)
        targets.insert((*it)[1].str());
    EXPECT_GE(targets.size(), 12u);  // one week of every group
    for (const std::string& t : targets) EXPECT_TRUE(fs::is_regular_file(site / t)) << t;

    // The renamed group's page: its link follows its row.
    const std::size_t row = index.find(shown);
    ASSERT_NE(row, std::string::npos);
    std::smatch link;
    const std::string rest = index.substr(row);
    ASSERT_TRUE(std::regex_search(rest, link, href));
    const std::string groupPage = dumpDom(chromium, site / link[1].str(), why);
    ASSERT_FALSE(groupPage.empty()) << why;
    EXPECT_EQ(lower(groupPage).find("<script"), std::string::npos);
    EXPECT_NE(groupPage.find("<title>" + shown + "</title>"), std::string::npos)
        << groupPage.substr(0, 600);
    EXPECT_NE(groupPage.find("РАСПИСАНИЕ ГРУППЫ " + shown), std::string::npos);
    EXPECT_NE(groupPage.find("<th>Понедельник</th>"), std::string::npos);
    EXPECT_NE(groupPage.find(" ауд."), std::string::npos);
    EXPECT_NE(groupPage.find("Назад к списку групп"), std::string::npos);
}

}  // namespace
}  // namespace zavlin
