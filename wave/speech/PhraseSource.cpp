#include "wave/speech/PhraseSource.h"

#include "wave/LoadedWave.h"
#include "wave/WaveConverter.h"
#include "wave/speech/SpeechSynth.h"

#include <QStringList>

namespace PhraseSource {

Phrase phrase(const ChannelIdProject::Source& source)
{
    using Kind = ChannelIdProject::Source::Kind;
    if (source.kind == Kind::Speech) {
        SpeechSynth::Speech speech =
            SpeechSynth::speak(source.text, source.voice, source.wordsPerMinute);
        return {std::move(speech.samples), speech.error};
    }
    if (source.kind == Kind::Silent)
        return {};
    LoadedWave wave;
    const WaveConverter::Result converted =
        WaveConverter::Convert(source.path, ChannelIdLayout::Rate, wave);
    if (!converted.ok)
        return {{}, QStringLiteral("%1: %2").arg(source.path, converted.error)};
    return {wave.FirstChannelValues(0, wave.SampleCount), {}};
}

Composition composerInput(const ChannelIdProject& project)
{
    Composition composition;
    composition.input.mode = project.mode;
    composition.input.levelPercent = project.levelPercent;
    QStringList errors;
    for (int k = 0; k < ChannelIdLayout::Channels; ++k) {
        const ChannelIdProject::Row& row = project.rows[size_t(k)];
        Phrase read = phrase(row.source);
        if (!read.error.isEmpty())
            errors << QStringLiteral("Channel %1: %2").arg(k + 1).arg(read.error);
        composition.input.phrases[size_t(k)] = std::move(read.samples);
        composition.input.fits[size_t(k)] = row.fit;
    }
    composition.error = errors.join(QLatin1Char('\n'));
    return composition;
}

} // namespace PhraseSource
