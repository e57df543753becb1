// vard-sim: the simulated machine controller on a pseudo-terminal, for trying the
// program without a machine. Fault switches are typed on stdin, one command a line.

#include "sim/SimulatedMachine.h"

#include <QByteArray>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <optional>

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

using namespace vardsim;

namespace {

constexpr char kUsage[] = "usage: vard-sim [4QTR|362.04|362.07|362.10] [--link PATH] [--delay MS]\n";
constexpr char kHelp[] =
    "commands: silent on|off, midline [off], badsum on|off, refuse on|off, hood on|off, "
    "errors MASK, flood, garbage on|off, delay MS, late MS, extra N, hangup, status, help, quit";
constexpr qsizetype kMaxCommandLength = 4096;

struct Options {
    MachineKind kind = MachineKind::QTR4;
    QString link;
    int delayMs = 0;
};

std::optional<Options> parseArguments(const QStringList &args)
{
    Options options;
    bool haveKind = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        bool ok = true;
        if (arg == QLatin1String("--link") && i + 1 < args.size()) {
            options.link = args[++i];
        } else if (arg == QLatin1String("--delay") && i + 1 < args.size()) {
            options.delayMs = args[++i].toInt(&ok);
            ok = ok && options.delayMs >= 0;
        } else if (!haveKind && !arg.startsWith(QLatin1Char('-'))) {
            const auto kind = machineKindFromName(arg);
            ok = kind.has_value();
            options.kind = kind.value_or(options.kind);
            haveKind = true;
        } else {
            ok = false;
        }
        if (!ok)
            return std::nullopt;
    }
    return options;
}

void say(const QString &text)
{
    std::printf("%s\n", text.toLocal8Bit().constData());
    std::fflush(stdout);
}

