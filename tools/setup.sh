#!/usr/bin/env bash
# Installs every Debian package the build, the run and the tests need.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

NATIVE_PKGS=(g++ cmake make pkg-config libgtest-dev libbenchmark-dev libosmesa6-dev
             libogg-dev libvorbis-dev zlib1g-dev libstb-dev libmicrohttpd-dev libsqlite3-dev
             clang libclang-rt-14-dev)
CROSS_PKGS=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 libz-mingw-w64-dev)
WINE_PKGS=(wine wine32:i386 wine64 xvfb xauth libgl1-mesa-dri:i386 libglx-mesa0:i386 libgl1:i386
           libgl1-mesa-dri libglx-mesa0 libgl1
           fonts-wine xdotool imagemagick x11-apps x11-utils
           xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils)
# The release package (tools/package.sh).
PACKAGE_PKGS=(zip unzip)
ALL=("${NATIVE_PKGS[@]}" "${CROSS_PKGS[@]}" "${WINE_PKGS[@]}" "${PACKAGE_PKGS[@]}")

missing=()
for p in "${ALL[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}" >&2
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi

apt_install() {
  $SUDO apt-get install -y -q --no-install-recommends "$@"
}

# The i386 index of the security suite can lag behind amd64 ("Mirror sync in
# progress"); multi-arch packages then disagree in version. Update tolerantly.
$SUDO apt-get update -q || true
if ! apt_install "${missing[@]}"; then
  echo "setup: plain install failed; ranking the security suite below main and retrying" >&2
  printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n' |
    $SUDO tee /etc/apt/preferences.d/kvs-security-low >/dev/null
  $SUDO apt-get update -q || true
  apt_install "${missing[@]}"
fi
