#pragma once

#include "wave/ChannelIdLayout.h"

#include <QWidget>

class QComboBox;
class QDoubleSpinBox;
class QRadioButton;
class QSpinBox;

// What every row of the composer window shares: the unit's phrasing mode (its jumper), the voice
// and speed of every Say row, and the level of the loudest phrase.
class ComposeOptions : public QWidget
{
    Q_OBJECT
public:
    static inline const QString DefaultVoice = QStringLiteral("en-us");

    explicit ComposeOptions(QWidget* parent);

    ChannelIdLayout::Mode mode() const;
    void setMode(ChannelIdLayout::Mode mode);
    double levelPercent() const;
    void setLevelPercent(double percent);
    // The chosen voice's identifier ("gmw/en-US").
    QString voice() const;
    int wordsPerMinute() const;
    // Selects the voice (a language, name or identifier); one no installed voice answers to is
    // added as it stands, so that Compose names it in its message.
    void setSpeech(const QString& voice, int wordsPerMinute);

Q_SIGNALS:
    void edited();

private:
    QWidget* buildMode();
    void fillVoices();
    int voiceIndex(const QString& voice) const;

    QRadioButton* m_half = nullptr;
    QRadioButton* m_one = nullptr;
    QComboBox* m_voice = nullptr;
    QSpinBox* m_speed = nullptr;
    QDoubleSpinBox* m_level = nullptr;
};
