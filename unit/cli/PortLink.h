#pragma once

#include "unit/UnitLink.h"

#include <QObject>
#include <QString>

#include <memory>

class PortTable;
class RegEdit;
class SerialControl;

// One serial device as a unit session's line, without a window: it opens the device at the
// unit's line settings (9600 8N1, no handshake, DTR and RTS raised), cuts what the unit sends into
// reply lines and stays broken for the running command once the port closes or is lost.
// storeFile: a private settings file in which the device is entered as COM1 for this link alone.
class PortLink : public QObject, public UnitLink
{
    Q_OBJECT
public:
    PortLink(const QString& devicePath, const QString& storeFile, QObject* parent = nullptr);
    ~PortLink() override;

    bool open() override;
    bool write(const QByteArray& bytes) override;
    qint64 unsentBytes() const override;
    bool isOpen() const override;
    double bytesPerSecond() const override;

    // Why the last open failed or the port was lost, in words; empty while all is well.
    const QString& failure() const { return m_failure; }
    // Closes the port, dropping DTR and RTS.
    void close();

signals:
    // One complete line from the unit, without its CR.
    void replyLine(const QByteArray& line);

private:
    void readReplies();

    std::unique_ptr<RegEdit> m_store;
    std::unique_ptr<PortTable> m_table;
    SerialControl* m_control; // child of this link
    QByteArray m_rx;
    QString m_failure;
    bool m_broken = true;
};
