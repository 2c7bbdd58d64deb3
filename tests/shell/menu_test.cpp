#include "shell/menu.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>

namespace zavlin::shell {
namespace {

using Set = std::set<std::string>;

// The items guarded by the active-week check and by the reference-data check.
const Set kWithWeeks = {"N14", "N15", "N18",   "N20",   "N51",   "N21",   "N110",
                        "N33", "N79", "N71",   "N49",   "N42",   "N78",   "N8",
                        "N66", "N36", "WORD1", "WORD2", "WORD3", "WORD4", "N32",
                        "N38", "N77", "N39",   "N68",   "XML1",  "N506",  "HTML1"};
const Set kWithReference = {"N46", "N21",   "N110",  "N33",   "N79",   "N71", "N40",  "N49",
                            "N74", "N55",   "N45",   "N57",   "N42",   "N78", "N8",   "N66",
                            "N36", "WORD1", "WORD2", "WORD3", "WORD4", "N38", "N77",  "N39",
                            "N44", "N43",   "N37",   "N211",  "N59",   "N28", "N310", "N41",
                            "N34", "N68",   "XML1",  "N506",  "HTML1"};
const Set kStudyData = {"N14", "N15", "N18", "N20"};
const Set kSettings = {"N51", "N32"};

// Everything present, one ordinary week active: every item may open except
// the ones that want two weeks.
TMenuFacts ready() {
    TMenuFacts f;
    f.yearActive = true;
    f.activeWeeks = 1;
    f.activeRealWeeks = 1;
    f.groups = 3;
    f.teachers = 2;
    f.subjects = 2;
    f.rooms = 1;
    f.attributes = 1;
    return f;
}

TMenuFacts weeks(int real, int extra) {
    TMenuFacts f = ready();
    f.activeRealWeeks = real;
    f.activeExtraWeeks = extra;
    f.activeWeeks = real + extra;
    return f;
}

std::map<std::string, std::string> refusing(const Set& items, const std::string& text) {
    std::map<std::string, std::string> m;
    for (const auto& c : items) m[c] = text;
    return m;
}

void merge(std::map<std::string, std::string>& into, const std::map<std::string, std::string>& m) {
    for (const auto& [c, t] : m) into.emplace(c, t);
}

struct Scenario {
    std::string name;
    TMenuFacts facts;
    std::map<std::string, std::string> refused;  // every other item passes
};

std::vector<Scenario> scenarios() {
    std::vector<Scenario> list;

    list.push_back({"all holds", ready(), {{"N36", "Выбрать две активные недели"}}});

    {
        TMenuFacts f = ready();
        f.activeWeeks = f.activeRealWeeks = 0;
        list.push_back(
            {"no active week", f, refusing(kWithWeeks, "Нет выбранных активных недель.")});
    }
    {
        TMenuFacts f = ready();
        f.groups = 0;
        auto m = refusing(kWithReference, "Введите названия групп ");
        merge(m, refusing(kStudyData, "Введите названия групп"));
        merge(m, refusing(kSettings, "Введите названия групп более двух"));
        m["N36"] = "Введите названия групп ";
        list.push_back({"no groups", f, m});
    }
    {
        TMenuFacts f = ready();
        f.groups = 1;
        auto m = refusing(kSettings, "Введите названия групп более двух");
        m["N36"] = "Выбрать две активные недели";
        list.push_back({"one group", f, m});
    }
    {
        TMenuFacts f = ready();
        f.teachers = 0;
        auto m = refusing(kWithReference, "Введите Фамилии  преподавателей");
        merge(m, refusing(kSettings, "Введите Фамилии  преподавателей"));
        merge(m, refusing({"N24", "N29"}, "Введите фамилии преподавателей"));
        list.push_back({"no teachers", f, m});
    }
    {
        TMenuFacts f = ready();
        f.subjects = 0;
        auto m = refusing(kWithReference, "Введите названия предметов");
        merge(m, refusing(kSettings, "Введите названия предметов"));
        list.push_back({"no subjects", f, m});
    }
    {
        TMenuFacts f = ready();
        f.rooms = 0;
        list.push_back({"no rooms",
                        f,
                        {{"N46", "Введите аудитории"},
                         {"N39", "Введите названия аудиторий"},
                         {"N36", "Выбрать две активные недели"}}});
    }
    {
        TMenuFacts f = ready();
        f.attributes = 0;
        list.push_back({"no attributes",
                        f,
                        {{"N38", "Отсутствуют дополнительные внесеточные атрибуты."},
                         {"N36", "Выбрать две активные недели"}}});
    }
    list.push_back({"five weeks",
                    weeks(5, 0),
                    {{"N51", "Выбрано более 4 активных недель"},
                     {"N32", "Выбрано более 4 активных недель"},
                     {"N39", "Выбрано более 4 активных недель"},
                     {"N8", "Выбрано более одной активной недели"},
                     {"N66", "Выбрано более одной активной недели"},
                     {"N36", "Выбрать две активные недели"},
                     {"N38", "Выбрано более 1 активной недели"},
                     {"N77", "Выбрано более 3 активных недель"},
                     {"N506", "Выберите 1 активную неделю"}}});
    list.push_back({"four weeks",
                    weeks(4, 0),
                    {{"N8", "Выбрано более одной активной недели"},
                     {"N66", "Выбрано более одной активной недели"},
                     {"N36", "Выбрать две активные недели"},
                     {"N38", "Выбрано более 1 активной недели"},
                     {"N77", "Выбрано более 3 активных недель"},
                     {"N506", "Выберите 1 активную неделю"}}});
    list.push_back({"two weeks",
                    weeks(2, 0),
                    {{"N8", "Выбрано более одной активной недели"},
                     {"N66", "Выбрано более одной активной недели"},
                     {"N38", "Выбрано более 1 активной недели"},
                     {"N506", "Выберите 1 активную неделю"}}});
    list.push_back({"one additional week",
                    weeks(0, 1),
                    {{"N36", "Выбрать две активные недели"},
                     {"N38", "Выбрать 1 неделю кроме дополнительных"},
                     {"N77", "Выбрать только реальные недели(от 1 до 52)"}}});
    // The exams editor wants real weeks before it counts them.
    list.push_back({"a real and an additional week",
                    weeks(1, 1),
                    {{"N8", "Выбрано более одной активной недели"},
                     {"N66", "Выбрано более одной активной недели"},
                     {"N38", "Выбрано более 1 активной недели"},
                     {"N77", "Выбрать только реальные недели(от 1 до 52)"},
                     {"N506", "Выберите 1 активную неделю"}}});
    {
        // Nothing at all: the first check of each item speaks; the planned
        // load of a teacher asks for the reference data before the weeks.
        auto m = refusing(kWithWeeks, "Нет выбранных активных недель.");
        merge(m, refusing(kWithReference, "Введите названия групп "));
        m["N49"] = "Введите названия групп ";
        merge(m, refusing({"N24", "N29"}, "Введите фамилии преподавателей"));
        list.push_back({"nothing", TMenuFacts{}, m});
    }
    return list;
}

// Catches a check missing from an item, one in the wrong order, a message
// that differs by a blank or a letter, and a check given to the wrong item.
TEST(MenuRefusal, EveryItemRefusesExactlyWhereItsChecksFail) {
    for (const Scenario& s : scenarios()) {
        for (const TMenuItem& item : MenuItems()) {
            const auto it = s.refused.find(item.component);
            const std::optional<std::string> expected =
                it == s.refused.end() ? std::nullopt : std::optional<std::string>(it->second);
            EXPECT_EQ(MenuRefusal(item.component, s.facts), expected)
                << s.name << ": " << item.component;
        }
        for (const auto& [component, text] : s.refused)
            EXPECT_NE(FindMenuItem(component), nullptr) << s.name << ": " << component;
    }
    EXPECT_EQ(MenuRefusal("N999", TMenuFacts{}), std::nullopt);
}

TEST(MenuRefusal, NoVxodMenuNamesTheFirstMissingList) {
    TMenuFacts f = ready();
    EXPECT_EQ(NoVxodMenu(f), std::nullopt);
    f.subjects = 0;
    EXPECT_EQ(NoVxodMenu(f), "Введите названия предметов");
    f.teachers = 0;
    EXPECT_EQ(NoVxodMenu(f), "Введите Фамилии  преподавателей");
    f.groups = 0;
    EXPECT_EQ(NoVxodMenu(f), "Введите названия групп ");
}

// Catches an item lost, doubled or put under the wrong menu, a caption that
// lost its accelerator or trailing blank, and a tool button on the wrong item.
TEST(MenuItems, FollowTheMenuBarInOrder) {
    const auto& items = MenuItems();
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items.front().component, "N69");
    EXPECT_EQ(items.back().component, "N5");
    EXPECT_EQ(items.back().path, (std::vector<std::string>{"Вы&Ход"}));

