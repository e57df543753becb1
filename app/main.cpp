// Start-up and shutdown. The machine object comes first, so the link thread is already
// scanning while the windows are built; it goes last, after every window, and waits for
// the thread to finish before the mailbox is released.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <optional>

#include "app/CommandLine.h"
#include "cfx/CfxPublisher.h"
#include "cfx/CfxSettings.h"
#include "app/GlobalUnit.h"
#include "app/TerminationSignals.h"
#include "link/PortNames.h"
#include "app/ObjGlobalVarUnit.h"
#include "app/SafeSave.h"
#include "machine/MachineUnit.h"
#include "measure/ObjMessungUnit.h"
#ifdef VARD_HAVE_SIMULATOR
#include <unistd.h>

#include "sim/SimulatedMachine.h"
#endif
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

#ifdef VARD_HAVE_SIMULATOR
QStringList simulatedTypes()
{
    QStringList names;
    for (auto kind : {vardsim::MachineKind::QTR4, vardsim::MachineKind::T362_04, vardsim::MachineKind::T362_07,
                      vardsim::MachineKind::T362_10})
        names << vardsim::machineKindName(kind);
    return names;
}

// The demo: a simulated machine on a pseudo-terminal as port 1. It must not touch the
// operator's files, so it runs on a copy of the settings (it starts in the operator's
// language, with the windows where they were) in a folder that goes away with it. Its
// data (profiles, measurements and their journal) live in a demo folder of the user's
// that stays, so a demo measurement lost in a crash is offered by the next demo.
class Demo {
public:
    explicit Demo(const QString &type)
        : m_folder(QDir::tempPath() + QStringLiteral("/vard-demo-XXXXXX")),
          m_machine(*vardsim::machineKindFromName(type))
    {
    }

    // Call before the machine object exists: the link thread reads the port names and
    // the settings at once.
    bool start(QString *error)
    {
        if (!m_folder.isValid()) {
            *error = QStringLiteral("cannot make a temporary settings folder: ") + m_folder.errorString();
            return false;
        }
        const QString target = m_folder.path() + u'/';
        for (const QString &name : {QStringLiteral("Vard.ini"), QStringLiteral("Vard.pos"), QStringLiteral("MaxTemp.ini"),
                                    QStringLiteral("ProcessWindows.ini")})
            QFile::copy(SettingsDir() + name, target + name);
        const QString data = demoDataFolder();
        QFile::remove(data + QStringLiteral("/Profiles.vard"));
        QFile::copy(DataDir() + QStringLiteral("Profiles.vard"), data + QStringLiteral("/Profiles.vard"));
        UseSettingsFolder(m_folder.path());
        UseDataFolder(data);
        if (!m_machine.start()) {
            *error = QStringLiteral("cannot start the simulated machine: ") + m_machine.errorString();
            return false;
        }
        SetPortOverride(1, m_machine.devicePath());
        return true;
    }

    // A folder of this demo's own: the first of "vard-demo-data-<user>", "...-2", ... in
    // VARD_HOME (else the temporary folder) whose lock no running demo holds. A demo
    // that ended, killed or not, leaves its folder to the next one, which then offers
    // the measurement it could not save; two demos at once never share one.
    QString demoDataFolder()
    {
        QString user = qEnvironmentVariable("USER");
        if (user.isEmpty())
            user = QString::number(::getuid());
        const QString home = qEnvironmentVariable("VARD_HOME");
        const QString base = home.isEmpty() ? QDir::tempPath() : home;
        for (int n = 1; n <= kMaxDemoFolders; ++n) {
            const QString folder = base + QStringLiteral("/vard-demo-data-") + user
                                   + (n > 1 ? QStringLiteral("-%1").arg(n) : QString());
            QDir().mkpath(folder);
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            // Only a folder of our own, not one somebody else put there first.
            const QFileInfo info(folder);
            if (info.isSymLink() || !info.isDir() || info.ownerId() != ::getuid()
                || (info.permissions() & (QFile::WriteGroup | QFile::WriteOther)))
                continue;
            auto lock = std::make_unique<QLockFile>(folder + QStringLiteral("/demo.lock"));
            lock->setStaleLockTime(0); // held while its demo runs, however long
            if (lock->tryLock(0)) {
                m_dataLock = std::move(lock);
                return folder;
            }
        }
        m_ownFolder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/vard-demo-data-XXXXXX"));
        return m_ownFolder->path(); // a folder of this run alone
    }

