#include "wave/speech/SpeechSynth.h"

#include "wave/ChannelIdLayout.h"
#include "wave/ChannelIdProject.h"
#include "wave/WaveConverter.h"

#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>

#include <cerrno>
#include <mutex>

namespace {

static_assert(ChannelIdProject::MinWordsPerMinute == espeakRATE_MINIMUM &&
              ChannelIdProject::MaxWordsPerMinute == espeakRATE_MAXIMUM);

std::mutex& EngineLock()
{
    static std::mutex lock;
    return lock;
}

QString Message(espeak_ng_STATUS status)
{
    char text[256] = {};
    espeak_ng_GetStatusCodeMessage(status, text, sizeof text);
    return QString::fromLocal8Bit(text);
}

// espeak-ng hands the synthesised sound over in pieces; the caller's buffer rides on the events.
int Collect(short* wav, int count, espeak_EVENT* events)
{
    auto* out = events ? static_cast<std::vector<short>*>(events->user_data) : nullptr;
    if (wav && count > 0 && out)
        out->insert(out->end(), wav, wav + count);
    return 0;
}

// Starts the engine once; empty on success, else why it could not. Called under EngineLock.
const QString& StartError()
{
    static const QString error = [] {
        espeak_ng_InitializePath(nullptr);
        espeak_ng_ERROR_CONTEXT context = nullptr;
        espeak_ng_STATUS status = espeak_ng_Initialize(&context);
        espeak_ng_ClearErrorContext(&context);
        if (status == ENS_OK)
            status = espeak_ng_InitializeOutput(ENOUTPUT_MODE_SYNCHRONOUS, 0, nullptr);
        if (status == ENS_OK) {
            espeak_SetSynthCallback(Collect);
            return QString();
        }
        return QStringLiteral("The speech engine espeak-ng could not start: %1%2")
            .arg(Message(status), status == espeak_ng_STATUS(ENOENT)
                                      ? QStringLiteral(" (its data, espeak-ng-data, is missing)")
                                      : QString());
    }();
    return error;
}

// A voice by its name or file, or else by a language the voice list names ("en-gb"), which the
// engine only finds by its properties.
bool SelectVoice(const QByteArray& voice)
{
    if (espeak_ng_SetVoiceByName(voice.constData()) == ENS_OK)
        return true;
    espeak_VOICE wanted{};
    wanted.languages = voice.constData();
    return espeak_ng_SetVoiceByProperties(&wanted) == ENS_OK;
}

// The engine's own samples (16-bit at its rate), or the error.
SpeechSynth::Speech Synthesize(const QByteArray& text, const QByteArray& voice, int wpm, int& rate)
{
    const std::lock_guard<std::mutex> lock(EngineLock());
    if (!StartError().isEmpty())
        return {{}, StartError()};
    if (!SelectVoice(voice))
        return {{},
                QStringLiteral("There is no speech voice \"%1\".").arg(QString::fromUtf8(voice))};
    std::vector<short> spoken;
    espeak_ng_STATUS status = espeak_ng_SetParameter(espeakRATE, wpm, 0);
    if (status == ENS_OK)
        status = espeak_ng_Synthesize(text.constData(), size_t(text.size()) + 1, 0, POS_CHARACTER,
                                      0, espeakCHARS_UTF8, nullptr, &spoken);
    if (status != ENS_OK)
        return {{}, QStringLiteral("espeak-ng could not speak the text: %1").arg(Message(status))};
    rate = espeak_ng_GetSampleRate();
    return {std::vector<double>(spoken.begin(), spoken.end()), {}};
}

} // namespace

SpeechSynth::Speech SpeechSynth::speak(const QString& text, const QString& voice,
                                       int wordsPerMinute)
{
    if (text.trimmed().isEmpty())
        return {{}, QStringLiteral("There is no text to speak.")};
    if (wordsPerMinute < espeakRATE_MINIMUM || wordsPerMinute > espeakRATE_MAXIMUM)
        return {{},
                QStringLiteral("The speed must be %1 to %2 words per minute.")
                    .arg(espeakRATE_MINIMUM)
                    .arg(espeakRATE_MAXIMUM)};
    int rate = 0;
    Speech speech = Synthesize(text.toUtf8(), voice.toUtf8(), wordsPerMinute, rate);
    for (double& v : speech.samples)
        v /= 32768.0;
    speech.samples = WaveConverter::Resample(speech.samples, rate, ChannelIdLayout::Rate);
    return speech;
}

std::vector<SpeechSynth::Voice> SpeechSynth::voices(QString* error)
{
    const std::lock_guard<std::mutex> lock(EngineLock());
    if (error)
        *error = StartError();
    if (!StartError().isEmpty())
        return {};
    std::vector<Voice> voices;
    for (const espeak_VOICE** v = espeak_ListVoices(nullptr); v && *v; ++v) {
        // `languages` is a priority byte, then the name, for each language the voice speaks.
        const char* language = (*v)->languages ? (*v)->languages + 1 : "";
        voices.push_back({QString::fromUtf8((*v)->name), QString::fromUtf8(language),
                          QString::fromUtf8((*v)->identifier)});
    }
    return voices;
}
