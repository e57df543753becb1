#!/usr/bin/python3
"""Receives the messages a test's publisher sends to the broker and writes them down.

    cfx_subscriber.py --url URL --address ADDR --out FILE [--count N] [--idle S]
                      [--timeout S] [--user U --password P] [--drain]
                      [--transient-queue]

Every message is accepted and its body (the JSON text) appended to FILE as one line,
flushed at once, so a test can read the file while this runs. The first line on stdout is
"ready" once the receiver is attached (on RabbitMQ a receiver on /queue/NAME declares the
queue, so what is sent after "ready" is kept for us); the last one says how it ended:
"done N count|idle|timeout". Ends with 0 after N messages, after S seconds without one
while attached, or at the overall timeout. A lost connection (the broker stopped or
paused) is tried again every half second until the timeout, so it runs across an outage.
A refusal that retrying cannot cure (wrong login, an address the broker rejects) ends it
with 1 and the broker's reason on stderr.

--drain empties the queue: it takes whatever is there until it has been idle for
--idle seconds (default 2) and ends; --out is then optional.

The queue is declared durable unless --transient-queue; a publisher to the same
/queue/NAME must declare it alike (its target's durability), see SourceDurability.
"""

import argparse
import sys
import time

from proton import Endpoint, Terminus
from proton.handlers import MessagingHandler
from proton.reactor import Container, LinkOption

RETRY_SECONDS = 0.5

# Conditions that come back the same on every attempt.
FATAL = {
    "amqp:unauthorized-access",
    "amqp:precondition-failed",
    "amqp:invalid-field",
    "amqp:not-allowed",
    "amqp:not-implemented",
    "amqp:decode-error",
}


class SourceDurability(LinkOption):
    """RabbitMQ declares the queue behind /queue/NAME as durable when the terminus asks for
    any durability and as transient when it asks for none (proton's default). A durable
    queue keeps its persistent messages while the broker is paused or restarted. Whoever
    declares second, receiver or sender, must ask for the same or is refused
    (precondition-failed, the session ends)."""

    def __init__(self, durable):
        self.durable = durable

    def apply(self, link):
        if self.durable:
            link.source.durability = Terminus.DELIVERIES
            link.source.expiry_policy = Terminus.EXPIRE_NEVER
        else:
            link.source.durability = Terminus.NONDURABLE


def same(a, b):
    # proton hands out a new wrapper per event; the C object underneath is what counts.
    return a is not None and b is not None and a == b


def body_line(body):
    if isinstance(body, memoryview):
        body = body.tobytes()
    if isinstance(body, (bytes, bytearray)):
        text = bytes(body).decode("utf-8", errors="replace")
    elif isinstance(body, str):
        text = body
    elif body is None:
        text = ""
    else:
        text = repr(body)
    # A raw line break in JSON text can only be whitespace between tokens (inside a
    # string it must be escaped), so this keeps one message to one line, meaning intact.
    return text.replace("\r\n", " ").replace("\n", " ").replace("\r", " ")


