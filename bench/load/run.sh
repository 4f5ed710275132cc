#!/usr/bin/env bash
# A thousand jobs (or $1) through the real runtimes, started and stopped at
# random, under AddressSanitizer and UBSan: the job test that CI runs with 200.
# Prints the jobs by kind, the complete files left, wall time, peak memory and
# whether LeakSanitizer found anything at exit.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
jobs=${1:-1000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$top/scripts/build.sh" build-asan -DVOCALITH_SANITIZER=address,undefined -- jobs_load_test >/dev/null
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$top/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export ALSA_CONFIG_PATH="$top/tests/data/alsa-file.conf" VOCALITH_LOAD_JOBS=$jobs TMPDIR=$work

status=0
/usr/bin/time -f '%e %M' -o "$work/time" "$top/build-asan/bin/jobs_load_test" >"$work/log" 2>&1 ||
    status=$?
read -r elapsed peak <"$work/time"
grep -E "^[0-9]+ jobs:" "$work/log" || true
grep -E "Failure|ERROR: (Address|Leak)Sanitizer|runtime error" -A3 "$work/log" | head -40 || true
echo "wall ${elapsed} s, $(awk -v s="$elapsed" -v n="$jobs" 'BEGIN { printf "%.0f", 1000 * s / n }') ms a job, peak ${peak} kB"
if grep -q "ERROR: LeakSanitizer" "$work/log"; then echo "leaks: found"; else echo "leaks: none"; fi
[ "$status" -eq 0 ] && echo "result: passed" || { echo "result: FAILED ($status)"; exit 1; }
