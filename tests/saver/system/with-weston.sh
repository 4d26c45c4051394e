#!/usr/bin/env bash
# Runs a command in a headless Wayland session: a private weston with
# XWayland, as most desktops now start.  DISPLAY names XWayland's display,
# WAYLAND_DISPLAY weston's socket.  Where weston cannot run, the command runs
# without them and with TUMBLEVIEW_NO_WAYLAND saying why (tests skip).
# Usage: with-weston.sh command [args...]
set -euo pipefail

runtime=$(mktemp -d "${TMPDIR:-/tmp}/tv-weston.XXXXXX")
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime
socket=wayland-tv
weston --backend=headless-backend.so --xwayland --socket="$socket" --width=1024 --height=768 \
  --idle-time=0 --log="$runtime/weston.log" >/dev/null 2>&1 &
weston=$!
trap 'kill "$weston" 2>/dev/null; wait "$weston" 2>/dev/null || true; rm -rf "$runtime"' EXIT

display=
for _ in $(seq 200); do
  display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$runtime/weston.log" 2>/dev/null | head -1 || true)
  [[ -n $display ]] && break
  kill -0 "$weston" 2>/dev/null || break
  sleep 0.1
done
if [[ -z $display ]]; then
  unset DISPLAY WAYLAND_DISPLAY
  export TUMBLEVIEW_NO_WAYLAND="weston with XWayland did not start: $(tail -3 "$runtime/weston.log" 2>/dev/null)"
else
  export WAYLAND_DISPLAY=$socket DISPLAY=$display
fi
"$@"
