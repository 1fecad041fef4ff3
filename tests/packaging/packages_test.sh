#!/usr/bin/env bash
# The Debian packages as an administrator gets them: "cpack -G DEB" makes
# both from the build folder; lintian finds no error in them; unpacked into
# a scratch root (dpkg-deb -x) they hold the files the guides name and what
# Debian's policy asks (copyright, changelog, manual pages, compressed
# guides), declare their dependencies and conffile, and their programs run
# from there: --version of all three, the back office's --help and
# --version without a display, and the unpacked server with the shipped
# config file (every option in it) answering getFilial over a scratch
# database. The systemd unit passes "systemd-analyze verify" where systemd
# is installed. Then, as root, the guide's install, upgrade, remove,
# reinstall and purge with the real apt and dpkg (install_walk.sh).
#   packages_test.sh BUILD_DIR VERSION WITH_BACKOFFICE(ON|OFF)
set -euo pipefail
BUILD="$(realpath "$1")"
VERSION="$2"
BACKOFFICE="$3"
SCRATCH="$(mktemp -d)"
SERVER_PID=""
cleanup() {
  if [ -n "$SERVER_PID" ]; then kill "$SERVER_PID" 2>/dev/null || true; wait "$SERVER_PID" 2>/dev/null || true; fi
  rm -rf "$SCRATCH"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$BUILD" && cpack -G DEB -B "$SCRATCH/out" >"$SCRATCH/cpack.log" 2>&1) || { cat "$SCRATCH/cpack.log" >&2; fail "cpack"; }
ROOT="$SCRATCH/root"
SERVER_DEB="$SCRATCH/out/totem-server_${VERSION}_$(dpkg --print-architecture).deb"
OFFICE_DEB="$SCRATCH/out/totem-backoffice_${VERSION}_$(dpkg --print-architecture).deb"
[ -f "$SERVER_DEB" ] || fail "no $SERVER_DEB"
dpkg-deb -x "$SERVER_DEB" "$ROOT"

expect_files() {
  for f in "$@"; do [ -e "$ROOT/$f" ] || fail "$f missing from the packages"; done
}
expect_depends() {
  local deb="$1"; shift
  local depends; depends="$(dpkg-deb -f "$deb" Depends)"
  for p in "$@"; do [[ "$depends" == *"$p"* ]] || fail "$(basename "$deb") does not depend on $p: $depends"; done
}
# What Debian's policy asks of each package: its copyright and changelog,
# a manual page per program, guides compressed with gzip -9n.
expect_policy_files() {
  local package="$1"; shift
  expect_files "usr/share/doc/$package/copyright" "usr/share/doc/$package/changelog.gz"
  for program in "$@"; do expect_files "usr/share/man/man1/$program.1.gz"; done
  grep -q '^License: Proprietary' "$ROOT/usr/share/doc/$package/copyright" || fail "$package: copyright"
}
expect_files usr/bin/totem-server usr/lib/systemd/system/totem-server.service etc/totem/totem-server.conf \
  usr/lib/systemd/system/totem-backup.service usr/lib/systemd/system/totem-backup.timer \
  usr/share/doc/totem-server/operations.md.gz usr/share/doc/totem-server/protocol.md.gz \
  usr/share/doc/totem-server/README.md.gz usr/share/doc/totem-server/examples/nginx/totem.conf.gz \
  usr/bin/totem-kiosk-watch
expect_policy_files totem-server totem-server totem-kiosk-watch
# Each command of the server's help has its section in the manual page.
for command in $("$ROOT/usr/bin/totem-server" --help | sed -n '/^Comandos:$/,/^$/s/^  \([a-z][a-z-]*\) .*/\1/p'); do
  zgrep -q "^\.SS \"totem-server $command\"" "$ROOT/usr/share/man/man1/totem-server.1.gz" \
    || fail "the manual page lacks the command $command"
done
expect_depends "$SERVER_DEB" libsqlite3-0 libpq5 libssl3 libsystemd0
dpkg-deb --info "$SERVER_DEB" conffiles | grep -qx /etc/totem/totem-server.conf || fail "the config file is no conffile"
dpkg-deb --info "$SERVER_DEB" postinst | grep -q useradd || fail "postinst makes no system user"

SERVER="$ROOT/usr/bin/totem-server"
"$SERVER" --version | grep -q "^totem-server $VERSION (esquema [0-9]*)$" || fail "totem-server --version: $("$SERVER" --version)"
"$ROOT/usr/bin/totem-kiosk-watch" --version | grep -qx "totem-kiosk-watch $VERSION" || fail "totem-kiosk-watch --version"

if [ "$BACKOFFICE" = ON ]; then
  [ -f "$OFFICE_DEB" ] || fail "no $OFFICE_DEB"
  dpkg-deb -x "$OFFICE_DEB" "$ROOT"
  expect_files usr/bin/backoffice usr/lib/totem-backoffice/Pkg_Ksl80500.so \
    usr/lib/totem-backoffice/libhost_components.so usr/lib/totem-backoffice/libtouch_dialogs.so \
    usr/share/applications/totem-backoffice.desktop
  expect_policy_files totem-backoffice backoffice
  expect_depends "$OFFICE_DEB" libqt6widgets6 libc6
  # From the scratch root, where only the programs' own RUNPATH finds the
  # host's libraries; without a display, as over ssh.
  [ "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$ROOT/usr/bin/backoffice" --version)" = "backoffice $VERSION" ] \
    || fail "backoffice --version"
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$ROOT/usr/bin/backoffice" --help | grep -q -- '--server' \
    || fail "backoffice --help"
fi

# lintian: no error (the warnings it may still give are listed in the
# packages' lintian overrides or in the guide's "Building the packages").
DEBS=("$SERVER_DEB")
[ "$BACKOFFICE" = ON ] && DEBS+=("$OFFICE_DEB")
lintian --fail-on error "${DEBS[@]}" >"$SCRATCH/lintian.log" 2>&1 \
  || { cat "$SCRATCH/lintian.log" >&2; fail "lintian"; }

# Every option of the command line is in the shipped config file, as a key
# set or shown commented out.
CONF="$ROOT/etc/totem/totem-server.conf"
for option in $("$SERVER" --help | grep -o '^  --[a-z-]*' | sed 's/^  --//'); do
  case "$option" in help|version|config) continue ;; esac
  grep -Eq "^#? ?$option = " "$CONF" || fail "option --$option is not in totem-server.conf"
