#include "wave/WaveFileReader.h"

#include <QFile>
#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Chunk
{
    quint32 size = 0;
    qint64 dataOffset = 0; // file offset of the chunk data (for RIFF: of its form type)
};

constexpr qint64 NoLimit = std::numeric_limits<qint64>::max();

LoadResult message(const QString& text)
{
    return {LoadResult::Show::MessageBox, text, {}};
}

bool readAt(QIODevice& device, qint64 pos, char* out, qint64 len)
{
    return pos + len <= device.size() && device.seek(pos) && device.read(out, len) == len;
}

// Walks the chunks that start at `from` and lie within `end`, skipping each by its declared size
// plus the RIFF pad byte, until one carries `id` (and, if given, the form type `form`).
bool findChunk(QIODevice& device, qint64 from, qint64 end, const char* id, const char* form,
               Chunk& found)
{
    for (qint64 pos = from; pos <= end - 8;) {
        char header[12];
        if (!readAt(device, pos, header, 8))
            return false;
        const quint32 size = qFromLittleEndian<quint32>(header + 4);
        if (std::equal(header, header + 4, id)) {
            const bool formMatches = !form || (readAt(device, pos + 8, header + 8, 4) &&
                                               std::equal(header + 8, header + 12, form));
            if (formMatches) {
                found = {size, pos + 8};
                return true;
            }
        }
        pos += 8 + qint64(size) + (size & 1);
    }
    return false;
}

// Reads the 18-byte record at `offset`. Only the bytes actually read replace the old record.
bool readFormat(QIODevice& device, qint64 offset, WaveFormat& format)
{
    uchar bytes[WaveFormat::RecordSize];
    format.toBytes(bytes);
    if (!device.seek(offset))
        return false;
    const qint64 got = device.read(reinterpret_cast<char*>(bytes), WaveFormat::RecordSize);
    if (got < 0)
        return false;
    format.fromBytes(bytes);
    return true;
}

// Frames in `dataSize` bytes, rounded to the nearest whole frame, halves to even.
qint64 frameCount(quint32 dataSize, quint16 blockAlign)
{
    const qint64 whole = dataSize / blockAlign;
    const qint64 twiceRest = 2 * qint64(dataSize % blockAlign);
    if (twiceRest > blockAlign || (twiceRest == blockAlign && (whole & 1)))
        return whole + 1;
    return whole;
}

// The name of a format tag that is not plain PCM, for the refusal.
QString tagName(quint16 tag)
{
    switch (tag) {
    case 3:
        return QStringLiteral("floating point");
    case 6:
        return QStringLiteral("A-law");
    case 7:
        return QStringLiteral("\u00B5-law");
    case WaveFormat::ExtensibleTag:
        return QStringLiteral("extensible, not PCM");
    default:
        return QStringLiteral("compressed");
    }
}

// PCM, or extensible with the PCM sub-format (its first two bytes are 1).
bool isPcm(QIODevice& device, const Chunk& fmt, const WaveFormat& format)
{
    if (format.FormatTag == 1)
        return true;
    char sub[2];
    return format.FormatTag == WaveFormat::ExtensibleTag && fmt.size >= 26 &&
           readAt(device, fmt.dataOffset + 24, sub, 2) && qFromLittleEndian<quint16>(sub) == 1;
}

// Formats whose samples cannot be addressed safely are refused before anything is replaced.
bool refuseFormat(const WaveFormat& format, quint32 dataSize, LoadResult& result)
{
    if (format.BlockAlign == 0) {
        result = message(QStringLiteral("Invalid format: BlockAlign is 0 bytes per sample frame. "
                                        "File not open."));
        return true;
    }
    if (format.BitsPerSample != 8 && format.BitsPerSample != 16) {
        result = message(QStringLiteral("Unsupported format: %1 bits per sample. Only 8 and 16 "
                                        "bits per sample can be loaded. File not open.")
                             .arg(format.BitsPerSample));
        return true;
    }
    const qint64 frames = frameCount(dataSize, format.BlockAlign);
    if (frames > std::numeric_limits<qint32>::max()) {
        result = message(QStringLiteral("Data chunk too large: %1 sample frames; at most %2 can "
                                        "be loaded. File not open.")
                             .arg(frames)
                             .arg(std::numeric_limits<qint32>::max()));
        return true;
    }
    return false;
}

