#!/usr/bin/env bash
# Runs a command on a fresh, private Xvfb server and stops the server after.
# Usage: with-xvfb.sh [--screen WxHxD] command [args...]
# The display number is chosen by Xvfb itself (-displayfd), so any number of
# tests can run at once without racing for a free display.
set -euo pipefail

screen=1024x768x24
if [[ ${1:-} == --screen ]]; then
  screen=$2
  shift 2
fi

fifo=$(mktemp -u "${TMPDIR:-/tmp}/tv-xvfb.XXXXXX")
mkfifo -m 600 "$fifo"
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset +extension GLX 3>"$fifo" \
  >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null || true; rm -f "$fifo"' EXIT

if ! read -r -t 20 number <"$fifo"; then
  echo "with-xvfb: Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=":$number"
"$@"