    QString devicePath() const { return m_machine.devicePath(); }
    QString folder() const { return QDir::toNativeSeparators(m_folder.path()); }

private:
    static constexpr int kMaxDemoFolders = 20;
    std::unique_ptr<QTemporaryDir> m_ownFolder;
    std::unique_ptr<QLockFile> m_dataLock; // this demo's claim on its data folder
    QTemporaryDir m_folder; // goes after the machine
    vardsim::SimulatedMachine m_machine;
};
#else
QStringList simulatedTypes() { return {}; } // no pseudo-terminals here
#endif

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
    QCoreApplication::setApplicationName(QStringLiteral("vard"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VARD_VERSION));

    // Before the window system: --help and --version must work without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QStringList types = simulatedTypes();
    const vard::CommandLine options = vard::ParseCommandLine(arguments, types);
    switch (options.action) {
    case vard::CommandLine::Action::Help:
        std::fputs(qPrintable(vard::CommandLineHelp(types)), stdout);
        return 0;
    case vard::CommandLine::Action::Version:
        std::fputs(qPrintable(vard::VersionText(QStringLiteral(VARD_VERSION))), stdout);
        return 0;
    case vard::CommandLine::Action::Error:
        std::fprintf(stderr, "vard: %s\nTry 'vard --help' for the options.\n", qPrintable(options.error));
        return 2;
    case vard::CommandLine::Action::Run:
        break;
    }

    VardApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral(VARD_APP_ID));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/vard.png")));

#ifdef VARD_HAVE_SIMULATOR
    // The demo machine and its settings folder must be in place before the link thread
    // reads the port names.
    std::unique_ptr<Demo> demo;
    if (options.simulate) {
        demo = std::make_unique<Demo>(options.simulatedType);
        QString error;
        if (!demo->start(&error)) {
            std::fprintf(stderr, "vard: %s\n", qPrintable(error));
            return 1;
        }
        std::fprintf(stderr, "vard: simulated %s on %s (port 1); settings in %s for this run, data in %s\n",
                     qPrintable(options.simulatedType), qPrintable(demo->devicePath()), qPrintable(demo->folder()),
                     qPrintable(QDir::toNativeSeparators(DataDir())));
    }
#endif

    // Logout, a service manager or Ctrl+C: the same orderly shutdown as the menu's
    // quit, without its question. exit() also ends any dialog's own loop.
    vard::TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &vard::TerminationSignals::received, &app, [](int signalNumber) {
        std::fprintf(stderr, "vard: signal %d, shutting down\n", signalNumber);
        QCoreApplication::exit(0);
    });

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
    if (DataDir() != SettingsDir()) // an installed copy keeps profiles and Data apart
        vard::RemoveLeftoverTemporaries(DataDir());

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
            // The line messaging: started with the settings in force, anew when they change.
            std::unique_ptr<TCfxPublisher> cfx;
            const auto startCfx = [&] {
                // What the line was told goes on with the new settings.
                std::optional<TCfxPublisher::LineState> told;
                if (cfx)
                    told = cfx->CurrentLineState();
                cfx.reset();
                TCfxSettings settings = TCfxSettings::Load();
                if (!options.cfxBroker.isEmpty())
                    settings.BrokerUrl = options.cfxBroker;
                if (!options.cfxTarget.isEmpty())
                    settings.Target = options.cfxTarget;
                if (!options.cfxHandle.isEmpty())
                    settings.Handle = options.cfxHandle;
                mainWindow.SetCfxStatus(QString());
                if (!settings.Enabled())
                    return;
                if (const QString problem = settings.Problem(); !problem.isEmpty()) {
                    machine.NoteEvent(QCoreApplication::translate("main", "Line messaging not started: %1").arg(problem));
                    return;
                }
                cfx = std::make_unique<TCfxPublisher>(&machine, settings, TCfxPublisher::DefaultSpoolFolder(),
                                                      told ? &*told : nullptr);
                QObject::connect(cfx.get(), &TCfxPublisher::statusChanged, &mainWindow, &TMainWindow::SetCfxStatus);
                mainWindow.SetCfxStatus(cfx->StatusText());
            };
            mainWindow.onProgramSettings = [&] {
                ShowProgramOptions(&mainWindow, [&] { machine.ReloadPortNames(); }, startCfx);
            };
            mainWindow.onChecksum = [&] { RunChecksumTool(&mainWindow); };
            mainWindow.onAboutApp = [&] { ShowAboutApp(&mainWindow); };
            mainWindow.onAboutMaker = [&] { ShowAboutMaker(&mainWindow); };
            mainWindow.onQuitRequested = [] { return !MeasForm || MeasForm->ConfirmQuit(); };
            QObject::connect(&machine, &TMachine::logLineAdded, &logForm,
                             [&logForm](const QString &line) { logForm.AddLine(line, true); });
            QObject::connect(&machine, &TMachine::traceLineAdded, &debugForm, &TDebugForm::AddTrace);
            QObject::connect(&debugForm, &TDebugForm::activeChanged, &machine, &TMachine::SetTracing);
            mainWindow.show();
            startCfx();
            // A measurement a crash left unsaved, once the window is up to ask over.
            QTimer::singleShot(0, &mainWindow, [&mainWindow] { OfferMeasurementRestore(&mainWindow); });
            result = app.exec();
            CloseMeasurementWindow(); // it stores its position and lets go of the machine
            cfx.reset(); // what the broker has not taken stays in the spool for the next run
            // Nothing may call into the windows once they start to go.
            QObject::disconnect(&machine, nullptr, nullptr, nullptr);
        }
        delete GlobalVars; // saved by the main window as it went
        GlobalVars = nullptr;
    }
    return result;
}
