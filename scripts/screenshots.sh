#!/usr/bin/env bash
# Renews the pictures in docs/: every opt-in screenshot test (they run only when LUMIVEX_SCREENSHOTS
# names a folder) under a virtual X server, since some of them grab the screen (open menus, floating
# pictures) rather than one window.
# scripts/screenshots.sh [BUILD_DIR] [FOLDER]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
export LUMIVEX_SCREENSHOTS="${2:-$root/docs}" QT_QPA_PLATFORM=xcb
mkdir -p "$LUMIVEX_SCREENSHOTS"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -e
  "$0/test_settings" --gtest_filter="Screenshots.*"
  "$0/test_imagetools" --gtest_filter="Screenshots.*"
  "$0/test_archive_windows" --gtest_filter="Screenshots.*"
  "$0/test_albums" --gtest_filter="Screenshots.*"
  "$0/test_workspace_edit" --gtest_filter="PageViewScreenshots.*"
' "$build/bin"
