// A college entered from an empty database through the windows alone, as
// the window program runs them: the main window makes the year, its menu
// opens the data-entry windows, which take a building, rooms, teachers,
// subjects, lesson times, groups, their calendar, load and teachers per
// subject; the active week is chosen by name as the load window offers it.
// After each window the tables are read beside the program, so a window that
// keeps a change only in memory fails at once. The command line then
// composes the week and gives it rooms, and a fresh shell reads back every
// item as it was typed. Questions are answered by a scripted dialog; modal
// windows are driven once they are shown.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/my_dialog.h"
#include "entry/ui/active_weeks_window.h"
#include "entry/ui/building_dialog.h"
#include "entry/ui/buildings_window.h"
#include "entry/ui/calendar_window.h"
#include "entry/ui/entry_windows.h"
#include "entry/ui/group_dialog.h"
#include "entry/ui/groups_window.h"
#include "entry/ui/lesson_times_window.h"
#include "entry/ui/load_subject_dialog.h"
#include "entry/ui/load_window.h"
#include "entry/ui/pairs_dialog.h"
#include "entry/ui/room_dialog.h"
#include "entry/ui/rooms_window.h"
#include "entry/ui/subject_dialog.h"
#include "entry/ui/subject_teachers_window.h"
#include "entry/ui/subjects_window.h"
#include "entry/ui/teacher_dialog.h"
#include "entry/ui/teachers_window.h"
#include "entry_fixture.h"
#include "model/building.h"
#include "model/god.h"
#include "model/room.h"
#include "model/subject_name.h"
#include "model/teacher.h"
#include "shell/instance.h"
#include "shell/shell.h"
#include "shell/ui/hgrid.h"
#include "shell/ui/list_box_numer.h"
#include "shell/ui/main_window.h"
#include "shell/ui/new_year_dialog.h"
#include "storage/year_database.h"
#include "support/scratch_home.h"

namespace fs = std::filesystem;
using namespace zavlin;
using namespace zavlin::entry::ui;
using zavlin::shell::TShell;
using zavlin::shell::ui::TComboBoxNumer;
using zavlin::shell::ui::TForm1;
using zavlin::shell::ui::TForm1_1;
using zavlin::shell::ui::TListBoxNumer;
using zavlin::testsupport::ScratchHome;
using namespace zavlin::test;

namespace {

constexpr int kLong = 60000;  // a start-up or a year made under the sanitizers
constexpr int kYear = 2026;
constexpr int kComposedWeek = 2;
constexpr int kFirstStudyWeek = 1;
constexpr int kLastStudyWeek = 4;
constexpr int kStudyWeekCount = kLastStudyWeek - kFirstStudyWeek + 1;

// What the dispatcher types; the read-back compares against the same values.
struct Room {
    const char* name;
    int seats;
};
struct Teacher {
    const char* surname;
    const char* name;
    const char* patronymic;
    const char* position;
    int days;
    const char* bigName;  // as the model keeps the full name
};
struct Subject {
    const char* shortName;
    const char* bigName;
    int hours;  // chosen in "Количество пар в неделю" over the study weeks
    int pairsPerWeek;  // half the hours, spread evenly over the study weeks
};
struct Group {
    const char* name;
    int students;
    int course;
};
struct Period {
    int row;  // 1-based grid row
    const char* start;
    const char* length;
    int startMinutes;
    int lengthMinutes;
};

const char* const kBuilding = "Главный корпус";
constexpr int kBuildingColour = 3;
const std::array<Room, 2> kRooms = {{{"101", 30}, {"205", 24}}};
const std::array<Teacher, 2> kTeachers = {{
    {"Смирнова", "Анна", "Петровна", "доцент", 5, "Смирнова Анна Петровна"},
    {"Кузнецов", "Олег", "Игоревич", "преподаватель", 4, "Кузнецов Олег Игоревич"},
}};
// Each subject is taught by the teacher of the same index.
const std::array<Subject, 2> kSubjects = {{
    {"Матем", "Высшая математика", 16, 2},
    {"Физ", "Общая физика", 8, 1},
}};
const std::array<Group, 2> kGroups = {{{"ЭК-11", 22, 1}, {"ПИ-21", 18, 2}}};
const std::array<Period, 2> kTypedPeriods = {
    {{1, "08:30", "1:30", 510, 90}, {2, "10:10", "1:30", 610, 90}}};

void typeInto(QWidget* dialog, const char* edit, const char* text) {
    retype(dialog, edit, QString::fromUtf8(text));
}

void setSpin(QWidget* dialog, const char* spin, int value) {
    auto* box = child<QSpinBox>(dialog, spin);
    box->selectAll();
    QTest::keyClicks(box, QString::number(value));
    QCOMPARE(box->value(), value);
}

void typeCell(THGrid* grid, int col, int row, const char* text) {
    clickCell(grid, col, row);
    QTest::keyClicks(grid, QString::fromLatin1(text));
    QTest::keyClick(grid, Qt::Key_Return);
    QCOMPARE(grid->Cells(col, row), QString::fromLatin1(text));
}

// Steps a window with group arrows to the group named name.
template <class W>
void stepToGroup(W* window, const char* name) {
    for (int i = 0; i < 2 * static_cast<int>(kGroups.size()); ++i) {
        if (window->Group() != nullptr && window->Group()->Name() == name) return;
        click(window, i < static_cast<int>(kGroups.size()) ? "PrevGroupButton" : "NextGroupButton");
    }
    QVERIFY2(window->Group() != nullptr && window->Group()->Name() == name, name);
}

// The year as the tables hold it now, read beside the running program (the
// way the next start would read it), so a window that keeps a change only in
// memory is caught at once.
struct StoredYear {
    TScriptedDialog quiet;
    TDM1 dm;
    TAllRasp year{dm};
    TAllGod all{dm};
    bool loaded = false;

