#include "wave/gui/ComposeOptions.h"

#include "wave/ChannelIdComposer.h"
#include "wave/ChannelIdProject.h"
#include "wave/speech/SpeechSynth.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>

namespace {

constexpr int LanguageRole = Qt::UserRole + 1;
constexpr int NameRole = Qt::UserRole + 2;

QLabel* Buddy(const QString& text, QWidget* control, QWidget* owner)
{
    auto* label = new QLabel(text, owner);
    label->setBuddy(control);
    return label;
}

} // namespace

ComposeOptions::ComposeOptions(QWidget* parent)
    : QWidget(parent), m_voice(new QComboBox(this)), m_speed(new QSpinBox(this)),
      m_level(new QDoubleSpinBox(this))
{
    m_voice->setObjectName(QStringLiteral("cboVoice"));
    fillVoices();
    m_speed->setObjectName(QStringLiteral("txtSpeed"));
    m_speed->setRange(ChannelIdProject::MinWordsPerMinute, ChannelIdProject::MaxWordsPerMinute);
    m_speed->setValue(ChannelIdProject::DefaultWordsPerMinute);
    m_speed->setSuffix(QStringLiteral(" words/min"));
    m_level->setObjectName(QStringLiteral("txtLevel"));
    m_level->setRange(0.1, 100.0);
    m_level->setDecimals(1);
    m_level->setValue(ChannelIdComposer::DefaultLevelPercent);
    m_level->setSuffix(QStringLiteral(" %"));
    m_level->setToolTip(QStringLiteral("The loudest phrase's peak, in % of full scale"));
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(buildMode());
    line->addWidget(Buddy(QStringLiteral("&Voice:"), m_voice, this));
    line->addWidget(m_voice, 1);
    line->addWidget(Buddy(QStringLiteral("S&peed:"), m_speed, this));
    line->addWidget(m_speed);
    line->addWidget(Buddy(QStringLiteral("&Level:"), m_level, this));
    line->addWidget(m_level);
    connect(m_half, &QRadioButton::toggled, this, &ComposeOptions::edited);
    connect(m_voice, &QComboBox::currentIndexChanged, this, &ComposeOptions::edited);
    connect(m_speed, &QSpinBox::valueChanged, this, &ComposeOptions::edited);
    connect(m_level, &QDoubleSpinBox::valueChanged, this, &ComposeOptions::edited);
}

QWidget* ComposeOptions::buildMode()
{
    auto* box = new QGroupBox(QStringLiteral("Phrases (the unit's jumper)"), this);
    m_half = new QRadioButton(QStringLiteral("&Half-second"), box);
    m_half->setObjectName(QStringLiteral("optHalfSecond"));
    m_half->setToolTip(QStringLiteral("The unit's default: each phrase in the second half of its "
                                      "channel's 1.024 s"));
    m_half->setChecked(true);
    m_one = new QRadioButton(QStringLiteral("&One-second"), box);
    m_one->setObjectName(QStringLiteral("optOneSecond"));
    m_one->setToolTip(QStringLiteral("Each phrase takes its channel's whole 1.024 s"));
    auto* layout = new QHBoxLayout(box);
    layout->addWidget(m_half);
    layout->addWidget(m_one);
    return box;
}

// A voice is kept by its identifier: a language may have two voices (espeak-ng has two for
// "yue"), and some languages it lists are not taken as voice names ("en-gb", "fr-fr").
void ComposeOptions::fillVoices()
{
    QString error;
    for (const SpeechSynth::Voice& v : SpeechSynth::voices(&error)) {
        m_voice->addItem(QStringLiteral("%1 (%2)").arg(v.name, v.language), v.identifier);
        m_voice->setItemData(m_voice->count() - 1, v.language, LanguageRole);
        m_voice->setItemData(m_voice->count() - 1, v.name, NameRole);
    }
    if (!error.isEmpty()) { // Say rows then fail at Compose with the engine's own message
        m_voice->setEnabled(false);
        m_voice->setToolTip(error);
    }
    m_voice->setCurrentIndex(std::max(0, voiceIndex(DefaultVoice)));
}

int ComposeOptions::voiceIndex(const QString& voice) const
{
    for (int role : {int(Qt::UserRole), LanguageRole, NameRole})
        if (const int i = m_voice->findData(voice, role); i >= 0)
            return i;
    return -1;
}

ChannelIdLayout::Mode ComposeOptions::mode() const
{
    return m_half->isChecked() ? ChannelIdLayout::Mode::HalfSecond
                               : ChannelIdLayout::Mode::OneSecond;
}

void ComposeOptions::setMode(ChannelIdLayout::Mode mode)
{
    (mode == ChannelIdLayout::Mode::HalfSecond ? m_half : m_one)->setChecked(true);
}

double ComposeOptions::levelPercent() const
{
    return m_level->value();
}

void ComposeOptions::setLevelPercent(double percent)
{
    m_level->setValue(percent);
}

QString ComposeOptions::voice() const
{
    return m_voice->count() > 0 ? m_voice->currentData().toString() : DefaultVoice;
}

int ComposeOptions::wordsPerMinute() const
{
    return m_speed->value();
}

void ComposeOptions::setSpeech(const QString& voice, int wordsPerMinute)
{
    int i = voiceIndex(voice);
    if (i < 0) {
        m_voice->addItem(voice, voice);
        i = m_voice->count() - 1;
    }
    m_voice->setCurrentIndex(i);
    m_speed->setValue(wordsPerMinute);
}
