#include "wave/WaveFileWriter.h"

#include "wave/LoadedWave.h"

#include <QSaveFile>
#include <QtEndian>

namespace {

void Append32(QByteArray& out, quint32 v)
{
    char bytes[4];
    qToLittleEndian(v, bytes);
    out.append(bytes, 4);
}

void Append16(QByteArray& out, quint16 v)
{
    char bytes[2];
    qToLittleEndian(v, bytes);
    out.append(bytes, 2);
}

} // namespace

std::optional<QString> SaveWaveFile(const LoadedWave& wave, const QString& path)
{
    const WaveFormat& f = wave.Format;
    QByteArray header("RIFF");
    Append32(header, 36 + wave.DataSize + (wave.DataSize & 1));
    header.append("WAVEfmt ");
    Append32(header, 16);
    Append16(header, f.FormatTag);
    Append16(header, f.Channels);
    Append32(header, f.SampleRate);
    Append32(header, f.ByteRate);
    Append16(header, f.BlockAlign);
    Append16(header, f.BitsPerSample);
    header.append("data");
    Append32(header, wave.DataSize);
    QSaveFile file(path);
    const char* data = reinterpret_cast<const char*>(wave.SampleData.data());
    const bool ok = wave.FileOpen && file.open(QIODevice::WriteOnly) &&
                    file.write(header) == header.size() &&
                    file.write(data, wave.DataSize) == qint64(wave.DataSize) &&
                    ((wave.DataSize & 1) == 0 || file.write("", 1) == 1) && file.commit();
    if (ok)
        return std::nullopt;
    return QStringLiteral("%1 could not be written: %2")
        .arg(path, wave.FileOpen ? file.errorString() : QStringLiteral("no sound is loaded"));
}
