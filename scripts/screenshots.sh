#!/usr/bin/env bash
# Renders every window of the desktop program (the main window on each page, each popup, each
# message box) to PNG under docs/screenshots/, with the offscreen platform.
#   scripts/screenshots.sh [BUILD_FOLDER]     (default build/default)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
cmake --build "$build" --target keldrin-screenshots keldrin-gui >/dev/null
export QT_QPA_PLATFORM=offscreen
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# Own per-user folders, so the run touches no real configuration or scan logs.
XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data XDG_RUNTIME_DIR=$tmp/run \
  KELDRIN_CONFIG_DIR="$build/bin" "$build/bin/keldrin-screenshots" docs/screenshots
