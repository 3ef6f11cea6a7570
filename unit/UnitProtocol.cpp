#include "unit/UnitProtocol.h"

#include "unit/DestinationInfo.h"

namespace UnitProtocol {

namespace {

// "QX", the command letter and the destination's code letter.
QByteArray DestinationCommand(char commandLetter, WaveDestination dest)
{
    const char code = DestinationInfo::Of(dest).CodeLetter();
    if (code == '\0') {
        return {};
    }
    QByteArray command("QX");
    command.append(commandLetter);
    command.append(code);
    return command;
}

} // namespace

QByteArray WriteCommand(WaveDestination dest)
{
    return DestinationCommand('W', dest);
}

QByteArray EraseCommand(WaveDestination dest)
{
    return DestinationCommand('E', dest);
}

QByteArray BlankCheckCommand(WaveDestination dest)
{
    return DestinationCommand('B', dest);
}

QByteArray Terminator()
{
    return QByteArray(TerminatorLength, '\xFF');
}

qsizetype FindAnswer(const QByteArray& line, const char* word)
{
    return line.toUpper().indexOf(word);
}

QByteArray IdQuery()
{
    // Starts with the terminator, so it also closes a write left open.
    return Terminator() + QByteArray("\r\n");
}

} // namespace UnitProtocol
