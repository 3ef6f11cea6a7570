#pragma once

#include "app/MainWindowDesign.h"
#include "app/settings/RegEdit.h"
#include "app/ui/AppState.h"
#include "app/ui/StatusLine.h"
#include "serial/PortTable.h"
#include "serial/gui/SerialController.h"
#include "tests/serial/PtyPair.h"
#include "tests/support/ScriptedToolkit.h"

#include <QAction>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPalette>
#include <QTemporaryDir>

#include <memory>
#include <span>
#include <vector>

// The serial controller on the main window's controls as the design builds them, but without the
// window's other parts. Its COM ports are pseudo-terminals (or other paths) written by hand into
// the port table of a store in a temporary folder; the system's own devices are kept out of the
// probe. The control's signals reach the controller as in the window; every text txtErr is
// given and every line action is recorded.
class SerialRig
{
public:
    static inline const QColor Red{255, 0, 0}, Green{0, 255, 0}, Cyan{0, 255, 255};

    QTemporaryDir dir;
    ScriptedToolkit toolkit;
    AppState state;
    RegEdit store{dir.filePath("registry.ini")};
    QMainWindow owner; // never shown
    MainControls c = MainWindowDesign::Build(owner);
    std::unique_ptr<SerialController> ctl;
    std::vector<std::unique_ptr<PtyPair>> ptys;
    QStringList errorLines; // each non-empty text txtErr was given, whole, in order
    QList<SerialControl::LineAction> actions;

    SerialRig() : ctl(std::make_unique<SerialController>(c, state, toolkit, store))
    {
        ctl->setDeviceLister([] { return QList<PortCandidate>(); });
        SerialControl* comm = &ctl->MSComm1();
        SerialController* s = ctl.get();
        QObject::connect(comm, &SerialControl::OnComm, s, &SerialController::MSComm1_OnComm);
        QObject::connect(comm, &SerialControl::portLost, s, &SerialController::MSComm1_PortLost);
        QObject::connect(comm, &SerialControl::lineAction, s, [this](SerialControl::LineAction a) {
            actions << a;
            ctl->MSComm1_LineAction(a);
        });
        QObject::connect(qobject_cast<StatusLine*>(c.txtErr), &StatusLine::textShown, s,
                         [this](const QString& whole) { errorLines << whole; });
    }

    // Writes "COM<n>" = path into the port table of the store.
    static void attach(const RegEdit& store, int n, const QString& path)
    {
        store.SaveRegSetting(AppState::AppTitle, "Ports", PortTable::valueName(n), path);
    }
    void attach(int n, const QString& path) { attach(store, n, path); }
    PtyPair& attachPty(int n)
    {
        attach(n, ptys.emplace_back(std::make_unique<PtyPair>())->slavePath());
        return *ptys.back();
    }
    // Chooses port n and opens it, as start-up does for a saved port.
    void use(int n)
    {
        state.ComPortNum = static_cast<qint16>(n);
        ctl->StartCom();
    }

    bool portOpen() const { return ctl->MSComm1().PortOpen(); }
    static QColor linkColour(const MainControls& c)
    {
        return c.txtCom->palette().color(QPalette::Base);
    }
    // Caption and tag of the visible port items as "COM3| 3", a checked one marked "*".
    static QStringList items(const MainControls& c)
    {
        QStringList items;
        for (const QAction* item : std::span(c.mnuCOMsel).subspan(1, 12)) {
            if (item->isVisible() || item->isChecked())
                items << item->text() + '|' + item->data().toString() +
                             (item->isChecked() ? "*" : "");
        }
        return items;
    }
};
