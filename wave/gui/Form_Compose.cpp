#include "wave/gui/Form_Compose.h"

#include "app/ui/Toolkit.h"
#include "wave/ChannelIdComposer.h"
#include "wave/LoadedWave.h"
#include "wave/WaveFileWriter.h"
#include "wave/gui/ComposeOptions.h"
#include "wave/gui/ComposeRow.h"
#include "wave/speech/PhraseSource.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

namespace {

const QString WaveFilter = QStringLiteral("Wav Files (*.wav)|*.wav|All Files (*.*)|*.*");
const QString ProjectFilter =
    QStringLiteral("Channel ID Projects (*.txt)|*.txt|All Files (*.*)|*.*");

// The line of composerInput's errors that names the channel, without its "Channel k: ".
QString RowError(const QString& errors, int channel)
{
    const QString prefix = QStringLiteral("Channel %1: ").arg(channel);
    for (const QString& line : errors.split(QLatin1Char('\n')))
        if (line.startsWith(prefix))
            return line.mid(prefix.size());
    return {};
}

using Source = ChannelIdProject::Source;

const Source* FirstSpeech(const ChannelIdProject& project)
{
    for (const ChannelIdProject::Row& row : project.rows)
        if (row.source.kind == Source::Kind::Speech)
            return &row.source;
    return nullptr;
}

// The channels of the Say rows whose voice or speed is not `first`'s.
QStringList SpokenOtherwise(const ChannelIdProject& project, const Source& first)
{
    QStringList channels;
    for (int k = 0; k < ChannelIdLayout::Channels; ++k) {
        const Source& s = project.rows[size_t(k)].source;
        if (s.kind == Source::Kind::Speech &&
            (s.voice != first.voice || s.wordsPerMinute != first.wordsPerMinute))
            channels << QString::number(k + 1);
    }
    return channels;
}

// Speech and file conversion of 16 rows can take a moment; the pointer says so.
class WaitCursor
{
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

Form_Compose::Form_Compose(Toolkit& toolkit, QWidget* owner)
    : QWidget(owner, Qt::Window), m_toolkit(toolkit), m_options(new ComposeOptions(this)),
      m_result(new QLabel(this))
{
    setObjectName(QStringLiteral("Form_Compose"));
    setWindowTitle(QStringLiteral("Compose Channel ID"));
    m_result->setObjectName(QStringLiteral("lblResult"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_options);
    layout->addWidget(buildRows());
    layout->addWidget(m_result);
    layout->addLayout(buildButtons());
    connect(m_options, &ComposeOptions::edited, this, [this] {
        for (ComposeRow* row : m_rows)
            row->clearStatus(); // every length was measured against the old options
        invalidate();
    });
    updateButtons();
}

Form_Compose::~Form_Compose() = default;

QWidget* Form_Compose::buildRows()
{
    auto* rows = new QWidget(this);
    auto* grid = new QGridLayout(rows);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setColumnStretch(2, 1);
    const QStringList heads = {QStringLiteral("Channel"),
                               QStringLiteral("Source"),
                               QStringLiteral("File or words to speak"),
                               {},
                               QStringLiteral("Fit"),
                               QStringLiteral("Length, trimmed")};
    for (int column = 0; column < heads.size(); ++column)
        grid->addWidget(new QLabel(heads[column], rows), 0, column);
    for (int k = 1; k <= ChannelIdLayout::Channels; ++k) {
        auto* row = new ComposeRow(k, m_toolkit, *grid, k, this);
        connect(row, &ComposeRow::edited, this, &Form_Compose::invalidate);
        m_rows.push_back(row);
    }
    return rows;
}

QLayout* Form_Compose::buildButtons()
{
    auto* line = new QHBoxLayout;
    const auto add = [this, line](const QString& text, const QString& name, auto run) {
        auto* button = new QPushButton(text, this);
        button->setObjectName(name);
        connect(button, &QPushButton::clicked, this, run);
        line->addWidget(button);
        return button;
    };
    add(QStringLiteral("&Open Project…"), QStringLiteral("cmdOpenProject"),
        &Form_Compose::openProject);
    add(QStringLiteral("Save &Project…"), QStringLiteral("cmdSaveProject"),
        &Form_Compose::saveProject);
    line->addStretch(1);
    add(QStringLiteral("&Compose"), QStringLiteral("cmdCompose"), &Form_Compose::compose);
    m_saveWave =
        add(QStringLiteral("Save &WAV…"), QStringLiteral("cmdSaveWav"), &Form_Compose::saveWave);
    m_use = add(QStringLiteral("&Use as Channel ID"), QStringLiteral("cmdUse"), &Form_Compose::use);
    add(QStringLiteral("Close"), QStringLiteral("cmdClose"), &QWidget::close);
    return line;
}

ChannelIdProject Form_Compose::project() const
{
    ChannelIdProject project;
    project.mode = m_options->mode();
    project.levelPercent = m_options->levelPercent();
    for (ComposeRow* row : m_rows)
        project.rows[size_t(row->channel() - 1)] =
            row->row(m_options->voice(), m_options->wordsPerMinute());
    return project;
}

void Form_Compose::setProject(const ChannelIdProject& project)
{
    m_options->setMode(project.mode);
    m_options->setLevelPercent(project.levelPercent);
    for (ComposeRow* row : m_rows)
        row->setRow(project.rows[size_t(row->channel() - 1)]);
    const Source* first = FirstSpeech(project);
    if (!first)
        return;
    m_options->setSpeech(first->voice, first->wordsPerMinute);
    // The window speaks every Say row alike; rows the project speaks otherwise are named rather
    // than changed unseen.
    if (const QStringList others = SpokenOtherwise(project, *first); !others.isEmpty())
        say(QStringLiteral("The project speaks channel %1 with another voice or speed than its "
                           "first spoken channel. This window speaks every Say row with %2 at %3 "
                           "words per minute.")
                .arg(others.join(QStringLiteral(", ")), first->voice)
                .arg(first->wordsPerMinute));
}

void Form_Compose::compose()
{
    invalidate();
    PhraseSource::Composition input;
    ChannelIdComposer::Result result;
    {
        const WaitCursor wait;
        input = PhraseSource::composerInput(project());
        result = ChannelIdComposer::compose(input.input);
    }
    for (ComposeRow* row : m_rows) {
        const QString error = RowError(input.error, row->channel());
        if (error.isEmpty())
            row->showReport(result.rows[size_t(row->channel() - 1)]);
        else
            row->showReadError(error);
    }
    QStringList errors;
    for (const QString& e : {input.error, result.error})
        if (!e.isEmpty())
            errors << e;
    auto wave = std::make_unique<LoadedWave>();
    if (!errors.isEmpty() || !ChannelIdComposer::toLoadedWave(result, *wave)) {
        m_result->setText(QStringLiteral("Nothing was composed."));
        say(QStringLiteral("Nothing was composed:\n\n%1").arg(errors.join(QLatin1Char('\n'))));
        return;
    }
    m_composed = std::move(wave);
    m_result->setText(QStringLiteral("Composed: %1 samples at %2 per second.")
                          .arg(ChannelIdLayout::Total)
                          .arg(ChannelIdLayout::Rate));
    updateButtons();
}

bool Form_Compose::saveWave()
{
    if (!m_composed)
        return false;
    QString suggested = m_savedAs;
    if (suggested.isEmpty()) {
        const QFileInfo project(m_projectPath.isEmpty() ? QStringLiteral("channel-id.txt")
                                                        : m_projectPath);
        suggested = project.dir().filePath(project.completeBaseName() + QStringLiteral(".wav"));
    }
    const auto name = m_toolkit.GetSaveFileName(WaveFilter, QStringLiteral("wav"), suggested);
    if (!name)
        return false;
    if (const auto failed = SaveWaveFile(*m_composed, *name)) {
        say(*failed);
        return false;
    }
    m_savedAs = *name;
    m_result->setText(QStringLiteral("Saved as %1.").arg(*name));
    return true;
}

void Form_Compose::openProject()
{
    const auto name =
        m_toolkit.GetOpenFileName(ProjectFilter, QStringLiteral("txt"), m_projectPath);
    if (!name)
        return;
    QString error;
    const std::optional<ChannelIdProject> project = ChannelIdProject::read(*name, error);
    if (!project) {
        say(QStringLiteral("The project was not opened; the rows are as they were.\n\n%1")
                .arg(error));
        return;
    }
    m_projectPath = *name;
    setProject(*project);
}

void Form_Compose::saveProject()
{
    const ChannelIdProject project = this->project();
    if (const QString problem = project.problem(); !problem.isEmpty()) {
        say(problem);
        return;
    }
    const QString suggested =
        m_projectPath.isEmpty() ? QStringLiteral("channel-id.txt") : m_projectPath;
    const auto name = m_toolkit.GetSaveFileName(ProjectFilter, QStringLiteral("txt"), suggested);
    if (!name)
        return;
    if (const auto failed = project.save(*name))
        say(*failed);
    else
        m_projectPath = *name;
}

void Form_Compose::use()
{
    if (!m_composed || (m_savedAs.isEmpty() && !saveWave()))
        return;
    const QString path = m_savedAs;
    hide();
    emit useAsChannelId(path);
}

void Form_Compose::invalidate()
{
    m_composed.reset();
    m_savedAs.clear();
    m_result->clear();
    updateButtons();
}

void Form_Compose::updateButtons()
{
    m_saveWave->setEnabled(m_composed != nullptr);
    m_use->setEnabled(m_composed != nullptr);
}

int Form_Compose::say(const QString& text)
{
    return m_toolkit.MsgBox(text, Toolkit::OkOnly, windowTitle());
}
