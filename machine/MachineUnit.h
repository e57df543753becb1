#pragma once
// The machine object: owns the link (mailbox and communication thread), speaks the
// machine's protocol, keeps the zones of the connected machine type and the table of
// its values, drives the poll cycle from two timers on the main thread, and queues the
// operator's changes until they are sent.
//
// It never touches a window. What the windows must show of a type switch, the log and
// trace lines and recorded samples leave it as signals, in the order they happen; what
// it must know of the main window (the zone being edited, the measurement and its start
// tick) it asks through TMachineHost.

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <array>
#include <optional>
#include <limits>
#include <memory>
#include <vector>

#include "link/ThreadComUnit.h"
#include "machine/ObjZonesUnit.h"
#include "machine/ZoneHistory.h"

class TMessungInfo;

// What the machine object reads of the main window.
class TMachineHost {
public:
    virtual ~TMachineHost() = default;
    virtual int CurrentZone() const = 0;      // the zone whose limits a target temperature obeys
    virtual quint32 MeasureStart() const = 0; // tick count when the running measurement started
    virtual TMessungInfo *Measurement() const = 0;
};

enum TPollState { psStart = 0, psIdentify = 1, psReadSettings = 2, psReadValues = 3, psWrite = 4, psMeasure = 5 };

// The platform's millisecond tick count (monotonic, wraps at 32 bits).
quint32 TickCount();

class TMachine : public QObject {
    Q_OBJECT
public:
    static constexpr int kChannels = 20;
    static constexpr int kFlagCount = 50;
    // A refresh step re-entered through a nested event loop makes the measurement step
    // come back this much later instead of waiting inside the loop that must clear it.
    static constexpr int kMeasureRetryMs = 10;
    // How often the measurement exchange looks for its reply while the window goes on.
    static constexpr int kMeasurePollMs = 2;
    // A reply the program cannot use (an unknown machine, settings of another form) is
    // asked for again after this many quiet refresh ticks, not at every one.
    static constexpr int kRetryTicks = 3;

    // Without a device factory no link thread is started: the mailbox is then driven by
    // whoever holds Com() (the tests' scripted machine).
    explicit TMachine(TThreadCom::DeviceFactory factory = createSerialDevice, QObject *parent = nullptr);
    // Stops both timers, then the link thread, and waits for it before the mailbox goes.
    ~TMachine() override;

    void SetHost(const TMachineHost *host) { m_host = host; }
    // The debug window is on: requests and replies are traced. No trace text is built
    // while it is off.
    void SetTracing(bool on) { m_tracing = on; }
    bool Tracing() const { return m_tracing; }

    // --- protocol ---
    void SendRequest(const QByteArray &text);
    QByteArray TakeReply(const QByteArray &previous = QByteArray());
    static QByteArray ReplyField(const QByteArray &payload, int n);
    static QByteArray SubValue(const QByteArray &field, int n);
    static int Checksum(const QByteArray &text);
    bool LastExchangeOk() const { return m_lastExchangeOk; }

    // --- machine types and zones ---
    void IdentifyMachine(const QString &text);
    void SetMachineType(int type);
    // Names the zones again in the interface language now in force.
    void RetranslateZones();
    int GetMachineType() const { return m_machineType; }
    QString GetMachineName() const { return m_machineName; }
    TZone *GetZone(int position) const;
    int ZoneCount() const { return static_cast<int>(m_zones.size()); }
    QByteArray SettingsRequest() const { return m_settingsRequest; }
    QByteArray ValuesRequest() const { return m_valuesRequest; }
    QByteArray MeasureRequest() const { return m_measureRequest; }
    int SettingsFieldCount() const { return m_settingsFieldCount; }

    qint16 GetTargetTemp(int ch) const { return value(kTargetTemp, ch); }
    qint16 GetActualTemp(int ch) const { return value(kActualTemp, ch); }
    qint16 GetTargetFan(int ch) const { return value(kTargetFan, ch); }
    qint16 GetActualFan(int ch) const { return value(kActualFan, ch); }
    qint16 GetTargetSpeed(int ch) const { return value(kTargetSpeed, ch); }
    qint16 GetActualSpeed(int ch) const { return value(kActualSpeed, ch); }
    qint16 GetHeater(int ch) const { return value(kHeater, ch); }
    qint16 GetActualHeater(int ch) const { return value(kActualHeater, ch); }
    qint16 GetAutoHeater(int ch) const { return value(kAutoHeater, ch); }
    // The heater setting of the channel is what the machine reported on this
    // connection, or what the operator set since: never the table's initial 0.
    bool HeaterKnown(int ch) const { return ch >= 1 && ch <= kChannels && m_heaterKnown[size_t(ch)]; }
    // The targets (settings reply) and the heater of channel 1 have been read on this
    // connection: what the table holds is the machine's, fit to be stored in a profile.
    bool ValuesKnown() const { return m_settingsRead && HeaterKnown(1); }

