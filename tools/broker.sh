#!/usr/bin/env bash
# A private AMQP 1.0 broker for the tests: a RabbitMQ node of its own ("vardtest@localhost")
# with its own ports, data, logs, configuration and Erlang cookie, listening on the loopback
# address only, so it neither sees nor disturbs a RabbitMQ that already runs on this machine.
#
#   tools/broker.sh start    start it (detached) and wait until it takes connections
#   tools/broker.sh stop     stop it and wait until it is gone
#   tools/broker.sh pause    make it unreachable: connections drop, the port closes;
#                            durable queues and persistent messages stay
#   tools/broker.sh resume   reachable again
#   tools/broker.sh status   prints running, paused or stopped (exit 0, 2, 3)
#   tools/broker.sh url      prints amqp://127.0.0.1:PORT
#
# VARD_BROKER_PORT (5679), VARD_BROKER_DIST_PORT (PORT + 20000) and VARD_BROKER_DIR
# (/tmp/vard-broker-UID) move it. The login is RabbitMQ's guest/guest, loopback only.
set -euo pipefail

port="${VARD_BROKER_PORT:-5679}"
dist_port="${VARD_BROKER_DIST_PORT:-$((port + 20000))}"
# The Erlang port mapper the node registers with: one of our own, ended with the node,
# so that nothing of the broker outlives a test run.
epmd_port="${VARD_BROKER_EPMD_PORT:-$((port + 30000))}"
dir="${VARD_BROKER_DIR:-/tmp/vard-broker-$(id -u)}"
node="vardtest@localhost"
bin=/usr/lib/rabbitmq/bin
start_wait=90
stop_wait=30

# Debian's /usr/sbin wrappers switch to the "rabbitmq" user and its cookie in
# /var/lib/rabbitmq; the scripts behind them run as whoever calls them. HOME decides the
# Erlang cookie, so the node and our rabbitmqctl calls share one nobody else has.
export HOME="$dir"
export LC_ALL=C.UTF-8
export RABBITMQ_NODENAME="$node"
export RABBITMQ_USE_LONGNAME=false
export RABBITMQ_NODE_IP_ADDRESS=127.0.0.1
export RABBITMQ_NODE_PORT="$port"
export RABBITMQ_DIST_PORT="$dist_port"
export ERL_EPMD_PORT="$epmd_port"
export ERL_EPMD_ADDRESS=127.0.0.1
export RABBITMQ_CONF_ENV_FILE="$dir/rabbitmq-env.conf"
export RABBITMQ_CONFIG_FILE="$dir/rabbitmq.conf"
export RABBITMQ_ADVANCED_CONFIG_FILE="$dir/advanced.config"
export RABBITMQ_ENABLED_PLUGINS_FILE="$dir/enabled_plugins"
export RABBITMQ_MNESIA_BASE="$dir/mnesia"
export RABBITMQ_LOG_BASE="$dir/log"
export RABBITMQ_LOGS="$dir/log/node.log"
export RABBITMQ_PID_FILE="$dir/node.pid"
# The distribution port too on the loopback address only.
export RABBITMQ_SERVER_ADDITIONAL_ERL_ARGS="-kernel inet_dist_use_interface {127,0,0,1}"
unset RABBITMQ_ALLOW_INPUT RABBITMQ_NODE_ONLY RABBITMQ_SERVER_START_ARGS

pidfile="$dir/server.pid"
log="$dir/log/node.log"
startup_log="$dir/log/startup.log"

say() { echo "broker: $*"; }
now() { echo "${EPOCHREALTIME/,/.}"; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }

ctl() { "$bin/rabbitmqctl" -n "$node" "$@"; }

