#include "shell/menu.h"

#include <algorithm>

namespace zavlin::shell {

namespace {

// One condition an item needs before its window opens.
enum class Check {
    Weeks,             // at least one active week
    Reference,         // NoVxodMenu
    Groups,            // any group
    ManyGroups,        // more than one group
    Teachers,          // any teacher (the data-entry windows' text)
    ReferenceTeacher,  // any teacher (NoVxodMenu's text)
    ReferenceSubject,  // any subject (NoVxodMenu's text)
    Rooms,             // any room (priority window's text)
    RoomsNamed,        // any room (dispatcher's text)
    Attributes,        // a user attribute besides the built-in ones
    UnderFiveWeeks,
    UnderTwoWeeks,
    AtMostOneWeek,
    AtMostThreeWeeks,
    TwoWeeks,
    OneWeek,
    OneRealWeek,    // exactly one of weeks 1..52
    OnlyRealWeeks,  // some of weeks 1..52, none of 53..56
};

struct Row {
    TMenuItem item;
    std::vector<Check> checks;
};

const std::string kGroupsMissing = "Введите названия групп ";
const std::string kTeachersMissing = "Введите Фамилии  преподавателей";
const std::string kSubjectsMissing = "Введите названия предметов";

std::optional<std::string> failed(Check check, const TMenuFacts& f) {
    auto refuse = [](bool holds, const char* text) -> std::optional<std::string> {
        if (holds) return std::nullopt;
        return std::string(text);
    };
    switch (check) {
        case Check::Weeks:
            return refuse(f.activeWeeks > 0, kNoActiveWeeksText);
        case Check::Reference:
            return NoVxodMenu(f);
        case Check::Groups:
            return refuse(f.groups > 0, "Введите названия групп");
        case Check::ManyGroups:
            return refuse(f.groups > 1, "Введите названия групп более двух");
        case Check::Teachers:
            return refuse(f.teachers > 0, "Введите фамилии преподавателей");
        case Check::ReferenceTeacher:
            return refuse(f.teachers > 0, kTeachersMissing.c_str());
        case Check::ReferenceSubject:
            return refuse(f.subjects > 0, kSubjectsMissing.c_str());
        case Check::Rooms:
            return refuse(f.rooms > 0, "Введите аудитории");
        case Check::RoomsNamed:
            return refuse(f.rooms > 0, "Введите названия аудиторий");
        case Check::Attributes:
            return refuse(f.attributes > 0, "Отсутствуют дополнительные внесеточные атрибуты.");
        case Check::UnderFiveWeeks:
            return refuse(f.activeWeeks < 5, "Выбрано более 4 активных недель");
        case Check::UnderTwoWeeks:
            return refuse(f.activeWeeks < 2, "Выбрано более 1 активной недели");
        case Check::AtMostOneWeek:
            return refuse(f.activeWeeks <= 1, "Выбрано более одной активной недели");
        case Check::AtMostThreeWeeks:
            return refuse(f.activeWeeks <= 3, "Выбрано более 3 активных недель");
        case Check::TwoWeeks:
            return refuse(f.activeWeeks == 2, "Выбрать две активные недели");
        case Check::OneWeek:
            return refuse(f.activeWeeks == 1, "Выберите 1 активную неделю");
        case Check::OneRealWeek:
            return refuse(f.activeRealWeeks == 1, "Выбрать 1 неделю кроме дополнительных");
        case Check::OnlyRealWeeks:
            return refuse(f.activeRealWeeks >= 1 && f.activeExtraWeeks == 0,
                          "Выбрать только реальные недели(от 1 до 52)");
    }
    return std::nullopt;
}

using P = std::vector<std::string>;
using C = std::vector<Check>;

const char* const kYear = "&Год";
const char* const kRasp = "&Расписание";
const char* const kInput = "Ввод &Данных";
const char* const kCompose = "Составление расписания";
const char* const kZam = "&Замены";
const char* const kVych = "&Вычитка";
const char* const kHelp = "Справка";
const char* const kMore = "Доп. Возможности";
const char* const kExport = "Экспорт данных";
const char* const kImport = "Импорт данных";

Row row(const char* component, P path, const char* window, C checks = {}, bool saves = false,
        const char* button = "", const char* hint = "") {
    return Row{TMenuItem{component, std::move(path), window, button, hint, saves},
               std::move(checks)};
}

const std::vector<Row>& rows() {
    using enum Check;
    // The composition and editor windows need a real timetable to work on.
    const C settings = {Weeks, ManyGroups, ReferenceTeacher, ReferenceSubject, UnderFiveWeeks};
    static const std::vector<Row> table = {
        row("N69", {kYear, "Новый учебный год"}, "TForm1_1"),
        row("N70", {kYear, "Удалить учебный год"}, ""),
        row("N26", {kRasp, kInput, "Время проведения уроков"}, "TForm1_0"),
        row("N10", {kRasp, kInput, "Ввод названий групп"}, "TForm2", {}, false, "SpeedButton12",
            "Группы"),
        row("N11", {kRasp, kInput, "Ввод фамилий"}, "TForm3", {}, false, "SpeedButton13",
            "Преподаватели"),
        row("N12", {kRasp, kInput, "Ввод предметов"}, "TForm4", {}, false, "SpeedButton14",
            "Предметы"),
        row("N17", {kRasp, kInput, "Список корпусов"}, "TForm6"),
        row("N13", {kRasp, kInput, "Список аудиторий"}, "TForm7", {}, false, "SpeedButton15",
            "Аудитории"),
        row("N22", {kRasp, kInput, "Список атрибутов"}, "TForm17"),
        row("N14", {kRasp, kInput, "График учебы"}, "TForm12", {Weeks, Groups}, true,
            "SpeedButton4", "График  учебы"),
        row("N15", {kRasp, kInput, "Предметы, нагрузка по неделям"}, "TForm5", {Weeks, Groups},
            false, "SpeedButton1", "Предметы, нагрузка по неделям"),
        row("N18", {kRasp, kInput, "Преподаватели по предмету"}, "TForm5_2", {Weeks, Groups}, false,
            "SpeedButton5", "Преподаватели по предмету"),
        row("N20", {kRasp, kInput, "Объединения"}, "TForm13", {Weeks, Groups}, false,
            "SpeedButton6", "Объединения"),
        row("N24", {kRasp, kInput, "Ограничения преподавателей"}, "TForm14", {Teachers}, false,
            "SpeedButton8", "Ограничения преподавателей"),
        row("N29", {kRasp, kInput, "Желательное количество рабочих дней"}, "TForm15", {Teachers},
            false, "SpeedButton11", "Желательное количество рабочих дней"),
        row("N46", {kRasp, kInput, "Приоритет  преподавателей"}, "TForm16", {Reference, Rooms},
            false, "SpeedButton16", "Приоретет преподавателей"),
        row("N51", {kRasp, kCompose, "Предварительные установки "}, "TForm10", settings, false,
            "SpeedButton7", "Предварительные установки"),
        row("N21", {kRasp, kCompose, "Составление расписания c \"0\""}, "TForm8",
            {Weeks, Reference}, true),
        row("N110", {kRasp, kCompose, "Пересоставление расписания"}, "TForm9", {Weeks, Reference},
            true),
        row("N33", {kRasp, kCompose, "Синхронизация расписания"}, "TForm30", {Weeks, Reference},
            true),
        // The quality of the composed weeks, without opening the editor.
        row("N79", {kRasp, kCompose, "Оценка качества расписания"}, "TForm11_12",
            {Weeks, Reference}),
        row("N71", {kRasp, kCompose, "Копирование нагрузки и расписания"}, "TForm43",
            {Weeks, Reference}, true),
        row("N40", {kRasp, "Сводная таблица для группы (планируемая)"}, "TForm5_5", {Reference}),
        row("N49", {kRasp, "Планируемая нагрузка преподавателя"}, "TForm41", {Reference, Weeks}),
        row("N74", {kRasp, "Предмет в группах  по плану"}, "TForm45", {Reference}),
        row("N55", {kRasp, "Расписание  для группы на год (с заменами)"}, "TForm25", {Reference}),
        row("N45", {kRasp, "Расписание для преподавателя на год(с заменами)"}, "TForm26",
            {Reference}),
        row("N57", {kRasp, "Группы преподавателя на год (с заменами)"}, "TForm27", {Reference}),
        row("N42", {kRasp, "Шахматка преподавателей на выбранные недели (с заменами)"}, "TForm42",
            {Weeks, Reference}),
        row("N78", {kRasp, "Шахматка групп на выбранные недели(с заменами)"}, "TForm48",
            {Weeks, Reference}),
        row("N8", {kRasp, "Печать на карточку на один день(с заменами)"}, "TForm28",
            {Weeks, Reference, AtMostOneWeek}),
        row("N66", {kRasp, "Печать на стенд на неделю(с заменами)"}, "TForm29",
            {Weeks, Reference, AtMostOneWeek}),
        row("N36", {kRasp, "Печать на стенд Числитель-Знаменатель"}, "TForm36",
            {Weeks, Reference, TwoWeeks}),
        row("WORD1", {kRasp, "Экспорт расписания  групп в WORD"}, "TForm34", {Weeks, Reference}),
        row("WORD2", {kRasp, "Экспорт расписания преподавателей в WORD"}, "TForm34",
            {Weeks, Reference}),
        row("WORD3", {kRasp, "Экспорт консультаций и экзаменов  групп в WORD"}, "TForm34",
            {Weeks, Reference}),
        row("WORD4", {kRasp, "Экспорт консультаций и экзаменов  преподавателей в WORD"}, "TForm34",
            {Weeks, Reference}),
        row("N32", {kZam, "&Редактор расписания и ввод замен"}, "TForm11", settings, false,
            "SpeedButton2", "Редактор расписания"),
        row("N38", {kZam, "Дополнения вне расписания"}, "TForm38",
            {Weeks, Reference, Attributes, UnderTwoWeeks, OneRealWeek}, true, "SpeedButton10",
            "Добавление вне расписания по выбранной фамилии"),
        row("N77", {kZam, "Редактор экзаменов"}, "TForm31",
            {Weeks, Reference, OnlyRealWeeks, AtMostThreeWeeks}, false, "SpeedButton17"),
        row("N39", {kZam, "&Диспетчер аудиторий с заменами"}, "TForm32",
            {Weeks, Reference, RoomsNamed, UnderFiveWeeks}, true, "SpeedButton9",
            "Диспетчер аудиторий"),
        row("N44", {kVych, "&Вычитка по предмету"}, "TForm37", {Reference}),
        row("N43", {kVych, "Вычитк&а преподавателя"}, "TForm21", {Reference}),
        row("N37", {kVych, "Вычитка по группе"}, "TForm20", {Reference}),
        row("N211", {kVych, "Ведомость &группы за месяц"}, "TForm22", {Reference}),
        row("N59", {kVych, "Ведомость преподавателя за &месяц"}, "TForm23", {Reference}),
        row("N28", {kVych, "Ведомость группы сводная"}, "TForm35", {Reference}),
        row("N310", {kVych, "Ведомость преподавателя сводная"}, "TForm24", {Reference}),
        row("N41", {kVych, "Ведомость сводная всех преподователей для каждой группы"}, "TForm40",
            {Reference}),
        row("N34", {kVych, "Ведомость сводная всех  преподавателей для  всех групп"}, "TForm39",
            {Reference}),
        row("N48", {kHelp, "О программе"}, ""),
        row("N50", {kHelp, "О меню"}, ""),
        row("N56", {kHelp, "Как мне ?"}, ""),
        row("N61", {kMore, "Резервное копирование "}, "TCopyFileBaza"),
        row("N62", {kMore, "Резервное восстановление"}, "TCopyFileBaza"),
        row("N25", {kMore, "Версия сборки"}, ""),
        row("N68", {kMore, "Синхронизация расписания"}, "", {Weeks, Reference}),
        row("XML1", {kMore, kExport, "Экспорт расписания в файл  XML"}, "TForm50",
            {Weeks, Reference}),
        row("N506", {kMore, kExport, "Экспорт на WEB"}, "TForm53", {Weeks, Reference, OneWeek}),
        // The timetables of groups and teachers as linked web pages for the site.
        row("HTML1", {kMore, kExport, "Расписание на сайт (HTML)"}, "TForm33", {Weeks, Reference}),
        row("N54", {kMore, kImport, "Импорт из файла"}, "TForm19_1"),
        row("N5", {"Вы&Ход"}, ""),
    };
    return table;
}

const Row* findRow(const std::string& component) {
    const auto& all = rows();
    const auto it = std::find_if(all.begin(), all.end(),
                                 [&](const Row& r) { return r.item.component == component; });
    return it == all.end() ? nullptr : &*it;
}

}  // namespace

const std::vector<TMenuItem>& MenuItems() {
    static const std::vector<TMenuItem> items = [] {
        std::vector<TMenuItem> list;
        for (const Row& r : rows()) list.push_back(r.item);
        return list;
    }();
    return items;
}

const TMenuItem* FindMenuItem(const std::string& component) {
    const auto& items = MenuItems();
    const auto it = std::find_if(items.begin(), items.end(),
                                 [&](const TMenuItem& i) { return i.component == component; });
    return it == items.end() ? nullptr : &*it;
}

std::optional<std::string> MenuRefusal(const std::string& component, const TMenuFacts& facts) {
    const Row* r = findRow(component);
    if (r == nullptr) return std::nullopt;
    for (Check check : r->checks)
        if (auto text = failed(check, facts)) return text;
    return std::nullopt;
}

std::optional<std::string> NoVxodMenu(const TMenuFacts& facts) {
    if (facts.groups <= 0) return kGroupsMissing;
    if (facts.teachers <= 0) return kTeachersMissing;
    if (facts.subjects <= 0) return kSubjectsMissing;
    return std::nullopt;
}

std::string WindowNotReadyText(const std::string& caption) {
    return "Окно «" + caption + "» ещё не готово в этой версии.";
}

}  // namespace zavlin::shell
