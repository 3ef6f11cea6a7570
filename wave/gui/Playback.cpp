#include "wave/gui/Playback.h"

#include "wave/LoadedWave.h"
#include "wave/gui/SliceSource.h"

#include <QAudioSink>
#include <QMediaDevices>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

// The sound may stall (a device waking from suspend holds it for about two seconds); only a
// stall longer than this ends the wait for the sound's end.
constexpr qint64 StallLimitMs = 4000;
// Near the end the processed time is polled at this interval at most.
constexpr qint64 PollMs = 10;
constexpr qint64 BufferUSecs = 400000; // what a stalled thread may leave unfed

struct ErrorRow
{
    QAudio::Error error;
    const char* text;
};

constexpr ErrorRow ErrorTable[] = {
    {QAudio::OpenError, "The audio output device could not be opened for this file's format."},
    {QAudio::IOError, "The audio output device could not be written to."},
    {QAudio::UnderrunError, "The audio output device ran out of sound data."},
    {QAudio::FatalError, "The audio output device failed and cannot be used."},
};

} // namespace

Playback::Playback(LoadedWave& wave, QObject* parent)
    : QObject(parent), m_wave(wave), m_sound(&wave)
{
    m_endWatch.setSingleShot(true);
    connect(&m_endWatch, &QTimer::timeout, this, &Playback::CheckEnd);
}

Playback::~Playback()
{
    // The wave may already be gone here: release the device without touching it.
    CloseDevice();
}

std::optional<QAudioFormat> Playback::FormatOf(const WaveFormat& format)
{
    constexpr quint16 Pcm = 1;
    constexpr quint16 Extensible = 0xFFFE;
    const int bytes = format.BitsPerSample / 8;
    const bool pcm = format.FormatTag == Pcm || format.FormatTag == Extensible;
    const bool bits = format.BitsPerSample == 8 || format.BitsPerSample == 16;
    if (!pcm || !bits || format.Channels == 0 || format.SampleRate == 0 ||
        format.SampleRate > quint32(std::numeric_limits<int>::max()) ||
        format.BlockAlign != format.Channels * bytes)
        return std::nullopt;
    QAudioFormat out;
    out.setSampleRate(int(format.SampleRate));
    out.setChannelCount(format.Channels);
    out.setSampleFormat(QAudioFormat::Int16); // 8-bit sound is widened as it is read
    return out;
}

QString Playback::ErrorText(QAudio::Error error)
{
    for (const ErrorRow& row : ErrorTable) {
        if (row.error == error)
            return QString::fromLatin1(row.text);
    }
    return QString();
}

QString Playback::NoDeviceText()
{
    return QStringLiteral("No audio output device is available, so the slice cannot be played.");
}

void Playback::LeaveProcess(int rc)
{
    std::fflush(nullptr);
    std::_Exit(rc);
}

QAudioDevice Playback::DeviceFor(qint16 deviceId) const
{
    if (deviceId == DefaultDevice)
        return QMediaDevices::defaultAudioOutput();
    return QMediaDevices::audioOutputs().value(deviceId);
}

QString Playback::StartPlayback(qint16 deviceId)
{
    return StartSound(m_wave, false, deviceId);
}

QString Playback::StartSound(const LoadedWave& sound, bool loop, qint16 deviceId)
{
    ClosePlayback(); // a device left open by Stop is released before a new one opens
    if (!sound.FileOpen)
        return QStringLiteral("No wave file is loaded.");
    const QAudioDevice device = DeviceFor(deviceId);
    if (device.isNull())
        return NoDeviceText();
    const std::optional<QAudioFormat> format = FormatOf(sound.Format);
    if (!format || !device.isFormatSupported(*format))
        return ErrorText(QAudio::OpenError);

    m_sound = &sound;
    m_loop = loop;
    OpenSliceSource(sound, loop);
    m_sink = std::make_unique<QAudioSink>(device, *format);
    // Room for a busy desktop: the sink is fed from this thread, and a short buffer runs dry
    // (gaps in the sound) whenever the thread waits its turn. Stop drops what is queued.
    m_sink->setBufferSize(format->bytesForDuration(BufferUSecs));
    connect(m_sink.get(), &QAudioSink::stateChanged, this, &Playback::StateChanged);
    m_wave.Playing = true; // before start: an empty slice may end inside it
    m_sink->start(m_source.get());
    if (m_sink && (m_sink->error() != QAudio::NoError || m_sink->state() == QAudio::StoppedState)) {
        const QAudio::Error error = m_sink->error();
        ClosePlayback();
        return ErrorText(error == QAudio::NoError ? QAudio::OpenError : error);
    }
    if (m_sliceUSecs == 0)
        PlaybackDone(); // nothing to hear: done at once, like a zero-length buffer
    return QString();
}

