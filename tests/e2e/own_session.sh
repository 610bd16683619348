#!/usr/bin/env bash
# Runs a script on a session bus of its own, with a runtime folder of its own: the accessibility
# bus keeps its socket there, so that runs side by side (another checkout's tests) cannot take
# each other's away.
set -euo pipefail
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime
dbus-run-session -- bash "$@"
