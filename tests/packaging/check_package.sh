#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from a build tree and checks it as a packager and a software
# centre would: lintian (no error, no warning), the AppStream metadata (appstreamcli, pedantic;
# without the network, which a build machine may lack, for the screenshot and home-page
# links), the desktop file, both manual pages rendered without a warning, and the bash
# completion offering the commands and options.
#   check_package.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2
for tool in cpack lintian appstreamcli desktop-file-validate man dpkg-deb; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/deps.sh test installs it)"; exit 77; }
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# The package as the README builds it, for /usr.
(cd "$build" && cpack -G DEB -B "$out" -D CPACK_PACKAGING_INSTALL_PREFIX=/usr >"$out/cpack.log" 2>&1) \
  || { cat "$out/cpack.log"; fail "cpack"; exit 1; }
deb=$(ls "$out"/*.deb)
echo "== lintian $(basename "$deb")"
lintian --fail-on error,warning --suppress-tags-from-file /dev/null "$deb" || fail "lintian"

mkdir "$out/root"
dpkg-deb -x "$deb" "$out/root"
meta=$(ls "$out"/root/usr/share/metainfo/*.metainfo.xml)
echo "== appstreamcli validate --pedantic --no-net"
appstreamcli validate --pedantic --no-net "$meta" || fail "appstreamcli"
echo "== desktop-file-validate"
for d in "$out"/root/usr/share/applications/*.desktop; do
  report=$(desktop-file-validate "$d" 2>&1 | grep -v ': hint: ' || true)
  [ -z "$report" ] || { echo "$report"; fail "desktop-file-validate"; }
done
[ "$(basename "$meta" .metainfo.xml).desktop" = "$(basename "$(ls "$out"/root/usr/share/applications/*.desktop)")" ] \
  || fail "the AppStream id and the desktop file's name differ"
echo "== manual pages"
for page in "$out"/root/usr/share/man/man1/*; do
  warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null || true)
  [ -z "$warnings" ] || { echo "$(basename "$page"): $warnings"; fail "man $(basename "$page")"; }
done
[ -e "$out/root/usr/share/man/man1/penwick.1.gz" ] || fail "penwick.1 is not installed (compressed)"
[ -e "$out/root/usr/share/man/man1/penwick-cli.1.gz" ] || fail "penwick-cli.1 is not installed (compressed)"
echo "== bash completion"
words=$(bash -c 'source "$1"; COMP_WORDS=(penwick-cli ""); COMP_CWORD=1; _penwick_cli; echo "${COMPREPLY[*]}"' _ \
  "$out/root/usr/share/bash-completion/completions/penwick-cli")
[ "$words" = "info export count backups grep target stats proofread --version --help" ] || fail "completion offers: $words"
exit $failed
