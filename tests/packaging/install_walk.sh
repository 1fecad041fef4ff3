#!/usr/bin/env bash
# The guide's install, upgrade, remove, reinstall and purge of the packages,
# with the real apt-get and dpkg and the packages' own maintainer scripts,
# in a scratch copy of this machine's system: an overlay over / whose
# writes go to SCRATCH, chrooted into, in a mount namespace of its own, so
# the machine itself is left as it was. Needs root and overlayfs; says so
# and checks nothing otherwise.
#   install_walk.sh SCRATCH SERVER_DEB [BACKOFFICE_DEB]
set -euo pipefail
SCRATCH="$1"; SERVER_DEB="$2"; OFFICE_DEB="${3:-}"
if [ "$(id -u)" -ne 0 ] || ! grep -qw overlay /proc/filesystems; then
  echo "install_walk: needs root and overlayfs; the install walk was not run"
  exit 0
fi
if [ -z "${INSTALL_WALK_ROOT:-}" ]; then
  M="$SCRATCH/merged"
  mkdir -p "$SCRATCH/upper" "$SCRATCH/work" "$M"
  exec unshare --mount --propagation private env INSTALL_WALK_ROOT="$M" "$0" "$@"
fi
M="$INSTALL_WALK_ROOT"
if ! mount -t overlay overlay -o "lowerdir=/,upperdir=$SCRATCH/upper,workdir=$SCRATCH/work" "$M" 2>/dev/null; then
  echo "install_walk: no overlay over / here; the install walk was not run"
  exit 0
fi
mount -t proc proc "$M/proc"
mount --rbind /dev "$M/dev"
fail() { echo "FAIL: install_walk: $*" >&2; exit 1; }
in_root() { chroot "$M" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"; }
# The guide's unattended install and upgrade; its output in $SCRATCH/said.
unattended() { in_root apt-get -y -q -o Dpkg::Options::=--force-confold install "$1" </dev/null >"$SCRATCH/said" 2>&1 \
  || { cat "$SCRATCH/said" >&2; fail "apt-get install $1"; }; }
dpkg_do() { in_root dpkg "$@" </dev/null >"$SCRATCH/said" 2>&1 || { cat "$SCRATCH/said" >&2; fail "dpkg $*"; }; }
said() { grep -q "$1" "$SCRATCH/said" || fail "$2: it did not say \"$1\": $(cat "$SCRATCH/said")"; }
mode() { in_root stat -c '%U:%G %a' "$1"; }
ENABLED=/etc/systemd/system/multi-user.target.wants/totem-server.service
enabled() { [ -L "$M$ENABLED" ]; }
# A machine that has the packages already gets them purged in its copy.
in_root dpkg --purge totem-server totem-backoffice >/dev/null 2>&1 || true
in_root rm -rf /var/lib/totem /var/backups/totem

# The packages where the copy sees them, and an upgrade whose shipped
# config file changed too: the same package, one version up, with one more
# line in the file.
DEBS=/var/tmp/install-walk
mkdir -p "$M$DEBS"
cp "$SERVER_DEB" "$M$DEBS/server.deb"
[ -z "$OFFICE_DEB" ] || cp "$OFFICE_DEB" "$M$DEBS/backoffice.deb"
NEXT="$SCRATCH/next"
dpkg-deb -R "$SERVER_DEB" "$NEXT"
sed -i 's/^Version: .*/&+1/' "$NEXT/DEBIAN/control"
echo "# novo na versão seguinte" >>"$NEXT/etc/totem/totem-server.conf"
dpkg-deb -b "$NEXT" "$M$DEBS/next.deb" >/dev/null

# 1. First install: the user, the folders with their owners, nothing enabled.
unattended "$DEBS/server.deb"
grep -q "já existe uma base" "$SCRATCH/said" && fail "a first install over no database warned of one"
[ "$(mode /var/lib/totem)" = "totem:totem 750" ] || fail "/var/lib/totem is $(mode /var/lib/totem)"
[ "$(mode /etc/totem)" = "root:totem 750" ] || fail "/etc/totem is $(mode /etc/totem)"
enabled && fail "the install enabled the service"
# The administrator's choices and files.
in_root systemctl enable totem-server >/dev/null 2>&1 || in_root deb-systemd-helper enable totem-server.service
in_root chmod 0770 /var/lib/totem /var/backups/totem
echo "listen = 127.0.0.1:8181" >>"$M/etc/totem/totem-server.conf"
mkdir -p "$M/etc/totem/tls"
for f in /var/lib/totem/totem.db /var/lib/totem/.pgpass /etc/totem/tokens /etc/totem/tls/server.key; do
  echo dados >"$M$f"
done

# 2. Unattended upgrade over a changed shipped config file: no question, the
# administrator's file kept, the package's beside it, the choices kept.
unattended "$DEBS/next.deb"
grep -q "127.0.0.1:8181" "$M/etc/totem/totem-server.conf" || fail "the upgrade replaced the config file"
[ -f "$M/etc/totem/totem-server.conf.dpkg-dist" ] || fail "no totem-server.conf.dpkg-dist after the upgrade"
for folder in /var/lib/totem /var/backups/totem; do
  [ "$(mode $folder)" = "totem:totem 770" ] || fail "the upgrade reset $folder: $(mode $folder)"
done
enabled || fail "the upgrade lost the service's enablement"

# 3. Remove, then reinstall: data, config and enablement as they were.
dpkg_do --remove totem-server
enabled || fail "remove disabled the service"
[ -f "$M/var/lib/totem/totem.db" ] && [ -f "$M/etc/totem/tokens" ] || fail "remove deleted data or secrets"
unattended "$DEBS/next.deb"
grep -q "já existe uma base" "$SCRATCH/said" && fail "a reinstall after remove warned of its own database"
enabled || fail "the reinstall lost the service's enablement"

# 4. Purge: the secrets and the config gone, the database moved aside.
dpkg_do --purge totem-server
said "/var/backups/totem/purga-" "purge"
for f in /var/lib/totem /etc/totem "$ENABLED"; do [ -e "$M$f" ] && fail "purge left $f"; done
compgen -G "$M/var/backups/totem/purga-*/totem.db" >/dev/null || fail "purge did not keep the database aside"
compgen -G "$M/var/backups/totem/purga-*/.pgpass" >/dev/null && fail "purge kept the PostgreSQL password"

# 5. A fresh install over a database left by an older installation says so.
in_root install -d -o totem -g totem -m 0750 /var/lib/totem
echo dados >"$M/var/lib/totem/totem.db"
unattended "$DEBS/server.deb"
said "já existe uma base de dados em /var/lib/totem/totem.db" "a fresh install over an old database"
enabled && fail "a fresh install enabled the service"

if [ -n "$OFFICE_DEB" ]; then
  unattended "$DEBS/backoffice.deb"
  in_root backoffice --version | grep -q '^backoffice ' || fail "the installed backoffice --version"
  dpkg_do --purge totem-backoffice
fi
echo "install_walk: install, unattended upgrade, remove, reinstall and purge as the guide says"
