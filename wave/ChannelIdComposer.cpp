#include "wave/ChannelIdComposer.h"

#include "wave/LoadedWave.h"
#include "wave/SilenceTrim.h"
#include "wave/WaveConverter.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

using Fit = ChannelIdComposer::Fit;

QString SamplesAndSeconds(qint32 samples)
{
    return QStringLiteral("%1 samples (%2 s)")
        .arg(samples)
        .arg(double(samples) / ChannelIdLayout::Rate, 0, 'f', 3);
}

// A straight fall to zero over the last FadeSamples of the cut phrase.
void FadeOut(std::vector<double>& phrase)
{
    const qint64 fade = std::min<qint64>(ChannelIdComposer::FadeSamples, qint64(phrase.size()));
    for (qint64 j = 0; j < fade; ++j)
        phrase[size_t(qint64(phrase.size()) - fade + j)] *= double(fade - 1 - j) / fade;
}

std::vector<double> Fitted(std::vector<double> phrase, qint32 slot, Fit fit)
{
    if (fit == Fit::SpeedUp)
        phrase = WaveConverter::Resample(phrase, double(phrase.size()), slot);
    phrase.resize(size_t(slot)); // the resampler's rounding may leave one sample more or less
    if (fit == Fit::Trim)
        FadeOut(phrase);
    return phrase;
}

// Trims the phrase and fits it to the slot as its row asks; the phrase is left empty when it is
// too long and the row asks for no fit.
ChannelIdComposer::RowReport Prepare(std::vector<double>& phrase, Fit fit, qint32 slot)
{
    ChannelIdComposer::RowReport row;
    phrase = SilenceTrim::trimmed(phrase);
    row.sourceLength = qint32(phrase.size());
    row.slotLength = slot;
    row.tooLong = row.sourceLength > slot;
    if (row.tooLong && fit == Fit::None)
        phrase.clear();
    else if (row.tooLong) {
        row.fittedBy = fit;
        phrase = Fitted(std::move(phrase), slot, fit);
    }
    row.placedLength = qint32(phrase.size());
    return row;
}

qint16 ToPcm16(double v)
{
    return qint16(std::clamp<long>(std::lround(v * 32768.0), -32768, 32767));
}

double Peak(const std::vector<double>& phrase)
{
    double peak = 0.0;
    for (double v : phrase)
        peak = std::max(peak, std::abs(v));
    return peak;
}

} // namespace

QString ChannelIdComposer::RowReport::tooLongText(int channel) const
{
    if (!tooLong)
        return {};
    return QStringLiteral("Channel %1: %2, %3 longer than its slot of %4")
        .arg(channel)
        .arg(SamplesAndSeconds(sourceLength), SamplesAndSeconds(sourceLength - slotLength),
             SamplesAndSeconds(slotLength));
}

ChannelIdComposer::Result ChannelIdComposer::compose(const Input& input)
{
    Result result;
    if (!(input.levelPercent > 0 && input.levelPercent <= 100)) {
        result.error = QStringLiteral("The level must be more than 0 % and at most 100 %.");
        return result;
    }
    std::array<std::vector<double>, ChannelIdLayout::Channels> phrases = input.phrases;
    QStringList tooLong;
    double peak = 0.0;
    for (int k = 0; k < ChannelIdLayout::Channels; ++k) {
        RowReport& row = result.rows[size_t(k)];
        row = Prepare(phrases[size_t(k)], input.fits[size_t(k)],
                      ChannelIdLayout::slotLength(input.mode));
        if (row.tooLong && row.fittedBy == Fit::None)
            tooLong << row.tooLongText(k + 1);
        peak = std::max(peak, Peak(phrases[size_t(k)]));
    }
    if (!tooLong.isEmpty()) {
        result.error = tooLong.join(QLatin1Char('\n'));
        return result;
    }
    const double gain = peak > 0 ? input.levelPercent / 100.0 / peak : 0.0;
    result.samples.assign(size_t(ChannelIdLayout::Total), 0);
    for (int k = 0; k < ChannelIdLayout::Channels; ++k) {
        const qint32 start = ChannelIdLayout::slotStart(k + 1, input.mode);
        std::transform(phrases[size_t(k)].begin(), phrases[size_t(k)].end(),
                       result.samples.begin() + start,
                       [gain](double v) { return ToPcm16(v * gain); });
    }
    result.ok = true;
    return result;
}

bool ChannelIdComposer::toLoadedWave(const Result& result, LoadedWave& out)
{
    return result.ok && result.samples.size() == size_t(ChannelIdLayout::Total) &&
           out.Store16(result.samples, 1, ChannelIdLayout::Rate);
}
