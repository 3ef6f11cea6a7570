#pragma once

#include <QString>

#include <vector>

// Speaks a text with espeak-ng into samples at 8000 per second in [-1, 1]. espeak-ng is one
// engine per process: it starts on first use (its data from the standard place, or from
// ESPEAK_DATA_PATH when that is set) and every call holds one lock, so callers on any thread take
// turns. A failed start is kept: every later call answers with its message.
class SpeechSynth
{
public:
    struct Voice
    {
        QString name;       // "English (America)"
        QString language;   // "en-us", its first language
        QString identifier; // "gmw/en-US"
    };
    struct Speech
    {
        std::vector<double> samples; // empty when error is set
        QString error;
    };

    // `voice` is a voice's language, name or identifier; the speed is in words per minute,
    // ChannelIdProject's MinWordsPerMinute to MaxWordsPerMinute.
    static Speech speak(const QString& text, const QString& voice, int wordsPerMinute);
    // The installed voices; empty, with `error` set, when the engine cannot start.
    static std::vector<Voice> voices(QString* error = nullptr);
};
