#pragma once

#include "wave/ChannelIdComposer.h"
#include "wave/ChannelIdLayout.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

// A Channel ID composition as a text file (UTF-8), so that it can be saved and composed again:
//
//   pelorin-channel-id 1
//   mode half                           half | one: the unit's jumper (ChannelIdLayout::Mode)
//   level 90                            the loudest phrase's peak, (0, 100] % of full scale
//   1 none file /home/tech/ids/one.wav  <channel> <fit> file <path>
//   2 trim say en-us 160 Channel two    <channel> <fit> say <voice> <words per minute> <text>
//   3 none silent                       <channel> <fit> silent
//
// The identifying first line comes first; then the mode, the level and channels 1..16 exactly
// once each, in any order. Fit is none, trim or speedup (ChannelIdComposer::Fit). Fields are
// separated by one space; a path and a text are the rest of the line as it stands, spaces
// included, so neither may hold a line break. A relative path is taken from the project file's
// folder. Empty lines and lines starting with '#' are skipped; CR LF line ends are accepted.
class ChannelIdProject
{
public:
    static constexpr int MinWordsPerMinute = 80; // the speech engine's range of speeds
    static constexpr int MaxWordsPerMinute = 450;
    static constexpr int DefaultWordsPerMinute = 160;

    struct Source
    {
        enum class Kind
        {
            Silent,
            File,  // the first channel of a sound file, converted to 8000 per second
            Speech // a text spoken by the speech engine
        };
        Kind kind = Kind::Silent;
        QString path;  // File
        QString voice; // Speech: a voice's language, name or identifier, without spaces
        int wordsPerMinute = DefaultWordsPerMinute;
        QString text; // Speech
    };
    struct Row
    {
        Source source;
        ChannelIdComposer::Fit fit = ChannelIdComposer::Fit::None;
    };

    std::array<Row, ChannelIdLayout::Channels> rows; // [0]: channel 1
    ChannelIdLayout::Mode mode = ChannelIdLayout::Mode::HalfSecond;
    double levelPercent = ChannelIdComposer::DefaultLevelPercent;

    // The project the text holds, or nullopt with `error` saying what is wrong, naming the line;
    // nothing of a text with any fault is taken. `folder` is where relative paths start from
    // (empty: they stay as written).
    static std::optional<ChannelIdProject> parse(const QByteArray& text, QString& error,
                                                 const QString& folder = {});
    // The same from a file, its folder the start of relative paths; `error` names the file.
    static std::optional<ChannelIdProject> read(const QString& path, QString& error);

    // The file's text. Only meaningful when problem() is empty.
    QByteArray text() const;
    // What keeps this project from being written so that it reads back the same; empty if none.
    QString problem() const;
    // Writes text() whole or not at all. nullopt on success, else why not, naming the file.
    std::optional<QString> save(const QString& path) const;
};