    Set components;
    std::vector<std::string> tops;
    for (const TMenuItem& item : items) {
        EXPECT_TRUE(components.insert(item.component).second) << item.component;
        ASSERT_FALSE(item.path.empty());
        if (tops.empty() || tops.back() != item.path.front()) tops.push_back(item.path.front());
        EXPECT_EQ(FindMenuItem(item.component), &item);
    }
    // The quality item is the one beyond the bar's original sixty.
    EXPECT_EQ(items.size(), 62u);
    // Each menu of the bar is one run of items.
    EXPECT_EQ(tops, (std::vector<std::string>{"&Год", "&Расписание", "&Замены", "&Вычитка",
                                              "Справка", "Доп. Возможности", "Вы&Ход"}));
    EXPECT_EQ(FindMenuItem("N999"), nullptr);

    EXPECT_EQ(FindMenuItem("N26")->path,
              (std::vector<std::string>{"&Расписание", "Ввод &Данных", "Время проведения уроков"}));
    EXPECT_EQ(FindMenuItem("N51")->path,
              (std::vector<std::string>{"&Расписание", "Составление расписания",
                                        "Предварительные установки "}));
    EXPECT_EQ(FindMenuItem("N21")->path.back(), "Составление расписания c \"0\"");
    EXPECT_EQ(FindMenuItem("N46")->path.back(), "Приоритет  преподавателей");
    EXPECT_EQ(FindMenuItem("N61")->path,
              (std::vector<std::string>{"Доп. Возможности", "Резервное копирование "}));
    EXPECT_EQ(FindMenuItem("XML1")->path,
              (std::vector<std::string>{"Доп. Возможности", "Экспорт данных",
                                        "Экспорт расписания в файл  XML"}));
    EXPECT_EQ(FindMenuItem("N506")->path[1], "Экспорт данных");
    EXPECT_EQ(FindMenuItem("N54")->path,
              (std::vector<std::string>{"Доп. Возможности", "Импорт данных", "Импорт из файла"}));
    EXPECT_EQ(FindMenuItem("N33")->path[1], "Составление расписания");
    EXPECT_EQ(FindMenuItem("N68")->path[0], "Доп. Возможности");

