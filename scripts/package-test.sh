#!/usr/bin/env bash
# The Debian packages as an administrator meets them (as root, on Debian 12): built, their
# contents and metadata checked, installed with apt, the installed server started by its
# configuration file as its own user, both programs' help, the unit verified, then purged.
# Usage: scripts/package-test.sh [build-dir]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
fail() { echo "package-test: $*" >&2; exit 1; }
# It installs and purges for real: never over an installation of the machine's own.
dpkg -s est-server suite >/dev/null 2>&1 && fail "est-server ou suite já instalado nesta máquina"
[ ! -e /var/lib/est-server ] || fail "/var/lib/est-server já existe nesta máquina"

mapfile -t debs < <(bash "$here/scripts/package.sh" "$build")
server=$(printf '%s\n' "${debs[@]}" | grep '/est-server_.*\.deb$') || fail "sem o pacote est-server"
suite=$(printf '%s\n' "${debs[@]}" | grep '/suite_.*\.deb$') || fail "sem o pacote suite"

holds() { dpkg-deb -c "$1" | awk '{print $6}' | sed 's,^\./,/,' | grep -qx "$2" || fail "$(basename "$1") sem $2"; }
for f in /usr/bin/est-server /usr/lib/est-server/est-server /usr/lib/est-server/libestdataset.so \
         /usr/lib/systemd/system/est-server.service /etc/est-server/est-server.conf; do
  holds "$server" "$f"
done
for f in /usr/bin/suite /usr/lib/suite/suite /usr/lib/suite/libPkg_est25000.so \
         /usr/lib/suite/libesthost.so /usr/lib/suite/libestdataset.so \
         /usr/share/applications/est-suite.desktop \
         /usr/share/icons/hicolor/scalable/apps/est-suite.svg /etc/xdg/est/suite.ini \
         /usr/share/doc/suite/ajuda/11225000.html; do
  holds "$suite" "$f"
done
# Dependencies by Debian's package names: the loader's (dpkg-shlibdeps) and the plugins'.
depends() { dpkg-deb -f "$1" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//'; }
for d in libqt6core6 libqt6sql6 libsqlite3-0 libssl3 libqt6sql6-psql libqt6sql6-sqlite adduser; do
  depends "$server" | grep -qx "$d" || fail "est-server não depende de $d"
done
for d in libqt6widgets6 libqt6sql6-sqlite qt6-qpa-plugins; do
  depends "$suite" | grep -qx "$d" || fail "suite não depende de $d"
done
depends "$server" | grep -q qt6-qpa-plugins && fail "est-server depende do que é da tela"
dpkg-deb -I "$server" conffiles | grep -qx /etc/est-server/est-server.conf || fail "conffiles"

export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "$server" "$suite" >/dev/null
trap 'apt-get purge -y -qq est-server suite >/dev/null 2>&1; rm -rf /var/lib/est-server' EXIT
/usr/bin/est-server --help | grep -q -- '--migrate' || fail "est-server --help"
/usr/bin/suite --help | grep -q -- '--server' || fail "suite --help"
# The installed desktop on its embedded default: the module package loads from beside it and
# its screen opens.
home=$(mktemp -d)
HOME=$home QT_QPA_PLATFORM=offscreen timeout 120 /usr/bin/suite --exit-when-shown 2>&1 |
  grep -Eq 'IniProc -> tela exibida: [0-9]+ ms' || fail "a suite instalada não abriu a tela"
rm -rf "$home"
getent passwd est-server >/dev/null || fail "sem o usuário est-server"
[ "$(stat -c '%U %a' /etc/est-server/token)" = "est-server 400" ] || fail "token: $(stat -c '%U %a' /etc/est-server/token)"
grep -Eqx '[0-9a-f]{64}' /etc/est-server/token || fail "token não aleatório"
if command -v systemd-analyze >/dev/null; then
  systemd-analyze verify /usr/lib/systemd/system/est-server.service
fi

# What the unit runs, as the service's user, on a state folder as systemd would make it.
install -d -o est-server -g est-server -m 0750 /var/lib/est-server
log=$(mktemp)
setpriv --reuid est-server --regid est-server --init-groups \
  /usr/bin/est-server --config /etc/est-server/est-server.conf --init --port 0 >"$log" 2>&1 &
pid=$!
for _ in $(seq 300); do grep -q '^escutando em' "$log" && break; sleep 0.2; done
grep -q '^escutando em 127.0.0.1:' "$log" || { cat "$log"; fail "o serviço não iniciou"; }
runuser -u est-server -- /usr/bin/est-server --config /etc/est-server/est-server.conf \
  backup --to /var/lib/est-server/copia.sqlite
runuser -u est-server -- /usr/bin/est-server --database sqlite:/var/lib/est-server/copia.sqlite check
kill "$pid"; wait "$pid" || fail "o serviço não parou limpo"

apt-get purge -y -qq est-server suite >/dev/null
trap - EXIT
rm -rf /var/lib/est-server "$log"
for f in /usr/bin/est-server /usr/bin/suite /etc/est-server /etc/xdg/est/suite.ini; do
  [ ! -e "$f" ] || fail "$f ficou depois da remoção"
done
getent passwd est-server >/dev/null && fail "o usuário est-server ficou"
echo "package-test: est-server e suite construídos, instalados, verificados e removidos"
