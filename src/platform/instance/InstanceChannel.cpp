#include "platform/instance/InstanceChannel.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>

#include <thread>

namespace platform {

namespace {

const QByteArray kActivate = "activate\n";
const QByteArray kDone = "ok\n";
// Longer than any request; a client that sends more is not one of ours.
constexpr qint64 kMaxRequest = 64;
constexpr std::chrono::milliseconds kRetry{50};

// What a try met, in words for the user rather than the toolkit's function names.
QString whatWasMet(const QLocalSocket& socket, const QString& name) {
    switch (socket.error()) {
    case QLocalSocket::ServerNotFoundError:
        return QStringLiteral("nothing listens on its socket %1").arg(name);
    case QLocalSocket::ConnectionRefusedError:
        return QStringLiteral("its socket %1 refused the connection").arg(name);
    case QLocalSocket::SocketAccessError:
        return QStringLiteral("its socket %1 may not be used").arg(name);
    default:
        return socket.errorString();
    }
}

} // namespace

ActivationListener::ActivationListener(std::function<void()> onActivate)
    : onActivate_(std::move(onActivate)), server_(new QLocalServer(this)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, client, [this, client] {
                if (!client->canReadLine()) {
                    if (client->bytesAvailable() > kMaxRequest)
                        client->abort();
                    return;
                }
                if (client->readLine(kMaxRequest) == kActivate) {
                    if (onActivate_)
                        onActivate_();
                    client->write(kDone);
                    client->flush();
                }
                client->disconnectFromServer();
            });
        }
    });
}

ActivationListener::~ActivationListener() = default;

Result<> ActivationListener::listen(const QString& name) {
    QLocalServer::removeServer(name);
    if (server_->listen(name))
        return done();
    return Failure(server_->errorString());
}

Result<> askToActivate(const QString& name, std::chrono::milliseconds wait) {
    const QDeadlineTimer deadline(wait);
    QString last = QStringLiteral("no answer");
    for (;;) {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (socket.waitForConnected(int(deadline.remainingTime()))) {
            socket.write(kActivate);
            socket.flush();
            while (!socket.canReadLine() && !deadline.hasExpired() &&
                   socket.waitForReadyRead(int(deadline.remainingTime()))) {
            }
            if (socket.canReadLine() && socket.readLine(kMaxRequest) == kDone)
                return done();
            last = socket.state() == QLocalSocket::ConnectedState
                       ? QStringLiteral("it took the request but gave no answer")
                       : whatWasMet(socket, name);
        } else {
            last = whatWasMet(socket, name);
        }
        if (deadline.hasExpired())
            break;
        std::this_thread::sleep_for(kRetry);
    }
    return Failure(last);
}

} // namespace platform
