#!/usr/bin/env bash
# Checks the include rules between the parts of the tree:
#  - the filter (filter/) includes only its own headers, the contract folder, the DirectShow
#    base classes and headers, and system headers: never KestraLive's sources (src/);
#  - kestra_core and kestra_net (src/log, src/aes, src/device) never include a Qt Widgets header;
#  - KestraLive (src/) never includes the DirectShow layer (dshow/): no base-class or runtime
#    header and no DirectShow interface header; plain Win32 headers stay allowed.
# Usage: includerules.sh <source root> <QtWidgets include folder>
# Prints one line per violation and exits 1 if there is any.
set -uo pipefail
root=$1
widgets=$2
cd "$root" || exit 2

violations=0
violation() {
  echo "include rule: $1"
  violations=$((violations + 1))
}

# "file:line:name" for every #include of the given files.
includes() {
  grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]' "$@" 2>/dev/null |
    sed -E 's/^([^:]*):([0-9]+):[^<"]*[<"]([^>"]*)[>"].*/\1:\2:\3/'
}

sources_under() {
  find "$@" -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' -o -name '*.cc' \) | sort
}

exists_under() { # name, folders...
  local name=$1 folder
  shift
  for folder in "$@"; do
    [ -e "$folder/$name" ] && return 0
  done
  return 1
}

# The filter: what it includes must come from its allowed roots, never from src/.
mapfile -t filter_files < <(sources_under filter)
while IFS=: read -r file line name; do
  [ -n "$file" ] || continue
  case "$name" in
    *src/* | ../*) violation "$file:$line includes \"$name\" outside the filter"; continue ;;
  esac
  if exists_under "$name" src && ! exists_under "$name" "$(dirname "$file")" filter contract \
       dshow/baseclasses dshow/include; then
    violation "$file:$line includes \"$name\" from src/"
  fi
done < <(includes "${filter_files[@]}")

# kestra_core and kestra_net: no widgets.
mapfile -t net_files < <(sources_under src/log src/aes src/device)
while IFS=: read -r file line name; do
  [ -n "$file" ] || continue
  base=${name#QtWidgets/}
  if [ "$name" != "$base" ] || [ -e "$widgets/$base" ]; then
    violation "$file:$line includes the widget header <$name>"
  fi
done < <(includes "${net_files[@]}")

# KestraLive: nothing of the DirectShow layer.
win32_headers=" windows.h objbase.h unknwn.h ole2.h initguid.h "
mapfile -t live_files < <(sources_under src)
while IFS=: read -r file line name; do
  [ -n "$file" ] || continue
  case "$name" in
    *dshow/*) violation "$file:$line includes \"$name\" from dshow/"; continue ;;
  esac
  [[ "$win32_headers" == *" $name "* ]] && continue
  if exists_under "$name" dshow/baseclasses dshow/include dshow/runtime; then
    violation "$file:$line includes the DirectShow header \"$name\""
  fi
done < <(includes "${live_files[@]}")

if [ "$violations" -ne 0 ]; then
  echo "include rules: $violations violation(s)"
  exit 1
fi
echo "include rules: filter, kestra_core/kestra_net and src/ keep to their includes"
