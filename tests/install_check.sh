#!/usr/bin/env bash
# `cmake --install` into a staging prefix: every file a desktop and a package need is
# there and valid, and the installed program keeps the operator's files in the user's
# folders, not beside itself.
#   install_check.sh <build folder>
set -euo pipefail
build="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
stage="$work/stage"
cmake --install "$build" --prefix "$stage" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }

expected=(
  bin/vard
  share/vard/LMImages/Default.bmp share/vard/LMImages/LM4QTR.bmp share/vard/LMImages/LM362_04.bmp
  share/vard/LMImages/LM362_07.bmp share/vard/LMImages/LM362_10.bmp
  share/vard/vard_de.qm
  share/applications/org.vard.Vard.desktop
  share/metainfo/org.vard.Vard.metainfo.xml
  share/icons/hicolor/scalable/apps/org.vard.Vard.svg
  share/man/man1/vard.1.gz
  share/doc/vard/copyright
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/org.vard.Vard.png")
done
for f in "${expected[@]}"; do
  [ -s "$stage/$f" ] || fail "not installed: $f"
done
# Nothing else: tests, benchmarks and build helpers stay out.
extra="$(cd "$stage" && find . -type f | sed 's|^\./||' | sort | comm -23 - <(printf '%s\n' "${expected[@]}" | sort))"
[ -z "$extra" ] || fail "installed but not expected: $extra"

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$stage/share/applications/org.vard.Vard.desktop" || fail "desktop file"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net --strict "$stage/share/metainfo/org.vard.Vard.metainfo.xml" >/dev/null \
    || fail "metainfo: $(appstreamcli validate --no-net "$stage/share/metainfo/org.vard.Vard.metainfo.xml")"
fi
grep -q -- 'simulate' <(zcat "$stage/share/man/man1/vard.1.gz") || fail "man page"

# The installed copy, run as a user whose home is empty.
home="$work/home"
mkdir -p "$home"
run_env=(env -i PATH=/usr/bin:/bin HOME="$home" QT_QPA_PLATFORM=offscreen
         ASAN_OPTIONS="${ASAN_OPTIONS:-}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}")
version="$("${run_env[@]}" "$stage/bin/vard" --version)"
grep -qx "Settings: $home/.config/vard (the user's folders)" <<<"$version" || fail "settings folder: $version"
grep -qx "Data: $home/.local/share/vard" <<<"$version" || fail "data folder: $version"
grep -qx "Program files: $stage/share/vard" <<<"$version" || fail "program files: $version"

# A short real run reads its settings from the configuration folder, writes its
# positions there and nothing into the prefix.
mkdir -p "$home/.config/vard"
printf '[Communications]\r\nComNo=1\r\nPort1=%s\r\n' "$work/no-such-port" > "$home/.config/vard/Vard.ini"
before="$(cd "$stage" && find . -printf '%p %s %T@\n' | sort)"
"${run_env[@]}" "$stage/bin/vard" & pid=$!
sleep 4
kill -TERM "$pid"
wait "$pid" || fail "vard ended with $? after SIGTERM"
after="$(cd "$stage" && find . -printf '%p %s %T@\n' | sort)"
[ "$before" = "$after" ] || fail "the run wrote into the installed prefix"
grep -q '^\[MainWindow\]' "$home/.config/vard/Vard.pos" || fail "window positions not in the configuration folder"
grep -q '^LocaleID=' "$home/.config/vard/Vard.ini" || fail "[General] not written"
echo "install check passed"
