// Start-up and shutdown. The machine object comes first, so the link thread is already
// scanning while the windows are built; it goes last, after every window, and waits for
// the thread to finish before the mailbox is released.

#include <QApplication>

#include <cstdio>
#include <memory>

#include "app/GlobalUnit.h"
#include "link/PortNames.h"
#include "app/ObjGlobalVarUnit.h"
#include "app/SafeSave.h"
#include "machine/MachineUnit.h"
#include "measure/ObjMessungUnit.h"
#include "sim/SimulatedMachine.h"
#include "ui/AboutAppUnit.h"
#include "ui/DebugUnit.h"
#include "ui/LogUnit.h"
#include "ui/MainUnit.h"
#include "ui/MeasUnit.h"
#include "ui/MessageBoxes.h"
#include "ui/OptionsUnit.h"
#include "ui/ProfileUnit.h"
#include "ui/SettingsUnit.h"

namespace {

struct Options {
    bool simulate = false;
    QString simulatedType = QStringLiteral("4QTR");
    bool help = false;
    QString error;
};

Options parseOptions(const QStringList &args)
{
    Options o;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--simulate")) {
            o.simulate = true;
            if (i + 1 < args.size() && !args[i + 1].startsWith(u'-'))
                o.simulatedType = args[++i];
        } else if (a.startsWith(QLatin1String("--simulate="))) {
            o.simulate = true;
            o.simulatedType = a.mid(11);
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.help = true;
        } else {
            o.error = QStringLiteral("unknown option: %1").arg(a);
        }
    }
    if (o.simulate && !vardsim::machineKindFromName(o.simulatedType))
        o.error = QStringLiteral("unknown machine type: %1 (4QTR, 362.04, 362.07 or 362.10)").arg(o.simulatedType);
    return o;
}

constexpr char kUsage[] =
    "Usage: vard [--simulate [4QTR|362.04|362.07|362.10]]\n"
    "  --simulate [TYPE]  run against a simulated machine of that type (default 4QTR)\n"
    "                     on a pseudo-terminal, as serial port 1; no file is changed\n";

} // namespace

// The general error report: whatever a handler lets escape is shown to the operator
// instead of ending the program.
class VardApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject *receiver, QEvent *event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const vard::SettingsFileError &e) {
            vard::ReportError(activeWindow(), e.message());
        } catch (const vard::MeasFileError &e) {
            vard::ReportError(activeWindow(), e.message());
        } catch (const std::exception &e) {
            vard::ReportError(activeWindow(), QString::fromLocal8Bit(e.what()));
        }
        return false;
    }
};

int main(int argc, char *argv[])
{
    VardApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("vard"));
    app.setApplicationVersion(QStringLiteral(VARD_VERSION));

    const Options options = parseOptions(app.arguments());
    if (options.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "vard: %s\n%s", qPrintable(options.error), kUsage);
        return 2;
    }

    // The demo machine must be in place before the link thread reads the port names.
    std::unique_ptr<vardsim::SimulatedMachine> simulator;
    if (options.simulate) {
        simulator = std::make_unique<vardsim::SimulatedMachine>(*vardsim::machineKindFromName(options.simulatedType));
        if (!simulator->start()) {
            std::fprintf(stderr, "vard: cannot start the simulated machine: %s\n", qPrintable(simulator->errorString()));
            return 1;
        }
        SetPortOverride(1, simulator->devicePath());
        std::fprintf(stderr, "vard: simulated %s on %s (port 1)\n", qPrintable(options.simulatedType),
                     qPrintable(simulator->devicePath()));
    }

    // A settings file that is not read is told once, when the windows are up (the
    // message may come from the link thread's first reading, so it is handed over).
    vard::SetReadProblemHandler([](const QString &message) {
        if (!qApp)
            return;
        QMetaObject::invokeMethod(
            qApp, [message] { vard::ReportError(QApplication::activeWindow(), message); }, Qt::QueuedConnection);
    });
    // Saves killed half-way leave their temporary files; they would pile up.
    vard::RemoveLeftoverTemporaries(SettingsDir());

    int result = 0;
    {
        TMachine machine;
        GlobalVars = new TGlobalVars;
        // The language switch names it anew with the product title.
        QApplication::setApplicationDisplayName(QStringLiteral("Vard"));
        {
            TMainWindow mainWindow(&machine);
            TDebugForm debugForm;
            TLogForm logForm(&machine);
            mainWindow.SetDebugForm(&debugForm);
            mainWindow.SetLogForm(&logForm);
            mainWindow.onProfiles = [&] { ShowProfileDialog(&mainWindow, &machine, &debugForm); };
            mainWindow.onMeasureStart = [&] { OpenMeasurementWindow(&mainWindow); };
            mainWindow.onCallTavo = [&] { CallTavo(&mainWindow, GlobalVars->TavoPath()); };
            mainWindow.onMachineOptions = [&] { ShowMachineOptions(&mainWindow, &machine); };
            mainWindow.onProgramSettings = [&] { ShowProgramOptions(&mainWindow, [&] { machine.ReloadPortNames(); }); };
            mainWindow.onChecksum = [&] { RunChecksumTool(&mainWindow); };
            mainWindow.onAboutApp = [&] { ShowAboutApp(&mainWindow); };
            mainWindow.onAboutMaker = [&] { ShowAboutMaker(&mainWindow); };
            QObject::connect(&machine, &TMachine::logLineAdded, &logForm,
                             [&logForm](const QString &line) { logForm.AddLine(line, true); });
            QObject::connect(&machine, &TMachine::traceLineAdded, &debugForm, &TDebugForm::AddTrace);
            QObject::connect(&debugForm, &TDebugForm::activeChanged, &machine, &TMachine::SetTracing);
            mainWindow.show();
            result = app.exec();
            CloseMeasurementWindow(); // it stores its position and lets go of the machine
            // Nothing may call into the windows once they start to go.
            QObject::disconnect(&machine, nullptr, nullptr, nullptr);
        }
        delete GlobalVars; // saved by the main window as it went
        GlobalVars = nullptr;
    }
    return result;
}
