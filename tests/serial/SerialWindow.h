#pragma once

#include "app/ui/AppState.h"
#include "app/ui/MainControls.h"
#include "app/ui/StatusLine.h"
#include "serial/gui/SerialController.h"
#include "tests/serial/PtyPair.h"
#include "tests/support/MainWindowFixture.h"

#include <QAction>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QStringList>

#include <memory>
#include <vector>

// A real main window whose COM ports are pseudo-terminals written into the port table of its
// temporary settings store by hand. The system's own serial devices are kept out of the probe so
// that only the test's ports exist. Every text shown in txtErr and every line action is recorded.
class SerialWindow
{
public:
    static inline const QColor Red{255, 0, 0}, Green{0, 255, 0}, Cyan{0, 255, 255};
    static QString missingText(int n)
    {
        return QStringLiteral("Invalid Port Number - Com-%1 can't be used as a device interface. "
                              "StartCom 02")
            .arg(n);
    }

    MainWindowFixture f;
    std::vector<std::unique_ptr<PtyPair>> ptys;
    QStringList errorLines; // each non-empty text txtErr was given, whole, in order
    QList<SerialControl::LineAction> actions;
    int events = 0; // OnComm events of the control

    // Builds the window; with load set runs the start-up sequence (probe, saved port, StartCom).
    void create(bool load = true)
    {
        Form_Main& w = f.Create(false);
        ctl().setDeviceLister([] { return QList<PortCandidate>(); });
        QObject::connect(statusLine(), &StatusLine::textShown, c().txtErr,
                         [this](const QString& whole) { errorLines << whole; });
        QObject::connect(&ctl().MSComm1(), &SerialControl::lineAction, c().txtErr,
                         [this](SerialControl::LineAction a) { actions << a; });
        QObject::connect(&ctl().MSComm1(), &SerialControl::OnComm, c().txtErr,
                         [this] { ++events; });
        if (load)
            w.Form_Load();
    }

    // Writes "COM<n>" = path into the port table.
    void attach(int n, const QString& path)
    {
        f.settings->SaveRegSetting(AppState::AppTitle, "Ports", QString("COM%1").arg(n), path);
    }
    PtyPair& attachPty(int n)
    {
        ptys.push_back(std::make_unique<PtyPair>());
        attach(n, ptys.back()->slavePath());
        return *ptys.back();
    }
    void attachPtys(const QList<int>& numbers)
    {
        for (int n : numbers)
            attachPty(n);
    }
    // A started window with a pseudo-terminal open as COM n.
    PtyPair& openPty(int n)
    {
        PtyPair& pty = attachPty(n);
        create();
        use(n);
        return pty;
    }
    void savePort(const QString& text)
    {
        f.settings->SaveRegSetting(AppState::AppTitle, "FormInit", "ComPort", text);
    }

    // Chooses port n and opens it, as start-up does for a saved port.
    void use(int n)
    {
        f.state.ComPortNum = static_cast<qint16>(n);
        ctl().StartCom();
    }
    // SendCom, then waits until every byte has been handed to the line.
    bool send(const QByteArray& bytes)
    {
        ctl().SendCom(bytes);
        return ctl().DrainOutput(5000);
    }

    SerialController& ctl() { return f.window->SerialCtl(); }
    MainControls& c() { return f.window->Controls(); }
    QColor linkColour() { return c().txtCom->palette().color(QPalette::Base); }
    bool portOpen() { return ctl().MSComm1().PortOpen(); }
    QString reply() { return c().txt_rply->toPlainText(); }
    QString errorText() { return c().txtErr->toPlainText(); }
    StatusLine* statusLine() { return qobject_cast<StatusLine*>(c().txtErr); }
    // The line log's lines without their time column.
    QStringList logLines()
    {
        QStringList lines = ctl().Recorder().Log().linesFrom(0);
        for (QString& line : lines)
            line.remove(0, LineLog::lineHead(0, LineLog::Direction::Sent).size() - 3);
        return lines;
    }

    // Caption and tag of the visible items as "COM3| 3"; positions of the checked items.
    QStringList visibleItems()
    {
        QStringList items;
        for (const QAction* item : c().mnuCOMsel)
            if (item && item->isVisible()) // item 0 does not exist
                items << item->text() + '|' + item->data().toString();
        return items;
    }
    QList<int> checkedItems()
    {
        QList<int> checked;
        for (int i = 1; i <= 12; ++i)
            if (c().mnuCOMsel[i]->isChecked())
                checked << i;
        return checked;
    }
};
