#include "unit/gui/EraseWait.h"

#include "app/ui/MainControls.h"
#include "app/ui/ProgressBar.h"

#include <QPlainTextEdit>

const QString EraseWait::NoAnswerText =
    QStringLiteral("The unit did not answer the erase within 10 seconds.");
const QString EraseWait::NotSentText =
    QStringLiteral("The erase did not reach the unit: the port is not open.");

EraseWait::EraseWait(MainControls& controls, UnitSession& session)
    : m_c(controls), m_session(session)
{
}

std::optional<UnitSession::Result> EraseWait::Run(WaveDestination dest)
{
    if (m_session.busy())
        return std::nullopt;
    m_c.ProgressBar1->show();
    m_c.ProgressBar1->SetValue(0.0);
    std::optional<UnitSession::Result> result;
    QObject watch;
    QObject::connect(&m_session, &UnitSession::progress, &watch,
                     [this](double value) { m_c.ProgressBar1->SetValue(value); });
    QObject::connect(
        &m_session, &UnitSession::eraseAnswered, &watch,
        [this](const QByteArray& text) { m_c.txtErr->setPlainText(QString::fromLatin1(text)); });
    QObject::connect(&m_session, &UnitSession::finished, &watch,
                     [&result](UnitSession::Command, UnitSession::Result r) { result = r; });
    if (!m_session.startErase(dest))
        return std::nullopt;
    m_session.waitUntilIdle();
    m_c.ProgressBar1->SetValue(0.0);
    if (result == UnitSession::Result::NoAnswer)
        m_c.txtErr->setPlainText(NoAnswerText);
    // A port that would not open has said why already, unless no port is chosen at all.
    else if (result == UnitSession::Result::Failed && m_c.txtErr->toPlainText().isEmpty())
        m_c.txtErr->setPlainText(NotSentText);
    return result;
}
