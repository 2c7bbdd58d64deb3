// The data-entry windows on the sample colleges M and XL (400 groups): from
// creating a window to its lists or grid filled, shown and painted once, with
// the year loaded beforehand; and, per grid window, one action that re-fills
// it (changing the layer or the group, "У" over the whole calendar, ...).
// Best of 3 runs. Offscreen platform unless another is set. Release build:
// `make bench`. Homes given as arguments (a composed college) are measured
// too.
#include <stdlib.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/my_dialog.h"
#include "demo/sample_college.h"
#include "entry/ui/active_weeks_window.h"
#include "entry/ui/attributes_window.h"
#include "entry/ui/buildings_window.h"
#include "entry/ui/calendar_window.h"
#include "entry/ui/groups_window.h"
#include "entry/ui/lesson_times_window.h"
#include "entry/ui/load_window.h"
#include "entry/ui/room_priority_window.h"
#include "entry/ui/rooms_window.h"
#include "entry/ui/subject_teachers_window.h"
#include "entry/ui/subjects_window.h"
#include "entry/ui/teachers_window.h"
#include "model/god.h"
#include "model/group.h"
#include "sample_home.h"
#include "shell/shell.h"
#include "shell/ui/hgrid.h"

using namespace zavlin;
using namespace zavlin::entry::ui;
namespace fs = std::filesystem;

namespace {

class QuietView : public shell::TShellView {
public:
    void StatusText(const std::string&) override {}
    void HideSplash() override {}
};

double ms(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// Until the window is really painted: pending layouts and updates, then one
// full render.
void settle(QWidget& window) {
    QApplication::processEvents();
    (void)window.grab();
}

using Make = std::function<std::unique_ptr<QWidget>()>;
// Prepares a shown window for the next timed action (untimed).
using Step = std::function<void(QWidget&)>;

struct Action {
    std::string name;
    Step prepare;  // may be empty
    Step act;
};

struct Case {
    std::string name;
    Make make;
    std::vector<Action> actions;
};

constexpr int kRuns = 3;

// At the window's own size, or at `size` (a dispatcher maximises the grids:
// more cells to paint).
double openBest(const Case& c, QSize size = {}) {
    double best = 1e12;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        auto window = c.make();
        if (size.isValid()) window->resize(size);
        window->show();
        settle(*window);
        best = std::min(best, ms(timer));
    }
    return best;
}

double actionBest(const Case& c, const Action& a) {
    auto window = c.make();
    window->show();
    settle(*window);
    double best = 1e12;
    for (int run = 0; run < kRuns; ++run) {
        if (a.prepare) {
            a.prepare(*window);
            settle(*window);
        }
        QElapsedTimer timer;
        timer.start();
        a.act(*window);
        settle(*window);
        best = std::min(best, ms(timer));
    }
    return best;
}

template <class T>
T* child(QWidget& window, const char* name) {
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) {
        std::fprintf(stderr, "entry_windows_bench: no %s\n", name);
        std::exit(1);
    }
    return found;
}

void press(QWidget& window, const char* name) {
    child<QAbstractButton>(window, name)->click();
}

void setLayer(QWidget& window, int index) {
    child<QComboBox>(window, "LayerBox")->setCurrentIndex(index);
}

// The whole group-week part of the calendar selected, as Ctrl+Shift+End does.
void selectAllWeeks(QWidget& window) {
    auto* grid = static_cast<TForm12&>(window).Grid();
    grid->MoveTo(TForm12::kFirstWeekCol, TForm12::kFirstGroupRow);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_End, Qt::ShiftModifier | Qt::ControlModifier);
    QApplication::sendEvent(grid, &key);
}

// The group with most subjects is the active one: the load windows open on it.
TGryp* heaviestGroup(TGod& year) {
    TGryp* heaviest = nullptr;
    for (const auto& group : year.LGryp)
        if (heaviest == nullptr || group->CountPredmet() > heaviest->CountPredmet())
            heaviest = group.get();
    return heaviest;
}

