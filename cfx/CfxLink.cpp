#include "cfx/CfxLink.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <proton/binary.hpp>
#include <proton/connection.hpp>
#include <proton/connection_options.hpp>
#include <proton/container.hpp>
#include <proton/delivery_mode.hpp>
#include <proton/error_condition.hpp>
#include <proton/message.hpp>
#include <proton/messaging_handler.hpp>
#include <proton/sender.hpp>
#include <proton/sender_options.hpp>
#include <proton/session.hpp>
#include <proton/ssl.hpp>
#include <proton/target.hpp>
#include <proton/target_options.hpp>
#include <proton/tracker.hpp>
#include <proton/transport.hpp>
#include <proton/work_queue.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include <netdb.h>
#include <sys/socket.h>

#include "cfx/CfxSpool.h"

namespace {

QString linkText(const char *text)
{
    return QCoreApplication::translate("TCfxLink", text);
}

QString fromStd(const std::string &s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// The broker's words for a refusal, or the network's.
QString conditionText(const proton::error_condition &e)
{
    if (!e)
        return QString();
    const std::string description = e.description();
    return fromStd(description.empty() ? e.name() : description);
}

// Where the broker is: the host as configured (for TLS and the broker's virtual host)
// and the port, from "amqp://host[:port]" or "amqps://host[:port]".
struct BrokerAddress {
    QString host;
    int port = 5672;
    bool tls = false;
};

BrokerAddress brokerAddress(const TCfxSettings &settings)
{
    const QUrl url(settings.BrokerUrl.trimmed());
    BrokerAddress a;
    a.tls = url.scheme().compare(QLatin1String("amqps"), Qt::CaseInsensitive) == 0;
    a.host = url.host();
    a.port = url.port(a.tls ? 5671 : 5672);
    return a;
}

// The name looked up here, not inside Proton's connect: there it happens on the event
// loop's thread, which a slow or missing name server would then hold for its whole
// time-out (no message taken in, no time-out of our own, no orderly end).
bool resolve(const BrokerAddress &a, std::string *numeric, QString *error)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    const QByteArray host = a.host.toUtf8();
    const int rc = ::getaddrinfo(host.constData(), QByteArray::number(a.port).constData(), &hints, &found);
    if (rc != 0 || !found) {
        *error = linkText(QT_TRANSLATE_NOOP("TCfxLink", "%1: %2")).arg(a.host, QString::fromLocal8Bit(::gai_strerror(rc)));
        return false;
    }
    char text[NI_MAXHOST] = {};
    const int nrc = ::getnameinfo(found->ai_addr, found->ai_addrlen, text, sizeof text, nullptr, 0, NI_NUMERICHOST);
    const bool v6 = found->ai_family == AF_INET6;
    ::freeaddrinfo(found);
    if (nrc != 0) {
        *error = linkText(QT_TRANSLATE_NOOP("TCfxLink", "%1: %2")).arg(a.host, QString::fromLocal8Bit(::gai_strerror(nrc)));
        return false;
    }
    *numeric = (a.tls ? "amqps://" : "amqp://") + (v6 ? "[" + std::string(text) + "]" : std::string(text)) + ":"
               + std::to_string(a.port);
    return true;
}

// Options both the publisher and the connection test use. The password goes out only
// with a user; SASL PLAIN over a plain TCP connection must be allowed explicitly, and a
// broker on the loopback or inside the plant's network is the usual case.
proton::connection_options connectionOptions(const TCfxSettings &settings, const BrokerAddress &a)
{
    proton::connection_options opts;
    // The configured name, not the address it was looked up to: the broker's virtual
    // host and the TLS certificate's name are checked against it.
    opts.virtual_host(a.host.toStdString());
    if (!settings.User.isEmpty()) {
        opts.user(settings.User.toStdString());
        opts.password(settings.Password.toStdString());
        opts.sasl_allow_insecure_mechs(true);
        // A broker that also offers ANONYMOUS would otherwise let a wrong password in
        // as nobody, and the operator would never learn that the login is wrong.
        opts.sasl_allowed_mechs("PLAIN");
    }
    // A broker that vanishes without closing the socket (a cable pulled) is noticed
    // within a few of these periods instead of only when the operating system gives up.
    opts.idle_timeout(proton::duration(10000));
    if (a.tls)
        opts.ssl_client_options(proton::ssl_client_options());
    return opts;
}

// A queue the broker makes for the target ("/queue/NAME" on RabbitMQ) is durable, so
// that messages survive the broker's restart; asking for a non-durable one where a
// durable one exists is refused, and subscribers ask for durable ones.
proton::sender_options senderOptions(const TCfxSettings &settings)
{
    proton::sender_options so;
    so.delivery_mode(proton::delivery_mode::AT_LEAST_ONCE);
    so.target(proton::target_options()
                  .address(settings.Target.toStdString())
                  .durability_mode(proton::terminus::UNSETTLED_STATE)
                  .expiry_policy(proton::terminus::NEVER));
    return so;
}

// Delivery tags: the spool id, or with the top bit set a message that is not in the
// spool (a heartbeat).
constexpr quint64 kTransientTag = quint64(1) << 63;

proton::binary tagOf(quint64 id)
{
    proton::binary tag(8, 0);
    for (int i = 0; i < 8; ++i)
        tag[size_t(i)] = uint8_t(id >> (8 * i));
    return tag;
}

quint64 idOf(const proton::binary &tag)
{
    quint64 id = 0;
    for (size_t i = 0; i < std::min<size_t>(8, tag.size()); ++i)
        id |= quint64(tag[i]) << (8 * i);
    return id;
}

// A stopped container still waits out every task scheduled on it before run() returns,
// so a long timer would hold up the program's end by that long. Waits are therefore made
// of short steps, each of which gives up once `cancelled` says so.
constexpr int kStepMs = 100;
void after(proton::container &c, int ms, std::function<bool()> cancelled, std::function<void()> fn)
{
    const int step = std::clamp(ms, 0, kStepMs);
    c.schedule(proton::duration(step), [&c, rest = ms - step, cancelled, fn] {
        if (cancelled())
            return;
        if (rest <= 0)
            fn();
        else
            after(c, rest, cancelled, fn);
    });
}

constexpr int kFirstRetryMs = 1000;
constexpr int kLongestRetryMs = 30000;

} // namespace

