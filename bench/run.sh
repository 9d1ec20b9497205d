#!/usr/bin/env bash
# Side-by-side speed run on one corpus: kalvane-cli render --batch to SVG, MathJax 3 (TeX to SVG)
# and KaTeX (TeX to HTML), in one run on the same machine. Prints equations per second for each,
# the ratio to MathJax, and the batch run's peak memory.
#
# Usage: bench/run.sh [CORPUS.tsv] [ROUNDS] [RUNS]
#   ROUNDS (default 40): how many times the corpus is repeated, for every program alike.
#   RUNS (default 5): whole kalvane-cli runs; the median is reported (a run lasts a fraction of a
#   second, so one slow moment of a shared machine would otherwise decide the figure). MathJax
#   and KaTeX time one long loop after a warm-up round inside one process.
#   KALVANE_CLI        the program to time (default: build/src/kalvane-cli)
#   KALVANE_BENCH_DIR  where the pictures go (default: /dev/shm when there is one). MathJax and
#                      KaTeX keep their output in memory, so the pictures go to a memory-backed
#                      folder too; on a disk, creating thousands of files costs more than drawing.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
corpus="${1:-$here/corpus.tsv}"
rounds="${2:-40}"
runs="${3:-5}"
cli="${KALVANE_CLI:-$here/../build/src/kalvane-cli}"

if [[ ! -d "$here/node_modules/mathjax-full" || ! -d "$here/node_modules/katex" ]]; then
  (cd "$here" && npm ci --no-audit --no-fund >/dev/null)
fi

bench_dir="${KALVANE_BENCH_DIR:-$([[ -d /dev/shm ]] && echo /dev/shm || echo "${TMPDIR:-/tmp}")}"
work="$(mktemp -d "$bench_dir/kalvane-bench-XXXXXX")"
trap 'rm -rf "$work"' EXIT

# The batch list: the kalvane column of the corpus, repeated ROUNDS times.
tail -n +2 "$corpus" | cut -f2 > "$work/one-round.txt"
for ((round = 0; round < rounds; round++)); do cat "$work/one-round.txt"; done > "$work/list.txt"
count="$(wc -l < "$work/list.txt")"

# Whole-program runs: process start, font loading and every file write are counted.
for ((run = 0; run < runs; run++)); do
  rm -rf "$work/out"
  start="$(date +%s.%N)"
  /usr/bin/time -f '%M' -o "$work/peak-kib-$run" \
    "$cli" render --batch "$work/list.txt" --out-dir "$work/out" --format svg 2>"$work/errors" ||
    { echo "kalvane-cli render --batch failed:" >&2; cat "$work/errors" >&2; exit 1; }
  awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { print b - a }' >> "$work/seconds"
done
seconds="$(sort -g "$work/seconds" | awk '{ s[NR] = $1 } END { print s[int((NR + 1) / 2)] }')"
peak="$(cat "$work"/peak-kib-* | sort -n | tail -1)"
kalvane_rate="$(awk -v n="$count" -v s="$seconds" 'BEGIN { print n / s }')"
printf 'kalvane-cli render --batch to SVG: %d equations in %.3f s (median of %d runs) = %.0f per second (peak memory %d KiB)\n' \
  "$count" "$seconds" "$runs" "$kalvane_rate" "$peak"

mathjax_line="$(node "$here/mathjax_svg.mjs" "$corpus" "$rounds")"
echo "$mathjax_line"
node "$here/katex_html.mjs" "$corpus" "$rounds"

mathjax_rate="$(sed -E 's/.* = ([0-9]+) per second.*/\1/' <<< "$mathjax_line")"
awk -v k="$kalvane_rate" -v m="$mathjax_rate" 'BEGIN { printf "ratio kalvane / MathJax: %.1f\n", k / m }'
