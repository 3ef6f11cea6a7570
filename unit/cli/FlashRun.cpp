#include "unit/cli/FlashRun.h"
#include "app/settings/AppSettings.h"

#include "app/settings/RegEdit.h"
#include "serial/PortTable.h"
#include "unit/CopyFile.h"
#include "unit/DestinationInfo.h"
#include "unit/DownloadEncoder.h"
#include "unit/DownloadPlan.h"
#include "unit/UnitProtocol.h"
#include "unit/cli/FlashReport.h"
#include "wave/LoadedWave.h"
#include "wave/RateCheck.h"
#include "wave/WaveConverter.h"
#include "wave/WaveFileReader.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QSet>

#include <unistd.h>

namespace {
constexpr int kTerminalMs = 250; // progress redraw on a terminal
constexpr int kPlainMs = 5000;   // a plain progress line otherwise
} // namespace

FlashRun::FlashRun(const FlashOptions& options, QTextStream& out, QTextStream& err, QObject* parent)
    : QObject(parent), m_options(options), m_out(out), m_err(err)
{
    m_terminal = ::isatty(STDERR_FILENO) == 1;
    m_progress.setInterval(m_terminal ? kTerminalMs : kPlainMs);
    connect(&m_progress, &QTimer::timeout, this, &FlashRun::showProgress);
}

int FlashRun::exec()
{
    UnitCycle::Job job;
    job.command = m_options.command();
    job.dest = m_options.destination();
    if (!prepareJob(&job) || !resolvePorts())
        return BadUsage;
    bool portFailed = false;
    QEventLoop loop;
    int running = 0;
    for (int i = 0; i < m_targets.size(); ++i) {
        const Target& t = m_targets[i];
        job.copyFile = copyFileFor(i, int(m_targets.size()));
        const QString store = m_stores.filePath(QStringLiteral("port%1.ini").arg(i));
        auto* cycle = new UnitCycle(t.port, t.device, job, store, this);
        m_cycles.append(cycle);
        if (t.device.isEmpty() ? (cycle->refuse(t.missing), true) : !cycle->open()) {
            m_err << "pelorin-flash: " << t.port << ": cannot open the port: " << cycle->failure()
                  << "\n";
            portFailed = true;
            continue;
        }
        ++running;
        connect(cycle, &UnitCycle::done, &loop, [&running, &loop] {
            if (--running == 0)
                loop.quit();
        });
    }
    m_err.flush();
    for (UnitCycle* cycle : std::as_const(m_cycles))
        if (cycle->failure().isEmpty())
            cycle->start();
    if (running > 0) {
        m_progress.start();
        showProgress();
        loop.exec();
        m_progress.stop();
        showProgress();
    }
    return finish(portFailed);
}

void FlashRun::stop(int signalNumber)
{
    m_signal = m_signal ? m_signal : signalNumber;
    for (UnitCycle* cycle : std::as_const(m_cycles))
        if (cycle->running())
            cycle->stop();
}

// Loads the slice the way the window's Send does; false after a message when it cannot be sent.
bool FlashRun::prepareJob(UnitCycle::Job* job)
{
    job->level = m_options.level();
    if (!m_options.needsWave())
        return true;
    LoadedWave wave;
    const LoadResult loaded = LoadWaveFile(wave, m_options.waveFile());
    if (m_options.convert() && !convertIfNeeded(job->dest, wave))
        return false;
    if (!wave.FileOpen) {
        m_err << "pelorin-flash: " << m_options.waveFile() << ": " << loaded.text << "\n";
        return false;
    }
    if (!isRateSupported(wave.Format.SampleRate)) {
        m_err << "pelorin-flash: " << m_options.waveFile() << ": "
              << rateMessage(wave.Format.SampleRate) << "\n";
        return false;
    }
    qint32 start = 0;
    qint32 end = 0;
    QString error;
    if (!m_options.sliceFrames(wave.SampleCount, wave.Format.SampleRate, &start, &end, &error)) {
        m_err << "pelorin-flash: " << error << "\n";
        return false;
    }
    qint32 size = end - start;
    if (DownloadPlan::NeedsTruncation(size)) {
        if (!m_options.truncate()) {
            m_err << "pelorin-flash: "
                  << DownloadEncoder::TruncationQuestion(job->dest).replace("\r\n", "\n")
                  << "\nGive --truncate to send the first " << UnitProtocol::MaxDownloadSamples
                  << " frames of the slice.\n";
            return false;
        }
        size = UnitProtocol::MaxDownloadSamples;
    }
    job->bitsPerSample = wave.Format.BitsPerSample;
    job->values = wave.FirstChannelValues(start, size);
    return true;
}

