#!/usr/bin/env bash
# Makes the README's screenshots with the project's own screenshot tool, on
# a virtual display: the running saver (the bundled sample picture) and the
# settings dialog.  Needs a build (build/).
# Usage: scripts/screenshots.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$(cd "${1:-build}" && pwd)
out=$root/saver/host/run/desktop
work=$(mktemp -d /tmp/tumbleview.XXXXXX)
trap 'rm -rf "$work"' EXIT
cp "$build/bin/Tumbleview.scr" "$build/bin/Tumbleview.dll" "$work/"
mkdir "$work/Pictures"
cp "$root/saver/assets/sample.bmp" "$work/Pictures/"
"$build/tools/saver_settings" "$work" 1 "$work/Pictures/sample.bmp"
mkdir -m 700 "$work/drive"
export TUMBLEVIEW_DRIVE_C=$work/drive SDL_AUDIODRIVER=dummy

# Waits until a window titled $1 is on the screen, then $2 seconds more.
shoot() {
  for _ in $(seq 100); do xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 && break; sleep 0.1; done
  sleep "$2"
  "$build/tools/x11_screenshot" "$3"
}

tests/support/with-xvfb.sh --screen 1024x768x24 bash -c '
  set -euo pipefail
  '"$(declare -f shoot)"'
  build=$1 work=$2 out=$3
  "$work/Tumbleview.scr" /s & saver=$!
  shoot Tumbleview_VC 3 "$out/screenshot-saver.png"
  # Held, not tapped, as a user would: the run ends with the renderer.
  xdotool keydown Escape && sleep 0.5 && xdotool keyup Escape
  wait "$saver" || true
' shots "$build" "$work" "$out"
tests/support/with-xvfb.sh --screen 640x480x24 bash -c '
  set -euo pipefail
  '"$(declare -f shoot)"'
  build=$1 work=$2 out=$3
  "$work/Tumbleview.scr" /c & dialog=$!
  shoot "Tumbleview" 1 "$out/screenshot-settings.png"
  kill "$dialog"; wait "$dialog" || true
' shots "$build" "$work" "$out"
echo "Saved $out/screenshot-saver.png and $out/screenshot-settings.png"
