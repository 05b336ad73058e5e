#!/usr/bin/env bash
# The Debian package as a shop receives it: unpacked into a scratch root (dpkg -x), it holds the
# station and everything around it in the places Debian expects, and its control data names the
# Qt and Firebird client packages it needs (found by dpkg-shlibdeps, not written by hand).
#
#   paquete.sh lumivo_<version>_amd64.deb
set -euo pipefail
deb=$1
[[ $(basename "$deb") =~ ^lumivo_[0-9.]+_amd64\.deb$ ]] || { echo "FALLO: nombre inesperado: $deb"; exit 1; }

raiz=$(mktemp -d)
trap 'rm -rf "$raiz"' EXIT
dpkg -x "$deb" "$raiz"

fallos=0
for archivo in usr/bin/Lumivo usr/bin/lumivo-estacion usr/bin/lumivo-kiosco-sesion usr/bin/lumivo-cage-sesion \
    usr/lib/systemd/user/lumivo.service etc/xdg/autostart/lumivo.desktop usr/share/applications/lumivo.desktop \
    usr/share/xsessions/lumivo-kiosco.desktop usr/share/wayland-sessions/lumivo-cage.desktop; do
    [ -e "$raiz/$archivo" ] || { echo "FALLO: falta /$archivo"; fallos=1; }
done
for programa in Lumivo lumivo-estacion lumivo-kiosco-sesion lumivo-cage-sesion; do
    [ -x "$raiz/usr/bin/$programa" ] || { echo "FALLO: /usr/bin/$programa no es ejecutable"; fallos=1; }
done
# Nothing under /usr/local or /usr/etc; each entry's command is one the package installs.
extra=$(cd "$raiz" && find . -path ./usr/local -o -path ./usr/etc | head -1)
[ -z "$extra" ] || { echo "FALLO: el paquete instala en $extra"; fallos=1; }
for entrada in usr/share/xsessions/lumivo-kiosco.desktop usr/share/wayland-sessions/lumivo-cage.desktop \
    usr/share/applications/lumivo.desktop; do
    comando=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$raiz/$entrada")
    [ -x "$raiz/usr/bin/$(basename "$comando")" ] || { echo "FALLO: $entrada ejecuta $comando"; fallos=1; }
done
grep -qx 'ExecStart=lumivo-estacion' "$raiz/usr/lib/systemd/user/lumivo.service" ||
    { echo "FALLO: ExecStart del servicio"; fallos=1; }

control=$(dpkg-deb -I "$deb")
depende=$(sed -n 's/^ Depends: //p' <<<"$control")
for paquete in libqt6widgets6 libqt6core6 libfbclient2 qt6-translations-l10n; do
    grep -q "\b$paquete\b" <<<"$depende" || { echo "FALLO: Depends no nombra $paquete: $depende"; fallos=1; }
done
[ $fallos -eq 0 ] || exit 1
echo "OK: $(basename "$deb"), $(cd "$raiz" && find . -type f | wc -l) archivos; Depends: $depende"
