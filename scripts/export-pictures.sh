#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the README's pictures of the two reader formats from the sample project:
#   docs/manuscript-page.png  the first sheet of the manuscript-paper PDF, drawn by poppler
#   docs/ebook-page.png       the EPUB's first chapter as Chromium shows it
# Usage: scripts/export-pictures.sh [BUILD_DIR]   (default build/release; penwick-cli is
# built there when missing). Installs poppler-utils, unzip and Chromium when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}

scripts/deps.sh run
missing=()
for p in poppler-utils unzip chromium; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
if [ ! -x "$build/bin/penwick-cli" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DPENWICK_BENCH=OFF >/dev/null
  cmake --build "$build" --target penwick-cli
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p docs
"$build/bin/penwick-cli" export examples/sample.xml "$tmp/sample.pdf"
"$build/bin/penwick-cli" export examples/sample.xml "$tmp/sample.epub"

pdftoppm -r 90 -f 1 -l 1 -png -singlefile "$tmp/sample.pdf" docs/manuscript-page

unzip -q "$tmp/sample.epub" -d "$tmp/book"
# Chromium shows a vertical document from its left, where the text ends: a frame around the
# chapter turns it to its start, at the right edge, as a reader opens it.
cat > "$tmp/view.html" <<'HTML'
<html><body style="margin:0"><iframe id="f" src="book/OEBPS/chapter1.xhtml" style="border:0;width:960px;height:640px"></iframe>
<script>document.getElementById('f').onload = function () { this.contentWindow.scrollTo(100000, 0); };</script></body></html>
HTML
chromium --headless --no-sandbox --disable-gpu --disable-web-security --hide-scrollbars \
  --force-device-scale-factor=1 --window-size=960,640 --virtual-time-budget=2000 \
  --screenshot="$tmp/ebook.png" "file://$tmp/view.html" 2>/dev/null
cp "$tmp/ebook.png" docs/ebook-page.png
echo "docs/manuscript-page.png docs/ebook-page.png"