std::vector<Case> cases(shell::ui::TWindowContext& context, TGod& year, TGryp* heavy) {
    auto activate = [&year, heavy] { year.SetGrypActivIndx(year.GetGrypIndex(heavy)); };
    auto refill = [](QWidget& w) { static_cast<TListWindow&>(w).Refill(); };
    auto invert = [](QWidget& w) { press(w, "InvertButton"); };
    const std::vector<Action> listActions{{"refill", {}, refill}, {"invert", {}, invert}};
    // One step off the heaviest group and back onto it with the arrow.
    const int heavyIndex = year.GetGrypIndex(heavy);
    const bool fromAbove = heavyIndex > 0;
    const char* away = fromAbove ? "PrevGroupButton" : "NextGroupButton";
    const char* back = fromAbove ? "NextGroupButton" : "PrevGroupButton";
    auto stepAway = [away](QWidget& w) { press(w, away); };
    auto stepBack = [back](QWidget& w) { press(w, back); };

    std::vector<Case> all;
    auto list = [&](const char* name, std::function<QWidget*()> make) {
        all.push_back({name, [make] { return std::unique_ptr<QWidget>(make()); }, listActions});
    };
    list("TForm2 groups", [&] { return new TForm2(context, TListMode::Edit); });
    list("TForm3 teachers", [&] { return new TForm3(context, TListMode::Edit); });
    list("TForm4 subjects", [&] { return new TForm4(context, TListMode::Edit); });
    list("TForm6 buildings", [&] { return new TForm6(context, TListMode::Edit); });
    list("TForm7 rooms", [&] { return new TForm7(context, TListMode::Edit); });
    all.push_back(
        {"TForm16 room priority", [&] { return std::make_unique<TForm16>(context); }, {}});
    list("TForm17 attributes", [&] { return new TForm17(context, TListMode::Edit); });
    all.push_back(
        {"TForm1_0 lesson times", [&] { return std::make_unique<TForm1_0>(context); }, {}});
    all.push_back(
        {"TForm1_3 active weeks", [&] { return std::make_unique<TForm1_3>(context); }, {}});
    all.push_back({"TForm12 calendar",
                   [&] { return std::make_unique<TForm12>(context); },
                   {{"\"У\" all",
                     [](QWidget& w) {
                         selectAllWeeks(w);
                         press(w, "RemoveButton");
                     },
                     [](QWidget& w) { press(w, "StudyButton"); }},
                    {"\" \" all",
                     [](QWidget& w) {
                         selectAllWeeks(w);
                         press(w, "StudyButton");
                     },
                     [](QWidget& w) { press(w, "RemoveButton"); }}}});
    all.push_back(
        {"TForm5 load",
         [&, activate] {
             activate();
             return std::make_unique<TForm5>(context);
         },
         {{"layer", [](QWidget& w) { setLayer(w, 0); }, [](QWidget& w) { setLayer(w, 1); }},
          {"group arrow", stepAway, stepBack}}});
    all.push_back({"TForm5_2 teachers/subj",
                   [&, activate] {
                       activate();
                       return std::make_unique<TForm5_2>(context);
                   },
                   {{"group arrow", stepAway, stepBack}}});
    return all;
}

struct Result {
    std::string name;
    double open = 0;
    double openLarge = 0;
    std::vector<std::pair<std::string, double>> actions;
};

