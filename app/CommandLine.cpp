#include "app/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>

#include <algorithm>

#include "app/GlobalUnit.h"

namespace vard {

namespace {

// QGuiApplication takes these out of the arguments itself; they must not count as
// unknown here. The first group carries a value.
const char *const kToolkitOptionsWithValue[] = {"platform", "platformpluginpath", "platformtheme", "plugin",
                                                "qwindowgeometry", "qwindowicon", "qwindowtitle", "display",
                                                "style", "stylesheet", "session", "geometry", "title"};
const char *const kToolkitFlags[] = {"reverse", "nograb", "dograb", "widgetcount", "qmljsdebugger"};

struct Parser {
    QCommandLineParser parser;
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help and exit.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Show the version and the folders used for settings and data, and exit.")};
    QCommandLineOption simulate{QStringLiteral("simulate"), QString()};
    QCommandLineOption cfxBroker{QStringLiteral("cfx-broker"),
                                 QStringLiteral("Publish the machine's state as CFX messages to the AMQP 1.0 broker at "
                                                "URL (amqp://host:port or amqps://...) for this run, whatever the "
                                                "settings say."),
                                 QStringLiteral("URL")};
    QCommandLineOption cfxTarget{QStringLiteral("cfx-target"),
                                 QStringLiteral("The broker's address to publish to for this run (e.g. /queue/cfx)."),
                                 QStringLiteral("ADDRESS")};
    QCommandLineOption cfxHandle{QStringLiteral("cfx-handle"),
                                 QStringLiteral("This endpoint's CFX handle for this run."), QStringLiteral("NAME")};

    explicit Parser(const QStringList &machineTypes)
    {
        simulate.setDescription(
            QStringLiteral("Run against a simulated machine of type TYPE (%1; default %2) on a pseudo-terminal "
                           "as serial port 1. The demo keeps its settings in a temporary folder: no file of "
                           "yours is changed.")
                .arg(machineTypes.join(QStringLiteral(", ")), machineTypes.value(0)));
        // Long words after a single dash are the toolkit's, as in "-platform offscreen".
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.setApplicationDescription(
            QStringLiteral("Vard: operates and watches a soldering machine on a serial line."));
        parser.addOption(help);
        parser.addOption(version);
        parser.addOption(cfxBroker);
        parser.addOption(cfxTarget);
        parser.addOption(cfxHandle);
        if (!machineTypes.isEmpty()) { // a platform without the simulator has no demo
            parser.addOption(simulate);
            parser.addPositionalArgument(QStringLiteral("TYPE"), QStringLiteral("Machine type for --simulate."),
                                         QStringLiteral("[TYPE]"));
        }
        for (const char *name : kToolkitOptionsWithValue) {
            QCommandLineOption o(QString::fromLatin1(name), QString(), QStringLiteral("value"));
            o.setFlags(QCommandLineOption::HiddenFromHelp);
            parser.addOption(o);
        }
        for (const char *name : kToolkitFlags) {
            QCommandLineOption o(QString::fromLatin1(name));
            o.setFlags(QCommandLineOption::HiddenFromHelp);
            parser.addOption(o);
        }
    }
};

} // namespace

CommandLine ParseCommandLine(const QStringList &args, const QStringList &machineTypes)
{
    CommandLine result;
    // "--simulate=TYPE" is the same as "--simulate TYPE"; the parser knows only flags
    // and options that always take a value.
    QStringList normalised;
    for (const QString &arg : args) {
        if (arg.startsWith(QLatin1String("--simulate="))) {
            normalised << QStringLiteral("--simulate") << arg.mid(11);
        } else {
            normalised << arg;
        }
    }
    if (normalised.isEmpty())
        normalised << QStringLiteral("vard");

    Parser p(machineTypes);
    if (!p.parser.parse(normalised)) {
        result.action = CommandLine::Action::Error;
        result.error = p.parser.errorText();
        return result;
    }
    if (p.parser.isSet(p.help)) {
        result.action = CommandLine::Action::Help;
        return result;
    }
    if (p.parser.isSet(p.version)) {
        result.action = CommandLine::Action::Version;
        return result;
    }
    result.cfxBroker = p.parser.value(p.cfxBroker);
    result.cfxTarget = p.parser.value(p.cfxTarget);
    result.cfxHandle = p.parser.value(p.cfxHandle);
    const QStringList positional = p.parser.positionalArguments();
    result.simulate = !machineTypes.isEmpty() && p.parser.isSet(p.simulate);
    if (!result.simulate && !positional.isEmpty()) {
        result.action = CommandLine::Action::Error;
        result.error = QStringLiteral("Unexpected argument '%1' (a machine type goes after --simulate).")
                           .arg(positional.first());
        return result;
    }
    if (positional.size() > 1) {
        result.action = CommandLine::Action::Error;
        result.error = QStringLiteral("Unexpected argument '%1'.").arg(positional.at(1));
        return result;
    }
    if (result.simulate) {
        const QString asked = positional.value(0, machineTypes.value(0));
        const auto known = std::find_if(machineTypes.cbegin(), machineTypes.cend(), [&asked](const QString &type) {
            return type.compare(asked, Qt::CaseInsensitive) == 0;
        });
        if (known == machineTypes.cend()) {
            result.action = CommandLine::Action::Error;
            result.error = QStringLiteral("Unknown machine type '%1' (%2).")
                               .arg(asked, machineTypes.join(QStringLiteral(", ")));
        } else {
            result.simulatedType = *known;
        }
    }
    return result;
}

QString CommandLineHelp(const QStringList &machineTypes)
{
    Parser p(machineTypes);
    QString text = p.parser.helpText();
    // Without an application object the parser cannot know the program's name.
    text.replace(QLatin1String("<executable_name>"), QLatin1String("vard"));
    return text;
}

QString VersionText(const QString &version)
{
    const auto folder = [](const QString &dir) { return QDir::toNativeSeparators(QDir::cleanPath(dir)); };
    QString where;
    if (!qEnvironmentVariableIsEmpty("VARD_HOME"))
        where = QStringLiteral("set by VARD_HOME");
    else if (IsPortableCopy())
        where = QStringLiteral("beside the program");
    else
        where = QStringLiteral("the user's folders");
    return QStringLiteral("vard %1\nSettings: %2 (%3)\nData: %4\nProgram files: %5\n")
        .arg(version, folder(SettingsDir()), where, folder(DataDir()), folder(ShippedDir()));
}

} // namespace vard
