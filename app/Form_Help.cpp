#include "app/Form_Help.h"

#include "app/ui/Toolkit.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPlainTextEdit>

Form_Help::Form_Help(QWidget* owner) : QWidget(owner, Qt::Window | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("Form_Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Help"));
    setFixedSize(Toolkit::TwipsToPixelsX(8340), Toolkit::TwipsToPixelsY(5670));

    m_txtHelp = new QPlainTextEdit(this);
    m_txtHelp->setObjectName(QStringLiteral("txt_help"));
    Toolkit::PlaceTwips(*m_txtHelp, 0, 0, 8295, 5655);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(9.75);
    m_txtHelp->setFont(font);
    m_txtHelp->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_txtHelp->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_txtHelp->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab stops of four average characters, so that the indented lines fit the window.
    m_txtHelp->setTabStopDistance(4 * QFontMetricsF(m_txtHelp->font()).averageCharWidth());
    m_txtHelp->setPlainText(
        QString::fromLatin1(HelpText()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

QByteArray Form_Help::HelpText()
{
    Q_INIT_RESOURCE(app); // the resources live in a static library
    QFile file(QStringLiteral(":/help.txt"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
