#include "app/InstanceGuard.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <unistd.h>

namespace {
constexpr int ConnectTimeoutMs = 500;
constexpr int ReplyTimeoutMs = 2000;
const QByteArray Activate = QByteArrayLiteral("ACTIVATE");
const QByteArray EndTask = QByteArrayLiteral("ENDTASK ");
} // namespace

namespace {
// The user's runtime folder holds the socket, so a run with a runtime folder of its own (a test,
// the demo) never meets the desktop's running instance; without one, a per-user name in /tmp.
QString serverName(const QString& appTitle)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return QDir(runtime).filePath(appTitle);
    return appTitle + QLatin1Char('-') + QString::number(getuid());
}
} // namespace

InstanceGuard::InstanceGuard(const QString& appTitle, QObject* parent)
    : QObject(parent), m_name(serverName(appTitle))
{
}

bool InstanceGuard::EarlierInstanceRunning() const
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    return socket.waitForConnected(ConnectTimeoutMs);
}

QByteArray InstanceGuard::Request(const QByteArray& line) const
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(ConnectTimeoutMs))
        return {};
    socket.write(line + '\n');
    if (!socket.waitForBytesWritten(ReplyTimeoutMs))
        return {};
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(ReplyTimeoutMs))
            return {};
    }
    return socket.readLine().trimmed();
}

bool InstanceGuard::ActivateEarlier() const
{
    return Request(Activate) == "OK";
}

InstanceGuard::EndTaskReply InstanceGuard::EndTaskInEarlier(const QString& title) const
{
    const QByteArray reply = Request(EndTask + title.toUtf8());
    if (reply == "CLOSED")
        return EndTaskReply::Closed;
    if (reply == "INVALID")
        return EndTaskReply::Invalid;
    return EndTaskReply::NotFound;
}

bool InstanceGuard::Listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        // Nobody answered on this name (checked by the caller), so it is a leftover.
        QLocalServer::removeServer(m_name);
        if (!m_server->listen(m_name))
            return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection())
            Serve(socket);
    });
    return true;
}

void InstanceGuard::Serve(QLocalSocket* socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
        if (!socket->canReadLine())
            return;
        QByteArray line = socket->readLine();
        line.chop(1); // the newline; a title may end in blanks
        socket->write(Answer(line) + '\n');
        socket->flush();
        socket->disconnectFromServer();
    });
}

QByteArray InstanceGuard::Answer(const QByteArray& request)
{
    if (request == Activate) {
        if (onActivate)
            onActivate();
        return "OK";
    }
    if (request.startsWith(EndTask)) {
        const QString title = QString::fromUtf8(request.mid(EndTask.size()));
        switch (onEndTask ? onEndTask(title) : EndTaskReply::NotFound) {
        case EndTaskReply::Closed:
            return "CLOSED";
        case EndTaskReply::Invalid:
            return "INVALID";
        case EndTaskReply::NotFound:
            return "NONE";
        }
    }
    return "UNKNOWN";
}
