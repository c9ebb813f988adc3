#!/usr/bin/env bash
# Start-up with a 10,000-link catalogue and 20,000 cache files: the main window under Xvfb against
# the same loading and purge without windows. Prints the figures.
set -euo pipefail
cd "$(dirname "$0")/.."
harness=build/bench/startup_window_harness
[ -x "$harness" ] || { echo "build first: scripts/setup.sh" >&2; exit 1; }
for n in $(seq 150 199); do
    [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
done
Xvfb "$display" -nolisten tcp -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.05; done
runtime=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$runtime"' EXIT
DISPLAY="$display" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$runtime" "$harness"
