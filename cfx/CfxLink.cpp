#include "cfx/CfxLink.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
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
#include <proton/ssl.hpp>
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

#include "cfx/CfxSpool.h"

namespace {

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

// Options both the publisher and the connection test use. The password goes out only
// with a user; SASL PLAIN over a plain TCP connection must be allowed explicitly, and a
// broker on the loopback or inside the plant's network is the usual case.
proton::connection_options connectionOptions(const TCfxSettings &settings)
{
    proton::connection_options opts;
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
    if (QUrl(settings.BrokerUrl.trimmed()).scheme().compare(QLatin1String("amqps"), Qt::CaseInsensitive) == 0)
        opts.ssl_client_options(proton::ssl_client_options());
    return opts;
}

// Proton's URL parser takes "amqp://host:port" and "amqps://…"; user and password
// travel in the options rather than in the URL, so a password with '@' or ':' works.
std::string brokerAddress(const TCfxSettings &settings)
{
    QUrl url(settings.BrokerUrl.trimmed());
    url.setUserInfo(QString());
    url.setPath(QString());
    return url.toString(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment).toStdString();
}

// A queue the broker makes for the target ("/queue/NAME" on RabbitMQ) is durable, so
// that messages survive the broker's restart; asking for a non-durable one where a
// durable one exists is refused, and subscribers ask for durable ones.
proton::target_options targetOptions(const TCfxSettings &settings)
{
    return proton::target_options()
        .address(settings.Target.toStdString())
        .durability_mode(proton::terminus::UNSETTLED_STATE)
        .expiry_policy(proton::terminus::NEVER);
}

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
// Post() and the constructor and destructor. The spool is touched only here.
struct TCfxLink::Worker : proton::messaging_handler {
    Worker(TCfxLink *owner, const TCfxSettings &settings, const QString &spoolFolder)
        : owner(owner), settings(settings), spool(spoolFolder, qint64(settings.SpoolLimitKB) * 1024),
          container(*this, ("vard-" + settings.EffectiveHandle()).toStdString())
    {
        container.auto_stop(false);
    }

    TCfxLink *owner;
    const TCfxSettings settings;
    TCfxSpool spool;
    proton::container container;
    std::thread thread;

    // Filled by Post() on any thread, emptied on the link's thread.
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

    // Link thread only.
    proton::connection connection;
    proton::sender sender;
    bool connected = false;
    bool stopping = false;
    quint64 lastSent = 0; // the newest spool entry handed to the broker on this connection
    int retryMs = kFirstRetryMs;
    bool retryScheduled = false;
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
    void on_container_start(proton::container &) override
    {
        QString error;
        if (!spool.Open(&error))
            toOwner([o = owner, error] { emit o->spoolProblem(error); });
        notifyProgress();
        connect();
    }

    void connect()
    {
        retryScheduled = false;
        if (stopping)
            return;
        state(Connecting, QString());
        connection = container.connect(brokerAddress(settings), connectionOptions(settings));
    }

    void on_connection_open(proton::connection &c) override
    {
        proton::sender_options so;
        so.delivery_mode(proton::delivery_mode::AT_LEAST_ONCE);
        so.target(targetOptions(settings));
        sender = c.open_sender(settings.Target.toStdString(), so);
    }

    void on_sender_open(proton::sender &) override
    {
        connected = true;
        retryMs = kFirstRetryMs;
        // Whatever was in flight on an earlier connection was not accepted: it goes again,
        // from the oldest on. A message the broker took just before the line broke may
        // thus arrive twice; its UniqueID tells a subscriber.
        lastSent = 0;
        state(Connected, settings.BrokerUrl.trimmed());
        pump();
    }

    void on_sendable(proton::sender &) override { pump(); }