done

# The shipped config file as the service reads it, with a scratch database
# and a free port given on the command line over it.
"$SERVER" --config "$CONF" --db "sqlite:$SCRATCH/totem.db" --listen 127.0.0.1:0 --demo \
  >"$SCRATCH/server.out" 2>"$SCRATCH/server.err" &
SERVER_PID=$!
for _ in $(seq 1 400); do
  grep -q "^listening on " "$SCRATCH/server.out" && break
  kill -0 "$SERVER_PID" 2>/dev/null || { cat "$SCRATCH/server.err" >&2; fail "the unpacked server did not start"; }
  sleep 0.05
done
ADDRESS="$(sed -n 's/^listening on //p' "$SCRATCH/server.out")"
[ -n "$ADDRESS" ] || fail "the unpacked server never said where it listens"
ANSWER="$(curl -sS --max-time 10 -H 'Content-Type: application/json' \
  -d '{"jsonrpc":"2.0","id":1,"method":"getFilial","params":[]}' \
  "http://$ADDRESS/rpc/Ksl80500.rdmParametrosToten")"
[[ "$ANSWER" == *'"status":"ok"'* && "$ANSWER" == *'"0001"'* ]] || fail "getFilial answered: $ANSWER"
curl -sS --max-time 10 "http://$ADDRESS/metrics" >"$SCRATCH/metrics"
grep -q "^totem_build_info{version=\"$VERSION\",schema=\"[0-9]*\"} 1$" "$SCRATCH/metrics" \
  || fail "no totem_build_info in /metrics"
if [ "$BACKOFFICE" = ON ]; then
  # The unpacked host opens the screen against it with the module of its
  # own installation.
  QT_QPA_PLATFORM=offscreen "$ROOT/usr/bin/backoffice" --server "http://$ADDRESS" \
    --screenshot "$SCRATCH/screen.png" >"$SCRATCH/backoffice.out" 2>&1 || { cat "$SCRATCH/backoffice.out" >&2; fail "backoffice"; }
  grep -q "módulo $ROOT/usr/lib/totem-backoffice/Pkg_Ksl80500.so carregado" "$SCRATCH/backoffice.out" \
    || fail "backoffice did not load its installed module: $(cat "$SCRATCH/backoffice.out")"
fi
kill -TERM "$SERVER_PID"
wait "$SERVER_PID" || fail "the unpacked server did not stop cleanly"
SERVER_PID=""
# The nightly backup's command as its unit runs it, with the shipped config
# file, over the same database.
"$SERVER" backup "$SCRATCH/backups" --config "$CONF" --db "sqlite:$SCRATCH/totem.db" >"$SCRATCH/backup.out" 2>&1 \
  || fail "totem-server backup: $(cat "$SCRATCH/backup.out")"
grep -q "^cópia gravada: $SCRATCH/backups/totem-[0-9]*T[0-9]*Z.db" "$SCRATCH/backup.out" \
  || fail "totem-server backup said: $(cat "$SCRATCH/backup.out")"

if command -v systemd-analyze >/dev/null; then
  # The unit as shipped, its program where it was unpacked.
  mkdir "$SCRATCH/unit"
  sed "s|/usr/bin/totem-server|$SERVER|" "$ROOT/usr/lib/systemd/system/totem-server.service" \
    >"$SCRATCH/unit/totem-server.service"
  # The nightly backup's unit and timer with it.
  for unit in totem-backup.service totem-backup.timer; do
    sed "s|/usr/bin/totem-server|$SERVER|" "$ROOT/usr/lib/systemd/system/$unit" >"$SCRATCH/unit/$unit"
  done
  # verify exits 0 on many mistakes it reports, so any report fails.
  # The server's manual page is looked up where it was unpacked.
  REPORT="$(MANPATH="$ROOT/usr/share/man" systemd-analyze verify "$SCRATCH/unit/totem-server.service" \
    "$SCRATCH/unit/totem-backup.service" "$SCRATCH/unit/totem-backup.timer" 2>&1)" || fail "systemd-analyze: $REPORT"
  [ -z "$REPORT" ] || fail "systemd-analyze verify: $REPORT"
else
  echo "packages_test: systemd-analyze not installed; the unit was not verified"
fi
"$(dirname "$0")/install_walk.sh" "$SCRATCH" "${DEBS[@]}"
echo "packages_test: both packages built, unpacked and run"