// Everything below runs on the link's own thread, inside Proton's event loop, except
// post(), the name look-ups and the constructor and destructor. The spool is touched
// only on the link's thread, and by the destructor once that thread has ended.
struct TCfxLink::Worker : proton::messaging_handler {
    Worker(TCfxLink *owner, const TCfxSettings &settings, const QString &spoolFolder)
        : owner(owner), settings(settings), address(brokerAddress(settings)),
          spool(spoolFolder, qint64(settings.SpoolLimitKB) * 1024),
          container(*this, ("vard-" + settings.EffectiveHandle()).toStdString())
    {
        container.auto_stop(false);
    }

    TCfxLink *owner;
    const TCfxSettings settings;
    const BrokerAddress address;
    TCfxSpool spool;
    bool spoolOpened = false;
    proton::container container;
    std::thread thread;
    std::atomic<bool> loopEnded{false};

    // Filled by post() on any thread, emptied on the link's thread.
    struct Incoming {
        QByteArray json;
        bool transient;
    };
    std::mutex inboxLock;
    std::vector<Incoming> inbox;
    std::atomic<bool> drainScheduled{false};
    std::atomic<bool> running{true};
    // Progress for the main thread, read there when the call for it comes.
    std::atomic<quint64> acceptedTotal{0};
    std::atomic<qsizetype> waitingNow{0};
    std::atomic<bool> progressPending{false};

    // A name look-up runs on a thread of its own and may outlast the link; it reaches
    // the container only while this says it may.
    struct LookupGate {
        std::mutex lock;
        bool closed = false;
    };
    std::shared_ptr<LookupGate> gate = std::make_shared<LookupGate>();
    int attempt = 0;

    // Link thread only.
    proton::connection connection;
    proton::sender sender;
    bool connected = false;
    bool lossHandled = true; // the current connection's end has been dealt with
    bool proven = false;     // the broker accepted a message on the current connection
    bool stopping = false;
    quint64 lastSent = 0; // the newest spool entry handed to the broker on this connection
    quint64 transientSeq = 0;
    std::deque<QByteArray> transientOut; // heartbeats for this connection only
    int retryMs = kFirstRetryMs;
    bool spoolProblemReported = false;

