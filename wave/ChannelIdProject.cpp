#include "wave/ChannelIdProject.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

using Source = ChannelIdProject::Source;

constexpr char Header[] = "pelorin-channel-id 1";
// Indexed by the enums' values.
const QList<QByteArray> FitWords = {"none", "trim", "speedup"};
const QList<QByteArray> ModeWords = {"half", "one"};

// The first field of `rest`; `rest` keeps what follows the one space after it.
QByteArray TakeField(QByteArray& rest)
{
    const qsizetype space = rest.indexOf(' ');
    const QByteArray field = rest.left(space < 0 ? rest.size() : space);
    rest = space < 0 ? QByteArray() : rest.mid(space + 1);
    return field;
}

bool HasLineBreak(const QString& s)
{
    return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'));
}

bool IsLevel(double percent)
{
    return std::isfinite(percent) && percent > 0 && percent <= 100;
}

QString SourceProblem(const Source& s)
{
    if (s.kind == Source::Kind::File && (s.path.isEmpty() || HasLineBreak(s.path)))
        return QStringLiteral("a file row needs a path on one line");
    if (s.kind != Source::Kind::Speech)
        return {};
    if (s.voice.isEmpty() || s.voice.contains(QLatin1Char(' ')) || HasLineBreak(s.voice))
        return QStringLiteral("the voice must be one word, such as en-us");
    if (s.wordsPerMinute < ChannelIdProject::MinWordsPerMinute ||
        s.wordsPerMinute > ChannelIdProject::MaxWordsPerMinute)
        return QStringLiteral("the speed must be %1 to %2 words per minute")
            .arg(ChannelIdProject::MinWordsPerMinute)
            .arg(ChannelIdProject::MaxWordsPerMinute);
    if (s.text.trimmed().isEmpty() || HasLineBreak(s.text))
        return QStringLiteral("a say row needs a text on one line");
    return {};
}

QByteArray SourceText(const Source& s)
{
    switch (s.kind) {
    case Source::Kind::File:
        return "file " + QFile::encodeName(s.path);
    case Source::Kind::Speech:
        return "say " + s.voice.toUtf8() + ' ' + QByteArray::number(s.wordsPerMinute) + ' ' +
               s.text.toUtf8();
    case Source::Kind::Silent:
        break;
    }
    return "silent";
}

// Reads the lines of one project in turn; each answers what is wrong with it, or nothing.
class Reader
{
public:
    explicit Reader(const QString& folder) : m_folder(folder) {}
    QString line(const QByteArray& line);
    QString missing() const;
    ChannelIdProject project;

private:
    QString setting(const QByteArray& key, const QByteArray& value);
    QString row(int channel, QByteArray rest);
    QString source(Source& s, QByteArray rest) const;
    QString m_folder;
    bool m_header = false;
    bool m_mode = false;
    bool m_level = false;
    std::array<bool, ChannelIdLayout::Channels> m_seen{};
};

QString Reader::line(const QByteArray& line)
{
    if (!m_header) {
        m_header = line == Header;
        return m_header ? QString() : QStringLiteral("this is not a Channel ID project");
    }
    QByteArray rest = line;
    const QByteArray first = TakeField(rest);
    if (first == "mode" || first == "level")
        return setting(first, rest);
    bool ok = false;
    const int channel = first.toInt(&ok);
    if (!ok || channel < 1 || channel > ChannelIdLayout::Channels)
        return QStringLiteral("a line starts with mode, level or a channel from 1 to 16");
    if (m_seen[size_t(channel - 1)])
        return QStringLiteral("channel %1 is given twice").arg(channel);
    m_seen[size_t(channel - 1)] = true;
    return row(channel, rest);
}

QString Reader::setting(const QByteArray& key, const QByteArray& value)
{
    bool& seen = key == "mode" ? m_mode : m_level;
    if (seen)
        return QStringLiteral("the %1 is given twice").arg(QLatin1String(key));
    seen = true;
    if (key == "mode") {
        const qsizetype mode = ModeWords.indexOf(value);
        project.mode = ChannelIdLayout::Mode(std::max<qsizetype>(mode, 0));
        return mode >= 0 ? QString() : QStringLiteral("the mode is half or one");
    }
    bool ok = false;
    project.levelPercent = value.toDouble(&ok);
    return ok && IsLevel(project.levelPercent)
               ? QString()
               : QStringLiteral("the level is a number above 0 and at most 100");
}

