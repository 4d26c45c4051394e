#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need.
# Idempotent and quick: apt is only called when something is missing.
set -euo pipefail

packages=(
  # toolchain
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
  # renderer
  libsdl2-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri libosmesa6-dev
  # saver
  qt6-base-dev qt6-base-dev-tools libx11-dev libxcb1-dev libxcb-xfixes0-dev libxfixes-dev libxrandr-dev
  libsdl2-mixer-dev libcdio-dev libcdio-paranoia-dev fonts-ipafont-gothic
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth xdotool x11-utils
  mesa-utils sox lame
  # renderer program tests and benchmark: XTest input, damage counting, a
  # light window manager (minimize, decorated windows), the peer GL hack
  libxtst-dev libxdamage-dev openbox xscreensaver-gl
  # a display with several modes for the real mode-change test (Xorg, dummy driver)
  xserver-xorg-video-dummy
  # the desktop: the idle watcher, the screen-saver daemon the hack runs in,
  # the check of the menu entries, a headless Wayland session with XWayland
  xautolock xscreensaver desktop-file-utils weston xwayland
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [[ $status == installed ]] || missing+=("$package")
done
((${#missing[@]} == 0)) && exit 0

echo "Installing: ${missing[*]}"
sudo=()
((EUID == 0)) || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
