#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian 12 packages Penwick needs to build, run and test, when any is missing.
# Usage: scripts/deps.sh [run|test|fuzz]   (default: test, which is a superset of run)
set -euo pipefail
what=${1:-test}
pkgs=(build-essential cmake ninja-build pkg-config
      qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev libxkbcommon-dev
      libpugixml-dev libharfbuzz-dev libicu-dev libzip-dev libfontconfig-dev zlib1g-dev fonts-noto-cjk
      libmecab-dev mecab-ipadic-utf8)
case "$what" in
  run) ;;
  test) pkgs+=(libbenchmark-dev xvfb xauth xdotool libxcb1-dev libxml2-dev libxml2-utils
                dpkg-dev lintian appstream desktop-file-utils man-db epubcheck poppler-utils) ;;
  fuzz) pkgs+=(clang-14 libclang-rt-14-dev llvm-14 libxml2-dev) ;;
  *) echo "usage: $0 [run|test|fuzz]" >&2; exit 2 ;;
esac
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
