#!/usr/bin/env bash
# The X kiosk session as a shop installs it, black-box: the installed session script, started as
# lightdm would start it (the user's environment and a DISPLAY, no window manager), on a station
# set as a kiosk with a stored automatic start on the demo company. The window must cover the
# screen, keys typed through XTEST (as a scanner types, with nobody giving the window the focus)
# must reach the key box, and the article's name and price must be on the screen, read back from
# a screenshot by OCR. Killing the station must make the user unit start it again where a systemd
# user manager runs; elsewhere the session script runs the station by itself.
#
#   sesion_x.sh BUILD_DIR OUT_DIR
set -euo pipefail
build=$1
salida=$2
for programa in Xvfb xdotool import tesseract xset; do
    command -v "$programa" >/dev/null || {
        echo "SKIP: falta $programa (scripts/install-deps.sh lo instala)"
        exit 77
    }
done

tmp=$(mktemp -d /tmp/lumivo-x.XXXXXX)
chmod 755 "$tmp"
xvfb=""
sesion=""
terminar() {
    [ -z "$sesion" ] || kill "$sesion" 2>/dev/null || true
    pkill -f "$tmp/usr/bin/Lumivo" 2>/dev/null || true
    [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$tmp"
}
trap terminar EXIT

cmake --install "$build" --prefix "$tmp/usr" >/dev/null
home="$tmp/home"
estacion="$home/.local/share/lumivo"
mkdir -p "$estacion" "$home/.config/Lumivo" "$tmp/lock"
"$build/tools/lumivo-demo/lumivo-demo" --datos "$tmp/datos" --estacion "$estacion" \
    --catalogo "$home/.local/share/Microsip/ProgramData.xml" >/dev/null 2>&1
# What "Archivo" › "Inicio automático" and "Modo quiosco" store.
cat >"$estacion/config.xml" <<'XML'
<Config>
  <Estacion Kiosco="true"/>
  <Conexion Usuario="SYSDBA" Conexion="0" Empresa="0"/>
  <InicioAutomatico Conexion="Demo" Usuario="SYSDBA" Empresa="DEMO"/>
</Config>
XML
(umask 077 && printf 'cualquiera' >"$home/.config/Lumivo/inicio-automatico")
chmod 700 "$home/.config/Lumivo"

for n in $(seq 150 199); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
done
Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp >"$tmp/xvfb.log" 2>&1 &
xvfb=$!
export DISPLAY=":$n"
for _ in $(seq 1 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

# A Mexican shop's locale where the machine has it (the price reads "$16.00", else "16.00").
idioma=C.UTF-8
locale -a 2>/dev/null | grep -qix 'es_MX.utf8' && idioma=es_MX.UTF-8
env -i PATH=/usr/bin:/bin HOME="$home" DISPLAY="$DISPLAY" LANG="$idioma" FIREBIRD_LOCK="$tmp/lock" \
    "$tmp/usr/bin/lumivo-kiosco-sesion" >"$tmp/sesion.log" 2>&1 &
sesion=$!

ventana=""
for _ in $(seq 1 300); do
    ventana=$(xdotool search --onlyvisible --name '^Lumivo' 2>/dev/null | head -1 || true)
    if [ -n "$ventana" ] && grep -q "Modo quiosco: ventana de 1920x1080" "$tmp/sesion.log"; then
        break
    fi
    kill -0 "$sesion" 2>/dev/null || break
    sleep 0.1
done
[ -n "$ventana" ] || { echo "FALLO: no apareció la ventana"; cat "$tmp/sesion.log"; exit 1; }
geometria=$(xdotool getwindowgeometry --shell "$ventana" | grep -E '^(X|Y|WIDTH|HEIGHT)=' | tr '\n' ' ')
echo "ventana: $geometria"
[ "$geometria" = "X=0 Y=0 WIDTH=1920 HEIGHT=1080 " ] || { echo "FALLO: la ventana no cubre la pantalla"; exit 1; }

# The automatic start opens the company by itself; then a scan, typed with nobody focusing anything.
sleep 3
xdotool type --delay 20 '7501055300075'
xdotool key Return
mkdir -p "$salida"
nombre="" precio="" vioNombre="" vioPrecio=""
for intento in $(seq 1 6); do
    sleep 0.3
    import -window root "$tmp/pantalla.png"
    [ -n "$vioNombre" ] || {
        nombre=$(tesseract "$tmp/pantalla.png" - --psm 11 2>/dev/null | tr '\n' ' ')
        [[ $nombre == *"COCA COLA LIGHT 600ML"* ]] && vioNombre=1 && cp "$tmp/pantalla.png" "$salida/sesion-x.png"
    }
    [ -n "$vioPrecio" ] || {
        # The price's large type reads best small; the grids' figures are then too small to read.
        convert "$tmp/pantalla.png" -resize 20% -colorspace gray -negate "$tmp/precio.png"
        precio=$(tesseract "$tmp/precio.png" - --psm 11 2>/dev/null | tr '\n' ' ')
        [[ $precio == *"16.00"* ]] && vioPrecio=1
    }
    [ -n "$vioNombre" ] && [ -n "$vioPrecio" ] && break
done
[ -f "$salida/sesion-x.png" ] || cp "$tmp/pantalla.png" "$salida/sesion-x.png"
echo "pantalla: $salida/sesion-x.png"
[ -n "$vioNombre" ] || { echo "FALLO: el nombre no está en pantalla: $nombre"; exit 1; }
[ -n "$vioPrecio" ] || { echo "FALLO: el precio no está en pantalla: $precio"; exit 1; }

if systemctl --user show-environment >/dev/null 2>&1; then
    pkill -KILL -f "$tmp/usr/bin/Lumivo"
    for _ in $(seq 1 100); do
        sleep 0.1
        pgrep -f "$tmp/usr/bin/Lumivo" >/dev/null && break
    done
    pgrep -f "$tmp/usr/bin/Lumivo" >/dev/null || { echo "FALLO: la unidad no reinició la estación"; exit 1; }
    echo "la unidad reinició la estación"
else
    echo "sin gestor de usuario de systemd: la sesión ejecutó la estación por sí misma (sin reinicio)"
fi
echo "OK"
