// zavlin: the window program. One running copy per home folder; a second
// copy tells the first to come to the front and leaves.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "composition/ui/composition_windows.h"
#include "entry/ui/entry_windows.h"
#include "export/ui/export_windows.h"
#include "reports/ui/report_windows.h"
#include "shell/instance.h"
#include "shell/ui/instance_channel.h"
#include "shell/ui/main_window.h"
#include "shell/ui/qt_dialog.h"
#include "storage/year_tables.h"

namespace fs = std::filesystem;
using namespace zavlin;

namespace {

fs::path defaultHome() {
    if (const char* env = std::getenv("ZAVLIN_HOME"); env != nullptr && *env != '\0')
        return fs::path(env);
    const char* user = std::getenv("HOME");
    return fs::path(user != nullptr ? user : ".") / ".local" / "share" / "zavlin98";
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zavlin"));
    QApplication::setApplicationDisplayName(QStringLiteral("Завлин 98"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Завлин 98: расписание учебных занятий"));
    parser.addHelpOption();
    const QCommandLineOption homeOption(
        QStringLiteral("home"), QStringLiteral("the home folder (Database/, Zavlin98.ini, ...)"),
        QStringLiteral("DIR"));
    parser.addOption(homeOption);
    parser.process(app);

    fs::path home =
        parser.isSet(homeOption) ? fs::path(parser.value(homeOption).toStdString()) : defaultHome();
    std::error_code ec;
    fs::create_directories(home, ec);
    home = fs::weakly_canonical(fs::absolute(home, ec), ec);

    shell::ui::TQtDialog dialog;
    std::optional<shell::TInstanceRecord> other;
    std::string message;
    auto lock = shell::TInstanceLock::AcquireWindow(home, "zavlin", other, message);
    const QString server = shell::ui::instanceServerName(home);
    if (!lock) {
        dialog.MessageShow(message);
        (void)shell::ui::askRunningCopyToRaise(server);
        return 1;
    }
    if (!message.empty()) dialog.MessageShow(message);  // held, but the lock file is not right

    // A first start on a fresh home: offer the empty database rather than
    // leaving the person in a locked shell.
    if (!fs::is_directory(home / "Database", ec) &&
        dialog.MessageDlg("Папка базы данных не найдена: " + (home / "Database").string() +
                              "\nСоздать новую базу данных?",
                          "Информация")) {
        std::string created;
        if (CreateDatabase(home, created) == TCreateDatabaseResult::Failed)
            dialog.MessageShow(created);
    }

    shell::ui::TForm1 window(home, dialog);
    window.windowOpeners.push_back(entry::ui::OpenEntryWindow);
    window.windowOpeners.push_back(composition::ui::OpenCompositionWindow);
    window.windowOpeners.push_back(exporting::ui::OpenExportWindow);
    window.windowOpeners.push_back(reports::ui::OpenReportWindow);
    dialog.setParent(&window);

    shell::ui::TRaiseListener listener;
    QObject::connect(&listener, &shell::ui::TRaiseListener::raiseRequested, &window,
                     &shell::ui::TForm1::bringToFront);
    // Without the channel a second copy still stops at the lock; it only
    // cannot bring this window forward.
    (void)listener.listen(server);

    window.show();
    window.Start();
    return app.exec();
}