class Subscriber(MessagingHandler):
    def __init__(self, args):
        super().__init__(prefetch=0, auto_accept=False, auto_settle=True)
        self.args = args
        self.out = open(args.out, "a", encoding="utf-8") if args.out else None
        self.received = 0
        self.connection = None
        self.receiver = None
        self.attached = False
        self.said_ready = False
        self.outage = False
        self.finished = False
        self.reason = ""
        self.exit_code = 0
        self.deadline = time.monotonic() + args.timeout
        self.last_activity = time.monotonic()
        self.container = None

    # -- connecting ---------------------------------------------------------------------

    def on_start(self, event):
        self.container = event.container
        self.connect()
        self.container.schedule(0.2, self)

    def connect(self):
        if self.finished:
            return
        self.attached = False
        kwargs = {"reconnect": False, "heartbeat": 5}
        if self.args.user:
            kwargs["user"] = self.args.user
            kwargs["password"] = self.args.password or ""
            # PLAIN only: offered ANONYMOUS too, proton would take it and never send the password.
            kwargs["allowed_mechs"] = "PLAIN"
            kwargs["allow_insecure_mechs"] = True
        self.connection = self.container.connect(self.args.url, **kwargs)
        self.receiver = self.container.create_receiver(
            self.connection, self.args.address, name="cfx-subscriber", options=SourceDurability(not self.args.transient_queue)
        )

    def lost(self, why):
        """The connection is gone: drop it and try again a little later."""
        if self.finished:
            return
        if self.connection is not None:
            if not self.outage:
                self.outage = True
                what = "connection lost" if self.said_ready else "cannot attach yet"
                print(f"subscriber: {what} ({why}); retrying", file=sys.stderr, flush=True)
            conn = self.connection
            self.connection = None
            self.receiver = None
            self.attached = False
            if conn.state & Endpoint.LOCAL_ACTIVE:
                conn.close()
            self.container.schedule(RETRY_SECONDS, _Retry(self))

    def fatal(self, condition):
        print(f"subscriber: {condition.name}: {condition.description}", file=sys.stderr, flush=True)
        self.exit_code = 1
        self.finish("refused")

    def check(self, condition, why):
        if condition is not None and condition.name in FATAL:
            self.fatal(condition)
        else:
            self.lost(condition.name if condition is not None else why)

    def on_link_opened(self, event):
        if not same(event.link, self.receiver):
            return
        if event.link.remote_source is None or event.link.remote_source.address is None:
            # A refused attach answers with no source and closes straight after.
            return
        self.attached = True
        self.last_activity = time.monotonic()
        if self.outage:
            self.outage = False
            print("subscriber: attached again", file=sys.stderr, flush=True)
        self.top_up(event.link)
        if not self.said_ready:
            self.said_ready = True
            print("ready", flush=True)

    def on_link_error(self, event):
        if same(event.link, self.receiver):
            self.check(event.link.remote_condition, "link closed")

    def on_link_closing(self, event):
        if same(event.link, self.receiver):
            self.lost("link closed by the broker")

    def on_session_error(self, event):
        self.check(event.session.remote_condition, "session closed")

    def on_connection_error(self, event):
        if same(event.connection, self.connection):
            self.check(event.connection.remote_condition, "connection closed")

    def on_connection_closing(self, event):
        if same(event.connection, self.connection):
            self.lost("connection closed by the broker")

    def on_transport_error(self, event):
        condition = event.transport.condition
        if not same(event.connection, self.connection):
            return
        # A failed SASL login comes as a transport error, not as a close of the connection.
        if condition is not None and (condition.name in FATAL or "sasl" in condition.name.lower()
                                      and "auth" in (condition.description or "").lower()):
            self.fatal(condition)
        else:
            self.lost(condition.description if condition is not None else "transport error")

    def on_transport_closed(self, event):
        if same(event.connection, self.connection):
            self.lost("transport closed")

    def on_disconnected(self, event):
        if same(event.connection, self.connection):
            self.lost("disconnected")

    # -- receiving ----------------------------------------------------------------------

    def on_message(self, event):
        if self.finished:
            # Not ours any more: the broker gives it to the next receiver.
            event.delivery.update(event.delivery.RELEASED)
            event.delivery.settle()
            return
        line = body_line(event.message.body)
        if self.out is not None:
            self.out.write(line + "\n")
            self.out.flush()
        # Written before it is accepted: a message the broker sees accepted is on disk.
        self.accept(event.delivery)
        self.received += 1
        self.last_activity = time.monotonic()
        if self.args.count and self.received >= self.args.count:
            self.finish("count")
            return
        self.top_up(event.link)

    def top_up(self, link):
        # Never more credit than messages still wanted: what we take beyond the count
        # would be held by us, not waiting in the queue for the test's next reader.
        want = self.args.credit
        if self.args.count:
            want = min(want, self.args.count - self.received)
        if link.credit <= want // 2:
            link.flow(want - link.credit)

    # -- ending -------------------------------------------------------------------------

    def on_timer_task(self, event):
        if self.finished:
            return
        now = time.monotonic()
        if now >= self.deadline:
            self.finish("timeout")
            return
        if self.args.idle and self.attached and now - self.last_activity >= self.args.idle:
            self.finish("idle")
            return
        self.container.schedule(0.2, self)

    def finish(self, reason):
        if self.finished:
            return
        self.finished = True
        self.reason = reason
        if self.out is not None:
            self.out.flush()
        if self.receiver is not None and self.receiver.state & Endpoint.LOCAL_ACTIVE:
            self.receiver.close()
        if self.connection is not None and self.connection.state & Endpoint.LOCAL_ACTIVE:
            self.connection.close()
        # The close goes out with the next turn of the loop; do not wait for the answer.
        self.container.schedule(0.5, _Stop(self.container))


class _Retry:
    def __init__(self, subscriber):
        self.subscriber = subscriber

    def on_timer_task(self, event):
        self.subscriber.connect()


class _Stop:
    def __init__(self, container):
        self.container = container

    def on_timer_task(self, event):
        self.container.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--url", required=True)
    parser.add_argument("--address", required=True)
    parser.add_argument("--out")
    parser.add_argument("--count", type=int, default=0, help="end after this many messages")
    parser.add_argument("--idle", type=float, default=None, help="end after this many seconds without one")
    parser.add_argument("--timeout", type=float, default=120.0, help="end after this many seconds in all")
    parser.add_argument("--user")
    parser.add_argument("--password")
    parser.add_argument("--drain", action="store_true", help="take what is queued, end when idle")
    parser.add_argument("--transient-queue", action="store_true",
                        help="declare the queue transient (gone when the broker stops)")
    parser.add_argument("--credit", type=int, default=10, help=argparse.SUPPRESS)
    args = parser.parse_args()
    if not args.drain and not args.out:
        parser.error("--out is required unless --drain")
    if args.drain and args.idle is None:
        args.idle = 2.0

    subscriber = Subscriber(args)
    try:
        Container(subscriber).run()
    except KeyboardInterrupt:
        subscriber.reason = subscriber.reason or "interrupted"
    if not subscriber.finished:
        subscriber.reason = subscriber.reason or "timeout"
    print(f"done {subscriber.received} {subscriber.reason}", flush=True)
    return subscriber.exit_code


if __name__ == "__main__":
    sys.exit(main())
