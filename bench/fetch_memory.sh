#!/usr/bin/env bash
# The memory of one large transfer: nginx serves a 1 GiB sparse file, the harness fetches it with
# the program's own transfer and prints its peak resident memory before and after. The transfer
# writes as it receives, so the peak must not grow by more than 50 MB.
#   bench/fetch_memory.sh [size, as truncate takes it]   (default 1G)
# Exit status 1 when the peak grew by more than 50 MB or the fetch failed.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/nginx.sh

size="${1:-1G}"
harness="${CRAWL_HARNESS:-build/bench/crawl_harness}"
[ -x "$harness" ] || { echo "build the harness first: cmake --build build --target crawl_harness" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-bench-fetch-XXXXXX")
trap 'stop_nginx; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
mkdir -p "$work/site"
truncate -s "$size" "$work/site/big.bin"
expected=$(stat -c %s "$work/site/big.bin")

start_nginx "$work/site/"
report=$("$harness" fetch "http://127.0.0.1:$NGINX_PORT/big.bin" "$work/big.bin")
echo "$report"
received=$(stat -c %s "$work/big.bin" 2>/dev/null || echo 0)
rm -f "$work/big.bin" "$work/site/big.bin"

growth=$(sed -n 's/.*growth: \(-\?[0-9]*\) KiB.*/\1/p' <<<"$report")
echo "served $expected bytes, stored $received bytes"
if [ "$received" -eq "$expected" ] && [ -n "$growth" ] && [ "$growth" -le $((50 * 1000)) ]; then
    echo "peak RSS grew by $growth KiB: within 50 MB"
else
    echo "peak RSS grew by ${growth:-?} KiB, or the file is incomplete: NOT within 50 MB"
    exit 1
fi