    const std::map<std::string, std::pair<std::string, std::string>> buttons = {
        {"N10", {"SpeedButton12", "Группы"}},
        {"N11", {"SpeedButton13", "Преподаватели"}},
        {"N12", {"SpeedButton14", "Предметы"}},
        {"N13", {"SpeedButton15", "Аудитории"}},
        {"N14", {"SpeedButton4", "График  учебы"}},
        {"N15", {"SpeedButton1", "Предметы, нагрузка по неделям"}},
        {"N18", {"SpeedButton5", "Преподаватели по предмету"}},
        {"N20", {"SpeedButton6", "Объединения"}},
        {"N24", {"SpeedButton8", "Ограничения преподавателей"}},
        {"N29", {"SpeedButton11", "Желательное количество рабочих дней"}},
        {"N46", {"SpeedButton16", "Приоретет преподавателей"}},
        {"N51", {"SpeedButton7", "Предварительные установки"}},
        {"N32", {"SpeedButton2", "Редактор расписания"}},
        {"N38", {"SpeedButton10", "Добавление вне расписания по выбранной фамилии"}},
        {"N77", {"SpeedButton17", ""}},
        {"N39", {"SpeedButton9", "Диспетчер аудиторий"}},
    };
    for (const TMenuItem& item : items) {
        const auto b = buttons.find(item.component);
        if (b == buttons.end()) {
            EXPECT_EQ(item.speedButton, "") << item.component;
            continue;
        }
        EXPECT_EQ(item.speedButton, b->second.first) << item.component;
        EXPECT_EQ(item.hint, b->second.second) << item.component;
    }
}

TEST(MenuItems, WindowsAndSavingFollowTheTable) {
    const Set saving = {"N14", "N21", "N110", "N33", "N71", "N38", "N39"};
    for (const TMenuItem& item : MenuItems())
        EXPECT_EQ(item.saves, saving.count(item.component) == 1) << item.component;
    EXPECT_EQ(FindMenuItem("N69")->window, "TForm1_1");
    EXPECT_EQ(FindMenuItem("N21")->window, "TForm8");
    EXPECT_EQ(FindMenuItem("N33")->window, "TForm30");
    for (const char* word : {"WORD1", "WORD2", "WORD3", "WORD4"})
        EXPECT_EQ(FindMenuItem(word)->window, "TForm34");
    EXPECT_EQ(FindMenuItem("N77")->window, "TForm31");
    EXPECT_EQ(FindMenuItem("N54")->window, "TForm19_1");
    EXPECT_EQ(FindMenuItem("N5")->window, "");
}

}  // namespace
}  // namespace zavlin::shell
