#!/usr/bin/env bash
# Builds the station and runs every test, then runs them again under AddressSanitizer and
# UndefinedBehaviorSanitizer, then runs each fuzz target for a bounded time. Installs what is
# missing and starts a local Firebird server for the tests that need real authentication.
# Any test failure or sanitizer finding fails the command.
#
#   LUMIVO_FUZZ_SECONDS  seconds per fuzz target (default 20; 0 skips the fuzz step)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)
fuzz_seconds=${LUMIVO_FUZZ_SECONDS:-20}

scripts/install-deps.sh
scripts/firebird-server.sh

step() { printf '\n=== %s (%ss so far)\n' "$*" "$SECONDS"; }
trap 'printf "\n=== %ss in all\n" "$SECONDS"' EXIT

step "Formatting"
# Every C++ file of the repository follows .clang-format; a drifting file fails the run.
drift=$(git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run 2>&1 | grep -o '^[^:]*:[0-9]*:[0-9]*: warning' | cut -d: -f1 | sort -u || true)
if [ -n "$drift" ]; then
    printf '%s\n' "These files drift from .clang-format (run clang-format -i on them):" $drift >&2
    exit 1
fi

step "Build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Debug -DLUMIVO_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

# The kiosk's user unit, as cmake --install leaves it, checked by systemd itself where it can run
# (it needs the binary that ExecStart names: a staging install provides it).
if command -v systemd-analyze >/dev/null; then
    step "systemd-analyze verify of the user unit"
    stage=$(mktemp -d)
    cmake --install build --prefix "$stage" >/dev/null
    sed "s#^ExecStart=\(.*/\)\?#ExecStart=$stage/bin/#" "$stage/lib/systemd/user/lumivo.service" >"$stage/lumivo.service"
    systemd-analyze verify "$stage/lumivo.service"
    rm -rf "$stage"
fi

step "Debian package"
# Made from the tested build, as a shop would receive it, and checked unpacked.
rm -f build/lumivo_*.deb
(cd build && cpack -G DEB >/dev/null)
tests/paquete/paquete.sh build/lumivo_*_amd64.deb

# -O1 keeps the instrumented tree's build and run short; the reports keep their line numbers.
sanitized=(-DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1" -DLUMIVO_WERROR=ON -DLUMIVO_SANITIZE=ON)

# Every finding ends the process with a failing status, so the test (or fuzz run) that hit it
# fails. Leaks are checked at exit; tests/sanitizers/lsan.supp says which libraries' leaks are
# not ours. No abort_on_error: a SIGABRT raised by the leak check at exit re-enters Qt Test's crash
# handler, which then hangs until the test's timeout; the handler is off here for the same reason.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1:print_summary=1"
export LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:print_summary=1"
export QTEST_DISABLE_CRASH_HANDLER=1

step "Build and tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan "${sanitized[@]}" >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan && ctest --output-on-failure -j"$jobs")

[ "$fuzz_seconds" -gt 0 ] || exit 0

step "Fuzz targets, ${fuzz_seconds}s each"
CC=clang CXX=clang++ cmake -S . -B build-fuzz "${sanitized[@]}" -DLUMIVO_FUZZ=ON -DLUMIVO_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz --target fuzzers -j"$jobs"
for corpus in fuzz/corpus/*/; do
    name=$(basename "$corpus")
    # New inputs go to a scratch folder: the committed seeds stay a handful of small files.
    scratch=build-fuzz/fuzz/work/$name
    mkdir -p "$scratch" build-fuzz/fuzz/findings
    echo "fuzz_$name"
    build-fuzz/fuzz/fuzz_"$name" "$scratch" "$corpus" -max_total_time="$fuzz_seconds" -timeout=5 \
        -rss_limit_mb=2048 -artifact_prefix=build-fuzz/fuzz/findings/"$name"- -print_final_stats=1 \
        2>build-fuzz/fuzz/"$name".log || {
        tail -n 60 build-fuzz/fuzz/"$name".log >&2
        echo "fuzz_$name found a problem; the input is in build-fuzz/fuzz/findings/" >&2
        exit 1
    }
    grep -E '^stat::number_of_executed_units|^Done' build-fuzz/fuzz/"$name".log || true
done
