#!/usr/bin/env bash
# Builds the station and runs every test. Installs what is missing and starts a local
# Firebird server for the tests that need real authentication.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/firebird-server.sh

build=build
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DLUMIVO_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
cd "$build"
ctest --output-on-failure -j"$(nproc)"
