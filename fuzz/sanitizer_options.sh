# Sourced by the fuzz scripts and the sanitizer pass of scripts/test.sh: the first report of any
# sanitizer stops the run (and a fuzz run leaves its input in the findings), undefined behaviour
# included.
export UBSAN_OPTIONS="halt_on_error=1:abort_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
export ASAN_OPTIONS="abort_on_error=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
# Memory that libraries outside the program keep for the life of the process is no finding.
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/scripts/lsan-suppressions.txt:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
