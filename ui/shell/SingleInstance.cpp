#include "ui/shell/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace VexilUI {

SingleInstance::SingleInstance(const QString& dataDirectory, QObject* parent)
    : QObject(parent), m_name(serverName(dataDirectory)) {}

QString SingleInstance::serverName(const QString& dataDirectory) {
    const QString path = QDir::cleanPath(QFileInfo(dataDirectory).absoluteFilePath());
    const QByteArray hash =
        QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).toHex().left(24);
    // Sockets live in a shared temporary folder: the user id keeps users apart.
    return QStringLiteral("vexil-%1-%2").arg(QString::number(::getuid()), QString::fromLatin1(hash));
}

bool SingleInstance::askRunningInstanceToShow() {
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(500)) return false;
    socket.write("show\n");
    socket.flush();
    socket.waitForBytesWritten(500);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::listen() {
    QLocalServer::removeServer(m_name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                while (socket->canReadLine()) {
                    if (socket->readLine().trimmed() == "show") emit showRequested();
                }
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    return m_server->listen(m_name);
}

} // namespace VexilUI
