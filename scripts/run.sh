#!/usr/bin/env bash
# Builds the station and starts it on a demo company: installs what is missing, builds a Release
# into build-run/, prepares (or reuses) the demo data and a local connection "Demo" in the
# connection catalogue, and starts the station from a working folder of its own.
#
#   LUMIVO_DEMO_DIR   demo folder (default ~/.local/share/lumivo-demo): datos/ and estacion/
#   LUMIVO_BUILD_DIR  build folder (default build-run)
set -euo pipefail
cd "$(dirname "$0")/.."
raiz=$(pwd)

scripts/install-deps.sh

build="${LUMIVO_BUILD_DIR:-build-run}"
case "$build" in /*) ;; *) build="$raiz/$build" ;; esac
# Configured once; later builds re-run CMake by themselves when a CMakeLists.txt changes.
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DLUMIVO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target Lumivo lumivo-demo >/dev/null

demo="${LUMIVO_DEMO_DIR:-${XDG_DATA_HOME:-$HOME/.local/share}/lumivo-demo}"
"$build/tools/lumivo-demo/lumivo-demo" --datos "$demo/datos" --estacion "$demo/estacion"

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
    echo "No hay una pantalla gráfica (DISPLAY o WAYLAND_DISPLAY). Los datos están listos en $demo;" >&2
    echo "ejecute scripts/run.sh desde una sesión de escritorio." >&2
    exit 1
fi

echo "Usuario SYSDBA, cualquier contraseña; conexión Demo, empresa DEMO."
# config.xml, the station's local settings, lives in the working directory.
cd "$demo/estacion"
exec "$build/app/Lumivo"
