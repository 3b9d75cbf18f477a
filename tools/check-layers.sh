#!/usr/bin/env bash
# Fails when a source file includes a header from a layer above its own (or from
# a sibling layer). The code folders are layers, lowest first:
#   common  <-  platform  <-  output, internet  <-  storage  <-  sync, ftp  <-  main
# A file may include headers of its own folder and of the folders below it.
set -u
root="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
cd "$root" || exit 2

declare -A rank=([common]=0 [platform]=1 [output]=2 [internet]=2 [storage]=3 [sync]=4 [ftp]=4 [main]=5)
bad=0
while IFS= read -r file; do
    own="${file%%/*}"
    while IFS= read -r line; do
        number="${line%%:*}"
        header="$(sed -E 's/^[^"]*"([^"]+)".*/\1/' <<<"${line#*:}")"
        used="${header%%/*}"
        [ -n "${rank[$used]+x}" ] || continue
        [ "$used" = "$own" ] && continue
        if (( rank[$used] >= rank[$own] )); then
            echo "$file:$number: $own/ may not include $header ($used/ is not below $own/)"
            bad=1
        fi
    done < <(grep -nE '^\s*#\s*include\s*"' "$file")
done < <(find common platform output internet storage sync ftp main -type f \( -name '*.h' -o -name '*.cpp' \) 2>/dev/null | sort)

if (( bad )); then
    echo "check-layers: includes point up the layers (see above)"
    exit 1
fi
echo "check-layers: every include points down the layers"