    // --- poll cycle ---
    bool Poll();
    void RefreshTick();
    void MeasureTick();
    void SetMeasuring(bool on);
    void SetMeasureInterval(int ms);
    bool Measuring() const { return m_measuringOn; }
    int MeasureInterval() const { return m_measureTimer.interval(); }
    bool IsConnected() const;
    // The link is down, or was lost and found again since the poll cycle last looked:
    // either way the machine now on the line is not the one the cycle identified.
    bool LinkLost() const;
    void DecodeStatus(quint8 b);
    bool GetStatusFlag(int index) const;
    bool IsReady() const { return m_readyFlag; }
    void DecodeOptionFlags(quint8 b);
    bool GetOptionFlag(int index) const;
    qint16 GetOperationTime() const { return m_operationTime; }
    TPollState PollState() const { return m_pollState; }
    bool RequestInFlight() const { return m_requestInFlight; }
    bool RefreshBusy() const { return m_refreshBusy; }
    bool MeasureExchangeRunning() const { return m_measureExchange.isActive(); }
    int RefreshInterval() const { return m_refreshInterval; }
    const QTimer &RefreshTimer() const { return m_refreshTimer; }
    const QTimer &MeasureTimer() const { return m_measureTimer; }

    // --- queued settings ---
    void SetTargetTemp(int ch, qint16 v);
    void SetTargetFan(int ch, qint16 v);
    void SetTargetSpeed(int ch, qint16 v);
    void SetHeater(int ch, qint16 v);
    void SetAutoHeater(int ch, qint16 v);
    bool HasPendingValues() const { return !m_pendingCommand.isEmpty(); }
    void SendPendingValues() { m_sendRequested = true; }
    QByteArray PendingCommand() const { return m_pendingCommand; }
    // The value last queued for a letter of the write command ('T', 'F', 'V', 'H', 'M')
    // and channel, while it waits to be sent; nothing when none waits.
    std::optional<qint16> QueuedValue(char letter, int ch) const;
    // How many values wait to be sent (a channel set twice counts once).
    int QueuedCount() const;
    bool SendRequested() const { return m_sendRequested; }

    // --- the link, for the status display ---
    int PortNumber() const;
    QString DeviceName(int port) const;
    // For the connection display's tool tip: the device in use while connected, else one
    // line per port that is there but cannot be used ("/dev/ttyUSB0: permission
    // denied"); empty when there is nothing to tell.
    QString PortStatusText() const;
    // The operator chose another serial port: the link reads the port names again.
    void ReloadPortNames();
    // Why a port cannot be used, in a few words.
    static QString PortProblemText(const PortEvent &problem);

    // Every values reply of the shift: each zone's actual and target temperature, fans
    // and speed, with the not-in-order and error states. A connection or a type change
    // starts a new segment.
    const vard::ZoneHistory &History() const { return m_history; }
    vard::ZoneHistory &History() { return m_history; } // a test may fill hours of it at once
    // The zones with a temperature in a segment, in series order: zone k has its actual
    // temperature in series 2k and its target in 2k + 1.
    QStringList HistoryZones(int segmentId) const;

    // The conditions the operator must not miss, in words, while they last: hood open /
    // emergency off, each zone with its error flag ("Preheat 2: error"), and an error
    // bit that no zone of the type has ("Machine error 6"). Empty while not connected.
    QStringList AlarmTexts() const;

    // An event of the operator's worth a line in the machine log (a profile loaded, a
    // measurement started); the line goes out like the machine's own.
    void NoteEvent(const QString &text) { emit logLineAdded(text); }
    // The values a write command sets, in words: "Preheat 1 target 200 °C, fan 70 %".
    QString DescribeCommand(const QByteArray &command) const;
    TCom &Com() { return *m_com; }

signals:
    // A type switch, step by step: the old type's labels, selector items and
    // operation-time controls are gone...
    void typeSwitchStarted();
    // ...the new type's selector items (the first one selected)...
    void zoneSelectorFilled(const QStringList &names);
    // ...whether the operation time is shown...
    void operationTimeVisibilityChanged(bool visible);
    // ...the picture to show (relative to the program's folder)...
    void pictureChosen(const QString &relativePath);
    // ...and the labels of the graphic view the type uses.
    void labelsShown(const QStringList &labelNames);
    // A line for the machine log (time stamp added there).
    void logLineAdded(const QString &text);
    // A line for the debug trace; only emitted while tracing.
    void traceLineAdded(const QString &text);
    // The measurement accepted a sample; its row index.
    void sampleRecorded(qsizetype row);
    // The zones' names in the interface language now in force, in zone order.
    void zonesRenamed(const QStringList &names);
    // The machine on the line changed: a type identified (1..4), or 0 when the link to it
    // was lost. Emitted after the zones are set up and the log line is out.
    void machineTypeChanged(int type);
    // A values reply with the state bytes was taken in: readings, ready, state and error
    // flags are those of this moment.
    void valuesRead();
    // The machine confirmed a write command: the values in it are in force.
    void commandAccepted(const QByteArray &command);
    // The operator loaded a stored profile into the queued values (they go out with the
    // next send).
    void profileLoaded(const QString &name);

private:
    // The link's port attempts: each into the trace, each new problem into the log.
    void takePortEvents();
    enum Block { kTargetTemp, kActualTemp, kTargetFan, kActualFan, kTargetSpeed, kActualSpeed, kHeater,
                 kActualHeater, kAutoHeater, kBlockCount };

