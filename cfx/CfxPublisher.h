#pragma once
// Vard as an endpoint of the line's messaging: what the machine object and the log tell,
// turned into CFX messages for the broker. The machine object does not know of it; it
// listens to the machine's signals and reads its values when they have been read anew.

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QTimer>
#include <QUuid>

#include <functional>
#include <memory>

#include "cfx/CfxLink.h"
#include "cfx/CfxMessages.h"
#include "cfx/CfxSettings.h"

class TMachine;

class TCfxPublisher : public QObject {
    Q_OBJECT
public:
    // What the line has been told of the machine: its condition since when, and the
    // faults in force with their occurrence ids. A publisher started anew (other
    // settings) takes it over, so that it neither repeats a fault under a new id nor
    // leaves the old one uncleared.
    struct LineState {
        bool haveCondition = false;
        vard::cfx::Condition condition = vard::cfx::Condition::LinkLost;
        QDateTime since;
        QHash<QString, vard::cfx::FaultInfo> faults;
    };

    // Connects to the machine's signals and starts the link; announces the endpoint.
    TCfxPublisher(TMachine *machine, const TCfxSettings &settings, const QString &spoolFolder,
                  const LineState *previous = nullptr, QObject *parent = nullptr);
    ~TCfxPublisher() override;

    TCfxLink *Link() const { return m_link.get(); }
    QString Handle() const { return m_handle; }
    LineState CurrentLineState() const { return m_line; }
    // For the status bar: "CFX: connected", "CFX: no broker (12 waiting)".
    QString StatusText() const;

    // The spool folder in the settings folder.
    static QString DefaultSpoolFolder();

    // Builds and posts one message now (the benchmark and the tests use it).
    void PublishProcessData();
    void PublishHeartbeat();

signals:
    void statusChanged(const QString &text);
    // A message handed to the link, as it goes out.
    void published(const QString &name, const QByteArray &json);

private:
    void post(const QString &name, const QJsonObject &body, bool transient = false);
    void onMachineTypeChanged(int type);
    void onValuesRead();
    void onCommandAccepted(const QByteArray &command);
    void onLinkState(TCfxLink::State state, const QString &detail);
    void onDropped(int count, const QString &why);
    void flushDropped();
    vard::cfx::Condition currentCondition() const;
    void updateCondition();
    void updateFaults();
    // Tells the line that the faults `gone` picks out are over, and forgets them.
    void clearFaults(const std::function<bool(const QString &key)> &gone);

    TMachine *m_machine;
    TCfxSettings m_settings;
    QString m_handle;
    std::unique_ptr<TCfxLink> m_link;
    QTimer m_heartbeat;
    QTimer m_processData;
    QTimer m_dropReport;

    // Faults are keyed by the machine type and "hood" or the zone's error bit.
    LineState m_line;
    // A profile loaded, and the write command it made, until the machine has taken it.
    QString m_pendingProfile;
    QByteArray m_profileCommand;
    bool m_wasConnected = false;
    bool m_lostLogged = false;
    int m_droppedUnreported = 0;
    QString m_dropReason;
};
