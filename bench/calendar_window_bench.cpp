// The study calendar window on the sample colleges M and XL (400 groups):
// from creating the window to its grid filled and painted once, with the
// year loaded beforehand. Offscreen platform unless another is set. Release
// build: `make bench`.
#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <filesystem>

#include "base/my_dialog.h"
#include "demo/sample_college.h"
#include "entry/ui/calendar_window.h"
#include "shell/shell.h"
#include "shell/ui/hgrid.h"

using namespace zavlin;
namespace fs = std::filesystem;

namespace {

class QuietView : public shell::TShellView {
public:
    void StatusText(const std::string&) override {}
    void HideSplash() override {}
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("study calendar window (made, filled, shown, painted); best of 5 runs, ms\n");
    std::printf("%-4s %7s %10s\n", "size", "groups", "window ms");
    for (demo::SampleSize size : {demo::SampleSize::M, demo::SampleSize::XL}) {
        char tmpl[] = "/tmp/zavlin_calendar_bench_XXXXXX";
        if (mkdtemp(tmpl) == nullptr) {
            std::perror("calendar_window_bench: mkdtemp");
            return 1;
        }
        const fs::path home = fs::path(tmpl) / "college";
        TScriptedDialog dialog(true);
        const demo::SampleResult made =
            demo::createSampleCollege(home, demo::SampleOptions{size, 1, 2026}, dialog);
        if (!made.ok) {
            std::fprintf(stderr, "calendar_window_bench: %s\n", made.message.c_str());
            return 1;
        }
        double best = 1e12;
        int groups = 0;
        {
            shell::TShell shell(home, dialog);
            QuietView view;
            if (shell.Start(view) != shell::TStartOutcome::Running) {
                std::fprintf(stderr, "calendar_window_bench: the start-up failed\n");
                return 1;
            }
            shell::ui::TWindowContext context{shell, dialog, nullptr, {}, {}, {}};
            for (int run = 0; run < 5; ++run) {
                QElapsedTimer timer;
                timer.start();
                entry::ui::TForm12 window(context);
                window.show();
                window.repaint();
                app.processEvents();
                best = std::min(best, static_cast<double>(timer.nsecsElapsed()) / 1e6);
                groups = window.Grid()->RowCount() - entry::ui::TForm12::kFirstGroupRow;
            }
            shell.Close(
                false, [] { return false; }, [] {});
        }
        std::printf("%-4s %7d %10.1f\n", demo::sizeName(size), groups, best);
        fs::remove_all(tmpl);
    }
    return 0;
}
