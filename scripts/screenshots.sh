#!/usr/bin/env bash
# Remakes the README's pictures in docs/screenshots/ from the station's real windows: installs
# what is missing, builds, creates fresh demo data in a scratch folder and opens the windows
# offscreen with the station's font, style sheet and a Mexican Spanish locale.
#
#   LUMIVO_BUILD_DIR  build folder (default build-run, shared with scripts/run.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
raiz=$(pwd)

scripts/install-deps.sh

build="${LUMIVO_BUILD_DIR:-build-run}"
case "$build" in /*) ;; *) build="$raiz/$build" ;; esac
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DLUMIVO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target lumivo-demo lumivo-capturas >/dev/null

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# The connection catalogue stays in the scratch folder: the user's own is never touched.
"$build/tools/lumivo-demo/lumivo-demo" --datos "$tmp/datos" --catalogo "$tmp/conexiones.xml" >/dev/null

export QT_QPA_PLATFORM=offscreen LANG=es_MX.UTF-8 LC_ALL=
"$build/tools/lumivo-capturas/lumivo-capturas" --datos "$tmp/datos" --salida "$raiz/docs/screenshots"
