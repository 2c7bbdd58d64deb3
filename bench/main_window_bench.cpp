// The main window on a large college: from creating the window to the year
// list and the week list filled with the active year loaded, on the sample
// colleges M and XL (400 groups), beside the same start-up without a window.
// Homes given as arguments (a composed college: `make demo`) are measured
// too. Offscreen platform unless another is set. Release build: `make bench`.
#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <cstdio>
#include <filesystem>

#include "base/my_dialog.h"
#include "demo/sample_college.h"
#include "sample_home.h"
#include "shell/shell.h"
#include "shell/ui/main_window.h"

using namespace zavlin;
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

struct Figures {
    bool ok = false;
    int loaded = 0;
    double shellBest = 1e12;
    double windowBest = 1e12;
};

Figures measure(QApplication& app, const fs::path& home, TMyDialog& dialog) {
    Figures f;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        {
            shell::TShell shell(home, dialog);
            QuietView view;
            if (shell.Start(view) != shell::TStartOutcome::Running) {
                std::fprintf(stderr, "main_window_bench: the start-up failed\n");
                return f;
            }
            f.shellBest = std::min(f.shellBest, ms(timer));
            f.loaded = shell.Facts().groups;
            shell.Close(
                false, [] { return false; }, [] {});
        }
        timer.restart();
        {
            shell::ui::TForm1 window(home, dialog);
            QEventLoop loop;
            int outcome = -1;
            QObject::connect(&window, &shell::ui::TForm1::started, &loop, [&](int result) {
                outcome = result;
                loop.quit();
            });
            window.show();
            window.Start();
            loop.exec();
            app.processEvents();
            f.windowBest = std::min(f.windowBest, ms(timer));
            if (outcome != static_cast<int>(shell::TStartOutcome::Running)) {
                std::fprintf(stderr, "main_window_bench: the window did not start\n");
                return f;
            }
        }
    }
    f.ok = true;
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf(
        "main window start-up (window made, year loaded, lists filled) beside the\n"
        "start-up without a window; best of 3 runs, ms\n");
    std::printf("%-4s %7s %7s %12s %12s\n", "size", "groups", "loaded", "shell ms", "window ms");
    for (demo::SampleSize size : {demo::SampleSize::M, demo::SampleSize::XL}) {
        const bench::SampleHome sample(size, "main_window_bench");
        if (!sample.ok()) return 1;
        const fs::path home = sample.home();
        const demo::SampleResult& made = sample.made();
        TScriptedDialog dialog(true);
        const Figures f = measure(app, home, dialog);
        if (!f.ok) return 1;
        std::printf("%-4s %7d %7d %12.1f %12.1f\n", demo::sizeName(size), made.counts.groups,
                    f.loaded, f.shellBest, f.windowBest);
    }
    for (int i = 1; i < argc; ++i) {
        TScriptedDialog dialog(true);
        const Figures f = measure(app, argv[i], dialog);
        if (!f.ok) return 1;
        std::printf("%-4s %7s %7d %12.1f %12.1f  %s\n", "home", "-", f.loaded, f.shellBest,
                    f.windowBest, argv[i]);
    }
    return 0;
}
