#pragma once

#include "unit/WaveDestination.h"

#include <QByteArray>
#include <QtGlobal>

// The byte strings the program sends to the unit. Commands are handed whole to the port and
// written byte for byte; nothing is appended. A destination of DestNone yields an empty string,
// so a caller that has no destination sends nothing.
namespace UnitProtocol {

// The unit refuses nothing, but its FLASH holds at most this many samples per file.
inline constexpr qint32 MaxDownloadSamples = 131072;
// The download hands data to the port every this many frames.
inline constexpr qint32 SendChunkSamples = 256;
// Length of the run of 0xFF bytes that ends a write; the unit stops reading data at three.
inline constexpr int TerminatorLength = 6;

QByteArray WriteCommand(WaveDestination dest);      // "QXWS", "QXWC", "QXWP"
QByteArray EraseCommand(WaveDestination dest);      // "QXES", "QXEC", "QXEP"
QByteArray BlankCheckCommand(WaveDestination dest); // "QXBS", "QXBC", "QXBP"
QByteArray IdQuery();                               // six 0xFF, CR, LF
QByteArray Terminator();                            // six 0xFF

// The unit's answers. A reply line holds one of these words anywhere, in any letter case (the
// unit may echo the command in front of it, "QXBSQXERA").
inline constexpr char ErasedWord[] = "QXERA";     // erased, or blank at a blank check
inline constexpr char NotBlankWord[] = "QXERR";   // not blank
inline constexpr char ProgrammedWord[] = "QXPGM"; // a write was received and terminated

// Position of word in line, compared without regard to letter case; -1 when absent.
qsizetype FindAnswer(const QByteArray& line, const char* word);

} // namespace UnitProtocol
