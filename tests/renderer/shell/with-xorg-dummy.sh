#!/usr/bin/env bash
# Runs a command on a private Xorg server with the dummy video driver
# (xorg-dummy.conf beside this script: 1280 x 1024, with 1024 x 768 and
# 800 x 600 available through RandR), then stops the server.
# Xorg needs root (or its setuid wrapper); when it cannot start, the command
# runs without a display and TUMBLEVIEW_XORG_UNAVAILABLE says why, so that
# the tests can skip.
# Usage: with-xorg-dummy.sh command [args...]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tv-xorg.XXXXXX")
mkfifo -m 600 "$work/displayfd"
xorg=""
trap '[[ -z $xorg ]] || { kill "$xorg" || true; wait "$xorg" || true; } 2>/dev/null; rm -rf "$work"' EXIT

export TUMBLEVIEW_XORG_UNAVAILABLE="no /usr/lib/xorg/Xorg (Debian package xserver-xorg-video-dummy)"
if [[ -x /usr/lib/xorg/Xorg ]]; then
  /usr/lib/xorg/Xorg -displayfd 3 -config "$here/xorg-dummy.conf" -noreset -nolisten tcp \
    -logfile "$work/Xorg.log" -novtswitch -sharevts vt7 3>"$work/displayfd" >/dev/null 2>&1 &
  xorg=$!
  if read -r -t 20 number <"$work/displayfd"; then
    unset TUMBLEVIEW_XORG_UNAVAILABLE
    export DISPLAY=":$number"
    "$@"
    exit $?
  fi
  TUMBLEVIEW_XORG_UNAVAILABLE="Xorg with the dummy driver did not start (needs root and xserver-xorg-video-dummy)"
fi
unset DISPLAY
"$@"
