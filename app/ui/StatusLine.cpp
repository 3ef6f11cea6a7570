#include "app/ui/StatusLine.h"

#include <QFontMetricsF>
#include <QRegularExpression>
#include <QTextBlock>

namespace {
constexpr double SmallestPoints = 6.0; // below this the text is no longer readable
}

StatusLine::StatusLine(QWidget* parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    document()->setDocumentMargin(1);
    connect(this, &QPlainTextEdit::textChanged, this, &StatusLine::Reflow);
}

QString StatusLine::OneLine(const QString& whole)
{
    static const QRegularExpression breaks(QStringLiteral("[\\r\\n\\x{2029}]+"));
    return QString(whole).replace(breaks, Separator);
}

void StatusLine::Reflow()
{
    if (m_reflowing)
        return;
    const QString text = toPlainText();
    if (text.isEmpty())
        return; // emptied by the countdown: the tooltip keeps the last text
    m_whole = text;
    // As rich text the tooltip wraps to the screen instead of running off it.
    setToolTip(QStringLiteral("<p>") + text.toHtmlEscaped().replace('\n', QStringLiteral("<br>")) +
               QStringLiteral("</p>"));
    const QString line = OneLine(text);
    if (line != text) {
        m_reflowing = true;
        setPlainText(line);
        m_reflowing = false;
    }
    FitFont();
    moveCursor(QTextCursor::Start); // the start of the text is what must be read first
    emit textShown(m_whole);
}

void StatusLine::FitFont()
{
    if (m_basePoints <= 0)
        m_basePoints = font().pointSizeF();
    QFont f = font();
    const double room = viewport()->width() - 2 * document()->documentMargin() - 2;
    const QString line = toPlainText();
    double points = m_basePoints;
    for (; points > SmallestPoints; points -= 0.5) {
        f.setPointSizeF(points);
        if (QFontMetricsF(f).horizontalAdvance(line) <= room)
            break;
    }
    f.setPointSizeF(std::max(points, SmallestPoints));
    if (f != font())
        setFont(f);
}

void StatusLine::resizeEvent(QResizeEvent* event)
{
    QPlainTextEdit::resizeEvent(event);
    if (!toPlainText().isEmpty())
        FitFont();
}
