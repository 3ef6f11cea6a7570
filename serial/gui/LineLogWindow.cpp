#include "serial/gui/LineLogWindow.h"

#include "app/ui/Toolkit.h"
#include "serial/LineLog.h"

#include <QFontDatabase>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QScrollBar>
#include <QTimer>

LineLogWindow::LineLogWindow(const LineLog& log, Toolkit& toolkit, QWidget* owner)
    : QMainWindow(owner, Qt::Window), m_log(log), m_toolkit(toolkit),
      m_view(new QPlainTextEdit(this)), m_refresh(new QTimer(this))
{
    setObjectName(QStringLiteral("LineLogWindow"));
    setWindowTitle(QStringLiteral("Line Log"));
    m_view->setObjectName(QStringLiteral("txtLineLog"));
    m_view->setReadOnly(true);
    m_view->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_view->setMaximumBlockCount(MaxLines);
    m_view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setCentralWidget(m_view);
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("Save &As..."), this, &LineLogWindow::SaveAs);
    file->addAction(QStringLiteral("&Close"), this, &QWidget::close);
    m_refresh->setInterval(RefreshMs);
    connect(m_refresh, &QTimer::timeout, this, &LineLogWindow::Refresh);
    resize(Toolkit::TwipsToPixelsX(9000), Toolkit::TwipsToPixelsY(5400));
}

void LineLogWindow::Refresh()
{
    if (m_log.nextSeq() == m_shownUpTo)
        return;
    QStringList lines;
    if (m_log.firstSeq() > m_shownUpTo) // runs were cut before they could be shown
        lines << LineLog::cutMarker(m_log.cutBytes());
    lines << m_log.linesFrom(m_shownUpTo);
    m_shownUpTo = m_log.nextSeq();
    QScrollBar* bar = m_view->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    m_view->appendPlainText(lines.join(QLatin1Char('\n')));
    if (atEnd) // the newest traffic stays in view unless the user scrolled back
        bar->setValue(bar->maximum());
}

bool LineLogWindow::SaveAs()
{
    const auto name =
        m_toolkit.GetSaveFileName(QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*"),
                                  QStringLiteral("txt"), QStringLiteral("line-log.txt"));
    if (!name)
        return false;
    QSaveFile file(*name);
    if (file.open(QIODevice::WriteOnly) && file.write(m_log.text().toUtf8()) >= 0 && file.commit())
        return true;
    m_toolkit.MsgBox(
        QStringLiteral("The line log could not be saved to %1: %2").arg(*name, file.errorString()));
    return false;
}

void LineLogWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    Refresh();
    m_refresh->start();
}

void LineLogWindow::hideEvent(QHideEvent* event)
{
    m_refresh->stop();
    QMainWindow::hideEvent(event);
}
