#include "link/PortNames.h"

#include <QMutex>

#include "app/GlobalUnit.h"
#include "app/IniFile.h"

namespace {

// Only the built-in simulator sets this, before the link thread is created; guarded
// all the same, since a test may set it from another thread.
QMutex g_overrideMutex;
QMap<int, QString> g_portOverrides;

} // namespace

SerialPortNames SerialPortNames::read()
{
    SerialPortNames names;
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
#endif
    QMutexLocker lock(&g_overrideMutex);
    for (auto it = g_portOverrides.cbegin(); it != g_portOverrides.cend(); ++it)
        names.m_devices.insert(it.key(), it.value());
    return names;
}

QString SerialPortNames::device(int n) const
{
    const auto it = m_devices.constFind(n);
    if (it != m_devices.constEnd())
        return *it;
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(n);
#else
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
#endif
}

void SetPortOverride(int n, const QString &device)
{
    QMutexLocker lock(&g_overrideMutex);
    if (device.isEmpty())
        g_portOverrides.remove(n);
    else
        g_portOverrides.insert(n, device);
}
