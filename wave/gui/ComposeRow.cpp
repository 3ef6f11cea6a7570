#include "wave/gui/ComposeRow.h"

#include "app/ui/Toolkit.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

namespace {

const QString SoundFilter = QStringLiteral("Wav Files (*.wav)|*.wav|All Files (*.*)|*.*");

QString Seconds(qint32 samples)
{
    return QLocale().toString(double(samples) / ChannelIdLayout::Rate, 'f', 2) +
           QStringLiteral(" s");
}

// A widget of the row, named after its role and channel ("cboFit3").
template <class T, class... Args> T* Part(const char* role, int channel, Args&&... args)
{
    T* part = new T(std::forward<Args>(args)...);
    part->setObjectName(QLatin1String(role) + QString::number(channel));
    return part;
}

QComboBox* Choices(QComboBox* box, std::initializer_list<std::pair<const char*, int>> items)
{
    for (const auto& [text, value] : items)
        box->addItem(QString::fromUtf8(text), value);
    return box;
}

} // namespace

ComposeRow::ComposeRow(int channel, Toolkit& toolkit, QGridLayout& grid, int gridRow,
                       QObject* parent)
    : QObject(parent), m_channel(channel), m_toolkit(toolkit)
{
    buildWidgets(grid, gridRow);
    kindChanged();
    connect(m_kind, &QComboBox::currentIndexChanged, this, &ComposeRow::kindChanged);
    connect(m_source, &QLineEdit::textChanged, this, &ComposeRow::changed);
    connect(m_fit, &QComboBox::currentIndexChanged, this, &ComposeRow::changed);
    connect(m_file, &QPushButton::clicked, this, &ComposeRow::chooseFile);
}

void ComposeRow::buildWidgets(QGridLayout& grid, int gridRow)
{
    QWidget* owner = grid.parentWidget();
    auto* number = new QLabel(QString::number(m_channel), owner);
    number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_kind = Choices(
        Part<QComboBox>("cboKind", m_channel, owner),
        {{"Silent", int(Kind::Silent)}, {"File", int(Kind::File)}, {"Say", int(Kind::Speech)}});
    m_source = Part<QLineEdit>("txtSource", m_channel, owner);
    m_source->setMinimumWidth(260);
    m_file = Part<QPushButton>("cmdFile", m_channel, QStringLiteral("File…"), owner);
    m_fit = Choices(
        Part<QComboBox>("cboFit", m_channel, owner),
        {{"None", int(Fit::None)}, {"Trim", int(Fit::Trim)}, {"Speed up", int(Fit::SpeedUp)}});
    m_status = Part<QLabel>("lblStatus", m_channel, owner);
    m_status->setMinimumWidth(200);
    int column = 0;
    for (QWidget* w :
         std::initializer_list<QWidget*>{number, m_kind, m_source, m_file, m_fit, m_status})
        grid.addWidget(w, gridRow, column++);
}

ComposeRow::Kind ComposeRow::kind() const
{
    return Kind(m_kind->currentData().toInt());
}

ChannelIdProject::Row ComposeRow::row(const QString& voice, int wordsPerMinute) const
{
    ChannelIdProject::Row row;
    row.fit = Fit(m_fit->currentData().toInt());
    row.source.kind = kind();
    if (row.source.kind == Kind::File)
        row.source.path = m_source->text();
    if (row.source.kind == Kind::Speech) {
        row.source.text = m_source->text();
        row.source.voice = voice;
        row.source.wordsPerMinute = wordsPerMinute;
    }
    return row;
}

void ComposeRow::setRow(const ChannelIdProject::Row& row)
{
    m_kind->setCurrentIndex(m_kind->findData(int(row.source.kind)));
    m_fit->setCurrentIndex(m_fit->findData(int(row.fit))); // after the kind, which sets its default
    m_source->setText(row.source.kind == Kind::File ? row.source.path : row.source.text);
}

// Spoken words at 160 words per minute often run past the 0.512 s of a half-second slot, and
// speeding them up keeps every word, so a Say row starts with Speed up. A recording's length is
// the technician's own choice: a File row starts with None, and a too-long file is reported, not
// changed.
void ComposeRow::kindChanged()
{
    const Kind k = kind();
    m_source->setEnabled(k != Kind::Silent);
    m_source->setPlaceholderText(k == Kind::File     ? QStringLiteral("sound file")
                                 : k == Kind::Speech ? QStringLiteral("words to speak")
                                                     : QString());
    m_fit->setCurrentIndex(m_fit->findData(int(k == Kind::Speech ? Fit::SpeedUp : Fit::None)));
    changed();
}

void ComposeRow::chooseFile()
{
    const QString current = kind() == Kind::File ? m_source->text() : QString();
    const auto name = m_toolkit.GetOpenFileName(SoundFilter, QStringLiteral("wav"), current);
    if (!name)
        return;
    m_kind->setCurrentIndex(m_kind->findData(int(Kind::File)));
    m_source->setText(*name);
}

void ComposeRow::showReport(const ChannelIdComposer::RowReport& report)
{
    const QString length = Seconds(report.sourceLength);
    if (!report.tooLong)
        showStatus(report.sourceLength > 0  ? length
                   : kind() == Kind::Silent ? QString()
                                            : QStringLiteral("no sound"),
                   {}, false);
    else if (report.fittedBy == Fit::None)
        showStatus(QStringLiteral("too long: %1 of %2").arg(length, Seconds(report.slotLength)),
                   report.tooLongText(m_channel), true);
    else
        showStatus(QStringLiteral("%1, %2 to %3")
                       .arg(length,
                            report.fittedBy == Fit::Trim ? QStringLiteral("cut")
                                                         : QStringLiteral("sped up"),
                            Seconds(report.placedLength)),
                   report.tooLongText(m_channel), false);
}

void ComposeRow::showReadError(const QString& error)
{
    showStatus(QStringLiteral("cannot be read"), error, true);
}

void ComposeRow::clearStatus()
{
    showStatus({}, {}, false);
}

void ComposeRow::showStatus(const QString& text, const QString& tip, bool fault)
{
    m_status->setText(text);
    m_status->setToolTip(tip);
    QPalette palette = m_status->parentWidget()->palette();
    if (fault)
        palette.setColor(QPalette::WindowText, QColor(0xc0, 0, 0));
    m_status->setPalette(palette);
}

void ComposeRow::changed()
{
    clearStatus();
    emit edited();
}
