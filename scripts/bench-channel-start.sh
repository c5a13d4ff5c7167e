#!/usr/bin/env bash
# Prints how long a channel (HLS with transport stream or fragmented MP4 segments, or DASH)
# takes to start against the bare network fetches it needs, over
# a loopback server with a round trip per request and a capped rate (defaults: 50 ms,
# 10 Mbit/s). Builds the benchmark with the windows preset and runs it under Wine.
#   scripts/bench-channel-start.sh [--kind=ts|fmp4|dash] [--latency=MS] [--rate=BYTES_PER_SECOND] [--runs=N]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
cmake --preset windows >/dev/null
cmake --build --preset windows --target telvia_channel_start_benchmark >/dev/null
export TELVIA_WINE_STATE=$root/build/windows/wine
scripts/wine-session.sh start >/dev/null
trap 'scripts/wine-session.sh stop >/dev/null 2>&1' EXIT
scripts/wine-run.sh build/windows/benchmarks/telvia_channel_start_benchmark.exe "$@" 2>/dev/null
