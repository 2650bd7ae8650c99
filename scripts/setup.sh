#!/usr/bin/env bash
# Installs what building, running and testing the recorder needs (Debian 12),
# and the further packages named as arguments.
set -euo pipefail
packages=(cmake g++ make qt6-base-dev qt6-serialport-dev qt6-charts-dev qt6-svg-dev libqt6opengl6-dev libgl1-mesa-dev
          xvfb xauth linux-perf socat xdotool imagemagick fonts-dejavu-core clang-format clang-tidy shellcheck
          libmosquitto-dev libssl-dev mosquitto mosquitto-clients openssl pkg-config
          help2man desktop-file-utils appstream dpkg-dev file locales qt6-translations-l10n
          at-spi2-core dbus-daemon python3-pyatspi "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# A locale with a decimal comma, for the tests that numbers from the instrument
# are read the same under any locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8 >/dev/null 2>&1 || echo "setup: the de_DE.UTF-8 locale could not be made" >&2
fi
