#pragma once

#include "AppState.h"
#include "MainControls.h"
#include "MainWindowFixture.h"
#include "PtyPair.h"
#include "SerialController.h"

#include <QAction>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QStringList>

#include <memory>
#include <vector>

// A real main window whose COM ports are pseudo-terminals written into the port table of its
// temporary settings store by hand. The system's own serial devices are kept out of the probe so
// that only the test's ports exist. Every text shown in txtErr is recorded.
class SerialWindow
{
public:
    MainWindowFixture f;
    std::vector<std::unique_ptr<PtyPair>> ptys;
    QStringList errorLines; // each non-empty text txtErr was given, in order
    QList<SerialControl::LineAction> actions;

    // Builds the window; with load set runs the start-up sequence (probe, saved port, StartCom).
    Form_Main& create(bool load = true)
    {
        Form_Main& w = f.Create(false);
        ctl().setDeviceLister([] { return QList<PortCandidate>(); });
        QObject::connect(c().txtErr, &QPlainTextEdit::textChanged, c().txtErr, [this] {
            const QString text = c().txtErr->toPlainText();
            if (!text.isEmpty())
                errorLines << text;
        });
        QObject::connect(&ctl().MSComm1(), &SerialControl::lineAction, c().txtErr,
                         [this](SerialControl::LineAction a) { actions << a; });
        if (load)
            w.Form_Load();
        return w;
    }

    // Writes "COM<n>" = path into the port table.
    void attach(int n, const QString& path)
    {
        f.settings->SaveRegSetting(AppState::AppTitle, QStringLiteral("Ports"),
                                   QStringLiteral("COM%1").arg(n), path);
    }
    PtyPair& attachPty(int n)
    {
        ptys.push_back(std::make_unique<PtyPair>());
        attach(n, ptys.back()->slavePath());
        return *ptys.back();
    }
    void savePort(const QString& text)
    {
        f.settings->SaveRegSetting(AppState::AppTitle, QStringLiteral("FormInit"),
                                   QStringLiteral("ComPort"), text);
    }
    QString savedPort() const
    {
        return f.settings->GetRegSetting(AppState::AppTitle, QStringLiteral("FormInit"),
                                         QStringLiteral("ComPort"), QStringLiteral("<none>"));
    }

    // Chooses port n and opens it, as start-up does for a saved port.
    void use(int n)
    {
        f.state.ComPortNum = static_cast<qint16>(n);
        ctl().StartCom();
    }

    SerialController& ctl() { return f.window->SerialCtl(); }
    MainControls& c() { return f.window->Controls(); }
    QColor linkColour() { return c().txtCom->palette().color(QPalette::Base); }
    bool portOpen() { return ctl().MSComm1().PortOpen(); }
    QString reply() { return c().txt_rply->toPlainText(); }
    QString errorText() { return c().txtErr->toPlainText(); }

    // Caption, tag and visibility of the items as "COM3| 3" per visible item.
    QStringList visibleItems()
    {
        QStringList items;
        for (int i = 1; i <= 12; ++i) {
            const QAction* item = c().mnuCOMsel[i];
            if (item->isVisible())
                items << item->text() + QLatin1Char('|') + item->data().toString();
        }
        return items;
    }
    QList<int> checkedItems()
    {
        QList<int> checked;
        for (int i = 1; i <= 12; ++i) {
            if (c().mnuCOMsel[i]->isChecked())
                checked << i;
        }
        return checked;
    }
};
