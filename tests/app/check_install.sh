#!/usr/bin/env bash
# cmake --install into a folder of its own, then the installed program as the desktop starts it:
# check_install.sh BUILD_DIR WORK_DIR
# The installed files are where the desktop looks for them, the entry validates and names the
# installed command, --help and --version answer without a display, and the installed program loads
# the engine from its own folder and opens the installed guide.
set -euo pipefail
build="$1"
work="$2"
rm -rf "$work"
mkdir -p "$work"
prefix="$work/prefix"
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >"$work/install.log"

for f in bin/kvtLumivex lib/kvtLumivex/kvtLumivex lib/kvtLumivex/libannolyx.so \
         share/applications/kvtLumivex.desktop share/mime/packages/kvtLumivex.xml \
         share/icons/hicolor/scalable/apps/kvtLumivex.svg share/Quorvane/kvtLumivex/guide/index.html; do
  [ -e "$prefix/$f" ] || fail "$f is not installed"
done
[ -x "$prefix/bin/kvtLumivex" ] || fail "bin/kvtLumivex does not run"

entry="$prefix/share/applications/kvtLumivex.desktop"
desktop-file-validate "$entry" || fail "desktop-file-validate refuses the installed entry"
grep -qx "Exec=\"$prefix/bin/kvtLumivex\" %f" "$entry" || fail "Exec does not name the installed command: $(grep ^Exec= "$entry")"
grep -qx "Icon=kvtLumivex" "$entry" || fail "the entry does not use the program's icon"

# No display at all: these must not open a window.
out="$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$prefix/bin/kvtLumivex" --version)" || fail "--version failed"
case "$out" in "kvtLumivex (Image Lumivex) "[0-9]*) ;; *) fail "--version printed: $out" ;; esac
out="$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$prefix/bin/kvtLumivex" --help)" || fail "--help failed"
case "$out" in "Usage: kvtLumivex "*) ;; *) fail "--help printed: $out" ;; esac

# The installed program, started through its link, asked for Help > Contents: a stand-in xdg-open
# notes the file it is given and ends the program.
mkdir -p "$work/bin" "$work/home"
cat >"$work/bin/xdg-open" <<SCRIPT
#!/bin/sh
printf '%s' "\$1" > "$work/opened"
kill \$PPID
SCRIPT
chmod +x "$work/bin/xdg-open"
printf 'LUMIVEX-REGISTRY 1\n' >"$work/registry"
status=0
env HOME="$work/home" XDG_DATA_HOME="$work/home/data" XDG_CONFIG_HOME="$work/home/config" \
    LUMIVEX_REGISTRY="$work/registry" SANE_CONFIG_DIR="$work" QT_QPA_PLATFORM=offscreen \
    LUMIVEX_AFTER_START=mnuHelpContents PATH="$work/bin:$PATH" LD_DEBUG=files \
    timeout 60 "$prefix/bin/kvtLumivex" 2>"$work/run.log" || status=$?
[ "$status" -ne 124 ] || fail "the installed program never asked for its guide"
[ "$(cat "$work/opened" 2>/dev/null)" = "$prefix/share/Quorvane/kvtLumivex/guide/index.html" ] ||
  fail "the guide handed to the browser: $(cat "$work/opened" 2>/dev/null)"
grep -q "file=$prefix/lib/kvtLumivex/libannolyx.so .*dynamically loaded" "$work/run.log" ||
  fail "the engine was not loaded from the program's folder"
echo "installed and started from $prefix"