bool measureHome(const fs::path& home, std::vector<Result>& out, int& groups, int& heavySubjects) {
    // Every question is declined: a week holding load stays in its group when
    // " " asks, so the load windows measured after the calendar see it all.
    TScriptedDialog dialog(false);
    shell::TShell shell(home, dialog);
    QuietView view;
    if (shell.Start(view) != shell::TStartOutcome::Running) {
        std::fprintf(stderr, "entry_windows_bench: the start-up failed\n");
        return false;
    }
    TGod& year = *shell.God();
    TGryp* heavy = heaviestGroup(year);
    if (heavy == nullptr) {
        std::fprintf(stderr, "entry_windows_bench: the year has no groups\n");
        return false;
    }
    groups = year.CountGryp();
    heavySubjects = heavy->CountPredmet();
    shell::ui::TWindowContext context{shell, dialog, nullptr, {}, {}, {}, false, {}};
    for (const Case& c : cases(context, year, heavy)) {
        Result r{c.name, openBest(c), openBest(c, QSize(1920, 1080)), {}};
        for (const Action& a : c.actions) r.actions.emplace_back(a.name, actionBest(c, a));
        out.push_back(std::move(r));
    }
    shell.Close(
        false, [] { return false; }, [] {});
    return true;
}

struct Column {
    std::string title;
    std::vector<Result> results;
};

void print(const std::vector<Column>& columns) {
    std::printf("%-24s %-12s", "window", "what");
    for (const Column& c : columns) std::printf(" %10s", c.title.c_str());
    std::printf("\n");
    const std::vector<Result>& first = columns.front().results;
    for (std::size_t i = 0; i < first.size(); ++i) {
        std::printf("%-24s %-12s", first[i].name.c_str(), "open");
        for (const Column& c : columns) std::printf(" %10.1f", c.results[i].open);
        std::printf("\n%-24s %-12s", "", "open 1920x");
        for (const Column& c : columns) std::printf(" %10.1f", c.results[i].openLarge);
        std::printf("\n");
        for (std::size_t k = 0; k < first[i].actions.size(); ++k) {
            // The label may hold Cyrillic: pad by characters, not bytes.
            const QString label = QString::fromStdString(first[i].actions[k].first);
            std::printf("%-24s %s%*s", "", label.toStdString().c_str(),
                        std::max(0, 12 - static_cast<int>(label.size())), "");
            for (const Column& c : columns) std::printf(" %10.1f", c.results[i].actions[k].second);
            std::printf("\n");
        }
    }
}

}  // namespace

QtMessageHandler previousHandler = nullptr;

// The offscreen platform says so at every window shown: noise in the table.
void quietPlatform(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains(QStringLiteral("propagateSizeHints"))) return;
    if (previousHandler != nullptr) previousHandler(type, context, text);
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    previousHandler = qInstallMessageHandler(quietPlatform);
    QApplication app(argc, argv);
    std::vector<Column> columns;
    std::vector<std::string> notes;
    for (demo::SampleSize size : {demo::SampleSize::M, demo::SampleSize::XL}) {
        const bench::SampleHome sample(size, "entry_windows_bench");
        if (!sample.ok()) return 1;
        const fs::path home = sample.home();
        const demo::SampleResult& made = sample.made();
        Column column{std::string(demo::sizeName(size)) + " ms", {}};
        int groups = 0;
        int subjects = 0;
        if (!measureHome(home, column.results, groups, subjects)) return 1;
        notes.push_back(std::string(demo::sizeName(size)) + ": " + std::to_string(groups) +
                        " groups, " + std::to_string(made.counts.teachers) + " teachers, " +
                        std::to_string(made.counts.subjectNames) + " subject names, " +
                        std::to_string(made.counts.rooms) + " rooms; load on a group of " +
                        std::to_string(subjects) + " subjects");
        columns.push_back(std::move(column));
    }
    for (int i = 1; i < argc; ++i) {
        Column column{"home " + std::to_string(i), {}};
        int groups = 0;
        int subjects = 0;
        if (!measureHome(argv[i], column.results, groups, subjects)) return 1;
        notes.push_back("home " + std::to_string(i) + ": " + argv[i] + ", " +
                        std::to_string(groups) + " groups");
        columns.push_back(std::move(column));
    }
    std::printf(
        "data-entry windows: made, filled, shown, painted (open: at their own size;\n"
        "open 1920x: at 1920x1080), and re-fills; best of %d runs, ms\n",
        kRuns);
    for (const std::string& note : notes) std::printf("  %s\n", note.c_str());
    print(columns);
    return 0;
}
