#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the README's screenshots from the running application under Xvfb:
#   docs/screenshot-vertical.png  the sample project, first chapter in vertical writing
#   docs/screenshot-outline.png   the outline with a chapter's paragraph selected
#   docs/screenshot-position.png  the position line at the foot, target bars in the outline
#   docs/screenshot-proofread.png the 校正 panel beside the outline, wavy marks in the text
#   docs/screenshot-counter.png   the manuscript-paper counter dialog
# Usage: scripts/screenshots.sh [BUILD_DIR]   (default build/release; built when penwick is missing)
# Needs xvfb-run and xdotool (installed when missing). Settings and backups of the run go to
# a temporary folder, so the user's own window size and files are untouched.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}

if [ -z "${PENWICK_SHOTS_DISPLAY:-}" ]; then
  scripts/deps.sh test
  if ! command -v xdotool >/dev/null; then
    sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends xdotool
  fi
  if [ ! -x "$build/bin/penwick" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DPENWICK_BENCH=OFF >/dev/null
    cmake --build "$build" --target penwick
  fi
  cmake -S scripts/xgrab -B build/xgrab -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build/xgrab >/dev/null
  mkdir -p docs
  # Once more, inside a virtual X server of a laptop's size.
  PENWICK_SHOTS_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$build"
fi

export QT_QPA_PLATFORM=xcb
tmp=$(mktemp -d)
export XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data XDG_CACHE_HOME=$tmp/cache
pid=""
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$tmp"; }
trap cleanup EXIT

grab() { build/xgrab/xgrab --pid "$pid" --out "$@"; }

# A copy: the application may save the project it shows (the counter saves before counting).
cp examples/sample.xml "$tmp/sample.xml"
# Targets beside it, for the position line's progress and the outline's bars.
printf 'target=60枚\ndeadline=2027-03-31\nnode.羅生門=15枚\nnode.蜘蛛の糸=10枚\n' > "$tmp/sample.xml.targets"
"$build/bin/penwick" --project "$tmp/sample.xml" &
pid=$!
build/xgrab/xgrab --pid "$pid" --out "$tmp/first.png"   # waits for the window to map
win=$(xdotool search --sync --onlyvisible --pid "$pid" | head -n 1)
# No window manager here: place and size the window ourselves and give it the keyboard;
# keys then go through XTEST like a real keyboard's (Qt ignores synthetic key events).
xdotool windowmove "$win" 0 0 windowsize --sync "$win" 1100 720 windowfocus --sync "$win"
sleep 1

# Rows of the outline in the left pane, in window coordinates (18 pixels a row with the
# default font): 羅生門 is the first, 蜘蛛の糸 the seventh and its first section the eighth.
row() { echo $((33 + 18 * ($1 - 1))); }

# Vertical editing: the first chapter, 羅生門, in the editor.
xdotool mousemove --window "$win" 45 "$(row 1)" click 1
sleep 2   # let the editor lay out and paint the chapter
grab docs/screenshot-vertical.png
echo "docs/screenshot-vertical.png"

# The outline: a section of the second story selected, its text beside it.
xdotool mousemove --window "$win" 50 "$(row 8)" click 1
sleep 2
grab docs/screenshot-outline.png
echo "docs/screenshot-outline.png"

# The position line (Ctrl+Shift+P) with the caret in the section's text, and the outline's
# target bars under 羅生門 (reached) and 蜘蛛の糸.
xdotool key ctrl+shift+p
xdotool mousemove --window "$win" 900 200 click 1
sleep 1
grab docs/screenshot-position.png
echo "docs/screenshot-position.png"
xdotool key ctrl+shift+p

# Proofreading (F7): 羅生門 in the editor with its marks, the panel in the outline's place.
xdotool mousemove --window "$win" 45 "$(row 1)" click 1
sleep 1
xdotool key F7
sleep 3   # the whole project read, the list filled
grab docs/screenshot-proofread.png
echo "docs/screenshot-proofread.png"
xdotool key F7

# The counter: その他(&O) > 原稿用紙カウンター(&L). It opens a dialog, a second window.
xdotool key alt+o
sleep 0.5
xdotool key l
if build/xgrab/xgrab --pid "$pid" --windows 2 --timeout 5 --out "$tmp/counter.png"; then
  sleep 1.5   # the dialog counts the project before it shows its figures
  grab docs/screenshot-counter.png --windows 2
  echo "docs/screenshot-counter.png"
else
  xdotool key Escape Escape
  echo "note: no counter dialog appeared (the command is disabled or not built yet); docs/screenshot-counter.png left as it was" >&2
fi