    explicit StoredYear(const fs::path& home) : dm(home, quiet) {
        year.YGod = kYear;
        loaded = year.LoadYear();
        all.LoadTimeYrok();
    }
    std::string activeWeeks() {
        return dm.FGodini.ReadString("YhGod" + std::to_string(kYear), "Week");
    }
};

bool inStudyWeeks(int ne) {
    return ne >= kFirstStudyWeek && ne <= kLastStudyWeek;
}

TYrName* subjectName(TAllRasp& year, const Subject& s) {
    return year.FindYrNameForName(s.shortName);
}

void checkRooms(TAllRasp& year) {
    TDom* dom = year.FindDom(kBuilding);
    QVERIFY(dom != nullptr);
    QCOMPARE(int(dom->ColorFont), kBuildingColour);
    QCOMPARE(year.CountAyd(), static_cast<int>(kRooms.size()));
    for (const Room& room : kRooms) {
        TAyd* ayd = year.FindAyd(kBuilding, room.name);
        QVERIFY2(ayd != nullptr, room.name);
        QCOMPARE(int(ayd->kv), room.seats);
        QCOMPARE(ayd->Dom(), dom);
    }
}

void checkTeachersAndSubjects(TAllRasp& year) {
    QCOMPARE(year.CountFio(), static_cast<int>(kTeachers.size()));
    for (const Teacher& t : kTeachers) {
        TFio* fio = year.FindFioForBigName(t.bigName);
        QVERIFY2(fio != nullptr, t.bigName);
        QCOMPARE(fio->Dolg(), std::string(t.position));
        QCOMPARE(fio->Rday(), t.days);
    }
    QCOMPARE(year.CountYrName(), static_cast<int>(kSubjects.size()));
    for (const Subject& s : kSubjects) {
        TYrName* name = subjectName(year, s);
        QVERIFY2(name != nullptr, s.shortName);
        QCOMPARE(name->BigName(), std::string(s.bigName));
    }
}

// Minutes from midnight, as the times are kept.
void checkLessonTimes(TAllGod& all) {
    for (const Period& p : kTypedPeriods) {
        QCOMPARE(all.GetTimeYrok(p.row - 1).Tn(), p.startMinutes);
        QCOMPARE(all.GetTimeYrok(p.row - 1).Td(), p.lengthMinutes);
    }
}

// The first group starts with the first period and studies Monday to
// Friday, the second with the second period, Monday to Saturday.
bool studyDay(std::size_t group, int day) {
    return day <= 5 || (day == 6 && group == 1);
}

void checkGroups(TAllRasp& year) {
    QCOMPARE(year.CountGryp(), static_cast<int>(kGroups.size()));
    for (std::size_t gi = 0; gi < kGroups.size(); ++gi) {
        const Group& g = kGroups[gi];
        TGryp* gr = year.FindGrypForName(g.name);
        QVERIFY2(gr != nullptr, g.name);
        QCOMPARE(int(gr->Dan.Ks), g.students);
        QCOMPARE(int(gr->Dan.Kyrs), g.course);
        QCOMPARE(int(gr->Dan.TimeDay), static_cast<int>(gi));
        for (int day = 1; day <= 7; ++day)
            QCOMPARE(gr->Dan.arRDeyNed[static_cast<std::size_t>(day - 1)] != 0, studyDay(gi, day));
    }
}

void checkStudyWeeks(TAllRasp& year) {
    for (const Group& g : kGroups) {
        TGryp* gr = year.FindGrypForName(g.name);
        QVERIFY2(gr != nullptr, g.name);
        for (int ne = 1; ne <= kWeeks; ++ne) QCOMPARE(gr->TestNed(ne), inStudyWeeks(ne));
    }
}

// Every subject in every group, its pairs in each study week and none
// outside; with teachers, each subject's teacher in each study week only.
void checkLoad(TAllRasp& year, bool withTeachers) {
    for (const Group& g : kGroups) {
        TGryp* gr = year.FindGrypForName(g.name);
        QVERIFY2(gr != nullptr, g.name);
        QCOMPARE(gr->CountPredmet(), static_cast<int>(kSubjects.size()));
        for (std::size_t si = 0; si < kSubjects.size(); ++si) {
            const Subject& s = kSubjects[si];
            TYrName* name = subjectName(year, s);
            QVERIFY(name != nullptr);
            TPredmet* pr = gr->FindFirstPredmetForYrName(name->N);
            QVERIFY2(pr != nullptr, s.shortName);
            TFio* teacher = year.FindFioForBigName(kTeachers[si].bigName);
            QVERIFY(teacher != nullptr);
            for (int ne = 1; ne <= kWeeks; ++ne) {
                QCOMPARE(pr->CountPredmetNe(kSetkaPlan, ne), inStudyWeeks(ne) ? s.pairsPerWeek : 0);
                if (!withTeachers) continue;
                QCOMPARE(pr->CountFio(ne), inStudyWeeks(ne) ? 1 : 0);
                QCOMPARE(pr->FindFioPredmet(ne, teacher) != nullptr, inStudyWeeks(ne));
            }
        }
    }
}

// "1" for an active week item, "0" for the others, as god.Ini keeps them.
std::string activeWeekFlags() {
    std::string flags(shell::kWeekItems, '0');
    flags[kComposedWeek - 1] = '1';
    return flags;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines) all += line + "\n";
    return all;
}

}  // namespace

