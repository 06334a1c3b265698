#!/usr/bin/env bash
# Installs every Debian package Quorrel needs to build, run and test.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
PKGS=(build-essential cmake pkg-config
      qt6-base-dev libgl-dev libfontconfig-dev libx11-dev libxtst-dev libxcb1-dev libxcb-xfixes0-dev
      libxcb-xinput-dev
      libgtest-dev libgmock-dev libbenchmark-dev
      clang libclang-rt-14-dev
      fp-utils
      xvfb xclip xsel xdotool imagemagick x11-utils openbox dbus-daemon x11-xkb-utils x11-xserver-utils
      xrestop
      python3 python3-gi gir1.2-gtk-3.0 python3-tk
      xchm xdg-utils fonts-dejavu-core fonts-liberation attr
      dpkg-dev file lintian appstream desktop-file-utils
      libwayland-dev wayland-protocols
      sway xwayland foot wl-clipboard grim wtype x11-xserver-utils dbus dbus-user-session
      xdg-desktop-portal xdg-desktop-portal-wlr xdg-desktop-portal-gtk pipewire
      kwin-wayland xdg-desktop-portal-kde)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
