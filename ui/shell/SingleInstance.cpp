#include "ui/shell/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

#include <unistd.h>

namespace VexilUI {

namespace {

// The folder's real path once it exists, so every spelling of it gives the same lock and socket.
QString realPath(const QString& directory) {
    const QFileInfo info(directory);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

} // namespace

SingleInstance::SingleInstance(const QString& dataDirectory, QObject* parent)
    : QObject(parent), m_directory(dataDirectory) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::serverName(const QString& dataDirectory) {
    const QByteArray hash =
        QCryptographicHash::hash(realPath(dataDirectory).toUtf8(), QCryptographicHash::Sha256)
            .toHex()
            .left(24);
    // The user id keeps users apart in the shared namespace of local sockets.
    return QStringLiteral("vexil-%1-%2").arg(QString::number(::getuid()), QString::fromLatin1(hash));
}

SingleInstance::Claim SingleInstance::claim(int waitMs) {
    QDir().mkpath(m_directory);
    m_name = serverName(m_directory);
    auto lock =
        std::make_unique<QLockFile>(QDir(realPath(m_directory)).filePath(QStringLiteral(".vexil.lock")));
    // Never stale by age: a running program may hold its folder for weeks. A lock whose process is gone
    // is stale all the same and is taken over.
    lock->setStaleLockTime(0);
    if (lock->tryLock(waitMs)) {
        m_lock = std::move(lock);
        return Claim::Claimed;
    }
    return lock->error() == QLockFile::LockFailedError ? Claim::HeldElsewhere : Claim::Unavailable;
}

bool SingleInstance::askRunningInstanceToShow(int waitMs) {
    if (m_name.isEmpty()) m_name = serverName(m_directory);
    const QDeadlineTimer deadline(waitMs);
    do {
        QLocalSocket socket;
        // An abstract name is the same whatever the temporary folder, and leaves no file behind.
        socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
        socket.connectToServer(m_name);
        if (socket.waitForConnected(200)) {
            socket.write("show\n");
            socket.flush();
            socket.waitForBytesWritten(500);
            socket.disconnectFromServer();
            return true;
        }
        QThread::msleep(50);
    } while (!deadline.hasExpired());
    return false;
}

bool SingleInstance::listen() {
    if (m_name.isEmpty()) m_name = serverName(m_directory);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::AbstractNamespaceOption);
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
