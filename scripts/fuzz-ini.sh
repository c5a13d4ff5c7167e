#!/usr/bin/env bash
# Builds the INI reader fuzz target with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it for a while.
#
#   scripts/fuzz-ini.sh                 # 10 seconds, as in the test command
#   scripts/fuzz-ini.sh --seconds 600   # a longer run
#
# Skips with a message, and succeeds, where clang++ is not installed.
set -euo pipefail

seconds=10
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds="${2:?--seconds needs a number}"; shift 2 ;;
    --seconds=*) seconds="${1#--seconds=}"; shift ;;
    -h|--help) sed -n '2,8p' "$0"; exit 0 ;;
    *) echo "fuzz-ini: unknown argument: $1" >&2; exit 2 ;;
  esac
done
case "$seconds" in ''|*[!0-9]*) echo "fuzz-ini: --seconds takes a whole number" >&2; exit 2 ;; esac

clang=""
for candidate in clang++ clang++-14; do
  if command -v "$candidate" >/dev/null 2>&1; then clang="$candidate"; break; fi
done
if [ -z "$clang" ]; then
  echo "fuzz-ini: SKIPPED: clang++ not found (install clang and libclang-rt-14-dev to fuzz)"
  exit 0
fi

root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build/fuzz-ini"
binary="$out/ini_reader_fuzz"
sources=("$root/tests/fuzz/ini_reader_fuzz.cpp" "$root/src/i18n/ini_reader.cpp"
         "$root/src/i18n/translation_table.cpp")
mkdir -p "$out/corpus"

# Rebuild only when a source or header it reads is newer than the binary.
stale=1
if [ -x "$binary" ]; then
  stale=0
  for f in "${sources[@]}" "$root"/src/i18n/*.h "$root"/src/platform/*.h \
           "$root"/src/resources/resource.h "$0"; do
    if [ "$f" -nt "$binary" ]; then stale=1; break; fi
  done
fi
if [ "$stale" -eq 1 ]; then
  echo "fuzz-ini: building with $clang"
  "$clang" -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -I "$root/src" "${sources[@]}" -o "$binary"
fi

# Seeds: the hand-made ones and the shipped sample translations.
cp -f "$root"/tests/fuzz/seeds/* "$out/corpus/"
for sample in "$root"/translations/*/translation.ini; do
  [ -e "$sample" ] && cp -f "$sample" "$out/corpus/sample-$(basename "$(dirname "$sample")").ini"
done

echo "fuzz-ini: running for ${seconds}s"
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  "$binary" "$out/corpus" -dict="$root/tests/fuzz/ini.dict" -max_total_time="$seconds" \
  -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$out/"
