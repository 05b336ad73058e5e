#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing the station need,
# and only those that are missing.
set -euo pipefail

packages=(build-essential cmake qt6-base-dev firebird-dev libfbclient2 firebird3.0-server-core
          firebird3.0-server firebird3.0-utils fonts-wine clang-format
          clang libclang-rt-14-dev  # clang and its libFuzzer runtime: the fuzz step of the tests
          libicu-dev  # the Spanish number words of the spoken price
          qt6-translations-l10n  # Qt's own dialogs and buttons in Spanish (qtbase_es)
          qt6-charts-dev  # the reports' chart of lookups per hour
          # The spoken price: Qt's text-to-speech (its CMake package needs the QML integration
          # headers), its speech-dispatcher plugin, and espeak-ng, whose data carries the
          # Spanish voices "es" and "es-419".
          qt6-speech-dev qt6-declarative-dev qt6-speech-speechd-plugin speech-dispatcher
          speech-dispatcher-espeak-ng espeak-ng
          # The kiosk sessions: X (its screen saver settings), Wayland through cage (Qt's Wayland
          # platform, XWayland); and what their tests drive them with: a virtual X server, XTEST
          # keys, screenshots and OCR of what the customer sees.
          x11-xserver-utils cage qt6-wayland xwayland
          xvfb xdotool imagemagick grim tesseract-ocr
          dpkg-dev  # dpkg-shlibdeps: the Debian package's library dependencies
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
# The server package tries to start its service; in a container without init that fails harmlessly.
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null || {
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y "${missing[@]}"
}
