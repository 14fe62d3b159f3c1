#!/bin/sh
# Installs the Debian packages listed in scripts/debian-packages.txt that are not installed yet.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
missing=""
for pkg in $(grep -v '^#' "$here/debian-packages.txt" | grep -v '^$'); do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $pkg"
  fi
done
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $missing
fi
