#include "shell/ui/instance_channel.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>

namespace zavlin::shell::ui {

namespace {
constexpr int kWaitMs = 2000;
const QByteArray kRaise = "raise\n";
}  // namespace

QString instanceServerName(const std::filesystem::path& home) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(home, ec);
    const QByteArray digest = QCryptographicHash::hash(
        QByteArray::fromStdString((ec ? home : absolute).string()), QCryptographicHash::Sha1);
    // Short enough for any socket path.
    return QStringLiteral("zavlin-") + QString::fromLatin1(digest.toHex().left(16));
}

bool askRunningCopyToRaise(const QString& name) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(kWaitMs)) return false;
    socket.write(kRaise);
    const bool sent = socket.waitForBytesWritten(kWaitMs);
    socket.disconnectFromServer();
    return sent;
}

TRaiseListener::TRaiseListener(QObject* parent) : QObject(parent), server_(new QLocalServer(this)) {
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = server_->nextPendingConnection()) {
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                if (peer->readAll().startsWith("raise")) emit raiseRequested();
            });
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        }
    });
}

bool TRaiseListener::listen(const QString& name) {
    QLocalServer::removeServer(name);
    return server_->listen(name);
}

}  // namespace zavlin::shell::ui
