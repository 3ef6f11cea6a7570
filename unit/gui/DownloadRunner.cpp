#include "unit/gui/DownloadRunner.h"

#include "app/ui/MainControls.h"
#include "app/ui/ProgressBar.h"
#include "app/ui/Toolkit.h"
#include "unit/CopyFile.h"
#include "unit/DownloadEncoder.h"
#include "unit/DownloadPlan.h"
#include "unit/UnitProtocol.h"
#include "wave/LoadedWave.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTimer>

const QString DownloadRunner::DownloadingText = QStringLiteral("Downloading wave file.");
const QString DownloadRunner::CompletedText = QStringLiteral("Transfer completed.");
const QString DownloadRunner::UnconfirmedText =
    QStringLiteral("Transfer completed, but the unit did not confirm it (no QXPGM).");
const QString DownloadRunner::AbortedText = QStringLiteral("Transfer aborted.");
const QString DownloadRunner::FailedText =
    QStringLiteral("Transfer failed: the port did not send all data.");

DownloadRunner::DownloadRunner(MainControls& controls, const LoadedWave& wave, Toolkit& toolkit,
                               UnitSession& session)
    : m_c(controls), m_wave(wave), m_toolkit(toolkit), m_session(session)
{
}

std::optional<UnitSession::Result> DownloadRunner::Run(WaveDestination dest)
{
    if (m_session.busy())
        return std::nullopt;
    m_c.ProgressBar1->show();
    m_c.ProgressBar1->SetValue(0.0);
    qint32 size = m_wave.FileOpen ? m_wave.SliceEnd - m_wave.SliceStart : 0;
    if (!AgreeSize(dest, size)) {
        m_c.ProgressBar1->hide();
        m_c.txtErr->setPlainText(AbortedText);
        return std::nullopt;
    }
    // The slice and the copy file's name are taken once here, so a reload or a slider move
    // during the download cannot mix two sources into one stream.
    UnitSession::Download download{.dest = dest,
                                   .bitsPerSample = m_wave.Format.BitsPerSample,
                                   .values = m_wave.FirstChannelValues(m_wave.SliceStart, size),
                                   .level = [this] { return m_c.HScroll_gain->value(); }};
    const QString copyName = CopyFile::CopyFileName(m_c.Text1->text());
    m_c.txtErr->setPlainText(DownloadingText);
    m_c.txt_Xfred->setText(QStringLiteral("0"));

    std::optional<UnitSession::Result> result;
    QObject watch;
    QObject::connect(&m_session, &UnitSession::progress, &watch,
                     [this](double percent) { ShowProgress(percent); });
    QObject::connect(&m_session, &UnitSession::finished, &watch,
                     [&result](UnitSession::Command, UnitSession::Result r) { result = r; });
    QTimer seconds(&watch);
    QObject::connect(&seconds, &QTimer::timeout, &watch, [this] { ShowTimes(); });
    seconds.start(1000);
    m_session.startDownload(std::move(download));
    m_elapsed.start();
    m_clock.emplace(m_session.plannedBytes(), m_session.lineRate(), 0);
    m_session.waitUntilIdle();
    seconds.stop();
    const UnitSession::Result end = result.value_or(UnitSession::Result::Failed);
    ShowEnd(end, copyName);
    return end;
}

bool DownloadRunner::AgreeSize(WaveDestination dest, qint32& size)
{
    if (!DownloadPlan::NeedsTruncation(size))
        return true;
    const int answer = m_toolkit.MsgBox(DownloadEncoder::TruncationQuestion(dest),
                                        Toolkit::OkCancel, QStringLiteral("Caution"));
    if (answer != Toolkit::Ok)
        return false;
    size = UnitProtocol::MaxDownloadSamples;
    m_c.txt_Xfr_Siz->setText(QString::number(size));
    return true;
}

void DownloadRunner::ShowProgress(double percent)
{
    m_c.ProgressBar1->SetValue(percent);
    m_c.txt_Xfred->setText(QString::number(m_session.framesSent()));
    ShowTimes();
}

void DownloadRunner::ShowTimes()
{
    if (m_clock)
        m_c.ProgressBar1->SetText(m_clock->update(m_session.sentBytes(), m_elapsed.elapsed()));
}

void DownloadRunner::ShowEnd(UnitSession::Result result, const QString& copyName)
{
    m_c.ProgressBar1->hide();
    m_c.ProgressBar1->SetText(QString());
    QString status = FailedText;
    if (result == UnitSession::Result::Confirmed)
        status = CompletedText;
    else if (result == UnitSession::Result::Unconfirmed)
        status = UnconfirmedText;
    else if (result == UnitSession::Result::Stopped)
        status = AbortedText;
    // The frames the line took: all of them unless the download stopped or failed.
    m_c.txt_Xfred->setText(QString::number(m_session.framesSent()));
    // The copy holds what left, by the same count as the bar.
    if (m_clock)
        status += QLatin1Char(' ') + m_clock->finish(m_session.sentBytes(), m_elapsed.elapsed()) +
                  QLatin1Char('.');
    m_clock.reset();
    if (const auto failed = CopyFile::WriteCopyFile(copyName, m_session.sentStream()))
        status += QLatin1Char(' ') + *failed;
    m_c.txtErr->setPlainText(status);
}
