#!/usr/bin/env bash
# The layer stream fuzz target: fuzz/annotation/run_layer_stream_fuzz.sh [SECONDS] [BUILD_DIR]
# (see run_fuzz.sh).
exec "$(dirname "$0")/run_fuzz.sh" layer_stream "$@"
