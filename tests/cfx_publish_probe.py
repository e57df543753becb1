#!/usr/bin/python3
"""Sends a few messages to the broker the way a CFX endpoint does, for tests that need
traffic without the program: each argument (or, with none, each line of stdin) is one
message, sent persistent (unless --transient), its body the text as UTF-8 bytes with content type
application/json. Ends with 0 once the broker has accepted every one, with 1 when it
refuses one or cannot be reached before --timeout.

    cfx_publish_probe.py --url URL --address ADDR [--user U --password P]
                         [--timeout S] [--string] [--transient] [MESSAGE ...]
"""

import argparse
import sys

from proton import Message, Terminus
from proton.handlers import MessagingHandler
from proton.reactor import Container, LinkOption


class DurableTarget(LinkOption):
    # RabbitMQ declares a /queue/NAME target with this durability; it must match the
    # receiver's, or whichever declares second is refused.
    def apply(self, link):
        link.target.durability = Terminus.DELIVERIES
        link.target.expiry_policy = Terminus.EXPIRE_NEVER


class Probe(MessagingHandler):
    def __init__(self, args, bodies):
        super().__init__()
        self.args = args
        self.bodies = bodies
        self.sent = 0
        self.accepted = 0
        self.failed = None
        self.sender = None

    def on_start(self, event):
        kwargs = {"reconnect": False}
        if self.args.user:
            # PLAIN only: offered ANONYMOUS too, proton would take it and never send the password.
            kwargs.update(user=self.args.user, password=self.args.password or "",
                          allowed_mechs="PLAIN", allow_insecure_mechs=True)
        conn = event.container.connect(self.args.url, **kwargs)
        self.sender = event.container.create_sender(conn, self.args.address, options=DurableTarget())
        self.timer = event.container.schedule(self.args.timeout, self)

    def on_sendable(self, event):
        while event.sender.credit and self.sent < len(self.bodies):
            text = self.bodies[self.sent]
            body = text if self.args.string else text.encode("utf-8")
            event.sender.send(Message(body=body, durable=not self.args.transient, content_type="application/json"))
            self.sent += 1

    def on_accepted(self, event):
        self.accepted += 1
        if self.accepted == len(self.bodies):
            self.end(event)

    def on_rejected(self, event):
        self.fail(event, "rejected: %s" % (event.delivery.remote.condition,))

    def on_released(self, event):
        self.fail(event, "released (nothing took it)")

    def on_link_error(self, event):
        c = event.link.remote_condition
        self.fail(event, "%s: %s" % (c.name, c.description))

    def on_session_error(self, event):
        # RabbitMQ refuses a declaration (a queue of the other durability) by ending the session.
        c = event.session.remote_condition
        self.fail(event, "%s: %s" % (c.name, c.description))

    def on_connection_error(self, event):
        c = event.connection.remote_condition
        self.fail(event, "%s: %s" % (c.name, c.description))

    def on_transport_error(self, event):
        c = event.transport.condition
        self.fail(event, "%s: %s" % (c.name, c.description) if c else "transport error")

    def on_disconnected(self, event):
        if self.accepted < len(self.bodies):
            self.fail(event, "disconnected")

    def on_timer_task(self, event):
        self.failed = self.failed or "timed out after %s s (%d of %d accepted)" % (
            self.args.timeout, self.accepted, len(self.bodies))
        event.container.stop()

    def fail(self, event, why):
        if self.failed is None:
            self.failed = why
        self.end(event)

    def end(self, event):
        self.timer.cancel()
        if event.connection is not None:
            event.connection.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--url", required=True)
    parser.add_argument("--address", required=True)
    parser.add_argument("--user")
    parser.add_argument("--password")
    parser.add_argument("--timeout", type=float, default=30.0)
    parser.add_argument("--string", action="store_true", help="body as an AMQP string, not bytes")
    parser.add_argument("--transient", action="store_true", help="not persistent: lost when the broker stops")
    parser.add_argument("messages", nargs="*")
    args = parser.parse_args()
    bodies = args.messages or [line.rstrip("\n") for line in sys.stdin if line.strip()]
    if not bodies:
        parser.error("nothing to send")
    probe = Probe(args, bodies)
    Container(probe).run()
    if probe.failed:
        print("publish probe: %s" % probe.failed, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
