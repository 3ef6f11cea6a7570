#include "wave/gui/PlayCursor.h"

#include "wave/LoadedWave.h"
#include "wave/gui/Form_Wave.h"
#include "wave/gui/Playback.h"

#include <algorithm>

namespace {
constexpr int TickMs = 33;
}

PlayCursor::PlayCursor(const Playback& playback, const LoadedWave& wave, QObject* parent)
    : QObject(parent), m_playback(playback), m_wave(wave)
{
    m_timer.setInterval(TickMs);
    connect(&m_timer, &QTimer::timeout, this, &PlayCursor::Tick);
}

void PlayCursor::Follow()
{
    m_timer.start();
    Tick();
}

qint64 PlayCursor::FrameAt(const LoadedWave& wave, qint64 heardUSecs)
{
    const qint64 frames = qint64(wave.SliceEnd) - wave.SliceStart;
    const qint64 heard = heardUSecs * qint64(wave.Format.SampleRate) / 1000000;
    return wave.SliceStart + std::clamp<qint64>(heard, 0, std::max<qint64>(0, frames - 1));
}

void PlayCursor::Tick()
{
    const qint64 heard = m_playback.PlayedUSecs();
    if (heard < 0)
        m_timer.stop();
    if (m_plot)
        m_plot->SetPlayCursor(heard < 0 ? -1 : FrameAt(m_wave, heard));
}
