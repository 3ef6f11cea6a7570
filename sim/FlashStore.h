#pragma once

#include "sim/UnitModel.h"

#include <QFile>
#include <QString>

// Keeps the unit's FLASH in a folder across runs: station.bin, channel.bin and pink.bin hold the
// areas, station.last, channel.last and pink.last the data of the most recent write of each, and
// rx.bin every byte received (appended, never truncated). Files are replaced atomically so they
// can be read while the simulator runs.
class FlashStore
{
public:
    explicit FlashStore(const QString& dir);

    // Creates the folder, loads the stored areas into model (writing blank ones where none are
    // stored yet) and opens rx.bin. On failure nothing stored is changed.
    bool open(UnitModel& model, QString* error);
    // Writes what an event of model changed.
    bool store(const UnitModel& model, const UnitModel::Event& event, QString* error);
    bool appendReceived(const QByteArray& bytes, QString* error);

    QString areaPath(char code) const;
    QString lastWritePath(char code) const;
    QString receivedPath() const;
    // "station", "channel" or "pink"; empty for a letter that is no destination code.
    static QString baseName(char code);

private:
    bool loadArea(UnitModel& model, char code, QString* error) const;
    bool writeFile(const QString& path, const QByteArray& bytes, QString* error) const;

    QString m_dir;
    QFile m_received;
};
