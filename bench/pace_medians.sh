#!/bin/bash
# Runs PollingPaceBench RUNS times (default 3) and prints the median of each line.
#   bench/pace_medians.sh [build dir] [seconds per measurement]
#   PIN=0 bench/pace_medians.sh build        pinned to CPU 0 (taskset -c 0)
set -euo pipefail
build=$(realpath "${1:-build}")
seconds=${2:-3}
runs=${RUNS:-3}
pin=()
[[ -n ${PIN:-} ]] && pin=(taskset -c "$PIN")
out=$(mktemp)
trap 'rm -f "$out"' EXIT
for ((i = 0; i < runs; i++)); do
  QT_QPA_PLATFORM=offscreen "${pin[@]}" "$build/bench/PollingPaceBench" "$seconds" 2>/dev/null \
    | grep -v '^measurement' | grep -v '^  (' >>"$out"
done
placement="unpinned"
[[ -n ${PIN:-} ]] && placement="pinned to CPU $PIN"
echo "medians of $runs runs, ${seconds} s each, $placement"
# The label is everything before the last field.
awk '{ v = $NF; $NF = ""; k = $0; if (!(k in n)) order[++m] = k; vals[k, ++n[k]] = v }
     END { for (i = 1; i <= m; i++) { k = order[i]; c = n[k]
             for (a = 1; a <= c; a++) s[a] = vals[k, a]
             for (a = 1; a <= c; a++) for (b = a + 1; b <= c; b++) if (s[b] < s[a]) { t = s[a]; s[a] = s[b]; s[b] = t }
             printf "%-46s %12s\n", k, s[int((c + 1) / 2)] } }' "$out"
