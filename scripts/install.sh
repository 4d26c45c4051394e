#!/usr/bin/env bash
# Installs Tumbleview for the current user, builds it first when needed:
#   both programs side by side in a folder the user can write (the settings
#   file Tumbleview.ini lives beside them), an application-menu entry for the
#   settings dialog (/c) and one that starts the screen saver now (/s), the
#   icon, the hack entry in ~/.xscreensaver (XScreenSaver 6 and the daemons
#   that read it), and, with --on-idle, an autostart entry that runs the
#   screen saver after the given idle time through xautolock.
# Running it again installs the same files again and changes nothing else.
#
# Usage: scripts/install.sh [--folder DIR] [--build DIR] [--on-idle MINUTES | --no-idle]
#   --folder    where the programs go (default ${XDG_DATA_HOME:-~/.local/share}/tumbleview)
#   --build     the build folder to take the programs from (default build)
#   --on-idle   start the screen saver after MINUTES (1 to 60) without input,
#               from the next login on; run again with another number to
#               change the idle time
#   --no-idle   remove the autostart entry again
set -euo pipefail
source "$(dirname "$0")/tumbleview-paths.sh"

build=$source_root/build
idle=
while (($#)); do
  case $1 in
    --folder) folder=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --on-idle) idle=$2; shift 2 ;;
    --no-idle) idle=off; shift ;;
    -h|--help) sed -n '2,19p' "$0"; exit 0 ;;
    *) echo "install.sh: unknown argument: $1" >&2; exit 2 ;;
  esac
done
# xautolock's own limits.
if [[ -n $idle && $idle != off ]] && { ! [[ $idle =~ ^[1-9][0-9]?$ ]] || ((idle > 60)); }; then
  echo "install.sh: --on-idle takes a whole number of minutes from 1 to 60" >&2
  exit 2
fi
# Desktop entries quote the folder; these characters would need escaping
# there, and in ~/.xscreensaver a blank splits the command.
if [[ $folder == *[\"\`\$\\%[:space:]]* ]]; then
  echo "install.sh: choose a folder without blanks, quotes, \$, % or backslashes: $folder" >&2
  exit 2
fi

if [[ ! -x $build/bin/Tumbleview.scr || ! -x $build/bin/Tumbleview.dll ]]; then
  cmake -S "$source_root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" --target tumbleview_saver tumbleview_renderer
fi

mkdir -p "$folder" "$applications" "$icons"
install -m 755 "$build/bin/Tumbleview.scr" "$build/bin/Tumbleview.dll" "$data_dir/tumbleview-on-idle" "$folder/"
# The README is the settings dialog's link: it opens the copy beside the saver.
install -m 644 "$data_dir/tumbleview.scr.xml" "$build/bin/README.md" "$folder/"
install -m 644 "$source_root/saver/assets/icon.png" "$icons/tumbleview.png"
for entry in tumbleview-settings tumbleview-run; do
  sed "s|@FOLDER@|$folder|g" "$data_dir/$entry.desktop.in" >"$applications/$entry.desktop"
done

if [[ $idle == off ]]; then
  rm -f "$autostart/tumbleview-on-idle.desktop"
elif [[ -n $idle ]]; then
  mkdir -p "$autostart"
  sed -e "s|@FOLDER@|$folder|g" -e "s|@MINUTES@|$idle|g" "$data_dir/tumbleview-on-idle.desktop.in" \
    >"$autostart/tumbleview-on-idle.desktop"
  command -v xautolock >/dev/null || echo "install.sh: the idle start needs xautolock (Debian package xautolock)" >&2
fi

# XScreenSaver lists the hack from its programs line; its settings program
# reads the description only from the system's folder, under the program's
# name in lower case.
xscreensaver_add_hack "$folder/Tumbleview.scr"
if [[ -w $xscreensaver_config ]]; then
  install -m 644 "$data_dir/tumbleview.scr.xml" "$xscreensaver_config/"
fi

echo "Tumbleview installed in $folder"
