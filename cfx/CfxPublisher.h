#pragma once
// Vard as an endpoint of the line's messaging: what the machine object and the log tell,
// turned into CFX messages for the broker. The machine object does not know of it; it
// listens to the machine's signals and reads its values when they have been read anew.

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QTimer>
#include <QUuid>

#include <memory>

#include "cfx/CfxLink.h"
#include "cfx/CfxMessages.h"
#include "cfx/CfxSettings.h"

class TMachine;

class TCfxPublisher : public QObject {
    Q_OBJECT
public:
    // Connects to the machine's signals and starts the link; announces the endpoint.
    TCfxPublisher(TMachine *machine, const TCfxSettings &settings, const QString &spoolFolder,
                  QObject *parent = nullptr);
    ~TCfxPublisher() override;

    TCfxLink *Link() const { return m_link.get(); }
    QString Handle() const { return m_handle; }
    // For the status bar: "CFX: connected", "CFX: no broker (12 waiting)".
    QString StatusText() const;

    // The spool folder in the settings folder.
    static QString DefaultSpoolFolder();

    // Builds and posts one message now (the benchmark and the tests use it).
    void PublishProcessData();
    void PublishHeartbeat();

signals:
    void statusChanged(const QString &text);

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

    TMachine *m_machine;
    TCfxSettings m_settings;
    QString m_handle;
    std::unique_ptr<TCfxLink> m_link;
    QTimer m_heartbeat;
    QTimer m_processData;
    QTimer m_dropReport;

    bool m_haveCondition = false;
    vard::cfx::Condition m_condition = vard::cfx::Condition::LinkLost;
    QDateTime m_conditionSince;
    // Faults in force, by key ("hood", or the zone's error bit with the machine type), with
    // the occurrence id their clearing must carry.
    struct ActiveFault {
        vard::cfx::FaultInfo info;
    };
    QHash<QString, ActiveFault> m_faults;
    QString m_pendingProfile;
    bool m_wasConnected = false;
    bool m_lostLogged = false;
    int m_droppedUnreported = 0;
    QString m_dropReason;
};
