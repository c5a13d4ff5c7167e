#!/usr/bin/env bash
# Prints every #include in src/ that runs upward through the layers of the program, one per
# line as FILE:LINE: FROM -> TO, and exits 1 when there is one. Run from anywhere.
#
# Each list names the layers of one folder, bottom to top: a file may include its own
# layer's files and those of the layers below it. A file directly in the folder, or in a
# sub-folder not listed, stands on top of it. The top-level folders of src/ follow the same
# rule (a folder not listed there, the composition root for one, may include anything).
set -euo pipefail
cd "$(dirname "$0")/../src"

declare -A layers=(
  [.]="common resources platform i18n catalogue playback dialogs app"
  [platform/win32]="base net desktop media"
  [playback/stream]="address net container hls dash delivery session"
)

# The rank of a layer in a list; past the end for anything not in it.
rank() {
  local i=0 name
  for name in $1; do
    [ "$name" = "$2" ] && { echo "$i"; return; }
    i=$((i + 1))
  done
  echo 99
}

found=0
while IFS=: read -r file line text; do
  file=${file#./}
  target=$(sed -nE 's/^\s*#\s*include\s*"([^"]+)".*/\1/p' <<<"$text")
  [ -n "$target" ] && [ -e "$target" ] || continue
  for folder in "${!layers[@]}"; do
    prefix=$([ "$folder" = . ] && echo "" || echo "$folder/")
    [[ "$file" == "$prefix"* && "$target" == "$prefix"* ]] || continue
    from=${file#"$prefix"}
    to=${target#"$prefix"}
    # Files directly in the folder are its top; only sub-folders have a layer.
    [[ "$from" == */* && "$to" == */* ]] || continue
    from=${from%%/*}
    to=${to%%/*}
    if [ "$(rank "${layers[$folder]}" "$from")" -lt "$(rank "${layers[$folder]}" "$to")" ]; then
      echo "src/$file:$line: ${prefix}$from -> ${prefix}$to"
      found=1
    fi
  done
done < <(grep -rnE '^\s*#\s*include\s*"' . --include='*.h' --include='*.cpp' --include='*.rc')
exit $found
