#include "app/ui/Toolkit.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <cmath>

namespace {

double logicalDpiX()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchX() : 96.0;
}

double logicalDpiY()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchY() : 96.0;
}

int roundHalfEven(double v)
{
    return static_cast<int>(std::nearbyint(v));
}

} // namespace

int Toolkit::TwipsToPixelsX(int twips)
{
    return roundHalfEven(twips * logicalDpiX() / 1440.0);
}

int Toolkit::TwipsToPixelsY(int twips)
{
    return roundHalfEven(twips * logicalDpiY() / 1440.0);
}

int Toolkit::PixelsToTwipsX(int pixels)
{
    return roundHalfEven(pixels * 1440.0 / logicalDpiX());
}

int Toolkit::PixelsToTwipsY(int pixels)
{
    return roundHalfEven(pixels * 1440.0 / logicalDpiY());
}

QColor Toolkit::FromBgr(quint32 bgr)
{
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

QString Toolkit::FilterToQt(const QString& filter)
{
    // The parts alternate description and pattern; Qt wants only the descriptions, which already
    // carry their patterns in brackets.
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        entries << parts[i];
    return entries.join(QStringLiteral(";;"));
}

void Toolkit::PlaceTwips(QWidget& widget, int left, int top, int width, int height)
{
    widget.setGeometry(TwipsToPixelsX(left), TwipsToPixelsY(top), TwipsToPixelsX(width),
                       TwipsToPixelsY(height));
}

void Toolkit::DoEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void Toolkit::WaitEvents(int maxWaitMs)
{
    // A single-shot timer bounds the sleep; WaitForMoreEvents blocks in the dispatcher instead of
    // spinning.
    QTimer bound;
    bound.setSingleShot(true);
    bound.start(maxWaitMs);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}
