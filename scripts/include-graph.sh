#!/usr/bin/env bash
# Prints the include arrows between folders ("from -> to: count") and fails when they run in a
# circle. A folder is the directory a file lives in; includes name their folder from the top.
set -euo pipefail
cd "$(dirname "$0")/.."
edges=$(grep -rHo --include='*.h' --include='*.cpp' '^#include "[^"]*/[^"]*"' \
          app wave serial unit sim tests bench fuzz |
        sed -E 's|^([^:]*)/[^/:]*:#include "(.*)/[^/]*"$|\1 \2|' | awk '$1 != $2')
sort <<<"$edges" | uniq -c | awk '{printf "%-14s -> %-14s %d\n", $2, $3, $1}'
if ! loop=$(sort -u <<<"$edges" | tsort 2>&1 >/dev/null); then
  echo "$loop" >&2
  echo "include-graph: the folders include each other in a circle" >&2
  exit 1
fi
echo "include-graph: no circle between folders"
