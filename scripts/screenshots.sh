#!/usr/bin/env bash
# Pictures of the settings dialogs for docs/, grabbed by the dialogs themselves (Qt's own grab) over
# a small document, with SANE's test backend as the scanner.
# scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
QT_QPA_PLATFORM=offscreen LUMIVEX_SCREENSHOTS="$root/docs" "$build/bin/test_settings" --gtest_filter='Screenshots.*'
