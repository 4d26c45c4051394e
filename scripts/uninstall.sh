#!/usr/bin/env bash
# Removes everything scripts/install.sh installed for the current user: the
# programs, the menu entries, the icon, the autostart entry, the hack entry
# in ~/.xscreensaver and the hand-off picture of the last run.  The settings
# file Tumbleview.ini stays (and with it its folder) unless
# --remove-settings is given.
#
# Usage: scripts/uninstall.sh [--folder DIR] [--remove-settings]
set -euo pipefail
source "$(dirname "$0")/tumbleview-paths.sh"

remove_settings=false
while (($#)); do
  case $1 in
    --folder) folder=$2; shift 2 ;;
    --remove-settings) remove_settings=true; shift ;;
    -h|--help) sed -n '2,8p' "$0"; exit 0 ;;
    *) echo "uninstall.sh: unknown argument: $1" >&2; exit 2 ;;
  esac
done

rm -f "$folder/Tumbleview.scr" "$folder/Tumbleview.dll" "$folder/tumbleview-on-idle" "$folder/tumbleview.scr.xml" \
  "$folder/README.md" \
  "$applications/tumbleview-settings.desktop" "$applications/tumbleview-run.desktop" \
  "$icons/tumbleview.png" "$autostart/tumbleview-on-idle.desktop" "$handoff/Tumbleview.bmp"
# The description, where an install with the right to write there put it.
[[ -w $xscreensaver_config/tumbleview.scr.xml ]] && rm -f "$xscreensaver_config/tumbleview.scr.xml"
$remove_settings && rm -f "$folder/Tumbleview.ini"
# Folders the install may have made go too, when nothing else is left in them.
for dir in "$folder" "$handoff" "$icons" "${icons%/apps}" "${icons%/32x32/apps}" "$data_home/icons" \
  "$applications" "$autostart"; do
  rmdir "$dir" 2>/dev/null || true
done
xscreensaver_remove_hack "$folder/Tumbleview.scr"
echo "Tumbleview removed from $folder"