    // --- handed to the main thread ------------------------------------------------
    template <typename F> void toOwner(F &&f)
    {
        QMetaObject::invokeMethod(owner, std::forward<F>(f), Qt::QueuedConnection);
    }
    void state(State s, const QString &detail)
    {
        toOwner([o = owner, s, detail] { o->noteState(s, detail); });
    }

    // --- from other threads ---------------------------------------------------------
    void post(const QByteArray &json, bool transient)
    {
        {
            std::lock_guard<std::mutex> lock(inboxLock);
            inbox.push_back({json, transient});
        }
        // One wake-up for a burst: the drain takes everything that came meanwhile.
        if (!drainScheduled.exchange(true) && running)
            container.schedule(proton::duration::IMMEDIATE, [this] { drain(); });
    }

    // --- link thread ----------------------------------------------------------------
    void openSpool()
    {
        if (spoolOpened)
            return;
        spoolOpened = true;
        QString error;
        if (!spool.Open(&error))
            toOwner([o = owner, error] { emit o->spoolProblem(error); });
    }

    void on_container_start(proton::container &) override
    {
        openSpool();
        notifyProgress();
        // Not from here: a stop that comes while this handler runs would drop every
        // task scheduled meanwhile.
        container.schedule(proton::duration::IMMEDIATE, [this] { connect(); });
    }

    void connect()
    {
        if (stopping)
            return;
        state(Connecting, QString());
        const int mine = ++attempt;
        std::thread([gate = gate, w = this, a = address, mine] {
            std::string numeric;
            QString error;
            const bool ok = resolve(a, &numeric, &error);
            std::lock_guard<std::mutex> lock(gate->lock);
            if (gate->closed)
                return;
            w->container.schedule(proton::duration::IMMEDIATE, [w, ok, numeric, error, mine] {
                if (mine != w->attempt || w->stopping)
                    return;
                if (ok)
                    w->connectTo(numeric);
                else
                    w->failed(error);
            });
        }).detach();
    }

    void connectTo(const std::string &numeric)
    {
        lossHandled = false;
        proven = false;
        try {
            connection = container.connect(numeric, connectionOptions(settings, address));
        } catch (const std::exception &e) {
            connection = proton::connection();
            failed(QString::fromLocal8Bit(e.what()));
        }
    }

    bool isCurrent(const proton::connection &c) const { return connection && c == connection; }

    void on_connection_open(proton::connection &c) override
    {
        if (!isCurrent(c)) {
            c.close();
            return;
        }
        sender = c.open_sender(settings.Target.toStdString(), senderOptions(settings));
    }

    void on_sender_open(proton::sender &s) override
    {
        if (!isCurrent(s.connection()))
            return;
        // A broker that cannot take the address may still answer the attach, with no
        // target, and refuse it right after.
        if (s.target().address().empty())
            return;
        connected = true;
        // Whatever was in flight on an earlier connection was not accepted: it goes again,
        // from the oldest on. A message the broker took just before the line broke may
        // thus arrive twice; its UniqueID tells a subscriber.
        lastSent = 0;
        state(Connected, settings.BrokerUrl.trimmed());
        pump();
    }

    void on_sendable(proton::sender &s) override
    {
        if (isCurrent(s.connection()))
            pump();
    }

    void drain()
    {
        drainScheduled = false;
        std::vector<Incoming> taken;
        {
            std::lock_guard<std::mutex> lock(inboxLock);
            taken.swap(inbox);
        }
        int droppedNow = 0;
        for (Incoming &in : taken) {
            if (in.transient) {
                // Told late it would claim a liveness that was not there.
                if (connected)
                    transientOut.push_back(std::move(in.json));
                continue;
            }
            const TCfxSpool::AppendResult r = spool.Append(in.json);
            droppedNow += r.dropped;
            if (!r.stored && !spoolProblemReported) {
                spoolProblemReported = true;
                toOwner([o = owner, e = r.error] { emit o->spoolProblem(e); });
            } else if (r.stored) {
                spoolProblemReported = false;
            }
        }
        if (droppedNow > 0) {
            toOwner([o = owner, droppedNow] {
                o->m_dropped += quint64(droppedNow);
                emit o->dropped(droppedNow, linkText(QT_TRANSLATE_NOOP("TCfxLink", "the spool is full")));
            });
        }
        notifyProgress();
        pump();
    }

