#pragma once

#include "wave/ChannelIdComposer.h"
#include "wave/ChannelIdProject.h"

#include <QString>

#include <vector>

// From a Channel ID row's source to its samples (8000 per second, in [-1, 1]): a file is
// converted by WaveConverter (whatever libsndfile reads, at any rate) and its first channel
// taken; a text is spoken by SpeechSynth; a silent row gives no samples.
namespace PhraseSource {

struct Phrase
{
    std::vector<double> samples; // empty when error is set
    QString error;
};

Phrase phrase(const ChannelIdProject::Source& source);

struct Composition
{
    ChannelIdComposer::Input input; // the project's phrases, fits, mode and level
    QString error; // every row that could not be read, "Channel 3: ...", one a line; empty if none
};

// Reads every row's source of the project, ready for ChannelIdComposer::compose.
Composition composerInput(const ChannelIdProject& project);

} // namespace PhraseSource