port_open() { (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; }

# The pid of the rabbitmq-server script that runs our node, while it is alive. The script
# stays the runtime's parent for the node's whole life and turns SIGTERM into a clean stop.
server_pid() {
  local pid
  [ -f "$pidfile" ] || return 1
  pid="$(cat "$pidfile" 2>/dev/null)" || return 1
  [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null || return 1
  # A recycled pid belongs to another program: ours was started with our environment.
  tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "RABBITMQ_MNESIA_BASE=$dir/mnesia" || return 1
  echo "$pid"
}

show_log() {
  echo "---- $startup_log (tail)" >&2
  tail -n 30 "$startup_log" >&2 2>/dev/null || true
  echo "---- $log (tail)" >&2
  tail -n 40 "$log" >&2 2>/dev/null || true
}

wait_port() { # wait_port open|closed SECONDS [PID: give up when it ends]
  local want="$1" until=$((SECONDS + $2)) pid="${3:-}"
  while [ $SECONDS -lt "$until" ]; do
    if [ "$want" = open ]; then
      port_open && return 0
      [ -z "$pid" ] || kill -0 "$pid" 2>/dev/null || return 1
    else
      port_open || return 0
    fi
    sleep 0.2
  done
  return 1
}

write_config() {
  mkdir -p "$dir/log" "$dir/mnesia"
  chmod 700 "$dir"
  if [ ! -s "$dir/.erlang.cookie" ]; then
    (umask 077; head -c 15 /dev/urandom | od -An -tx1 | tr -d ' \n' | tr 'a-f' 'A-F' >"$dir/.erlang.cookie")
    chmod 400 "$dir/.erlang.cookie"
  fi
  : >"$dir/rabbitmq-env.conf"
  # Only the AMQP 1.0 plugin: no management listener, nothing else on a port.
  echo '[rabbitmq_amqp1_0].' >"$dir/enabled_plugins"
  cat >"$dir/rabbitmq.conf" <<EOF
log.file.level = info
log.console = false
loopback_users.guest = true
# A small /tmp must not raise the disk alarm, which would block every publisher.
disk_free_limit.absolute = 10MB
EOF
}

start() {
  local t0 pid
  t0="$(now)"
  if server_pid >/dev/null; then
    if port_open; then
      say "already running on $(url)"
      return 0
    fi
    say "node is up but not taking connections: resuming"
    resume
    return
  fi
  if port_open; then
    echo "broker: port $port is taken by another program" >&2
    return 1
  fi
  [ -x "$bin/rabbitmq-server" ] || { echo "broker: rabbitmq-server is not installed (tools/deps.sh)" >&2; return 1; }
  write_config
  rm -f "$pidfile" "$RABBITMQ_PID_FILE"
  # Its own session, and no descriptor of the caller: CTest waits for the output pipes
  # of a test to close, and the node outlives the test that starts it.
  setsid "$bin/rabbitmq-server" </dev/null >"$startup_log" 2>&1 &
  pid=$!
  echo "$pid" >"$pidfile"
  # The listener opens only after the plugins have started, so an open port means the
  # AMQP 1.0 protocol is served too.
  if ! wait_port open "$start_wait" "$pid"; then
    if kill -0 "$pid" 2>/dev/null; then
      echo "broker: no listener on port $port after ${start_wait} s; stopping it" >&2
      # Not left behind half started: the script ends the node on SIGTERM.
      kill -TERM "$pid" 2>/dev/null || true
    else
      echo "broker: the node ended while starting" >&2
    fi
    show_log
    return 1
  fi
  say "started $node on $(url) in $(since "$t0") s (folder $dir)"
}

stop() {
  local t0 pid until beam
  t0="$(now)"
  if ! pid="$(server_pid)"; then
    rm -f "$pidfile"
    stop_epmd
    say "not running"
    return 0
  fi
  timeout "$stop_wait" "$bin/rabbitmqctl" -n "$node" -q shutdown >/dev/null 2>&1 || true
  # shutdown returns once the runtime has ended; the script around it follows at once.
  until=$((SECONDS + 10))
  while kill -0 "$pid" 2>/dev/null && [ $SECONDS -lt "$until" ]; do sleep 0.2; done
  if kill -0 "$pid" 2>/dev/null; then
    echo "broker: the node did not stop; terminating pid $pid" >&2
    kill -TERM "$pid" 2>/dev/null || true
    until=$((SECONDS + 10))
    while kill -0 "$pid" 2>/dev/null && [ $SECONDS -lt "$until" ]; do sleep 0.2; done
    if kill -0 "$pid" 2>/dev/null; then
      beam="$(cat "$RABBITMQ_PID_FILE" 2>/dev/null || true)"
      [ -n "$beam" ] && kill -KILL "$beam" 2>/dev/null || true
      kill -KILL "$pid" 2>/dev/null || true
    fi
  fi
  rm -f "$pidfile" "$RABBITMQ_PID_FILE"
  stop_epmd
  wait_port closed 10 || { echo "broker: port $port still open after the stop" >&2; return 1; }
  say "stopped in $(since "$t0") s"
}

# Our port mapper, once no node is registered with it any more.
stop_epmd() {
  epmd -port "$epmd_port" -kill >/dev/null 2>&1 || true
}

pause() {
  local t0
  t0="$(now)"
  server_pid >/dev/null || { echo "broker: not running" >&2; return 1; }
  timeout "$stop_wait" "$bin/rabbitmqctl" -n "$node" -q stop_app >/dev/null ||
    { echo "broker: stop_app failed" >&2; show_log; return 1; }
  wait_port closed 30 || { echo "broker: port $port still open after stop_app" >&2; return 1; }
  say "paused in $(since "$t0") s"
}

resume() {
  local t0
  t0="$(now)"
  server_pid >/dev/null || { echo "broker: not running" >&2; return 1; }
  timeout "$start_wait" "$bin/rabbitmqctl" -n "$node" -q start_app >/dev/null ||
    { echo "broker: start_app failed" >&2; show_log; return 1; }
  wait_port open "$start_wait" "$(server_pid)" ||
    { echo "broker: no listener on port $port after start_app" >&2; show_log; return 1; }
  say "resumed in $(since "$t0") s"
}

status() {
  if ! server_pid >/dev/null; then echo stopped; return 3; fi
  if port_open; then echo running; return 0; fi
  echo paused
  return 2
}

url() { echo "amqp://127.0.0.1:$port"; }

case "${1:-}" in
  start | stop | pause | resume | status) "$1" ;;
  url) url ;;
  *)
    echo "usage: $0 start|stop|pause|resume|status|url" >&2
    exit 2
    ;;
esac