    // The first spool position newer than `id` (ids ascend from head to tail).
    qsizetype firstAfter(quint64 id) const
    {
        qsizetype lo = 0, hi = spool.Count();
        while (lo < hi) {
            const qsizetype mid = (lo + hi) / 2;
            if (spool.IdAt(mid) <= id)
                lo = mid + 1;
            else
                hi = mid;
        }
        return lo;
    }

    proton::message messageOf(const QByteArray &payload, bool durable)
    {
        proton::message m;
        m.body(proton::binary(payload.begin(), payload.end()));
        m.content_type("application/json; charset=\"utf-8\"");
        // Kept by the broker across its own restart.
        m.durable(durable);
        return m;
    }

    void pump()
    {
        if (!connected || !sender || stopping)
            return;
        while (!transientOut.empty() && sender.credit() > 0) {
            sender.send(messageOf(transientOut.front(), false), tagOf(kTransientTag | ++transientSeq));
            transientOut.pop_front();
        }
        for (qsizetype i = firstAfter(lastSent); i < spool.Count() && sender.credit() > 0; ++i) {
            const quint64 id = spool.IdAt(i);
            sender.send(messageOf(spool.PayloadAt(i), true), tagOf(id));
            lastSent = id;
        }
    }

    // The counts reach the main thread as one call for a burst, however many: thousands
    // of calls queued at once would keep its timers waiting.
    void notifyProgress()
    {
        waitingNow.store(spool.Count(), std::memory_order_relaxed);
        if (progressPending.exchange(true))
            return;
        toOwner([this] {
            progressPending = false;
            const quint64 total = acceptedTotal.load(std::memory_order_relaxed);
            const qsizetype waiting = waitingNow.load(std::memory_order_relaxed);
            if (total == owner->m_accepted && waiting == owner->m_waiting)
                return;
            owner->m_accepted = total;
            owner->m_waiting = waiting;
            emit owner->accepted(total, waiting);
        });
    }

    void on_tracker_accept(proton::tracker &t) override
    {
        const quint64 id = idOf(t.tag());
        if (!(id & kTransientTag))
            spool.Remove(id);
        acceptedTotal.fetch_add(1, std::memory_order_relaxed);
        // The back-off starts again only for a connection that has proved itself: one
        // that opens and then fails at once must not be tried again every second.
        if (isCurrent(t.connection()) && !proven) {
            proven = true;
            retryMs = kFirstRetryMs;
        }
        notifyProgress();
    }

    void on_tracker_reject(proton::tracker &t) override
    {
        // Sent again it would be refused again and block everything behind it.
        const quint64 id = idOf(t.tag());
        if (!(id & kTransientTag))
            spool.Remove(id);
        notifyProgress();
        toOwner([o = owner] {
            ++o->m_dropped;
            emit o->dropped(1, linkText(QT_TRANSLATE_NOOP("TCfxLink", "the broker refused it")));
        });
    }

    void on_tracker_release(proton::tracker &t) override
    {
        // Released or modified: the broker did not take it, but might later. The
        // connection starts afresh and everything from the oldest unaccepted message on
        // goes again, this one included.
        if (!isCurrent(t.connection()) || stopping)
            return;
        connected = false;
        connection.close(proton::error_condition("vard:released", "a message was not taken"));
    }

    // Something went wrong with the current connection: one Lost, one retry.
    void failed(const QString &why)
    {
        lossHandled = true;
        connected = false;
        sender = proton::sender();
        transientOut.clear();
        if (stopping)
            return;
        state(Lost, why.isEmpty() ? linkText(QT_TRANSLATE_NOOP("TCfxLink", "connection closed")) : why);
        const int wait = retryMs;
        retryMs = std::min(retryMs * 2, kLongestRetryMs);
        after(container, wait, [this] { return stopping; }, [this] { connect(); });
    }

