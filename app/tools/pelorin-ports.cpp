// pelorin-ports: shows and edits the port table and the chosen port in the settings store, so a
// device path (a USB adapter, or the simulator's link) can be attached as COMn from a shell.
#include "app/settings/AppSettings.h"
#include "app/settings/RegEdit.h"
#include "serial/PortTable.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

namespace {

int Usage(QTextStream& err)
{
    err << "usage: pelorin-ports list\n"
           "       pelorin-ports attach N DEVICE   (COMN names DEVICE)\n"
           "       pelorin-ports choose N          (COMN is the port in use at the next start)\n"
           "       pelorin-ports forget N          (COMN names no device; the number is free)\n"
           "The store is "
        << RegEdit::defaultStoreFile() << "\n";
    return 2;
}

int PortNumber(const QString& text)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok && n >= PortTable::FirstPort && n <= PortTable::LastPort ? n : 0;
}

// A device path the table can keep: absolute (it is used from any folder) and present now.
QString DeviceProblem(const QString& path)
{
    if (QFileInfo(path).isRelative())
        return QStringLiteral("\"%1\" is a relative path; give the device's whole path, as "
                              "/dev/ttyUSB0")
            .arg(path);
    if (!QFileInfo::exists(path))
        return QStringLiteral("%1 does not exist").arg(path);
    return {};
}

// Says a failed write of the store; the exit status follows it.
int Saved(const RegEdit& store, QTextStream& err)
{
    const auto failure = store.takeWriteFailure();
    if (failure)
        err << *failure << "\n";
    return failure ? 1 : 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    RegEdit store;
    PortTable ports(store, AppSettings::AppKey);

    if (args.value(0) == QLatin1String("list") && args.size() == 1) {
        for (int n = PortTable::FirstPort; n <= PortTable::LastPort; ++n) {
            const QString path = ports.devicePath(n);
            if (!path.isEmpty())
                out << PortTable::valueName(n) << " = " << path << "\n";
        }
        out << "chosen: \"" << AppSettings::SavedPort(store) << "\"\n";
        Saved(store, err); // the list is right even when its empty defaults could not be kept
        return 0;
    }
    if (args.value(0) == QLatin1String("attach") && args.size() == 3 && PortNumber(args[1])) {
        if (const QString problem = DeviceProblem(args[2]); !problem.isEmpty()) {
            err << "pelorin-ports: " << problem << "\n";
            return 1;
        }
        AppSettings::SetPortDevice(store, PortNumber(args[1]), args[2]);
        return Saved(store, err);
    }
    if (args.value(0) == QLatin1String("forget") && args.size() == 2 && PortNumber(args[1])) {
        AppSettings::SetPortDevice(store, PortNumber(args[1]), QString());
        return Saved(store, err);
    }
    if (args.value(0) == QLatin1String("choose") && args.size() == 2 && PortNumber(args[1])) {
        // The same blank-led form the COM menu saves.
        AppSettings::SavePort(store, QLatin1Char(' ') + QString::number(PortNumber(args[1])));
        return Saved(store, err);
    }
    return Usage(err);
}
