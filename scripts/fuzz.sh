#!/usr/bin/env bash
# Builds the fuzz targets listed in tests/fuzz/targets.txt with clang (libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer) and runs each for a while, starting from
# its seeds in tests/fuzz/seeds/<target>/ and its dictionary tests/fuzz/<target>.dict.
#
#   scripts/fuzz.sh                              # every target, 10 seconds each (the test command)
#   scripts/fuzz.sh --seconds 600                # every target for longer
#   scripts/fuzz.sh --target ini_reader          # one target
#
# Each target keeps its growing corpus and any crashing input in build/fuzz/<target>/.
# Fails when a target does not build or finds a fault; skips with a message, and
# succeeds, where clang++ or its fuzzing runtime is not installed.
set -euo pipefail

seconds=10
only=""
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds="${2:?--seconds needs a number}"; shift 2 ;;
    --seconds=*) seconds="${1#--seconds=}"; shift ;;
    --target) only="${2:?--target needs a name}"; shift 2 ;;
    --target=*) only="${1#--target=}"; shift ;;
    -h|--help) sed -n '2,12p' "$0"; exit 0 ;;
    *) echo "fuzz: unknown argument: $1" >&2; exit 2 ;;
  esac
done
case "$seconds" in ''|*[!0-9]*) echo "fuzz: --seconds takes a whole number" >&2; exit 2 ;; esac

root="$(cd "$(dirname "$0")/.." && pwd)"
list="$root/tests/fuzz/targets.txt"

# name -> its sources, in file order.
names=()
declare -A sources=()
while read -r name files; do
  case "$name" in ''|'#'*) continue ;; esac
  [ -n "$files" ] || { echo "fuzz: $list: target $name lists no sources" >&2; exit 2; }
  names+=("$name")
  sources[$name]="$files"
done < "$list"
if [ -n "$only" ]; then
  [ -n "${sources[$only]+set}" ] || { echo "fuzz: no target named $only in $list" >&2; exit 2; }
  names=("$only")
fi

clang=""
for candidate in clang++ clang++-14; do
  if command -v "$candidate" >/dev/null 2>&1; then clang="$candidate"; break; fi
done
if [ -z "$clang" ]; then
  echo "fuzz: SKIPPED: clang++ not found (install clang and libclang-rt-14-dev to fuzz)"
  exit 0
fi
flags=(-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
       -I "$root/src" -I "$root/tests/fuzz" -I "$root/tests/fakes")
if ! echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
     "$clang" "${flags[@]}" -x c++ - -o /dev/null >/dev/null 2>&1; then
  echo "fuzz: SKIPPED: $clang cannot build fuzz targets (install libclang-rt-14-dev)"
  exit 0
fi

# Whether the binary is older than anything it is built from: its sources, any header
# they may include, the target list or this script.
stale() {
  local binary="$1"; shift
  [ -x "$binary" ] || return 0
  [ -n "$(find "$@" "$list" "$0" -newer "$binary" -print -quit)" ] && return 0
  [ -n "$(find "$root/src" "$root/tests/fuzz" "$root/tests/fakes" -name '*.h' -newer "$binary" -print -quit)" ]
}

failed=()
for name in "${names[@]}"; do
  out="$root/build/fuzz/$name"
  binary="$out/${name}_fuzz"
  read -r -a files <<< "${sources[$name]}"
  paths=()
  for file in "${files[@]}"; do paths+=("$root/$file"); done
  mkdir -p "$out/corpus"

  if stale "$binary" "${paths[@]}"; then
    echo "fuzz: $name: building with $clang"
    if ! "$clang" "${flags[@]}" "${paths[@]}" -o "$binary"; then
      failed+=("$name (build)")
      continue
    fi
  fi

  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$out/")
  if [ -d "$root/tests/fuzz/seeds/$name" ]; then
    cp -f "$root/tests/fuzz/seeds/$name"/* "$out/corpus/" 2>/dev/null || true
  fi
  [ -f "$root/tests/fuzz/$name.dict" ] && options+=(-dict="$root/tests/fuzz/$name.dict")

  # libFuzzer's progress lines go to a log; a failure shows its end (the report).
  echo "fuzz: $name: running for ${seconds}s"
  if UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
     "$binary" "$out/corpus" "${options[@]}" >"$out/run.log" 2>&1; then
    grep -E '^Done [0-9]+ runs' "$out/run.log" | sed "s/^/fuzz: $name: /" || true
  else
    tail -n 60 "$out/run.log" >&2
    failed+=("$name (log and input in $out/)")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  printf 'fuzz: FAILED: %s\n' "${failed[@]}" >&2
  exit 1
fi
echo "fuzz: ${#names[@]} target(s) passed"
