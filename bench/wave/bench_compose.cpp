// A whole Channel ID from speech: "Channel one" to "Channel sixteen" spoken by espeak-ng (en-us,
// 160 words per minute) and composed for the unit's default half-second mode, each phrase sped up
// to its slot. Prints the time of each step and the sum (target < 2 s).
#include "wave/ChannelIdComposer.h"
#include "wave/ChannelIdProject.h"
#include "wave/speech/PhraseSource.h"

#include <QElapsedTimer>
#include <QStringList>

#include <cstdio>

int main()
{
    const QStringList numbers = {"one",      "two",      "three",   "four",   "five",   "six",
                                 "seven",    "eight",    "nine",    "ten",    "eleven", "twelve",
                                 "thirteen", "fourteen", "fifteen", "sixteen"};
    ChannelIdProject project;
    for (int k = 0; k < ChannelIdLayout::Channels; ++k) {
        ChannelIdProject::Row& row = project.rows[size_t(k)];
        row.source.kind = ChannelIdProject::Source::Kind::Speech;
        row.source.voice = "en-us";
        row.source.text = "Channel " + numbers[k];
        row.fit = ChannelIdComposer::Fit::SpeedUp;
    }
    QElapsedTimer clock;
    clock.start();
    const PhraseSource::Composition composition = PhraseSource::composerInput(project);
    const qint64 spoken = clock.nsecsElapsed();
    const ChannelIdComposer::Result result = ChannelIdComposer::compose(composition.input);
    const qint64 total = clock.nsecsElapsed();
    if (!composition.error.isEmpty() || !result.ok) {
        std::printf("bench_compose: %s\n", qPrintable(composition.error + result.error));
        return 1;
    }
    int spedUp = 0;
    for (const ChannelIdComposer::RowReport& row : result.rows)
        spedUp += row.fittedBy == ChannelIdComposer::Fit::SpeedUp;
    std::printf("speak 16 phrases: %.1f ms\ncompose (%d sped up): %.1f ms\ntotal: %.1f ms "
                "(target < 2000 ms)\n",
                spoken / 1e6, spedUp, (total - spoken) / 1e6, total / 1e6);
    return total < 2'000'000'000 ? 0 : 1;
}