    qint16 value(Block b, int ch) const
    {
        return ch >= 1 && ch <= kChannels ? m_values[b][static_cast<size_t>(ch)] : 0;
    }
    void store(Block b, int ch, qint16 v)
    {
        if (ch >= 1 && ch <= kChannels)
            m_values[b][static_cast<size_t>(ch)] = v;
    }

    struct ZoneRow;
    void SetupZones4QTR();
    void SetupZones362_0x();
    void SetupZones362_10();
    void SetupDefault();
    void setupType(const QByteArray &settings, const QByteArray &values, const QByteArray &measure, int fieldCount,
                   const QString &family, const std::vector<ZoneRow> &rows, bool operationTime,
                   const QString &picture, const QStringList &labels);
    void ReleaseZones();
    static QString zoneName(const char *source);

    void send(const QByteArray &text);
    void dropConnection();
    void adoptConnectionAtStart();
    void notUnderstood(const QByteArray &payload);
    bool inMeasurableState() const;
    void stepRegular();
    void stepIdentify();
    void stepReadSettings();
    void stepReadValues();
    void stepWrite();
    bool stepMeasure();
    void continueMeasureExchange();
    void finishMeasureExchange();
    bool acceptChange(bool inRange, int ch);
    void queue(char letter, int ch, int v);
    void trace(const QByteArray &line);

    std::unique_ptr<TCom> m_com;
    std::unique_ptr<TThreadCom> m_thread;
    const TMachineHost *m_host = nullptr;
    bool m_tracing = false;

    bool m_lastExchangeOk = false;
    int m_machineType = 0;
    QString m_machineName;
    std::vector<std::unique_ptr<TZone>> m_zones;
    QByteArray m_settingsRequest, m_valuesRequest, m_measureRequest;
    int m_settingsFieldCount = 0;
    std::array<std::array<qint16, kChannels + 1>, kBlockCount> m_values{};

    QTimer m_refreshTimer;
    int m_refreshInterval = 1000;
    QTimer m_measureTimer;
    QTimer m_measureExchange; // drives a measurement exchange without blocking the window
    bool m_measuringOn = false;
    TPollState m_pollState = psStart;
    TPollState m_interruptedState = psStart;
    // The measurement tick came while the cycle's own exchange was in flight: that one
    // finishes first, then the measurement request goes out at once.
    bool m_measurePending = false;
    // A refresh tick came during a measurement exchange: its step runs right after it.
    bool m_refreshOwed = false;
    quint32 m_connection = 0;   // the link's connection count the cycle belongs to
    int m_retryWait = 0;        // quiet ticks left before an unusable reply is asked again
    bool m_reportedNotUnderstood = false; // logged once per connection
    bool m_requestInFlight = false;
    bool m_refreshBusy = false;
    std::array<bool, kFlagCount + 1> m_statusFlags{};
    bool m_readyFlag = false;
    std::array<bool, kFlagCount + 1> m_errorFlags{};
    qint16 m_operationTime = 0;
    // The state and error flags as the log last told them; none yet after a connection.
    struct StateSeen {
        bool ready = false;
        std::array<bool, kFlagCount + 1> state{};
        std::array<bool, kFlagCount + 1> error{};
    };
    std::optional<StateSeen> m_stateSeen;
    vard::ZoneHistory m_history;
    int m_historySegment = -1; // none for this connection yet
    QHash<int, QStringList> m_historyZones;
    void recordHistory();
    void logStateChanges();
    QString stateSummary(const StateSeen &seen) const;
    // Error bits 2..7 that no zone of the current type has.
    QList<int> errorBitsWithoutZone() const;
    // Per heater channel: the setting came from the machine's values reply on this
    // connection, or from the operator since. Cleared with every new connection.
    std::array<bool, kChannels + 1> m_heaterKnown{};
    bool m_settingsRead = false; // a complete settings reply on this connection
    void forgetMachineValues();
    QByteArray m_pendingCommand;
    QByteArray m_sentCommand; // the command as last handed to the link
    bool m_sendRequested = false;
};
