#!/usr/bin/env bash
# Starts a Firebird SuperServer on 127.0.0.1:3050 unless something already listens there.
set -euo pipefail

listening() { (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null; }

listening && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO mkdir -p /run/firebird3.0
$SUDO chown firebird:firebird /run/firebird3.0
if [ "$(id -u)" -eq 0 ]; then
    su firebird -s /bin/sh -c '/usr/sbin/fbguard -daemon -forever'
else
    sudo -u firebird /usr/sbin/fbguard -daemon -forever
fi
for _ in $(seq 1 50); do
    listening && exit 0
    sleep 0.2
done
echo "The Firebird server did not start listening on 127.0.0.1:3050" >&2
exit 1
