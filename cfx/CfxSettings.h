#pragma once
// Where Vard publishes to the line's message broker, from the [CFX] section of "Vard.ini".
// With no broker URL nothing of the publisher is started.

#include <QString>

struct TCfxSettings {
    QString BrokerUrl;           // "amqp://host[:port]" or "amqps://host[:port]"; empty: off
    QString User;                // empty: anonymous
    QString Password;
    QString Target = QStringLiteral("/queue/cfx"); // the broker's address to send to
    QString Handle;              // this endpoint's CFX handle; empty: made from the host name
    int HeartbeatSeconds = 60;   // 0: no heartbeat
    int ProcessDataSeconds = 10; // how often the zones' readings go out; 0: never
    int SpoolLimitKB = 16384;    // the on-disk spool's bound

    bool Enabled() const { return !BrokerUrl.trimmed().isEmpty(); }
    // The handle in force: the configured one, else "vard.<host name>".
    QString EffectiveHandle() const;
    // Why these settings cannot be used, in words; empty when they can.
    QString Problem() const;

    static TCfxSettings Load();
    // Throws vard::SettingsFileError like every settings write.
    void Save() const;
};
