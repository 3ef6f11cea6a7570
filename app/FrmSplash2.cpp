#include "app/FrmSplash2.h"

#include "app/ui/AppState.h"
#include "app/ui/Toolkit.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

FrmSplash2::FrmSplash2(Toolkit& toolkit, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_toolkit(toolkit)
{
    setObjectName(QStringLiteral("frmSplash2"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(Toolkit::TwipsToPixelsX(4815), Toolkit::TwipsToPixelsY(3810));
    setStyleSheet(QStringLiteral("QDialog#frmSplash2 { background: white;"
                                 " border-image: url(:/splash.png) 0 0 0 0 stretch stretch; }"));

    m_label1 = MakeLabel(QStringLiteral("Orvanta"), 90, 1200, 4635, 615, 27.75);
    m_label2 = MakeLabel(QStringLiteral(" Wave File Programmer"), 90, 1830, 4635, 525, 18);
    m_lblVersion = MakeLabel(QStringLiteral("Version"), 120, 3000, 4560, 285, 12);
    m_lblemail = MakeLabel(SalesAddress + QStringLiteral("  "), 120, 3360, 4560, 375, 12);
    QFont underlined = m_lblemail->font();
    underlined.setUnderline(true);
    m_lblemail->setFont(underlined);
    m_lblemail->setCursor(Qt::PointingHandCursor);

    m_timer1 = new QTimer(this);
    m_timer1->setInterval(1000);
    connect(m_timer1, &QTimer::timeout, this, &FrmSplash2::Timer1_Timer);
    m_timer1->start();

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    Form_Load();
}

QLabel* FrmSplash2::MakeLabel(const QString& text, int l, int t, int w, int h, double points)
{
    auto* label = new QLabel(text, this);
    Toolkit::PlaceTwips(*label, l, t, w, h);
    label->setAlignment(Qt::AlignCenter);
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(true);
    label->setFont(font);
    label->installEventFilter(this);
    return label;
}

void FrmSplash2::Form_Load()
{
    m_lblVersion->setText(QStringLiteral("Version %1.%2.%3 ")
                              .arg(AppState::VersionMajor)
                              .arg(AppState::VersionMinor)
                              .arg(AppState::VersionRevision));
    m_ticksLeft = 4;
    m_mouseHeld = false;
}

void FrmSplash2::Timer1_Timer()
{
    if (m_ticksLeft > 0) {
        --m_ticksLeft;
        return;
    }
    if (!m_mouseHeld) {
        m_timer1->stop();
        close();
    }
}

void FrmSplash2::lblemail_Click()
{
    // The desktop's mail handler needs no verb, parameters or working folder. The caption forms
    // the address without its trailing blanks, which a mail program would keep as "%20%20".
    m_toolkit.OpenUrl(QStringLiteral("mailto:") + m_lblemail->text().trimmed());
}

void FrmSplash2::keyPressEvent(QKeyEvent* event)
{
    if (!event->text().isEmpty())
        close();
    else
        QDialog::keyPressEvent(event);
}

void FrmSplash2::mousePressEvent(QMouseEvent* event)
{
    m_mouseHeld = true;
    event->accept();
}

void FrmSplash2::mouseReleaseEvent(QMouseEvent* event)
{
    m_mouseHeld = false;
    event->accept();
    close();
}

bool FrmSplash2::eventFilter(QObject* watched, QEvent* event)
{
    // The labels take their own clicks, so a press on a label does not count as held background.
    if (event->type() == QEvent::MouseButtonPress)
        return true;
    if (event->type() != QEvent::MouseButtonRelease)
        return QDialog::eventFilter(watched, event);
    if (watched == m_lblemail)
        lblemail_Click();
    else
        close();
    return true;
}
