// Holds the serial device named on the command line until its standard input closes.
#include <QCoreApplication>
#include <QSerialPort>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QSerialPort port(QString::fromLocal8Bit(argc > 1 ? argv[1] : ""));
    std::puts(port.open(QIODevice::ReadWrite) ? "held" : "failed");
    std::fflush(stdout);
    while (port.isOpen() && std::getchar() != EOF) {
    }
    return port.isOpen() ? 0 : 1;
}
