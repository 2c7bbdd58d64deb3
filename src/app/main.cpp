// zavlin: the window program. One running copy per home folder; a second
// copy tells the first to come to the front and leaves.
#include <QApplication>
#include <QCommandLineParser>
#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "shell/instance.h"
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

// One name per home folder, short enough for any socket path.
QString serverName(const fs::path& home) {
    const QByteArray hash = QCryptographicHash::hash(QByteArray::fromStdString(home.string()),
                                                     QCryptographicHash::Sha1);
    return QStringLiteral("zavlin-") + QString::fromLatin1(hash.toHex().left(16));
}

void askFirstCopyToRaise(const QString& name) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(1000)) return;
    socket.write("raise\n");
    socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
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
    const QString server = serverName(home);
    if (!lock) {
        dialog.MessageShow(message);
        askFirstCopyToRaise(server);
        return 1;
    }

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
    dialog.setParent(&window);

    QLocalServer listener;
    QLocalServer::removeServer(server);  // a name left by a killed copy
    if (listener.listen(server)) {
        QObject::connect(&listener, &QLocalServer::newConnection, &window, [&] {
            while (QLocalSocket* peer = listener.nextPendingConnection()) {
                QObject::connect(peer, &QLocalSocket::readyRead, &window, [peer, &window] {
                    if (peer->readAll().startsWith("raise")) window.bringToFront();
                });
                QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            }
        });
    }

    window.show();
    window.Start();
    return app.exec();
}
