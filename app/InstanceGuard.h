#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;
class QLocalSocket;

// Finds an earlier running instance of the program and talks to it over a local socket named
// after the application title (per user). The first instance listens; a later one asks it to
// come to the front and to close a window by title. Every request is bounded in time.
class InstanceGuard : public QObject
{
    Q_OBJECT
public:
    enum class EndTaskReply
    {
        NotFound,
        Closed,
        Invalid
    };

    explicit InstanceGuard(const QString& appTitle, QObject* parent = nullptr);

    QString ServerName() const { return m_name; }
    bool EarlierInstanceRunning() const;
    // Asks the earlier instance to bring its main window to the front; true when it answered.
    bool ActivateEarlier() const;
    // Asks the earlier instance to close its top-level window with exactly this title.
    EndTaskReply EndTaskInEarlier(const QString& title) const;
    // Starts serving requests; takes over a name left behind by an instance that died.
    bool Listen();

    std::function<void()> onActivate;
    std::function<EndTaskReply(const QString&)> onEndTask;

private:
    QByteArray Request(const QByteArray& line) const;
    void Serve(QLocalSocket* socket);
    QByteArray Answer(const QByteArray& request);

    QString m_name;
    QLocalServer* m_server = nullptr;
};