    void ended(proton::connection c, const QString &why)
    {
        if (!isCurrent(c)) {
            // Left over from an earlier attempt: gone for good.
            if (c && c.active())
                c.close();
            return;
        }
        if (c.active())
            c.close();
        if (!lossHandled)
            failed(why);
    }

    void on_transport_error(proton::transport &t) override { ended(t.connection(), conditionText(t.error())); }
    // Also a connection that ends without a word, before or after the sender opened.
    void on_transport_close(proton::transport &t) override { ended(t.connection(), QString()); }
    void on_connection_error(proton::connection &c) override { ended(c, conditionText(c.error())); }
    // RabbitMQ refuses an address by ending the session, not the link.
    void on_session_error(proton::session &s) override { ended(s.connection(), conditionText(s.error())); }
    void on_sender_error(proton::sender &s) override { ended(s.connection(), conditionText(s.error())); }
    void on_error(const proton::error_condition &e) override { ended(connection, conditionText(e)); }

    // The last work on the link's thread: what came in is on disk, then the loop ends.
    void shutdown(std::mutex *doneLock, std::condition_variable *doneCv, bool *done)
    {
        drain();
        stopping = true;
        if (connection && connection.active())
            connection.close();
        container.stop();
        std::lock_guard<std::mutex> lock(*doneLock);
        *done = true;
        doneCv->notify_all();
    }
};

TCfxLink::TCfxLink(const TCfxSettings &settings, const QString &spoolFolder, QObject *parent)
    : QObject(parent), m_worker(std::make_unique<Worker>(this, settings, spoolFolder))
{
    Worker *w = m_worker.get();
    w->thread = std::thread([w] {
        try {
            w->container.run();
        } catch (const std::exception &e) {
            w->state(Lost, QString::fromLocal8Bit(e.what()));
        }
        w->loopEnded = true;
    });
}

TCfxLink::~TCfxLink()
{
    Worker *w = m_worker.get();
    {
        // A name look-up still under way finds the gate closed and leaves the container alone.
        std::lock_guard<std::mutex> lock(w->gate->lock);
        w->gate->closed = true;
    }
    std::mutex doneLock;
    std::condition_variable doneCv;
    bool done = w->loopEnded;
    if (!done) {
        w->container.schedule(proton::duration::IMMEDIATE, [w, &doneLock, &doneCv, &done] {
            w->shutdown(&doneLock, &doneCv, &done);
        });
        // The event loop answers at once unless it is stuck; then it is stopped as it is.
        std::unique_lock<std::mutex> lock(doneLock);
        doneCv.wait_for(lock, std::chrono::seconds(2), [&] { return done; });
    }
    w->running = false;
    w->container.stop();
    if (w->thread.joinable())
        w->thread.join();
    // The loop has ended: whatever it did not take in goes to the disk from here, so that
    // the next run sends it.
    w->openSpool();
    std::vector<Worker::Incoming> left;
    {
        std::lock_guard<std::mutex> lock(w->inboxLock);
        left.swap(w->inbox);
    }
    for (const Worker::Incoming &in : left)
        if (!in.transient)
            w->spool.Append(in.json);
}

void TCfxLink::Post(const QByteArray &json, bool transient)
{
    m_worker->post(json, transient);
}

void TCfxLink::noteState(State state, const QString &detail)
{
    if (state == m_state && detail == m_stateText)
        return;
    m_state = state;
    m_stateText = detail;
    emit stateChanged(state, detail);
}

namespace vard::cfx {

namespace {

// One connection attempt: open a sender on the target, then close again.
struct Probe : proton::messaging_handler {
    using Done = std::function<void(bool, const QString &)>;
    Probe(const TCfxSettings &s, std::string numeric, int timeoutMs, Done report)
        : settings(s), numeric(std::move(numeric)), timeoutMs(timeoutMs), report(std::move(report))
    {
    }
    TCfxSettings settings;
    std::string numeric;
    int timeoutMs;
    Done report;
    bool finished = false;

