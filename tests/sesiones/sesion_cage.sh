#!/usr/bin/env bash
# The Wayland kiosk session as a shop installs it: the installed session script, run by a user
# that is not root, starts cage on a headless output (no GPU, no seat; software rendering) and the
# station inside it on the demo company, set as a kiosk. The station must come up with its
# window at the output's whole size; a frame is grabbed for looking at where cage paints one.
#
#   sesion_cage.sh BUILD_DIR OUT_DIR
set -euo pipefail
build=$1
salida=$2
command -v cage >/dev/null && command -v grim >/dev/null || {
    echo "SKIP: cage y grim no están instalados (scripts/install-deps.sh los instala)"
    exit 77
}

tmp=$(mktemp -d /tmp/lumivo-cage.XXXXXX)
chmod 755 "$tmp"
pid=""
terminar() {
    if [ -n "$pid" ]; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$tmp"
}
trap terminar EXIT

cmake --install "$build" --prefix "$tmp/usr" >/dev/null
home="$tmp/home"
estacion="$home/.local/share/lumivo"
mkdir -p "$estacion" "$tmp/run" "$tmp/lock"
"$build/tools/lumivo-demo/lumivo-demo" --datos "$tmp/datos" --estacion "$estacion" \
    --catalogo "$home/.local/share/Microsip/ProgramData.xml" >/dev/null 2>&1
printf '<Config><Estacion Kiosco="true"/><Conexion Usuario="SYSDBA" Conexion="0" Empresa="0"/></Config>\n' \
    >"$estacion/config.xml"

# cage (wlroots) refuses nothing as root, but a kiosk never runs as root: the test does not either.
como=()
if [ "$(id -u)" -eq 0 ]; then
    chown -R nobody "$home" "$tmp/datos" "$tmp/run" "$tmp/lock"
    como=(runuser -u nobody --)
fi
chmod 700 "$tmp/run"
registro="$tmp/sesion.log"
: >"$registro"
chmod 666 "$registro"

"${como[@]}" env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$tmp/run" LANG=C.UTF-8 \
    FIREBIRD_LOCK="$tmp/lock" WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    "$tmp/usr/bin/lumivo-cage-sesion" >"$registro" 2>&1 &
pid=$!

linea=""
for _ in $(seq 1 300); do
    linea=$(grep -o 'Modo quiosco: ventana de [0-9]*x[0-9]* en una pantalla de [0-9]*x[0-9]*' "$registro" | tail -1 || true)
    if [[ $linea =~ ventana\ de\ ([0-9]+x[0-9]+)\ en\ una\ pantalla\ de\ ([0-9]+x[0-9]+) ]] &&
        [ "${BASH_REMATCH[1]}" = "${BASH_REMATCH[2]}" ]; then
        break
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
echo "${linea:-(la estación no informó su ventana)}"
if ! [[ $linea =~ ventana\ de\ ([0-9]+x[0-9]+)\ en\ una\ pantalla\ de\ ([0-9]+x[0-9]+) ]] ||
    [ "${BASH_REMATCH[1]}" != "${BASH_REMATCH[2]}" ]; then
    echo "FALLO: la ventana no ocupa la salida de cage"
    grep -v "Basic output test failed" "$registro" | tail -20
    exit 1
fi

# A frame of the output, for looking at (cage's headless output may not repaint after a resize).
socket=$(ls "$tmp/run" | grep -m1 '^wayland-[0-9]*$' || true)
mkdir -p "$salida"
if [ -n "$socket" ] && "${como[@]}" env XDG_RUNTIME_DIR="$tmp/run" WAYLAND_DISPLAY="$socket" \
    grim - >"$tmp/cuadro.png" 2>"$tmp/grim.log"; then
    cp "$tmp/cuadro.png" "$salida/sesion-cage.png"
    echo "cuadro: $salida/sesion-cage.png"
else
    echo "sin cuadro (socket: ${socket:-ninguno}): $(cat "$tmp/grim.log" 2>/dev/null)"
fi
echo "OK"
