// Times loading a 100 MB 16-bit stereo WAV against reading the same file plainly (warm cache,
// best of several runs) and reports the loader's peak memory growth.
#include "wave/LoadedWave.h"
#include "wave/WaveFileReader.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstdio>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr quint32 DataBytes = 100'000'000;
constexpr int Runs = 5;

QByteArray header()
{
    QByteArray h(44, '\0');
    uchar* p = reinterpret_cast<uchar*>(h.data());
    memcpy(p, "RIFF", 4);
    qToLittleEndian<quint32>(36 + DataBytes, p + 4);
    memcpy(p + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, p + 16);
    qToLittleEndian<quint16>(1, p + 20);     // PCM
    qToLittleEndian<quint16>(2, p + 22);     // stereo
    qToLittleEndian<quint32>(44100, p + 24); // rate
    qToLittleEndian<quint32>(44100 * 4, p + 28);
    qToLittleEndian<quint16>(4, p + 32);
    qToLittleEndian<quint16>(16, p + 34);
    memcpy(p + 36, "data", 4);
    qToLittleEndian<quint32>(DataBytes, p + 40);
    return h;
}

bool writeTestFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(header()) != 44)
        return false;
    std::mt19937 gen(12345);
    QByteArray block(1 << 20, '\0');
    for (quint32 left = DataBytes; left > 0;) {
        for (char& c : block)
            c = char(gen());
        const qint64 n = qMin<qint64>(left, block.size());
        if (f.write(block.constData(), n) != n)
            return false;
        left -= quint32(n);
    }
    return true;
}

// Peak resident size so far (VmHWM), in KiB.
qint64 peakKiB()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

bool readAll(const QString& path, char* out, qint64 size)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly | QIODevice::Unbuffered) && f.read(out, size) == size;
}

// Plain read into freshly allocated memory (pays the page faults, as a load must).
double plainReadMs(const QString& path)
{
    QElapsedTimer t;
    t.start();
    const qint64 size = QFileInfo(path).size();
    std::unique_ptr<char[]> buffer(new char[size_t(size)]);
    if (!readAll(path, buffer.get(), size))
        return -1;
    return t.nsecsElapsed() / 1e6;
}

// Plain read into memory that is already resident: the bare copy out of the page cache.
double plainReadResidentMs(const QString& path)
{
    static std::vector<char> buffer(size_t(QFileInfo(path).size()), 1);
    QElapsedTimer t;
    t.start();
    if (!readAll(path, buffer.data(), qint64(buffer.size())))
        return -1;
    return t.nsecsElapsed() / 1e6;
}

// The loaded samples must be the file's data bytes.
bool samplesMatchFile(const LoadedWave& wave, const QString& path)
{
    std::vector<char> file(size_t(QFileInfo(path).size()));
    return readAll(path, file.data(), qint64(file.size())) && wave.SampleData.size() == DataBytes &&
           memcmp(wave.SampleData.data(), file.data() + 44, DataBytes) == 0;
}

double loadMs(const QString& path)
{
    QElapsedTimer t;
    t.start();
    LoadedWave wave;
    LoadWaveFile(wave, path);
    if (!wave.FileOpen)
        return -1;
    wave.SampleData.release();
    return t.nsecsElapsed() / 1e6;
}

double best(double (*run)(const QString&), const QString& path)
{
    double result = 1e30;
    for (int i = 0; i < Runs; ++i)
        result = qMin(result, run(path));
    return result;
}

} // namespace

int main()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("bench.wav");
    if (!dir.isValid() || !writeTestFile(path)) {
        std::fprintf(stderr, "cannot write the test file\n");
        return 1;
    }
    // Peak growth of one load, measured before anything else allocates the file's size.
    const qint64 before = peakKiB();
    LoadedWave probe;
    LoadWaveFile(probe, path);
    const qint64 growthKiB = peakKiB() - before;
    const bool loaded = probe.FileOpen && probe.SampleCount == qint32(DataBytes / 4) &&
                        samplesMatchFile(probe, path);
    probe.SampleData.release();
    if (!loaded) {
        std::fprintf(stderr, "the test file did not load correctly\n");
        return 1;
    }
    plainReadMs(path); // warm the page cache
    const double plain = best(plainReadMs, path);
    const double resident = best(plainReadResidentMs, path);
    const double load = best(loadMs, path);
    const double ratio = load / plain;
    const double limitMiB = DataBytes / 1048576.0 + 32;
    std::printf(
        "data size                              : %u bytes (%.1f MiB), 16-bit stereo 44100\n",
        DataBytes, DataBytes / 1048576.0);
    std::printf("plain read, new memory (best of %d)     : %8.2f ms\n", Runs, plain);
    std::printf("plain read, resident memory (best of %d): %8.2f ms\n", Runs, resident);
    std::printf("LoadWaveFile (best of %d)               : %8.2f ms\n", Runs, load);
    std::printf("ratio load / plain read, new memory    : %8.3f (target <= 1.5: %s)\n", ratio,
                ratio <= 1.5 ? "met" : "MISSED");
    std::printf("ratio load / plain read, resident      : %8.3f (copy only; for information)\n",
                load / resident);
    std::printf("peak memory growth of one load         : %8.1f MiB (target <= %.1f MiB: %s)\n",
                growthKiB / 1024.0, limitMiB, growthKiB / 1024.0 <= limitMiB ? "met" : "MISSED");
    return 0;
}
