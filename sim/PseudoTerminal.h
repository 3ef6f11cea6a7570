#pragma once

#include <QString>

// A raw pseudo-terminal whose terminal side is reachable through a symbolic link. The master is
// non-blocking; the simulator keeps its own descriptor of the terminal side open so the line
// never hangs up when the tool closes its port.
class PseudoTerminal
{
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool open(QString* error);
    // Points linkPath at the terminal side. An existing symbolic link there is replaced; any
    // other file is left alone and refused.
    bool makeLink(const QString& linkPath, QString* error);
    // Removes the link made by makeLink, if it still points at this terminal.
    void removeLink();
    // Closes both sides: the tool's port sees a hang-up.
    void closeLine();

    bool isOpen() const { return m_master >= 0; }
    int masterFd() const { return m_master; }
    const QString& terminalPath() const { return m_terminalPath; }
    const QString& linkPath() const { return m_linkPath; }

private:
    int m_master = -1;
    int m_terminal = -1;
    QString m_terminalPath;
    QString m_linkPath;
};