// A data chunk that runs past the end of the file holds only what the file holds, in whole
// frames: a tail that was never recorded is not invented (zero is full-scale negative in 8-bit).
Chunk clipToFile(QIODevice& device, Chunk data, quint16 blockAlign, QString& notice)
{
    const qint64 available = std::max<qint64>(device.size() - data.dataOffset, 0);
    if (available >= data.size)
        return data;
    const qint64 frames = available / blockAlign;
    data.size = quint32(frames * blockAlign);
    notice =
        QStringLiteral("The file is shorter than its header says: %1 frames loaded.").arg(frames);
    return data;
}

// Allocates whole frames (so a rounded-up last frame lies inside the buffer), reads the chunk
// data straight into it and installs it.
LoadResult loadSamples(LoadedWave& wave, QIODevice& device, const Chunk& data)
{
    const qint64 frames = frameCount(data.size, wave.Format.BlockAlign);
    const qint64 bytes = std::max<qint64>(data.size, frames * wave.Format.BlockAlign);
    SampleBuffer buffer;
    if (!buffer.allocate(bytes))
        return message(QStringLiteral("Not enough memory for %1 bytes of sample data. "
                                      "File not open.")
                           .arg(bytes));
    wave.SampleData = std::move(buffer);
    wave.DataSize = data.size;
    const qint64 available = std::clamp<qint64>(device.size() - data.dataOffset, 0, data.size);
    wave.SampleData.adviseFill(available);
    if (available > 0 &&
        (!device.seek(data.dataOffset) ||
         device.read(reinterpret_cast<char*>(wave.SampleData.data()), available) < 0)) {
        wave.SampleData.release();
        return message(QStringLiteral("Error reading data"));
    }
    wave.SampleCount = qint32(frames);
    wave.FileOpen = true;
    return {};
}

int openError(int fd)
{
    struct stat info;
    if (fstat(fd, &info) != 0)
        return errno;
    if (S_ISREG(info.st_mode))
        return 0;
    return S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
}

// Opens a regular file for reading; anything else (directory, pipe, device) is refused so that
// the chunk search always works on a finite, seekable file and never blocks.
int openRegularFile(const QString& fileName, QFile& file)
{
    const int fd = ::open(QFile::encodeName(fileName).constData(),
                          O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return errno;
    int code = openError(fd);
    if (code == 0 &&
        !file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle))
        code = EBADF;
    if (code != 0)
        ::close(fd);
    return code;
}

} // namespace

LoadResult LoadWaveDevice(LoadedWave& wave, QIODevice& device)
{
    wave.FileOpen = false;
    Chunk riff;
    if (!findChunk(device, 0, NoLimit, "RIFF", "WAVE", riff))
        return {LoadResult::Show::StatusText, QStringLiteral("Not a WAV file. File not open."), {}};
    // Streaming tools write 0 or 0xFFFFFFFF when they cannot know the size: to the file's end.
    const bool unknownSize = riff.size == 0 || riff.size == 0xFFFFFFFF;
    const qint64 riffEnd = unknownSize ? device.size() : riff.dataOffset + riff.size;
    Chunk fmt;
    if (!findChunk(device, riff.dataOffset + 4, riffEnd, "fmt ", nullptr, fmt) || fmt.size < 16)
        return message(QStringLiteral("Couldn't get format chunk"));
    if (!readFormat(device, fmt.dataOffset, wave.Format))
        return message(QStringLiteral("Error reading format"));
    const qint64 fmtEnd = fmt.dataOffset + fmt.size + (fmt.size & 1);
    Chunk data;
    if (!findChunk(device, fmtEnd, riffEnd, "data", nullptr, data))
        return message(QStringLiteral("Couldn't get data chunk"));
    if (!isPcm(device, fmt, wave.Format))
        return message(QStringLiteral("Unsupported format: format tag %1 (%2). Only PCM sound "
                                      "can be loaded. File not open.")
                           .arg(wave.Format.FormatTag)
                           .arg(tagName(wave.Format.FormatTag)));
    LoadResult refusal;
    if (wave.Format.BlockAlign != 0)
        data = clipToFile(device, data, wave.Format.BlockAlign, refusal.notice);
    if (refuseFormat(wave.Format, data.size, refusal))
        return refusal;
    LoadResult loaded = loadSamples(wave, device, data);
    if (wave.FileOpen)
        loaded.notice = refusal.notice;
    return loaded;
}

LoadResult LoadWaveFile(LoadedWave& wave, const QString& fileName)
{
    wave.FileOpen = false;
    if (fileName.isEmpty()) {
        wave.SampleData.release();
        return {};
    }
    QFile file;
    if (const int code = openRegularFile(fileName, file); code != 0)
        return message(QStringLiteral("Error opening input file, rc = ") + QString::number(code));
    return LoadWaveDevice(wave, file);
}
