#pragma once

#include <QAudio>
#include <QAudioDevice>
#include <QAudioFormat>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <memory>
#include <optional>

class LoadedWave;
class QAudioSink;
class QIODevice;
struct WaveFormat;

// Plays the selected slice of the loaded wave once, in the file's own format, on an audio output
// device. The slice is fixed when playback starts. Playing (in LoadedWave) is true from a
// successful start until the sound has been heard to its end or was stopped. The samples are
// read in place, so the wave must not be reloaded while a device is open (ClosePlayback first).
class Playback : public QObject
{
    Q_OBJECT
public:
    static constexpr qint16 DefaultDevice = -1;

    explicit Playback(LoadedWave& wave, QObject* parent = nullptr);
    ~Playback() override;

    // Releases any device still open, opens the device (DefaultDevice or an index into the
    // system's outputs) and starts the slice. Returns an empty text on success, otherwise the
    // message for the user; the loaded wave is left untouched either way.
    QString StartPlayback(qint16 deviceId = DefaultDevice);
    // Plays the slice of another sound (a preview the caller builds and keeps unchanged while a
    // device is open) the same way; with loop set, round and round until stopped. The loaded
    // wave's Playing follows it as for the slice.
    QString StartSound(const LoadedWave& sound, bool loop, qint16 deviceId = DefaultDevice);
    // Microseconds of the playing sound heard so far (within the round for a loop); -1 when
    // nothing plays.
    qint64 PlayedUSecs() const;
    // Cuts the sound off at once and clears Playing; the device stays open.
    void StopPlayback();
    // Stops and releases the device; Playing is false afterwards.
    void ClosePlayback();
    bool DeviceOpen() const { return m_sink != nullptr; }
    // Where the default device comes from (the system's default output unless replaced).

    // The output format of a wave format: 8-bit unsigned or 16-bit signed PCM with the file's
    // channels and rate; nullopt when the file's samples cannot be played as they are.
    static std::optional<QAudioFormat> FormatOf(const WaveFormat& format);
    // The message for a failed open, by the audio system's error.
    static QString ErrorText(QAudio::Error error);
    static QString NoDeviceText();
    // Ends the process with `rc` once the caller's own objects are gone, skipping the static
    // destructors: Qt 6.4's PulseAudio engine tears down without its main-loop lock, and libpulse
    // then aborts about one clean exit in 1500.
    [[noreturn]] static void LeaveProcess(int rc);

private:
    QAudioDevice DeviceFor(qint16 deviceId) const;
    void OpenSliceSource(const LoadedWave& sound, bool loop);
    void StateChanged(QAudio::State state);
    void CheckEnd();
    void PlaybackDone();
    void CloseDevice();

    LoadedWave& m_wave;
    const LoadedWave* m_sound; // what the device plays: m_wave or a preview
    bool m_loop = false;
    std::unique_ptr<QIODevice> m_source; // declared before m_sink: the sink reads from it
    std::unique_ptr<QAudioSink> m_sink;
    qint64 m_sliceUSecs = 0;
    QTimer m_endWatch;
    QElapsedTimer m_sinceProgress;
    qint64 m_lastProcessed = -1;
};
