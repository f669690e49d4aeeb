#!/bin/sh
# Builds the benchmarks natively, runs every one of them RUNS times (3 by default)
# and writes one table of their util-beside-peer figures, with the median of the
# runs, and a bar chart of the median ratios (gnuplot).
#
# Usage: scripts/bench.sh [OUTPUT_DIR]        (default build/bench-results)
#   RUNS=n       runs per benchmark
#   BENCH_BIN=d  run the benchmark binaries found in d instead of building them
#                (a copy kept from an earlier commit, with its libutil.so)
#
# Every ratio reads "above 1.0: util is faster" (peer time / util time). Rows in
# ns are times, not ratios: what a fast path (a silent tracer, a filtered record)
# costs beyond an empty loop. A loaded machine skews every figure;
# compare runs taken on the same machine, at the same time.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build/bench-results}
runs=${RUNS:-3}
mkdir -p "$out"
out=$(cd "$out" && pwd)

if [ -z "${BENCH_BIN:-}" ]; then
  "$root/scripts/install-deps.sh" all
  cmake -S "$root" -B "$root/build/native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DUTIL_BUILD_BENCH=ON >/dev/null
  targets=$(cd "$root/bench" && grep -ho 'add_executable(bench_[a-z_]*' CMakeLists.txt | sed 's/add_executable(//' | sort -u)
  # shellcheck disable=SC2086
  cmake --build "$root/build/native" -j2 --target $targets
  BENCH_BIN=$root/build/native/bin
fi
export LD_LIBRARY_PATH="$BENCH_BIN${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"

# One line per figure: "benchmark<TAB>case<TAB>value<TAB>unit", from the block every
# benchmark prints at its end: "  <case>  <value> x|ns".
extract() {
  awk -v b="${1#bench_}" '/^util beside its peers/ { block = 1; next }
    block && ($NF == "x" || $NF == "ns") && NF >= 3 {
      label = $1; for (i = 2; i <= NF - 2; i++) label = label " " $i
      printf "%s\t%s\t%s\t%s\n", b, label, $(NF - 1), $NF }'
}

raw=$out/raw.tsv
: >"$raw"
for binary in "$BENCH_BIN"/bench_*; do
  [ -x "$binary" ] || continue
  name=$(basename "$binary")
  run=1
  while [ "$run" -le "$runs" ]; do
    echo "== $name, run $run of $runs" >&2
    "$binary" >"$out/$name.$run.txt" 2>&1 || echo "$name run $run failed" >&2
    sed 's/\x1b\[[0-9;]*m//g' "$out/$name.$run.txt" | extract "$name" | awk -v r="$run" -F '\t' '{ print $0 "\t" r }' >>"$raw"
    run=$((run + 1))
  done
done

# The table: one row per figure, every run and the median.
table=$out/bench.txt
awk -F '\t' -v runs="$runs" '
  { key = $1 "\t" $2; if (!(key in unit)) { order[++n] = key; unit[key] = $4 } value[key, $5] = $3 }
  END {
    printf "%-12s %-46s", "benchmark", "case"
    for (r = 1; r <= runs; r++) printf " %8s", "run " r
    printf " %8s %s\n", "median", "unit"
    for (i = 1; i <= n; i++) {
      key = order[i]; split(key, part, "\t"); m = 0
      printf "%-12s %-46s", part[1], part[2]
      for (r = 1; r <= runs; r++) {
        if ((key, r) in value) { printf " %8.2f", value[key, r]; v[++m] = value[key, r] } else printf " %8s", "-"
      }
      for (a = 1; a <= m; a++) for (b = a + 1; b <= m; b++) if (v[b] < v[a]) { t = v[a]; v[a] = v[b]; v[b] = t }
      median = m == 0 ? 0 : (m % 2 ? v[(m + 1) / 2] : (v[m / 2] + v[m / 2 + 1]) / 2)
      printf " %8.2f %s\n", median, unit[key] == "x" ? "ratio (above 1: util faster)" : "ns"
      if (unit[key] == "x") printf "%s: %s\t%.3f\n", part[1], part[2], median > "/dev/stderr"
    }
  }' "$raw" >"$table" 2>"$out/ratios.tsv"
cat "$table"

# The chart: median ratios as horizontal bars, with the 1.0 line.
if command -v gnuplot >/dev/null 2>&1 && [ -s "$out/ratios.tsv" ]; then
  rows=$(wc -l <"$out/ratios.tsv")
  gnuplot <<EOF
set terminal pngcairo noenhanced size 900,$((120 + rows * 22)) font ",9"
set output "$out/bench.png"
set datafile separator "\t"
set title "util beside its peers: median of $runs runs (above 1: util is faster)"
set style fill solid 0.6
set boxwidth 0.6
set yrange [-1:$rows]
set xrange [0:*]
set ytics nomirror
set grid x
unset key
set arrow from 1, graph 0 to 1, graph 1 nohead lw 2 lc rgb "red"
plot "$out/ratios.tsv" using (\$2 / 2.0):(\$0):(\$2 / 2.0):(0.3):yticlabels(1) with boxxyerrorbars lc rgb "steelblue"
EOF
  echo "chart: $out/bench.png"
fi
echo "table: $table"