QString Reader::row(int channel, QByteArray rest)
{
    ChannelIdProject::Row& row = project.rows[size_t(channel - 1)];
    const qsizetype fit = FitWords.indexOf(TakeField(rest));
    if (fit < 0)
        return QStringLiteral("the fit is none, trim or speedup");
    row.fit = ChannelIdComposer::Fit(fit);
    const QString problem = source(row.source, rest);
    if (!problem.isEmpty())
        return problem;
    if (row.source.kind == Source::Kind::File && !m_folder.isEmpty())
        row.source.path = QDir(m_folder).absoluteFilePath(row.source.path);
    return SourceProblem(row.source);
}

QString Reader::source(Source& s, QByteArray rest) const
{
    const QByteArray kind = TakeField(rest);
    if (kind == "silent")
        return rest.isEmpty() ? QString() : QStringLiteral("nothing follows silent");
    if (kind == "file") {
        s.kind = Source::Kind::File;
        s.path = QFile::decodeName(rest);
        return {};
    }
    if (kind != "say")
        return QStringLiteral("the source is silent, file or say");
    s.kind = Source::Kind::Speech;
    s.voice = QString::fromUtf8(TakeField(rest));
    bool ok = false;
    s.wordsPerMinute = TakeField(rest).toInt(&ok);
    QStringDecoder utf8(QStringDecoder::Utf8);
    s.text = utf8(rest);
    if (!ok)
        return QStringLiteral("the speed is a whole number of words per minute");
    return utf8.hasError() ? QStringLiteral("the text is not UTF-8") : QString();
}

QString Reader::missing() const
{
    if (!m_header)
        return QStringLiteral("This is not a Channel ID project.");
    QStringList missing;
    if (!m_mode)
        missing << QStringLiteral("the mode");
    if (!m_level)
        missing << QStringLiteral("the level");
    for (int k = 0; k < ChannelIdLayout::Channels; ++k) {
        if (!m_seen[size_t(k)])
            missing << QStringLiteral("channel %1").arg(k + 1);
    }
    return missing.isEmpty()
               ? QString()
               : QStringLiteral("Missing: %1.").arg(missing.join(QLatin1String(", ")));
}

} // namespace

std::optional<ChannelIdProject> ChannelIdProject::parse(const QByteArray& text, QString& error,
                                                        const QString& folder)
{
    Reader reader(folder);
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        error = reader.line(line);
        if (!error.isEmpty()) {
            error = QStringLiteral("Line %1: %2.").arg(i + 1).arg(error);
            return std::nullopt;
        }
    }
    error = reader.missing();
    return error.isEmpty() ? std::optional(reader.project) : std::nullopt;
}

std::optional<ChannelIdProject> ChannelIdProject::read(const QString& path, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("%1 could not be read: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    std::optional<ChannelIdProject> project =
        parse(file.readAll(), error, QFileInfo(path).absolutePath());
    if (!project)
        error = QStringLiteral("%1: %2").arg(path, error);
    return project;
}

QByteArray ChannelIdProject::text() const
{
    QByteArray out = QByteArray(Header) +
                     "\n# <channel> <none|trim|speedup> silent | file <path> | "
                     "say <voice> <words per minute> <text>\n";
    out += "mode " + ModeWords[int(mode)] + '\n';
    out += "level " + QByteArray::number(levelPercent, 'g', QLocale::FloatingPointShortest) + '\n';
    for (int k = 0; k < ChannelIdLayout::Channels; ++k) {
        const Row& row = rows[size_t(k)];
        out += QByteArray::number(k + 1) + ' ' + FitWords[int(row.fit)] + ' ' +
               SourceText(row.source) + '\n';
    }
    return out;
}

QString ChannelIdProject::problem() const
{
    if (!IsLevel(levelPercent))
        return QStringLiteral("The level must be above 0 and at most 100.");
    for (int k = 0; k < ChannelIdLayout::Channels; ++k) {
        const QString problem = SourceProblem(rows[size_t(k)].source);
        if (!problem.isEmpty())
            return QStringLiteral("Channel %1: %2.").arg(k + 1).arg(problem);
    }
    return {};
}

std::optional<QString> ChannelIdProject::save(const QString& path) const
{
    QSaveFile file(path);
    QString why = problem();
    const QByteArray bytes = text();
    if (why.isEmpty() && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
        file.commit())
        return std::nullopt;
    if (why.isEmpty())
        why = file.errorString();
    return QStringLiteral("%1 could not be written: %2").arg(path, why);
}
