#include "tests/unit/UnitWindow.h"

#include "app/ui/ProgressBar.h"
#include "wave/LoadedWave.h"

#include <QAction>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>

bool UnitWindow::Open(const TestWav& wav)
{
    const QString path = m_f.dir.filePath(QStringLiteral("sound.wav"));
    if (!wav.Write(path))
        return false;
    m_f.toolkit.fileAnswers.enqueue(path);
    Controls().Command1->click();
    return m_f.window->Wave().FileOpen;
}

void UnitWindow::AttachCom1(const QString& link)
{
    m_f.settings->SaveRegSetting(AppState::AppTitle, QStringLiteral("Ports"),
                                 QStringLiteral("COM1"), link);
    m_f.state.ComPortNum = 1;
}

QPair<QString, qint64> UnitWindow::Status()
{
    static const QRegularExpression times(
        QStringLiteral(R"( Sent (\d+)(?: of \d+)? bytes in \d+:\d\d(?:, \d+ bytes/s)?\.)"));
    QString text = Controls().txtErr->toPlainText();
    const QRegularExpressionMatch m = times.match(text);
    if (!m.hasMatch())
        return {text, -1};
    return {text.remove(m.capturedStart(), m.capturedLength()), m.captured(1).toLongLong()};
}

QList<bool> UnitWindow::States()
{
    QList<bool> on;
    for (int i = 0; i < 5; ++i)
        on << Button(i)->isEnabled();
    return on << Controls().mnuCOM->menuAction()->isEnabled()
              << !Controls().ProgressBar1->isHidden() << State().TransferBusy;
}
