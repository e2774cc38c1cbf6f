#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the fixtures need. Idempotent: packages
# already present are not touched, and apt is asked only when something is missing.
set -euo pipefail

BUILD_PKGS=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
            libblkid-dev libudev-dev libcli11-dev)
QT_PKGS=(qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools libqt6uitools6 libqt6opengl6-dev
         libgl-dev qt6-l10n-tools)
FIXTURE_PKGS=(dosfstools mtools ntfs-3g e2fsprogs fdisk util-linux imagemagick zip unzip
              p7zip-full gzip sqlite3 fonts-dejavu-core python3 xxd python3-docx python3-openpyxl
              python3-xlwt ffmpeg gcab)

want=("${BUILD_PKGS[@]}")
case "${1:-all}" in
  build) ;;
  all) want+=("${QT_PKGS[@]}" "${FIXTURE_PKGS[@]}") ;;
  *) echo "usage: $0 [build|all]" >&2; exit 64 ;;
esac

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
