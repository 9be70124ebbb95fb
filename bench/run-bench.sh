#!/usr/bin/env bash
# Times, side by side in one run, the first full copy (each into a fresh target, on a source
# read once beforehand), a no-op resync and a resync after 1% of the files changed for: this
# engine (windowless and with a window), the command-line engine (Tarnvel.exe's job line, and
# the same steps in-process in the bench driver), xcopy /D /E /Y under the same Wine and native
# rsync -a --delete. The floors, under the same Wine and timed in the same run: a bare
# CopyFileExW loop for the first copy, a bare lister of both trees (the engines' listing calls
# and threads, nothing else) for the resyncs. Every row is printed as a ratio to rsync and to
# its floor, with the peak working set of each process.
#   bench/run-bench.sh [--big] [BUILD_DIR]   (default build/win; build tarnvel-engine first)
#   --big: 200,000 files in 2,000 directories instead of 20,000 (takes much longer)
#   BENCH_KEEP=1 keeps the trees (BUILD_DIR/sandbox/bench) for runs with --count-calls after it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
big=()
if [ "${1:-}" = --big ]; then big=(--big); shift; fi
build=$(cd "${1:-$here/../build/win}" && pwd)
run() { "$here/../tools/wine-run" --build "$build" "$@"; }
box="$build/sandbox/bench"
results="$build/bench-results${big:+-big}.txt"

[ -x "$build/programs/tarnvel-engine.exe" ] || { echo "build tarnvel-engine first" >&2; exit 2; }
rm -rf "$box"; mkdir -p "$box"
python3 "$here/make_tree.py" create "$box/src" "${big[@]}"
[ "$(id -u)" = 0 ] && chown -R nobody "$box"
run "$build/programs/tarnvel-engine.exe" >/dev/null 2>&1 || true  # prefix and wineserver up

declare -A secs rss
now() { date +%s.%N; }
timed() {  # timed KEY command...
  local t0 t1
  sync  # the previous tool's writes are flushed before, not billed to this one
  t0=$(now)
  # The largest process's peak resident size, seen from outside (for a Windows program: the
  # program's own process under Wine). The tools are the functions below, run by a child shell.
  /usr/bin/time -f "max-rss-kb=%M" -o "$box/$1.rss" bash -c '"$@"' timed "${@:2}" >"$box/$1.log" 2>&1 || echo "($1 exited $?)" >>"$box/$1.log"
  t1=$(now)
  secs[$1]=$(echo "$t1 - $t0" | bc -l)
  rss[$1]=$(sed -n 's/^max-rss-kb=//p' "$box/$1.rss")
}