    void drain()
    {
        drainScheduled = false;
        std::vector<Incoming> taken;
        {
            std::lock_guard<std::mutex> lock(inboxLock);
            taken.swap(inbox);
        }
        int droppedNow = 0;
        for (const Incoming &in : taken) {
            if (in.transient && !connected)
                continue;
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
                emit o->dropped(droppedNow, QCoreApplication::translate("TCfxLink", "the spool is full"));
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

    void pump()
    {
        if (!connected || !sender || stopping)
            return;
        for (qsizetype i = firstAfter(lastSent); i < spool.Count() && sender.credit() > 0; ++i) {
            const QByteArray &payload = spool.PayloadAt(i);
            proton::message m;
            m.body(proton::binary(payload.begin(), payload.end()));
            m.content_type("application/json; charset=\"utf-8\"");
            // Kept by the broker across its own restart.
            m.durable(true);
            const quint64 id = spool.IdAt(i);
            sender.send(m, tagOf(id));
            lastSent = id;
        }
    }

    void on_tracker_accept(proton::tracker &t) override
    {
        spool.Remove(idOf(t.tag()));
        acceptedTotal.fetch_add(1, std::memory_order_relaxed);
        notifyProgress();
    }

    // The counts reach the main thread as one call for a burst of acceptances, however
    // many: thousands of calls queued at once would keep its timers waiting.
    void notifyProgress()
    {
        waitingNow.store(spool.Count(), std::memory_order_relaxed);
        if (progressPending.exchange(true))
            return;
        toOwner([this] {
            progressPending = false;
            const quint64 total = acceptedTotal.load(std::memory_order_relaxed);
            const qsizetype waiting = waitingNow.load(std::memory_order_relaxed);
            const bool more = total != owner->m_accepted;
            owner->m_accepted = total;
            owner->m_waiting = waiting;
            if (more)
                emit owner->accepted(total, waiting);
        });
    }

    void on_tracker_reject(proton::tracker &t) override
    {
        // Sent again it would be refused again and block everything behind it.
        spool.Remove(idOf(t.tag()));
        notifyProgress();
        toOwner([o = owner] {
            ++o->m_dropped;
            emit o->dropped(1, QCoreApplication::translate("TCfxLink", "the broker refused it"));
        });
    }

    void on_tracker_release(proton::tracker &) override
    {
        // Released or modified: the broker did not take it, but might later. Start the
        // connection afresh so it goes again in its place, ahead of the newer ones.
        if (connection && !stopping)
            connection.close(proton::error_condition("vard:released", "a message was not taken"));
    }

    void lost(const QString &why)
    {
        connected = false;
        sender = proton::sender();
        if (stopping)
            return;
        state(Lost, why.isEmpty() ? QCoreApplication::translate("TCfxLink", "connection closed") : why);
        if (!retryScheduled) {
            retryScheduled = true;
            const int wait = retryMs;
            retryMs = std::min(retryMs * 2, kLongestRetryMs);
            after(container, wait, [this] { return stopping; }, [this] { connect(); });
        }
    }

    void on_transport_error(proton::transport &t) override { lost(conditionText(t.error())); }
    void on_connection_error(proton::connection &c) override
    {
        const QString why = conditionText(c.error());
        c.close();
        lost(why);
    }
    void on_sender_error(proton::sender &s) override
    {
        const QString why = conditionText(s.error());
        s.connection().close();
        lost(why);
    }
    // Also a connection that ends without a word, before or after the sender opened.
    void on_transport_close(proton::transport &) override { lost(QString()); }
    void on_error(const proton::error_condition &e) override { lost(conditionText(e)); }

    // The last work on the link's thread: what came in is on disk, then the loop ends.
    void shutdown(std::mutex *doneLock, std::condition_variable *doneCv, bool *done)
    {
        drain();
        stopping = true;
        if (connection)
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
    });
}

TCfxLink::~TCfxLink()
{
    Worker *w = m_worker.get();
    std::mutex doneLock;
    std::condition_variable doneCv;
    bool done = false;
    try {
        w->container.schedule(proton::duration::IMMEDIATE, [w, &doneLock, &doneCv, &done] {
            w->shutdown(&doneLock, &doneCv, &done);
        });
    } catch (const std::exception &) {
        done = true; // the loop has ended already
    }
    {
        // The event loop answers at once unless it is stuck; then it is stopped as it is,
        // and what is still in the inbox is lost with this run.
        std::unique_lock<std::mutex> lock(doneLock);
        doneCv.wait_for(lock, std::chrono::seconds(2), [&] { return done; });
    }
    w->running = false;
    w->container.stop();
    if (w->thread.joinable())
        w->thread.join();
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
    Probe(const TCfxSettings &s, int timeoutMs, Done report)
        : settings(s), timeoutMs(timeoutMs), report(std::move(report))
    {
    }
    TCfxSettings settings;
    int timeoutMs;
    Done report;
    bool finished = false;

    // The answer goes out at once; the loop then winds down on its own time.
    void finish(proton::container &c, bool success, const QString &text)
    {
        if (finished)
            return;
        finished = true;
        report(success, text.isEmpty() ? QCoreApplication::translate("TCfxLink", "The broker closed the connection.") : text);
        c.stop();
    }
    void on_container_start(proton::container &c) override
    {
        c.connect(brokerAddress(settings), connectionOptions(settings));
        after(c, timeoutMs, [this] { return finished; }, [this, &c] {
            finish(c, false, QCoreApplication::translate("TCfxLink", "No answer from the broker within %1 s.").arg((timeoutMs + 999) / 1000));
        });
    }
    void on_connection_open(proton::connection &conn) override
    {
        proton::sender_options so;
        so.target(targetOptions(settings));
        conn.open_sender(settings.Target.toStdString(), so);
    }
    void on_sender_open(proton::sender &s) override
    {
        finish(s.container(), true,
               QCoreApplication::translate("TCfxLink", "Connected: %1 accepts messages for %2.").arg(settings.BrokerUrl.trimmed(), settings.Target));
    }
    void on_transport_error(proton::transport &t) override
    {
        finish(t.connection().container(), false, conditionText(t.error()));
    }
    void on_connection_error(proton::connection &c) override { finish(c.container(), false, conditionText(c.error())); }
    void on_sender_error(proton::sender &s) override { finish(s.container(), false, conditionText(s.error())); }
};

// The probes still running, joined before the program ends.
std::mutex g_probeLock;
std::vector<std::thread> g_probes;
bool g_joinRegistered = false;

void joinProbes()
{
    std::vector<std::thread> probes;
    {
        std::lock_guard<std::mutex> lock(g_probeLock);
        probes.swap(g_probes);
    }
    for (std::thread &t : probes)
        if (t.joinable())
            t.join();
}

} // namespace

void TestConnection(const TCfxSettings &settings, QObject *context,
                    std::function<void(bool ok, const QString &message)> done, int timeoutMs)
{
    const QString problem = settings.Problem();
    if (!settings.Enabled() || !problem.isEmpty()) {
        const QString text = problem.isEmpty() ? QCoreApplication::translate("TCfxLink", "No broker URL is set.") : problem;
        QMetaObject::invokeMethod(
            context, [done, text] { done(false, text); }, Qt::QueuedConnection);
        return;
    }
    // The answer goes through the application object, which outlives the probe; the
    // guard, read on the main thread, keeps a closed dialog from being called.
    QPointer<QObject> guard(context);
    std::thread probe([settings, timeoutMs, guard, done] {
        const auto report = [guard, done](bool ok, const QString &message) {
            if (QCoreApplication *app = QCoreApplication::instance()) {
                QMetaObject::invokeMethod(
                    app,
                    [guard, done, ok, message] {
                        if (guard)
                            done(ok, message);
                    },
                    Qt::QueuedConnection);
            }
        };
        Probe handler(settings, timeoutMs, report);
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
            report(false, QCoreApplication::translate("TCfxLink", "The broker closed the connection."));
    });
    std::lock_guard<std::mutex> lock(g_probeLock);
    // Joined when the program ends: a running probe holds that up for at most its
    // time-out.
    g_probes.push_back(std::move(probe));
    if (!g_joinRegistered) {
        g_joinRegistered = true;
        qAddPostRoutine(joinProbes);
    }
}

} // namespace vard::cfx