QString onOff(bool on)
{
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

QString announcement(const SimulatedMachine &machine, MachineKind kind)
{
    return QStringLiteral("vard-sim: %1 on %2").arg(machineKindName(kind), machine.devicePath());
}

QString joined(int from, int to, int (SimController::*value)(int) const, const SimController &c)
{
    QStringList values;
    for (int ch = from; ch <= to; ++ch)
        values << QString::number((c.*value)(ch));
    return values.join(QLatin1Char(','));
}

QString status(const SimController &c)
{
    const SimFaults &f = c.faults;
    QStringList faults;
    const std::pair<const char *, bool> switches[] = {
        {"silent", f.silent}, {"midline", f.silentMidLine}, {"badsum", f.badChecksum},
        {"refuse", f.refuseWrites}, {"hood", f.hoodOpen}, {"garbage", f.garbage}, {"flood", f.floodOnce},
    };
    for (const auto &[name, on] : switches) {
        if (on)
            faults << QLatin1String(name);
    }
    if (f.zoneErrorBits)
        faults << QStringLiteral("errors=0x%1").arg(f.zoneErrorBits, 2, 16, QLatin1Char('0'));
    if (f.replyDelayMs)
        faults << QStringLiteral("delay=%1ms").arg(f.replyDelayMs);

    return QStringLiteral("target T1..T5=%1 F1..F3=%2 V1=%3 H1=%4 M1=%5 | actual T1..T6=%6 F1..F3=%7 V1=%8"
                          " S1=%9 S2=%10 S3=%11 | faults: %12")
        .arg(joined(1, 5, &SimController::targetTemp, c), joined(1, 3, &SimController::targetFan, c))
        .arg(c.targetSpeed(1)).arg(c.heater()).arg(c.autoHeater())
        .arg(joined(1, 6, &SimController::actualTemp, c), joined(1, 3, &SimController::actualFan, c))
        .arg(c.actualSpeed(1)).arg(c.errorByte()).arg(c.stateByte()).arg(c.operationMinutes())
        .arg(faults.isEmpty() ? QStringLiteral("none") : faults.join(QLatin1Char(' ')));
}

// One command line in, one line out. False when the simulator is to end.
bool runCommand(SimulatedMachine &machine, MachineKind kind, const QByteArray &line)
{
    const QList<QByteArray> words = line.simplified().split(' ');
    const QByteArray &name = words[0];
    const QByteArray arg = words.value(1);
    const bool on = arg == "on";
    const bool onOrOff = words.size() == 2 && (on || arg == "off");

    // The switches that are simply on or off.
    const std::pair<const char *, bool SimFaults::*> switches[] = {
        {"badsum", &SimFaults::badChecksum}, {"refuse", &SimFaults::refuseWrites},
        {"hood", &SimFaults::hoodOpen}, {"garbage", &SimFaults::garbage},
    };
    for (const auto &[word, member] : switches) {
        if (name == word && onOrOff) {
            machine.withController([&, m = member](SimController &c) { c.faults.*m = on; });
            say(QStringLiteral("%1 %2").arg(QLatin1String(word), onOff(on)));
            return true;
        }
    }

    bool ok = false;
    const int number = arg.toInt(&ok, 0);
    const bool haveNumber = words.size() == 2 && ok && number >= 0;
    if (name == "silent" && onOrOff) {
        // Ending the silence ends a cut-off reply's silence too.
        machine.withController([on](SimController &c) {
            c.faults.silent = on;
            c.faults.silentMidLine = c.faults.silentMidLine && on;
        });
        say(QStringLiteral("silent %1").arg(onOff(on)));
    } else if (name == "midline" && (words.size() == 1 || (onOrOff && !on))) {
        const bool cut = words.size() == 1;
        machine.withController([cut](SimController &c) { c.faults.silentMidLine = cut; });
        say(cut ? QStringLiteral("midline: the next reply stops half-way, then silence")
                : QStringLiteral("midline off"));
    } else if (name == "errors" && haveNumber && number <= 0xFF) {
        machine.withController([number](SimController &c) { c.faults.zoneErrorBits = number; });
        say(QStringLiteral("errors 0x%1").arg(number, 2, 16, QLatin1Char('0')));
    } else if (name == "delay" && haveNumber) {
        machine.withController([number](SimController &c) { c.faults.replyDelayMs = number; });
        say(QStringLiteral("delay %1 ms").arg(number));
    } else if (name == "late" && haveNumber) {
        machine.withController([number](SimController &c) { c.faults.lateOnceMs = number; });
        say(QStringLiteral("late: the next reply waits %1 ms more").arg(number));
    } else if (name == "extra" && haveNumber) {
        machine.withController([number](SimController &c) { c.faults.extraLines = number; });
        say(QStringLiteral("extra: the next reply goes out %1 more times").arg(number));
    } else if (name == "flood" && words.size() == 1) {
        const int bytes = machine.withController([](SimController &c) {
            c.faults.floodOnce = true;
            return c.faults.floodBytes;
        });
        say(QStringLiteral("flood: the next reply is %1 bytes without CR").arg(bytes));
    } else if (name == "hangup" && words.size() == 1) {
        machine.hangUp();
        say(machine.start() ? announcement(machine, kind)
                            : QStringLiteral("hangup: no new pty: %1").arg(machine.errorString()));
    } else if (name == "status" && words.size() == 1) {
        say(machine.withController([](SimController &c) { return status(c); }));
    } else if (name == "help") {
        say(QLatin1String(kHelp));
    } else if (name == "quit") {
        say(QStringLiteral("quit"));
        return false;
    } else {
        say(QStringLiteral("unknown command: %1 (try help)").arg(QString::fromLocal8Bit(line)));
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const auto options = parseArguments(args);
    if (!options) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    // SIGINT and SIGTERM arrive through a descriptor, never as an interruption. They are
    // blocked before the I/O thread exists, so it inherits the mask and never takes them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    const int signalFd = ::signalfd(-1, &stopSignals, SFD_CLOEXEC);
    ::signal(SIGPIPE, SIG_IGN); // whoever reads our stdout may go away; we keep serving
    if (signalFd < 0) {
        std::perror("vard-sim: signalfd");
        return 1;
    }

    SimulatedMachine machine(options->kind);
    machine.withController([&](SimController &c) { c.faults.replyDelayMs = options->delayMs; });
    if (!machine.start()) {
        std::fprintf(stderr, "vard-sim: %s\n", machine.errorString().toLocal8Bit().constData());
        return 1;
    }
    say(announcement(machine, options->kind));
    if (!options->link.isEmpty()) {
        if (!machine.publishLink(options->link)) {
            std::fprintf(stderr, "vard-sim: %s\n", machine.errorString().toLocal8Bit().constData());
            return 1;
        }
        say(QStringLiteral("linked at %1").arg(options->link));
    }

    // stdin may be closed or /dev/null (run in the background): then only a signal ends us.
    bool stdinOpen = true;
    bool running = true;
    QByteArray input;
    while (running) {
        pollfd fds[2] = {{signalFd, POLLIN, 0}, {stdinOpen ? STDIN_FILENO : -1, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents & POLLIN)
            break;
        if (!(fds[1].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;

        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n > 0)
            input.append(buffer, n);
        else {
            stdinOpen = false;
            input += '\n'; // a last command without its line end still counts
        }
        for (qsizetype end; running && (end = input.indexOf('\n')) >= 0;) {
            const QByteArray line = input.left(end).trimmed();
            input.remove(0, end + 1);
            if (!line.isEmpty())
                running = runCommand(machine, options->kind, line);
        }
        if (input.size() > kMaxCommandLength)
            input.clear();
    }
    machine.stop();
    return 0;
}
