#!/usr/bin/env bash
# Installs every Debian package the product needs (only what is missing),
# then configures and builds a Release build in build/.
#   scripts/setup.sh            packages + build
#   scripts/setup.sh --deps     packages only
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  build-essential cmake pkg-config git
  libgtest-dev libbenchmark-dev
  libglfw3-dev libglew-dev libimgui-dev libstb-dev nettle-dev
  xvfb xauth x11-utils xdotool imagemagick zenity python3 python3-xlib
  clang-14 libclang-rt-14-dev
  hyperfine
  # installing, packaging and the cluster recipes
  help2man desktop-file-utils shared-mime-info bash-completion dpkg-dev file
  buildah umoci parallel python3-yaml
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

[ "${1:-}" = "--deps" ] && exit 0

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)"