void Playback::OpenSliceSource(const LoadedWave& sound, bool loop)
{
    // The slice as it is now, read in place: a long file is never copied, and pages of a
    // zero-filled tail are never committed.
    const qint64 align = sound.Format.BlockAlign;
    const qint64 size = sound.SampleData.size();
    const qint64 begin = std::clamp<qint64>(qint64(sound.SliceStart) * align, 0, size);
    const qint64 end = std::clamp<qint64>(qint64(sound.SliceEnd) * align, begin, size);
    const auto* bytes = reinterpret_cast<const char*>(sound.SampleData.data());
    const QByteArray slice = QByteArray::fromRawData(bytes ? bytes + begin : nullptr, end - begin);
    m_source = std::make_unique<SliceSource>(
        slice, SliceSource::Options{.widen = sound.Format.BitsPerSample == 8,
                                    .loop = loop,
                                    .frameBytes = int(align)});
    const qint64 frames = align > 0 ? (end - begin) / align : 0;
    m_sliceUSecs = frames * 1000000 / std::max<qint64>(1, sound.Format.SampleRate);
}

void Playback::StateChanged(QAudio::State state)
{
    if (state == QAudio::IdleState) {
        // Everything has been handed over; the sound itself ends when the processed time reaches
        // the slice's length, some 100 ms later.
        m_lastProcessed = -1;
        m_sinceProgress.start();
        CheckEnd();
    } else if (state == QAudio::StoppedState && m_sink && m_sink->error() != QAudio::NoError) {
        PlaybackDone(); // the device gave up
    }
}

qint64 Playback::PlayedUSecs() const
{
    if (!m_sink || !m_wave.Playing)
        return -1;
    const qint64 heard = m_sink->processedUSecs();
    return m_loop && m_sliceUSecs > 0 ? heard % m_sliceUSecs : std::min(heard, m_sliceUSecs);
}

void Playback::CheckEnd()
{
    if (!m_sink || !m_wave.Playing || m_loop)
        return;
    const qint64 processed = m_sink->processedUSecs();
    if (processed >= m_sliceUSecs) {
        PlaybackDone();
        return;
    }
    if (processed != m_lastProcessed) {
        m_lastProcessed = processed;
        m_sinceProgress.restart();
    } else if (m_sinceProgress.hasExpired(StallLimitMs)) {
        PlaybackDone();
        return;
    }
    const qint64 remainingMs = (m_sliceUSecs - processed + 999) / 1000;
    m_endWatch.start(int(std::clamp<qint64>(remainingMs, 1, PollMs)));
}

void Playback::PlaybackDone()
{
    m_endWatch.stop();
    m_wave.Playing = false;
}

void Playback::StopPlayback()
{
    if (!m_sink)
        return; // nothing open: the reset has nothing to act on
    m_endWatch.stop();
    m_sink->reset(); // drops what is queued, so the sound ends now rather than after the buffer
    m_sink->stop();
    PlaybackDone();
}

void Playback::ClosePlayback()
{
    CloseDevice();
    m_wave.Playing = false;
    m_sound = &m_wave; // a preview may go once its device is closed
    m_loop = false;
}

void Playback::CloseDevice()
{
    m_endWatch.stop();
    if (m_sink) {
        m_sink->disconnect(this);
        m_sink->stop();
        m_sink.reset();
    }
    m_source.reset();
}