class EntryWalkthroughTest : public QObject {
    Q_OBJECT

    ScratchHome home_{"walkthrough"};
    TScriptedDialog dialog_;
    std::unique_ptr<shell::TInstanceLock> running_;  // as the program holds it for its run
    std::unique_ptr<TForm1> main_;

    TWindowContext& context() { return main_->WindowContext(); }
    TGod& year() { return *main_->Shell().God(); }

    // The tables as they are now.
    std::unique_ptr<StoredYear> stored() { return std::make_unique<StoredYear>(home_.path()); }

    // Runs act on the window the menu item opens; the item returns once act
    // closed it.
    template <class W>
    void fromMenu(const char* component, std::function<void(W*)> act) {
        QAction* item = main_->MenuAction(component);
        QVERIFY2(item != nullptr && item->isEnabled(), component);
        const auto shown = whenModal<W>(act);
        item->trigger();
        QVERIFY2(shown.shown(), component);
    }

    // The subject row's pairs over the study weeks and two weeks past them,
    // which are not study weeks and take nothing.
    void spreadPairs(TForm5* window, int index) {
        const Subject& s = kSubjects[static_cast<std::size_t>(index)];
        const int row = TForm5::SubjectRow(index);
        QCOMPARE(window->Grid()->Cells(1, row), QString::fromUtf8(s.shortName));
        selectCells(window->Grid(), TForm5::WeekCol(kFirstStudyWeek), row,
                    TForm5::WeekCol(kLastStudyWeek + 2), row);
        const auto shown = whenModal<TForm5_3>([&s](TForm5_3* d) {
            QCOMPARE(child<QLabel>(d, "WeeksLabel")->text(),
                     QStringLiteral("Выделено учебных недель :%1").arg(kStudyWeekCount));
            child<QListWidget>(d, "ListBox")->setCurrentRow(s.hours);
            click(d, "YesButton");
        });
        click(window, "PairsButton");
        QVERIFY(shown.shown());
        QCOMPARE(window->Grid()->Cells(TForm5::WeekCol(kComposedWeek), row),
                 QString::number(s.pairsPerWeek));
    }

