#pragma once
// The program's command line, read before the window system starts, so that --help,
// --version and a mistyped option work on a machine without a display.

#include <QString>
#include <QStringList>

namespace vard {

struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    bool simulate = false;
    QString simulatedType; // a name of `machineTypes`, when simulate
    QString error;         // Action::Error: what was wrong, one line
    // The line messaging for this run only, over what the settings say (empty: as set).
    QString cfxBroker, cfxTarget, cfxHandle;
};

// `args` as the program got them (the program's name first). `machineTypes` are the
// names --simulate accepts; the first is its default. Without any, there is no
// --simulate (the platform has no simulator). The window system's own options
// (-platform NAME, -style NAME, -display NAME, -reverse, ...) are let through for it.
CommandLine ParseCommandLine(const QStringList &args, const QStringList &machineTypes);

// The text of --help: usage and every option, ending in a newline.
QString CommandLineHelp(const QStringList &machineTypes);

// The text of --version: name and version, then the folders this copy keeps its
// settings and data in (which depend on how it was installed). Ends in a newline.
QString VersionText(const QString &version);

} // namespace vard
