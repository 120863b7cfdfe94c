#!/usr/bin/env bash
# An installed copy shows the texts of the bundle installed with it, also when
# the installed tree has been moved and no variable points at the source tree.
#   installed_texts.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/installed" >/dev/null
mv "$work/installed" "$work/moved"

# The source tree is still here; the moved copy's bundle gets a text of its
# own, so that the output tells which bundle the program read.
strings=$(find "$work/moved" -path '*/Shortcut.bundle/en.lproj/Localizable.strings')
[ -n "$strings" ] || { echo "the strings bundle was not installed" >&2; exit 1; }
sed -i 's/^"Space" = "Space";$/"Space" = "Installed Space";/' "$strings"
grep -q '"Installed Space"' "$strings"

tilvane() {
  env -u TILVANE_SOURCE_DIR -u TILVANE_RESOURCE_DIR -u DISPLAY HOME="$work" XDG_CONFIG_HOME="$work/config" \
    "$work/moved/bin/tilvane" "$@"
}
tilvane shortcuts set left ctrl+alt+space
listing=$(tilvane shortcuts)
if ! grep -q '^LeftShortcut  *Ctrl+Alt+Installed Space ' <<<"$listing"; then
  echo "expected Control+Option+Space shown with the installed copy's text, got:" >&2
  echo "$listing" >&2
  exit 1
fi
echo "the installed copy shows its own texts"
