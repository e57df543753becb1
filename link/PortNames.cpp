#include "link/PortNames.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QSerialPortInfo>
#include <QSet>

#include <algorithm>

#include "app/GlobalUnit.h"
#include "app/IniFile.h"

namespace {

// Only the built-in simulator sets this, before the link thread is created; guarded
// all the same, since a test may set it from another thread.
QMutex g_overrideMutex;
QMap<int, QString> g_portOverrides;

const QString kGeneral = QStringLiteral("General");

QString canonical(const QString &path)
{
    const QString c = QFileInfo(path).canonicalFilePath();
    return c.isEmpty() ? path : c;
}

int groupOf(const QString &device)
{
    const QString name = QFileInfo(device).fileName();
    if (name.startsWith(QLatin1String("ttyUSB")) || name.startsWith(QLatin1String("ttyACM")))
        return 0;
    if (name.startsWith(QLatin1String("ttyS")))
        return 1;
    return 2;
}

} // namespace

QString SerialByIdFolder()
{
    const QString folder = qEnvironmentVariable("VARD_SERIAL_BY_ID");
    return folder.isEmpty() ? QStringLiteral("/dev/serial/by-id") : folder;
}

QList<SerialPortEntry> OrderSerialPorts(const QString &byIdFolder, const QList<SerialPortEntry> &known)
{
    // ttyUSB2 before ttyUSB10: the trailing number counts as a number.
    const auto byName = [](const QString &a, const QString &b) {
        const auto split = [](const QString &s) {
            qsizetype i = s.size();
            while (i > 0 && s.at(i - 1).isDigit())
                --i;
            return std::pair{s.left(i), s.mid(i).toULongLong()};
        };
        const auto sa = split(a), sb = split(b);
        return sa.first != sb.first ? sa.first < sb.first : sa.second < sb.second;
    };

    QList<SerialPortEntry> ordered;
    QSet<QString> taken; // canonical paths already given a number

    QStringList ids = QDir(byIdFolder).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
    std::sort(ids.begin(), ids.end(), byName);
    for (const QString &id : std::as_const(ids)) {
        const QString path = QDir(byIdFolder).filePath(id);
        const QString target = QFileInfo(path).canonicalFilePath();
        if (target.isEmpty() || taken.contains(target)) // a link to a device that has gone
            continue;
        SerialPortEntry entry{path, {}, {}, {}};
        for (const SerialPortEntry &k : known) {
            if (canonical(k.device) == target) {
                entry = k;
                entry.device = path;
                break;
            }
        }
        taken.insert(target);
        ordered.append(entry);
    }

    QList<SerialPortEntry> rest;
    for (const SerialPortEntry &k : known) {
        if (!taken.contains(canonical(k.device)))
            rest.append(k);
    }
    std::stable_sort(rest.begin(), rest.end(), [&](const SerialPortEntry &a, const SerialPortEntry &b) {
        const int ga = groupOf(a.device), gb = groupOf(b.device);
        return ga != gb ? ga < gb : byName(a.device, b.device);
    });
    for (const SerialPortEntry &k : std::as_const(rest)) {
        if (taken.contains(canonical(k.device)))
            continue;
        taken.insert(canonical(k.device));
        ordered.append(k);
    }
    return ordered;
}

QList<SerialPortEntry> SystemSerialPorts()
{
#ifdef Q_OS_WIN
    return {};
#else
    QList<SerialPortEntry> known;
    const auto infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos)
        known.append({info.systemLocation(), info.description(), info.manufacturer(), info.serialNumber()});
    return OrderSerialPorts(SerialByIdFolder(), known);
#endif
}

QString PinnedSerialPortKey() { return QStringLiteral("SerialPort"); }

QString PinnedSerialPort() { return ReadSettingStr(kGeneral, PinnedSerialPortKey(), QString()).trimmed(); }

void SetPinnedSerialPort(const QString &device) { WriteSettingStr(kGeneral, PinnedSerialPortKey(), device.trimmed()); }

SerialPortNames SerialPortNames::read()
{
    SerialPortNames names;
    QMap<int, QString> overrides;
    {
        QMutexLocker lock(&g_overrideMutex);
        overrides = g_portOverrides;
    }
    // The demo's machine is where the demo looks, whatever the workstation is pinned to.
    if (overrides.isEmpty()) {
        names.m_pinned = PinnedSerialPort();
        if (!names.m_pinned.isEmpty())
            return names;
    }
#ifndef Q_OS_WIN
    const auto keys = vard::iniSectionKeys(SettingsFilePath(), QStringLiteral("Communications"));
    for (const auto &[key, value] : keys) {
        if (!key.startsWith(QStringLiteral("Port"), Qt::CaseInsensitive) || value.isEmpty())
            continue;
        bool ok = false;
        const int n = key.mid(4).toInt(&ok);
        if (ok && !names.m_devices.contains(n))
            names.m_devices.insert(n, value);
    }
    if (names.m_devices.isEmpty() && overrides.isEmpty()) {
        const QList<SerialPortEntry> ports = SystemSerialPorts();
        for (qsizetype i = 0; i < ports.size(); ++i)
            names.m_devices.insert(int(i) + 1, ports[i].device);
        names.m_listed = true;
    }
#endif
    for (auto it = overrides.cbegin(); it != overrides.cend(); ++it)
        names.m_devices.insert(it.key(), it.value());
    return names;
}

QString SerialPortNames::device(int n) const
{
    const auto it = m_devices.constFind(n);
    if (it != m_devices.constEnd())
        return *it;
    if (!m_pinned.isEmpty())
        return m_pinned;
    if (m_listed)
        return QString();
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(n);
#else
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
#endif
}

int SerialPortNames::scanCount(int comNo) const
{
    return m_pinned.isEmpty() ? std::max(comNo, 1) : 1;
}

void SetPortOverride(int n, const QString &device)
{
    QMutexLocker lock(&g_overrideMutex);
    if (device.isEmpty())
        g_portOverrides.remove(n);
    else
        g_portOverrides.insert(n, device);
}
