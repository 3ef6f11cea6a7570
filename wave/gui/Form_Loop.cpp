#include "wave/gui/Form_Loop.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

namespace {

QPushButton* Button(const char* caption, QWidget* parent)
{
    return new QPushButton(QString::fromUtf8(caption), parent);
}

} // namespace

Form_Loop::Form_Loop(QWidget* owner)
    : QWidget(owner, Qt::Window), m_length(new QLabel(this)), m_jump(new QLabel(this)),
      m_fit(new QComboBox(this)), m_fadeMs(new QSpinBox(this)), m_fade(new QComboBox(this))
{
    setObjectName(QStringLiteral("Form_Loop"));
    setWindowTitle(QStringLiteral("Pink File Loop"));
    m_fit->addItems({QStringLiteral("Trim the end"), QStringLiteral("Pad with silence"),
                     QStringLiteral("Pad holding the last sample")});
    m_fadeMs->setRange(1, 500);
    m_fadeMs->setValue(20);
    m_fadeMs->setSuffix(QStringLiteral(" ms"));
    m_fade->addItems({QStringLiteral("Linear"), QStringLiteral("Equal power")});

    QPushButton* fit = Button("Fit to 131072", this);
    QPushButton* crossFade = Button("Cross-fade", this);
    QPushButton* play = Button("Play Loop", this);
    QPushButton* stop = Button("Stop", this);
    auto* fitRow = new QHBoxLayout;
    fitRow->addWidget(m_fit);
    fitRow->addWidget(fit);
    auto* fadeRow = new QHBoxLayout;
    fadeRow->addWidget(m_fadeMs);
    fadeRow->addWidget(m_fade);
    fadeRow->addWidget(crossFade);
    auto* playRow = new QHBoxLayout;
    playRow->addWidget(play);
    playRow->addWidget(stop);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Length:"), m_length);
    form->addRow(QStringLiteral("Wrap:"), m_jump);
    form->addRow(QStringLiteral("Fit:"), fitRow);
    form->addRow(QStringLiteral("Ends:"), fadeRow);
    form->addRow(playRow);

    // The combo boxes list the choices in the order of the enums.
    connect(fit, &QPushButton::clicked, this,
            [this] { Q_EMIT fitRequested(LoopCheck::Fit(m_fit->currentIndex())); });
    connect(crossFade, &QPushButton::clicked, this, [this] {
        Q_EMIT crossFadeRequested(m_fadeMs->value(), LoopCheck::Fade(m_fade->currentIndex()));
    });
    connect(play, &QPushButton::clicked, this, &Form_Loop::playLoopRequested);
    connect(stop, &QPushButton::clicked, this, &Form_Loop::stopRequested);
}

void Form_Loop::ShowCheck(const QString& length, const QString& jump, bool clicks)
{
    m_length->setText(length);
    m_jump->setText(jump);
    m_jump->setStyleSheet(clicks ? QStringLiteral("color: red") : QString());
}
