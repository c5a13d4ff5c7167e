#!/usr/bin/env bash
# Builds a release of Telvia and checks it. Writes into build/release/:
#   telvia-VERSION-setup.exe      the installer (per user by default; /ALLUSERS for all)
#   telvia-VERSION-portable.zip   the same files in one folder "Telvia/" that runs unpacked
# Both carry telvia.exe and, beside it, the stream probe telvia-probe.exe.
# VERSION is the project version of the top CMakeLists.txt. The program is the `windows`
# preset's (a Release build, in build/windows), the user manual Telvia.chm is built from
# docs/manual/. At the end scripts/check-release.sh checks both packages, under Wine.
# Needs makensis (package nsis), chmcmd (fp-utils) and zip: `scripts/setup.sh --release`
# installs them.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

missing=()
for tool in makensis:nsis chmcmd:fp-utils chmls:fp-utils zip:zip unzip:unzip; do
  command -v "${tool%%:*}" >/dev/null || missing+=("${tool%%:*} (Debian package ${tool#*:})")
done
if [ ${#missing[@]} -gt 0 ]; then
  printf 'release: missing %s\n' "${missing[@]}" >&2
  echo "release: scripts/setup.sh --release installs them" >&2
  exit 1
fi

scripts/setup.sh
echo "release: building telvia.exe and telvia-probe.exe (windows preset, Release)"
build=$root/build/windows
mkdir -p "$build"
{ nice cmake --preset windows && nice cmake --build --preset windows --target telvia telvia-probe telvia_first_run_data telvia-remote; } \
  >"$build/release-build.log" 2>&1 || {
  tail -n 40 "$build/release-build.log" >&2
  echo "release: the build failed (all of it in $build/release-build.log)" >&2
  exit 1
}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "release: no project version in $build/CMakeCache.txt" >&2; exit 1; }
quad=$(sed -n 's/^#define TELVIA_VERSION_QUAD "\(.*\)"$/\1/p' "$build/src/resources/version.h")

out=$root/build/release
rm -rf "$out"
stage=$out/stage/Telvia
mkdir -p "$stage"
cmake --install "$build" --prefix "$stage" >/dev/null

# The demo video plays offline from the first-run catalogue's demo channel, which names it
# by relative name. It ships when it is small; a large one would weigh on every download.
demo_limit=$((2 * 1024 * 1024))
if [ -f "$stage/demo.wmv" ] && [ "$(stat -c %s "$stage/demo.wmv")" -gt "$demo_limit" ]; then
  echo "release: demo.wmv is over $((demo_limit / 1024 / 1024)) MiB, left out"
  rm -f "$stage/demo.wmv"
fi

echo "release: building the user manual"
manual=$out/manual
cp -r docs/manual "$manual"
(cd "$manual" && chmcmd telvia.hhp >"$out/chmcmd.log" 2>&1) || {
  cat "$out/chmcmd.log" >&2
  echo "release: chmcmd failed" >&2
  exit 1
}
cp "$manual/Telvia.chm" "$stage/Telvia.chm"

# Line ends that every Windows editor shows.
sed 's/$/\r/' packaging/translations-readme.txt >"$stage/translations/README.txt"

# The installer's file list: what it puts in place and what its uninstaller removes.
files_nsh=$out/stage/files.nsh
(
  cd "$stage"
  echo '!macro TelviaInstallFiles'
  find . -type d | sort | while read -r dir; do
    rel=${dir#.}; rel=${rel#/}
    win=${rel//\//\\}
    echo "  SetOutPath \"\$INSTDIR${win:+\\$win}\""
    find "$dir" -maxdepth 1 -type f | sort | while read -r file; do
      echo "  File \"$stage/${file#./}\""
    done
  done
  echo '!macroend'
  echo '!macro TelviaRemoveFiles'
  find . -type f | sort | while read -r file; do
    rel=${file#./}
    echo "  Delete \"\$INSTDIR\\${rel//\//\\}\""
  done
  find . -mindepth 1 -type d | sort -r | while read -r dir; do
    rel=${dir#./}
    echo "  RMDir \"\$INSTDIR\\${rel//\//\\}\""
  done
  echo '!macroend'
) >"$files_nsh"

setup=$out/telvia-$version-setup.exe
echo "release: building $(basename "$setup")"
makensis -V2 -INPUTCHARSET UTF8 \
  -DVERSION="$version" -DVERSION_QUAD="$quad" -DSTAGE="$stage" -DFILES="$files_nsh" \
  -DICON="$root/src/resources/telvia.ico" -DOUTFILE="$setup" \
  packaging/telvia.nsi >"$out/makensis.log" 2>&1 || {
  cat "$out/makensis.log" >&2
  echo "release: makensis failed" >&2
  exit 1
}

portable=$out/telvia-$version-portable.zip
echo "release: building $(basename "$portable")"
(cd "$out/stage" && zip -q -X -r "$portable" Telvia)

scripts/check-release.sh "$out" "$version"
echo "release: $setup"
echo "release: $portable"
