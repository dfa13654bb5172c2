#!/usr/bin/env bash
# Load benchmark: builds the Release programs, writes invoice workbooks of
# 1,000 to 1,000,000 lines (texts as shared strings and inline), and prints
#   1. how time and memory grow with the line count (wimport-bench per file),
#   2. the 200,000-line workbooks loaded as whole processes beside the floor
#      and beside orcus (hyperfine medians; peak memory from /usr/bin/time),
#   3. start-up, and the view with the 1,000,000-line workbook on screen.
# Usage: scripts/bench.sh [LINES...]     (default: 1000 10000 100000 200000 1000000)
# Workbooks are kept in $BENCH_DIR (default /var/tmp/wimport-bench) and reused.
set -euo pipefail
cd "$(dirname "$0")/.."

# orcus, hyperfine and an X server for the comparison; the benchmark itself needs only the project's packages.
want=(liborcus-dev hyperfine xvfb xauth)
missing=()
for p in "${want[@]}"; do dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p"); done
if ((${#missing[@]})); then
  if [ "$(id -u)" = 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}" >/dev/null
  elif sudo -n true 2>/dev/null; then
    sudo DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}" >/dev/null
  else
    echo "note: not installed (${missing[*]}); the parts that need them are left out" >&2
  fi
fi

build=${BUILD_DIR:-build-bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON >/dev/null
cmake --build "$build" --target wimport-bench wimport-viewbench >/dev/null
if pkg-config --exists liborcus-0.17; then cmake --build "$build" --target orcus-load >/dev/null; fi
bench=$build/tests/bench

dir=${BENCH_DIR:-/var/tmp/wimport-bench}
mkdir -p "$dir"
sizes=("$@")
((${#sizes[@]})) || sizes=(1000 10000 100000 200000 1000000)

workbook() { # LINES KIND -> path, written once
  local f=$dir/invoice-$1-$2.xlsx
  if [ ! -s "$f" ]; then
    if [ "$2" = inline ]; then "$bench/wimport-bench" --generate "$1" "$f" --inline
    else "$bench/wimport-bench" --generate "$1" "$f"; fi
  fi
  echo "$f"
}

echo "## Growth with the line count (medians of the runs; peaks per stage)"
echo
echo "| texts | lines | cells | floor s | load s | load/floor | read+JSON s | load peak MiB | load µs/line | KiB/line |"
echo "|---|---|---|---|---|---|---|---|---|---|"
for kind in shared inline; do
  for n in "${sizes[@]}"; do
    f=$(workbook "$n" "$kind")
    runs=9; [ "$n" -ge 1000000 ] && runs=3
    IFS=$'\t' read -r cells fl ld rd _ pl _ < <("$bench/wimport-bench" "$f" --runs "$runs" --tsv)
    awk -v k="$kind" -v n="$n" -v c="$cells" -v fl="$fl" -v ld="$ld" -v rd="$rd" -v pl="$pl" \
      'BEGIN { printf "| %s | %d | %d | %.3f | %.3f | %.2f | %.3f | %.1f | %.2f | %.3f |\n",
               k, n, c, fl, ld, ld / fl, rd, pl, ld * 1e6 / n, pl * 1024 / n }'
  done
done

if command -v hyperfine >/dev/null && [ -x "$bench/orcus-load" ]; then
  echo
  echo "## Whole processes, 200,000 lines (hyperfine, 15 runs each, median)"
  echo
  echo "| workbook | floor | our load | orcus (factory keeping nothing) | our peak | orcus peak |"
  echo "|---|---|---|---|---|---|"
  for kind in shared inline; do
    f=$(workbook 200000 "$kind")
    json=$(mktemp)
    hyperfine -N -w 2 -r 15 --export-json "$json" \
      "$bench/wimport-bench --floor $f" "$bench/wimport-bench --load $f" "$bench/orcus-load $f" >/dev/null 2>&1
    medians=$(python3 -c "import json,sys; print(' '.join('%.3f' % r['median'] for r in json.load(open(sys.argv[1]))['results']))" "$json")
    rm -f "$json"
    ours=$(/usr/bin/time -f %M "$bench/wimport-bench" --load "$f" 2>&1 >/dev/null | tail -1)
    theirs=$(/usr/bin/time -f %M "$bench/orcus-load" "$f" 2>&1 >/dev/null | tail -1)
    read -r a b c <<<"$medians"
    echo "| $kind | $a s | $b s | $c s | $((ours / 1024)) MiB | $((theirs / 1024)) MiB |"
  done
  echo
  echo "(orcus 0.17 reads no inline strings: on the inline workbook it skips three cells of five.)"
fi

echo
echo "## Start-up and the view"
echo
big=$(workbook 1000000 inline)
if command -v xvfb-run >/dev/null; then
  xvfb-run -a -s "-screen 0 1280x1024x24" "$bench/wimport-viewbench" "$big" 2>/dev/null
else
  QT_QPA_PLATFORM=offscreen "$bench/wimport-viewbench" "$big" 2>/dev/null
fi
