#include "cfx/CfxSettings.h"

#include <QCoreApplication>
#include <QSysInfo>
#include <QUrl>

#include "app/GlobalUnit.h"
#include "app/IniFile.h"

namespace {
const QString kSection = QStringLiteral("CFX");

QString tr(const char *text)
{
    return QCoreApplication::translate("TCfxSettings", text);
}
} // namespace

QString TCfxSettings::EffectiveHandle() const
{
    const QString own = Handle.trimmed();
    if (!own.isEmpty())
        return own;
    QString host = QSysInfo::machineHostName();
    if (host.isEmpty())
        host = QStringLiteral("localhost");
    return QStringLiteral("vard.") + host;
}

QString TCfxSettings::Problem() const
{
    if (!Enabled())
        return QString();
    const QUrl url(BrokerUrl.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return tr("The broker URL is not valid: %1").arg(BrokerUrl);
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("amqp") && scheme != QLatin1String("amqps"))
        return tr("The broker URL must begin with amqp:// or amqps://");
    if (Target.trimmed().isEmpty())
        return tr("The target address must not be empty.");
    if (HeartbeatSeconds < 0 || ProcessDataSeconds < 0)
        return tr("The periods must not be negative.");
    if (SpoolLimitKB < 64)
        return tr("The spool must hold at least 64 KB.");
    return QString();
}

TCfxSettings TCfxSettings::Load()
{
    TCfxSettings s;
    s.BrokerUrl = ReadSettingStr(kSection, QStringLiteral("BrokerUrl"), QString()).trimmed();
    s.User = ReadSettingStr(kSection, QStringLiteral("User"), QString());
    s.Password = ReadSettingStr(kSection, QStringLiteral("Password"), QString());
    s.Target = ReadSettingStr(kSection, QStringLiteral("Target"), s.Target).trimmed();
    s.Handle = ReadSettingStr(kSection, QStringLiteral("Handle"), QString()).trimmed();
    s.HeartbeatSeconds = ReadSettingInt(kSection, QStringLiteral("HeartbeatSeconds"), s.HeartbeatSeconds);
    s.ProcessDataSeconds = ReadSettingInt(kSection, QStringLiteral("ProcessDataSeconds"), s.ProcessDataSeconds);
    s.SpoolLimitKB = ReadSettingInt(kSection, QStringLiteral("SpoolLimitKB"), s.SpoolLimitKB);
    return s;
}

void TCfxSettings::Save() const
{
    // One write for the whole section: a refused write leaves none of it changed, never
    // a new URL with the old login.
    vard::iniWrite(SettingsFilePath(), kSection,
             {{QStringLiteral("BrokerUrl"), BrokerUrl.trimmed()},
              {QStringLiteral("User"), User},
              {QStringLiteral("Password"), Password},
              {QStringLiteral("Target"), Target.trimmed()},
              {QStringLiteral("Handle"), Handle.trimmed()},
              {QStringLiteral("HeartbeatSeconds"), QString::number(HeartbeatSeconds)},
              {QStringLiteral("ProcessDataSeconds"), QString::number(ProcessDataSeconds)},
              {QStringLiteral("SpoolLimitKB"), QString::number(SpoolLimitKB)}});
}
