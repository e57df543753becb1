#!/usr/bin/env bash
# Builds the Debian package from ./build, installs it with apt-get on this machine and
# runs the installed program as an ordinary user with an empty temporary home, from
# outside the source tree: --version, --help without a display, and a short demo run
# ended by SIGTERM that must leave the home as it was. Needs root (apt-get, a user).
set -euo pipefail
cd "$(dirname "$0")/.."
export DEBIAN_FRONTEND=noninteractive

(cd build && cpack >/dev/null)
deb="$(ls -t "$PWD"/build/vard_*.deb | head -n1)"
echo "package: $deb"
dpkg-deb -f "$deb" Depends
apt-get install -y -qq "$deb" >/dev/null

user=vard-ci
id "$user" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$user"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
home="$work/home"
chmod 0755 "$work"
mkdir -p "$home" "$work/run"
chown "$user:" "$home" "$work/run"
chmod 0700 "$work/run"
as_user=(setpriv --reuid="$user" --regid="$user" --init-groups
         env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$work/run")
fail() { echo "package check FAILED: $*" >&2; exit 1; }

cd "$work"
[ "$(command -v vard)" = /usr/bin/vard ] || fail "vard is not /usr/bin/vard"
"${as_user[@]}" /usr/bin/vard --version | tee "$work/version"
grep -q "^Settings: $home/.config/vard" "$work/version" || fail "settings folder"
"${as_user[@]}" /usr/bin/vard --help | grep -q -- '--simulate' || fail "--help"
status=0
"${as_user[@]}" /usr/bin/vard --no-such-option 2>/dev/null || status=$?
[ "$status" -eq 2 ] || fail "an unknown option gave $status, not 2"

before="$(cd "$home" && find . -type f | sort)"
"${as_user[@]}" QT_QPA_PLATFORM=offscreen /usr/bin/vard --simulate 362.10 & pid=$!
sleep 5
kill -TERM "$pid"
wait "$pid" || fail "the demo ended with $? after SIGTERM"
after="$(cd "$home" && find . -type f | sort)"
[ "$before" = "$after" ] || fail "the demo wrote files into the home: $after"

# A real run (on a port that is not there) keeps its files in the user's folders.
mkdir -p "$home/.config/vard"
printf '[Communications]\r\nComNo=1\r\nPort1=/dev/no-such-port\r\n' > "$home/.config/vard/Vard.ini"
chown -R "$user:" "$home"
"${as_user[@]}" QT_QPA_PLATFORM=offscreen /usr/bin/vard & pid=$!
sleep 5
kill -TERM "$pid"
wait "$pid" || fail "vard ended with $? after SIGTERM"
grep -q '^\[MainWindow\]' "$home/.config/vard/Vard.pos" || fail "no window positions in ~/.config/vard"

apt-get remove -y -qq vard >/dev/null
echo "package check passed"
