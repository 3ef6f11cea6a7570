#include "tests/wave/SinkRecorder.h"

#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <vector>

static QStringList StreamArgs(const QString& device)
{
    return {"--latency-msec=20", "-d", device, "--format=s16le", "--rate=48000", "--channels=2"};
}

static bool Pactl(const QStringList& args)
{
    QProcess p;
    p.start("pactl", args);
    return p.waitForFinished(5000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

SinkRecorder::~SinkRecorder()
{
    for (QProcess* p : {&m_rec, &m_keepAwake}) {
        p->kill();
        p->waitForFinished(2000);
    }
}

bool SinkRecorder::ServerAvailable()
{
    return Pactl({"info"}) && Pactl({"get-sink-volume", "pelorin_null"});
}

bool SinkRecorder::Start()
{
    m_clock.start();
    m_keepAwake.setStandardInputFile("/dev/zero");
    m_keepAwake.start("pacat", StreamArgs("pelorin_null"));
    QObject::connect(&m_rec, &QProcess::readyReadStandardOutput, &m_rec, [this] {
        m_pcm += m_rec.readAllStandardOutput();
        m_arrivals.append({m_clock.elapsed(), m_pcm.size()});
    });
    m_rec.start("parec", StreamArgs("pelorin_null.monitor"));
    if (!m_keepAwake.waitForStarted(3000) || !m_rec.waitForStarted(3000))
        return false;
    // The recording is live once its first piece has come in.
    const bool live = QTest::qWaitFor([this] { return !m_pcm.isEmpty(); }, 5000);
    QTest::qWait(100);
    return live;
}

int SinkRecorder::Sample(qint64 frame, int channel) const
{
    return qFromLittleEndian<qint16>(m_pcm.constData() + frame * 4 + channel * 2);
}

qint64 SinkRecorder::TimeOf(qint64 frame) const
{
    for (const auto& [at, bytes] : m_arrivals) {
        if (bytes > frame * 4)
            return at;
    }
    return -1;
}

std::pair<qint64, qint64> SinkRecorder::Sound(qint64 from, int channel) const
{
    std::pair<qint64, qint64> sound{-1, -1};
    for (qint64 f = std::max<qint64>(0, from); f < Frames(); ++f) {
        if (std::abs(Sample(f, channel)) > Loud)
            sound = {sound.first < 0 ? f : sound.first, f + 1};
    }
    return sound;
}

qint64 SinkRecorder::Crossings(qint64 from, qint64 to, int channel) const
{
    qint64 crossings = 0;
    for (qint64 f = std::max<qint64>(from, 0) + 1; f < std::min(to, Frames()); ++f)
        crossings += Sample(f - 1, channel) < 0 && Sample(f, channel) >= 0;
    return crossings;
}

double SinkRecorder::Frequency(qint64 from, qint64 to, int channel) const
{
    std::vector<qint64> periods;
    qint64 last = -1;
    for (qint64 f = std::max<qint64>(from, 0) + 1; f < std::min(to, Frames()); ++f) {
        if (Sample(f - 1, channel) < 0 && Sample(f, channel) >= 0) {
            if (last >= 0)
                periods.push_back(f - last);
            last = f;
        }
    }
    if (periods.empty())
        return 0.0;
    const auto middle = periods.begin() + qsizetype(periods.size() / 2);
    std::nth_element(periods.begin(), middle, periods.end());
    return double(Rate) / double(*middle);
}
