# Where install.sh puts things and how both scripts edit ~/.xscreensaver.
# Sourced, not run.
source_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
data_dir=$source_root/saver/host/run/desktop
data_home=${XDG_DATA_HOME:-$HOME/.local/share}
config_home=${XDG_CONFIG_HOME:-$HOME/.config}
folder=$data_home/tumbleview
applications=$data_home/applications
icons=$data_home/icons/hicolor/32x32/apps
autostart=$config_home/autostart
handoff=${TUMBLEVIEW_DRIVE_C:-${XDG_CACHE_HOME:-$HOME/.cache}/tumbleview}
xscreensaver_file=$HOME/.xscreensaver
xscreensaver_config=/usr/share/xscreensaver/config

# The programs list of ~/.xscreensaver is one resource continued over lines
# ending in a backslash, each entry ending in "\n".  The daemon merges it with
# the system's list, so a file that names only our hack is enough.

# Prints the file without any entry that runs `program`, keeping the list's
# continuation intact when the entry was its last line.
xscreensaver_without() {
  local program=$1
  PROGRAM="$program --root" awk '
    function flush() { if (held != "") print pending; held = "" }
    {
      if (index($0, ENVIRON["PROGRAM"]) > 0) {
        # The entry held last ended the list: the line before it now does.
        if ($0 !~ /\\$/ && held != "") sub(/\\$/, "", pending)
        next
      }
      flush(); pending = $0; held = "y"
    }
    END { flush() }
  ' "$xscreensaver_file"
}

xscreensaver_add_hack() {
  local program=$1
  local entry="  GL: \"Tumbleview\" $program --root \\n"
  if [[ ! -e $xscreensaver_file ]]; then
    command -v xscreensaver >/dev/null || return 0
    printf 'programs:\t\\\n%s\n' "$entry" >"$xscreensaver_file"
    return 0
  fi
  xscreensaver_without "$program" | ENTRY=$entry awk '
    function close_list(line) {
      if (line ~ /^programs:[ \t]*$/) print "programs:\t\\"
      else if (line ~ /\\n[ \t]*$/) print line "\\"
      else print line " \\n\\"
      print ENVIRON["ENTRY"]
      inside = 0; done = 1
    }
    inside && /\\$/ { print; next }
    inside { close_list($0); next }
    /^programs:/ && !done { if ($0 ~ /\\$/) { inside = 1; print } else close_list($0); next }
    { print }
    END {
      if (inside) close_list("")
      else if (!done) { print "programs:\t\\"; print ENVIRON["ENTRY"] }
    }
  ' >"$xscreensaver_file.tumbleview"
  mv "$xscreensaver_file.tumbleview" "$xscreensaver_file"
}

xscreensaver_remove_hack() {
  [[ -e $xscreensaver_file ]] || return 0
  xscreensaver_without "$1" >"$xscreensaver_file.tumbleview"
  # A file that only ever held our entry goes with it.
  if [[ $(cat "$xscreensaver_file.tumbleview") == $'programs:\t' ]]; then
    rm -f "$xscreensaver_file.tumbleview" "$xscreensaver_file"
  else
    mv "$xscreensaver_file.tumbleview" "$xscreensaver_file"
  fi
}