    // The answer goes out at once; the loop then winds down on its own time.
    void finish(proton::container &c, bool success, const QString &text)
    {
        if (finished)
            return;
        finished = true;
        report(success, text.isEmpty() ? linkText(QT_TRANSLATE_NOOP("TCfxLink", "The broker closed the connection.")) : text);
        c.stop();
    }
    void on_container_start(proton::container &c) override
    {
        after(c, timeoutMs, [this] { return finished; }, [this, &c] {
            finish(c, false, linkText(QT_TRANSLATE_NOOP("TCfxLink", "No answer from the broker within %1 s.")).arg((timeoutMs + 999) / 1000));
        });
        try {
            c.connect(numeric, connectionOptions(settings, brokerAddress(settings)));
        } catch (const std::exception &e) {
            finish(c, false, QString::fromLocal8Bit(e.what()));
        }
    }
    void on_connection_open(proton::connection &conn) override
    {
        conn.open_sender(settings.Target.toStdString(), senderOptions(settings));
    }
    void on_sender_open(proton::sender &s) override
    {
        if (s.target().address().empty())
            return; // the refusal follows
        finish(s.container(), true,
               linkText(QT_TRANSLATE_NOOP("TCfxLink", "Connected: %1 accepts messages for %2.")).arg(settings.BrokerUrl.trimmed(), settings.Target));
    }
    void on_transport_error(proton::transport &t) override
    {
        finish(t.connection().container(), false, conditionText(t.error()));
    }
    void on_transport_close(proton::transport &t) override { finish(t.connection().container(), false, QString()); }
    void on_connection_error(proton::connection &c) override { finish(c.container(), false, conditionText(c.error())); }
    void on_session_error(proton::session &s) override { finish(s.container(), false, conditionText(s.error())); }
    void on_sender_error(proton::sender &s) override { finish(s.container(), false, conditionText(s.error())); }
};

// Probes still under way; the program's end waits a moment for them, not for a name
// server that does not answer.
std::atomic<int> g_probesRunning{0};
bool g_waitRegistered = false;

void waitForProbes()
{
    for (int i = 0; i < 120 && g_probesRunning.load() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

} // namespace

void TestConnection(const TCfxSettings &settings, QObject *context,
                    std::function<void(bool ok, const QString &message)> done, int timeoutMs)
{
    const QString problem = settings.Problem();
    if (!settings.Enabled() || !problem.isEmpty()) {
        const QString text = problem.isEmpty() ? linkText(QT_TRANSLATE_NOOP("TCfxLink", "No broker URL is set.")) : problem;
        QMetaObject::invokeMethod(
            context, [done, text] { done(false, text); }, Qt::QueuedConnection);
        return;
    }
    // One answer, whichever comes first: the probe's, or the time-out's on the main
    // thread, which holds even while a name look-up keeps the probe waiting. The guard,
    // read on the main thread, keeps a closed dialog from being called.
    auto answered = std::make_shared<std::atomic<bool>>(false);
    QPointer<QObject> guard(context);
    const auto deliver = [guard, done, answered](bool ok, const QString &message) {
        if (answered->exchange(true))
            return;
        if (guard)
            done(ok, message);
    };
    QTimer::singleShot(timeoutMs + 500, context, [deliver, timeoutMs] {
        deliver(false, linkText(QT_TRANSLATE_NOOP("TCfxLink", "No answer from the broker within %1 s.")).arg((timeoutMs + 999) / 1000));
    });
    if (!g_waitRegistered) {
        g_waitRegistered = true;
        qAddPostRoutine(waitForProbes);
    }
    ++g_probesRunning;
    std::thread([settings, timeoutMs, deliver, answered] {
        const auto report = [deliver](bool ok, const QString &message) {
            if (QCoreApplication *app = QCoreApplication::instance())
                QMetaObject::invokeMethod(app, [deliver, ok, message] { deliver(ok, message); }, Qt::QueuedConnection);
        };
        std::string numeric;
        QString error;
        if (!resolve(brokerAddress(settings), &numeric, &error)) {
            report(false, error);
        } else if (!answered->load()) {
            Probe handler(settings, numeric, timeoutMs, report);
            try {
                proton::container c(handler);
                c.run();
            } catch (const std::exception &e) {
                if (!handler.finished) {
                    handler.finished = true;
                    report(false, QString::fromLocal8Bit(e.what()));
                }
            }
            if (!handler.finished)
                report(false, linkText(QT_TRANSLATE_NOOP("TCfxLink", "The broker closed the connection.")));
        }
        --g_probesRunning;
    }).detach();
}

} // namespace vard::cfx
