#include "app/SingleInstance.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <unistd.h>

namespace vellum {

namespace {

// Long enough for a busy desktop; a local socket answers at once when it answers at all.
constexpr int kConnectMs = 2000;
// A path may hold any byte but NUL, so NUL ends each request.
constexpr char kEndOfRequest = '\0';

} // namespace

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)), server_(new QLocalServer(this))
{
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::readRequest);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultName()
{
    return QStringLiteral("Vellum-%1").arg(getuid());
}

bool SingleInstance::isRunning(const QString& name)
{
    QLocalSocket socket;
    socket.connectToServer(name);
    return socket.waitForConnected(kConnectMs);
}

bool SingleInstance::handOver(const QString& path, const QString& name)
{
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(kConnectMs))
        return false;
    socket.write(QFile::encodeName(path) + kEndOfRequest);
    const bool sent = socket.waitForBytesWritten(kConnectMs);
    socket.disconnectFromServer();
    return sent;
}

bool SingleInstance::listen()
{
    if (isRunning(name_))
        return false;
    // A socket file left by a copy that crashed would block the name.
    QLocalServer::removeServer(name_);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    return server_->listen(name_);
}

void SingleInstance::readRequest()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { serve(socket); });
        serve(socket);
    }
}

void SingleInstance::serve(QLocalSocket* socket)
{
    const qsizetype end = socket->peek(socket->bytesAvailable()).indexOf(kEndOfRequest);
    if (end < 0)
        return;
    const QString path = QFile::decodeName(socket->read(end + 1).chopped(1));
    emit activationRequested();
    if (!path.isEmpty())
        emit openRequested(path);
}

} // namespace vellum