// With --convert, a file the unit cannot play as it is becomes 16-bit PCM at the destination's
// rate: the IDs play at 8000, the Pink File at 48000 (44100 is kept, as the window keeps it).
bool FlashRun::convertIfNeeded(WaveDestination dest, LoadedWave& wave)
{
    const DestinationInfo& info = DestinationInfo::Of(dest);
    if (wave.FileOpen && info.Plays(wave.Format.SampleRate))
        return true;
    const WaveConverter::Result r =
        WaveConverter::Convert(m_options.waveFile(), info.PlayRate(), wave);
    if (!r.ok)
        m_err << "pelorin-flash: " << m_options.waveFile() << ": cannot convert: " << r.error
              << "\n";
    return r.ok;
}

// Every port as given (or the one chosen in the window) with its device; a device that cannot
// be found stays empty. False after a message when the ports are a usage error.
bool FlashRun::resolvePorts()
{
    RegEdit store;
    PortTable table(store, AppSettings::AppKey);
    QStringList ports = m_options.ports();
    if (ports.isEmpty()) {
        const int saved = AppSettings::SavedPort(store).toInt();
        if (saved < PortTable::FirstPort || saved > PortTable::LastPort) {
            m_err << "pelorin-flash: no --port given and no port chosen in the window\n";
            return false;
        }
        ports.append(PortTable::valueName(saved));
    }
    QSet<QString> seen;
    for (const QString& port : std::as_const(ports)) {
        const int n = FlashOptions::portNumber(port);
        const QString path = n ? table.devicePath(n) : port;
        const QString device = path.isEmpty() ? QString() : QFileInfo(path).canonicalFilePath();
        if (!device.isEmpty() && seen.contains(device)) {
            m_err << "pelorin-flash: " << port << " names " << device
                  << " a second time; a unit takes one command at a time\n";
            return false;
        }
        seen.insert(device);
        m_targets.append({port, device,
                          n && path.isEmpty() ? QStringLiteral("no device in the port table "
                                                               "(pelorin-ports attach %1 DEVICE)")
                                                    .arg(n)
                                              : QStringLiteral("%1 does not exist").arg(path)});
    }
    return true;
}

// With one unit the window's copy file; with several each unit keeps its own, numbered in the
// order of the ports, so no unit's copy replaces another's.
QString FlashRun::copyFileFor(int index, int count) const
{
    if (!m_options.needsWave())
        return {};
    const QString name = CopyFile::CopyFileName(m_options.waveFile());
    if (count == 1 || name.isEmpty())
        return name;
    return name.chopped(4) + QStringLiteral("-%1.bin").arg(index + 1);
}

void FlashRun::showProgress()
{
    if (m_options.quiet() || m_cycles.isEmpty())
        return;
    if (m_terminal) {
        m_err << FlashReport::redraw(m_cycles, m_lines);
        m_lines = int(m_cycles.size());
    } else {
        for (const UnitCycle* c : std::as_const(m_cycles))
            if (c->running())
                m_err << FlashReport::progressLine(*c) << "\n";
    }
    m_err.flush();
}

int FlashRun::finish(bool portFailed)
{
    bool allOk = true;
    for (const UnitCycle* c : std::as_const(m_cycles)) {
        allOk = allOk && c->ok();
        if (m_options.json())
            m_out << FlashReport::json(*c) << "\n";
    }
    if (!m_options.json() && !m_options.quiet())
        m_out << FlashReport::table(m_cycles);
    m_out.flush();
    if (m_signal)
        return 128 + m_signal;
    return portFailed ? PortFailed : allOk ? AllDone : UnitFailed;
}