exe="$build/programs/tarnvel-engine.exe"
engine() { run "$exe" 'Z:\bench\src' "Z:\\bench\\$1" --clean "${@:2}"; }
floor() { run "$exe" --list-floor 'Z:\bench\src' 'Z:\bench\engine'; }
apart() { run "$exe" --list-apart 'Z:\bench\src' 'Z:\bench\engine'; }
jobline() { run "$exe" --job-line 'Z:\bench\src' 'Z:\bench\jobline'; }
cli() { run "$build/programs/Tarnvel.exe" 'Z:\bench\src|Z:\bench\cli|1|Y:\tarnvel-engine.exe'; }
xc() { run xcopy.exe /D /E /Y /I /Q 'Z:\bench\src' 'Z:\bench\xcopy\'; }
rs() { rsync -a --delete "$box/src/" "$box/rsync/"; }
loop() { run "$exe" --copy-loop 'Z:\bench\src' 'Z:\bench\loop'; }
export here build box exe
export -f run engine floor apart jobline cli xc rs loop
have_cli=0; [ -x "$build/programs/Tarnvel.exe" ] && have_cli=1

tools=(rsync floor apart engine engine-n0 engine-window)
[ $have_cli = 1 ] && tools+=(cli)
tools+=(job-line xcopy)
pass() {  # pass PHASE
  # The first pass starts with the copy floor, so that no tool finds its source warmer than the
  # loop; the resyncs with the listing floor (over the engine's target, complete by then).
  if [ "$1" = first ]; then timed loop-first loop; else timed "floor-$1" floor; timed "apart-$1" apart; fi
  timed "rsync-$1" rs
  # The engine with kept versions (the days box's default, 30) and with removals for good.
  timed "engine-$1" engine engine
  timed "engine-n0-$1" engine engine0 --keep-days 0
  timed "engine-window-$1" engine enginew --window
  [ $have_cli = 1 ] && timed "cli-$1" cli
  timed "job-line-$1" jobline
  timed "xcopy-$1" xc
  [ "$(id -u)" = 0 ] && chown -R nobody "$box"
  return 0
}
# One read of the whole source first: every first copy then reads it from the page cache.
find "$box/src" -type f -exec cat {} + >/dev/null
pass first
pass noop
python3 "$here/make_tree.py" change "$box/src"
[ "$(id -u)" = 0 ] && chown -R nobody "$box"
pass change

ratio() { echo "$1 / $2" | bc -l; }
peak() {  # the driver's own figure (GetProcessMemoryInfo), in MB, or "-"
  local kb; kb=$(sed -n 's/^peak-working-set-kb=//p' "$box/$1.log" | tr -d '\r' | tail -1)
  if [ -n "$kb" ] && [ "$kb" != unknown ]; then printf "%.1f" "$(echo "$kb / 1024" | bc -l)"; else printf -- "-"; fi
}
{
  echo "tree: $(find "$box/src" -type f | wc -l) files, $(find "$box/src" -mindepth 1 -type d | wc -l) directories, $(du -sh "$box/src" | cut -f1)"
  echo "seconds of the whole process; ×rsync, and ×floor (first: ×the CopyFileExW loop; noop, change: ×the lister)"
  printf "%-14s %-26s %-26s %-26s\n" tool first noop change
  for t in loop "${tools[@]}"; do
    line=$(printf "%-14s" "$t")
    for p in first noop change; do
      key="$t-$p"
      if [ -z "${secs[$key]:-}" ]; then line+=$(printf " %-26s" "-"); continue; fi
      if [ $p = first ]; then f=${secs[loop-first]}; else f=${secs[floor-$p]}; fi
      line+=$(printf " %6.2f ×%-6.2f ×%-8.2f" "${secs[$key]}" "$(ratio "${secs[$key]}" "${secs[rsync-$p]}")" "$(ratio "${secs[$key]}" "$f")")
    done
    echo "$line"
  done
  echo
  echo "peak working set, MB: the driver's GetProcessMemoryInfo / max resident size seen from outside"
  printf "%-14s %-16s %-16s %-16s\n" tool first noop change
  for t in loop "${tools[@]}"; do
    line=$(printf "%-14s" "$t")
    for p in first noop change; do
      key="$t-$p"
      if [ -z "${secs[$key]:-}" ]; then line+=$(printf " %-16s" "-"); continue; fi
      line+=$(printf " %-16s" "$(peak "$key") / $(printf "%.1f" "$(echo "${rss[$key]:-0} / 1024" | bc -l)")")
    done
    echo "$line"
  done
  echo
  echo "driver output:"
  for k in loop-first floor-noop floor-change apart-noop apart-change engine-first engine-noop engine-change \
           engine-n0-first engine-n0-noop engine-n0-change engine-window-first \
           engine-window-noop engine-window-change job-line-first job-line-noop job-line-change; do
    printf "%-22s %s\n" "$k" "$(grep -E '^(created|copied|listed|exit)' "$box/$k.log" | tr -d '\r' | head -1)"
  done
} | tee "$results"
for t in engine engine0 jobline cli; do
  [ -d "$box/$t" ] || continue
  diff -r -q -x .tarnvel-versions "$box/src" "$box/$t" >/dev/null && echo "$t target equals the source" || echo "$t target DIFFERS from the source"
done
[ -n "${BENCH_KEEP:-}" ] || rm -rf "$box"