    void noMessages() {
        QVERIFY2(dialog_.shown.empty(), joined(dialog_.shown).c_str());
        dialog_.asked.clear();
    }

    int runCli(const QStringList& args, QString& out) {
        QProcess cli;
        cli.setProgram(QStringLiteral(ZAVLIN_CLI));
        cli.setArguments(args);
        cli.start();
        if (!cli.waitForFinished(-1)) return -1;
        out = QString::fromUtf8(cli.readAllStandardOutput()) +
              QString::fromUtf8(cli.readAllStandardError());
        return cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    }

private slots:
    // The window program on an empty database; "N69" makes the year.
    void yearMadeInTheMainWindow() {
        std::string message;
        QVERIFY2(home_.MakeDatabase(message), message.c_str());
        std::optional<shell::TInstanceRecord> other;
        running_ = shell::TInstanceLock::AcquireWindow(home_.path(), "zavlin", other, message);
        QVERIFY2(running_ != nullptr && message.empty(), message.c_str());
        main_ = std::make_unique<TForm1>(home_.path(), dialog_);
        main_->CopyBaza().PauseMs = 0;
        main_->helpOpener = [](const QString&) { return true; };
        main_->windowOpeners.push_back(OpenEntryWindow);
        QSignalSpy started(main_.get(), &TForm1::started);
        main_->show();
        main_->Start();
        QTRY_COMPARE_WITH_TIMEOUT(started.count(), 1, kLong);
        QCOMPARE(started.at(0).at(0).toInt(), static_cast<int>(shell::TStartOutcome::Running));
        QVERIFY(main_->Shell().God() == nullptr);

        QSignalSpy changed(main_.get(), &TForm1::yearsChanged);
        main_->MenuAction("N69")->trigger();
        TForm1_1* form = main_->NewYearWindow();
        QTRY_VERIFY(form->isVisible());
        child<QSpinBox>(form, "SpinEdit1")->setValue(kYear);
        click(form, "OkButton");
        QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, kLong);
        QTRY_VERIFY_WITH_TIMEOUT(!main_->busy(), kLong);
        QVERIFY(main_->Shell().God() != nullptr);
        QCOMPARE(int(year().YGod), kYear);
        QCOMPARE(year().CountGryp(), 0);
        noMessages();
    }

    void buildingAndRooms() {
        QVERIFY(main_ && main_->Shell().God() != nullptr);
        fromMenu<TForm6>("N17", [this](TForm6* window) {
            const auto added = whenModal<TForm6_1>([](TForm6_1* d) {
                typeInto(d, "NameEdit", kBuilding);
                child<QComboBox>(d, "ColorBox")->setCurrentIndex(kBuildingColour);
                click(d, "OkButton");
            });
            click(window, "AddButton");
            QVERIFY(added.shown());
            click(window, "OkButton");
        });
        fromMenu<TForm7>("N13", [this](TForm7* window) {
            for (const Room& room : kRooms) {
                const auto added = whenModal<TForm7_1>([&room](TForm7_1* d) {
                    auto* doms = child<QComboBox>(d, "DomBox");
                    const int index = doms->findText(QString::fromUtf8(kBuilding));
                    QVERIFY(index >= 0);
                    doms->setCurrentIndex(index);
                    typeInto(d, "NameEdit", room.name);
                    setSpin(d, "SeatsSpin", room.seats);
                    click(d, "OkButton");
                });
                click(window, "AddButton");
                QVERIFY(added.shown());
            }
            QCOMPARE(listCount(window), static_cast<int>(kRooms.size()));
            click(window, "OkButton");
        });
        noMessages();
        auto now = stored();
        QVERIFY(now->loaded);
        checkRooms(now->year);
    }

    void teachersAndSubjects() {
        QVERIFY(main_ && main_->Shell().God() != nullptr);
        fromMenu<TForm3>("N11", [this](TForm3* window) {
            for (const Teacher& t : kTeachers) {
                const auto added = whenModal<TForm3_1>([&t](TForm3_1* d) {
                    typeInto(d, "SurnameEdit", t.surname);
                    typeInto(d, "NameEdit", t.name);
                    typeInto(d, "PatronymicEdit", t.patronymic);
                    typeInto(d, "PositionEdit", t.position);
                    setSpin(d, "DaysSpin", t.days);
                    click(d, "OkButton");
                });
                click(window, "AddButton");
                QVERIFY(added.shown());
            }
            QCOMPARE(listCount(window), static_cast<int>(kTeachers.size()));
            click(window, "OkButton");
        });
        fromMenu<TForm4>("N12", [this](TForm4* window) {
            for (const Subject& s : kSubjects) {
                const auto added = whenModal<TForm4_1>([&s](TForm4_1* d) {
                    typeInto(d, "ShortEdit", s.shortName);
                    typeInto(d, "BigEdit", s.bigName);
                    click(d, "OkButton");
                });
                click(window, "AddButton");
                QVERIFY(added.shown());
            }
            QCOMPARE(listCount(window), static_cast<int>(kSubjects.size()));
            click(window, "OkButton");
        });
        noMessages();
        auto now = stored();
        QVERIFY(now->loaded);
        checkTeachersAndSubjects(now->year);
    }

    // Before the groups, so that a group's first period is one typed here.
    void lessonTimes() {
        QVERIFY(main_ && main_->Shell().God() != nullptr);
        fromMenu<TForm1_0>("N26", [this](TForm1_0* window) {
            for (const Period& p : kTypedPeriods) {
                typeCell(window->Grid(), 1, p.row, p.start);
                typeCell(window->Grid(), 2, p.row, p.length);
            }
            click(window, "OkButton");
        });
        noMessages();
        checkLessonTimes(*main_->Shell().AllGod());
        auto now = stored();
        checkLessonTimes(now->all);
    }

    void groups() {
        QVERIFY(main_ && main_->Shell().God() != nullptr);
        fromMenu<TForm2>("N10", [this](TForm2* window) {
            for (std::size_t i = 0; i < kGroups.size(); ++i) {
                const Group& g = kGroups[i];
                const auto added = whenModal<TForm2_1>([&g, i](TForm2_1* d) {
                    typeInto(d, "NameEdit", g.name);
                    setSpin(d, "CountSpin", g.students);
                    setSpin(d, "CourseSpin", g.course);
                    auto* periods = child<QListWidget>(d, "PeriodList");
                    QVERIFY(periods->item(1)->text().contains(QStringLiteral("10:10")));
                    clickRow(periods, static_cast<int>(i));
                    for (int day = 1; day <= 7; ++day) {
                        auto* box = d->findChild<QCheckBox*>(QStringLiteral("DayCheck%1").arg(day));
                        QVERIFY(box != nullptr);
                        if (box->isChecked() != studyDay(i, day))
                            QTest::keyClick(box, Qt::Key_Space);
                        QCOMPARE(box->isChecked(), studyDay(i, day));
                    }
                    click(d, "OkButton");
                });
                click(window, "AddButton");
                QVERIFY(added.shown());
            }
            QCOMPARE(listCount(window), static_cast<int>(kGroups.size()));
            click(window, "OkButton");
        });
        noMessages();
        auto now = stored();
        QVERIFY(now->loaded);
        checkGroups(now->year);
    }

    // Weeks 1..4 of both groups made study weeks in one selection.
    void studyCalendar() {
        QVERIFY(main_ && main_->Shell().God() != nullptr);
        fromMenu<TForm12>("N14", [this](TForm12* window) {
            THGrid* grid = window->Grid();
            const int firstCol = TForm12::kFirstWeekCol + kFirstStudyWeek - 1;
            const int lastCol = TForm12::kFirstWeekCol + kLastStudyWeek - 1;
            const int lastRow = TForm12::kFirstGroupRow + static_cast<int>(kGroups.size()) - 1;
            QCOMPARE(grid->RowCount(), lastRow + 1);
            grid->SetLeftCol(firstCol);
            clickCell(grid, firstCol, TForm12::kFirstGroupRow);
            clickCell(grid, lastCol, lastRow, Qt::ShiftModifier);
            click(window, "StudyButton");
            for (int row = TForm12::kFirstGroupRow; row <= lastRow; ++row)
                for (int col = firstCol; col <= lastCol; ++col)
                    QVERIFY2(!grid->Cells(col, row).isEmpty(), "a study week shows its days");
            click(window, "OkButton");
        });
        noMessages();
        auto now = stored();
        QVERIFY(now->loaded);
        checkStudyWeeks(now->year);
    }

    // Both subjects added to each group, their pairs spread over the study
    // weeks with "Количество пар в неделю".
    void load() {
        QVERIFY(main_ && main_->Shell().God() != nullptr);
        fromMenu<TForm5>("N15", [this](TForm5* window) {
            for (const Group& g : kGroups) {
                stepToGroup(window, g.name);
                if (QTest::currentTestFailed()) return;
                for (const Subject& s : kSubjects) {
                    const TYrName* name = subjectName(year(), s);
                    QVERIFY(name != nullptr);
                    const int key = name->N;
                    const auto added = whenModal<TForm5_1>([key](TForm5_1* d) {
                        auto* names = child<TComboBoxNumer>(d, "SubjectBox");
                        const int index = names->findData(key);
                        QVERIFY(index >= 0);
                        names->setCurrentIndex(index);
                        click(d, "OkButton");
                    });
                    click(window, "AddSubjectButton");
                    QVERIFY(added.shown());
                }
                QCOMPARE(window->Group()->CountPredmet(), static_cast<int>(kSubjects.size()));
                for (std::size_t i = 0; i < kSubjects.size(); ++i)
                    spreadPairs(window, static_cast<int>(i));
            }
            click(window, "CloseButton");
        });
        noMessages();
        auto now = stored();
        QVERIFY(now->loaded);
        checkLoad(now->year, false);
    }

    // Each subject of each group gets its teacher, picked in the teacher
    // list, over the study weeks.
    void teachersPerSubject() {
        QVERIFY(main_ && main_->Shell().God() != nullptr);
        fromMenu<TForm5_2>("N18", [this](TForm5_2* window) {
            auto* subjects = child<TListBoxNumer>(window, "SubjectList");
            for (const Group& g : kGroups) {
                stepToGroup(window, g.name);
                if (QTest::currentTestFailed()) return;
                QCOMPARE(subjects->count(), static_cast<int>(kSubjects.size()));
                for (std::size_t i = 0; i < kSubjects.size(); ++i) {
                    clickRow(subjects, static_cast<int>(i));
                    QVERIFY(window->Subject() != nullptr);
                    QCOMPARE(window->Subject()->YrName()->Name(),
                             std::string(kSubjects[i].shortName));
                    TFio* teacher = year().FindFioForBigName(kTeachers[i].bigName);
                    QVERIFY(teacher != nullptr);
                    selectCells(window->Grid(), TForm5_2::kPairsCol, kFirstStudyWeek,
                                TForm5_2::kPairsCol, kLastStudyWeek);
                    const auto picked = whenModal<TForm3>([teacher](TForm3* list) {
                        TListBoxNumer* rows = list->List();
                        for (int row = 0; row < rows->count(); ++row)
                            if (rows->GetNumer(row) == teacher->N) rows->setCurrentRow(row);
                        click(list, "OkButton");
                    });
                    click(window, "AddTeacherButton");
                    QVERIFY(picked.shown());
                    QVERIFY(window->Grid()
                                ->Cells(TForm5_2::kTeachersCol, kComposedWeek)
                                .contains(QString::fromStdString(teacher->Name())));
                }
            }
            click(window, "CloseButton");
        });
        noMessages();
        auto now = stored();
        QVERIFY(now->loaded);
        checkLoad(now->year, true);
    }

    // Opened by name, as the load window offers it; the main window's week
    // list follows.
    void activeWeek() {
        QVERIFY(main_ && main_->Shell().God() != nullptr);
        const auto shown = whenModal<TForm1_3>([](TForm1_3* window) {
            auto* list = child<TListBoxNumer>(window, "ListBoxN");
            list->clearSelection();
            clickRow(list, kComposedWeek - 1);
            click(window, "OkButton");
        });
        QVERIFY(context().openWindow("TForm1_3"));
        QVERIFY(shown.shown());
        auto* weeks = child<TListBoxNumer>(main_.get(), "ListBoxN3");
        QCOMPARE(static_cast<int>(weeks->selectedItems().size()), 1);
        QVERIFY(weeks->item(kComposedWeek - 1)->isSelected());
        noMessages();
        QCOMPARE(stored()->activeWeeks(), activeWeekFlags());
    }

    // The window program lets the database go; the command line composes the
    // active week.
    void composedFromTheCommandLine() {
        QVERIFY(main_);
        QString out;
        const QString homeArg = QString::fromStdString(home_.str());
        const QStringList compose = {QStringLiteral("compose"), QStringLiteral("--home"), homeArg,
                                     QStringLiteral("--all"), QStringLiteral("--yes")};
        QVERIFY2(runCli(compose, out) != 0, "composed while the window program held the database");

        dialog_.queue(false);  // the backup reminder
        main_->close();
        QCOMPARE(dialog_.asked.size(), std::size_t{1});
        main_.reset();
        running_.reset();
        QVERIFY2(runCli(compose, out) == 0, qPrintable(out));
        const int given = runCli({QStringLiteral("rooms"), QStringLiteral("distribute"),
                                  QStringLiteral("--home"), homeArg, QStringLiteral("--week"),
                                  QString::number(kComposedWeek), QStringLiteral("--seats")},
                                 out);
        QVERIFY2(given == 0, qPrintable(out));
        int pairs = 0;
        for (const Subject& s : kSubjects) pairs += s.pairsPerWeek;
        const QString placed = QStringLiteral("week %1: %2 lessons given rooms")
                                   .arg(kComposedWeek)
                                   .arg(pairs * static_cast<int>(kGroups.size()));
        QVERIFY2(out.contains(placed), qPrintable(out));
        for (const Group& g : kGroups) {
            const int shown = runCli({QStringLiteral("timetable"), QStringLiteral("--home"),
                                      homeArg, QStringLiteral("--group"), QString::fromUtf8(g.name),
                                      QStringLiteral("--week"), QString::number(kComposedWeek)},
                                     out);
            QVERIFY2(shown == 0, qPrintable(out));
            for (const Subject& s : kSubjects)
                QVERIFY2(out.contains(QString::fromUtf8(s.shortName)), qPrintable(out));
        }
    }

    // The next run of the program: everything typed is in the tables, and
    // the composed week holds every pair with its teacher in a typed room.
    void everythingReadBack() {
        TScriptedDialog quiet;
        QuietView view;
        TShell shell(home_.path(), quiet);
        QCOMPARE(shell.Start(view), shell::TStartOutcome::Running);
        TGod* god = shell.God();
        QVERIFY(god != nullptr);
        QCOMPARE(int(god->YGod), kYear);
        checkRooms(*god);
        checkTeachersAndSubjects(*god);
        checkLessonTimes(*shell.AllGod());
        for (const Period& p : kTypedPeriods)
            QCOMPARE(god->TaimYrok[static_cast<std::size_t>(p.row - 1)].Tn(), p.startMinutes);
        checkGroups(*god);
        checkStudyWeeks(*god);
        checkLoad(*god, true);
        const auto active = shell.ActiveWeeks();
        for (std::size_t i = 0; i < active.size(); ++i)
            QCOMPARE(active[i], static_cast<int>(i) == kComposedWeek - 1);
        if (QTest::currentTestFailed()) return;

        for (const Group& g : kGroups) {
            TGryp* gr = god->FindGrypForName(g.name);
            for (std::size_t si = 0; si < kSubjects.size(); ++si) {
                TPredmet* pr = gr->FindFirstPredmetForYrName(subjectName(*god, kSubjects[si])->N);
                const std::string teacher = god->FindFioForBigName(kTeachers[si].bigName)->Name();
                std::vector<TYr*> lessons;
                pr->GetLYr(0, kComposedWeek, lessons);
                QCOMPARE(static_cast<int>(lessons.size()), kSubjects[si].pairsPerWeek);
                for (const TYr* yr : lessons) {
                    QCOMPARE(yr->NameFio(false, false), teacher);
                    bool known = false;
                    for (const Room& room : kRooms) known = known || yr->NameAyd() == room.name;
                    QVERIFY2(known, yr->NameAyd().c_str());
                }
                // Only the active week was composed.
                lessons.clear();
                pr->GetLYr(0, kComposedWeek + 1, lessons);
                QVERIFY(lessons.empty());
            }
        }
    }

private:
    static int listCount(QWidget* window) {
        return child<TListBoxNumer>(window, "ListBoxN")->count();
    }
};

QTEST_MAIN(EntryWalkthroughTest)
#include "entry_walkthrough_test.moc"
