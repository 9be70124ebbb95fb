#!/usr/bin/env bash
# Times, side by side in one run, the first full copy (each into a fresh target, on a source
# read once beforehand), a no-op resync and a resync after 1% of the files changed for: this
# engine (windowless and with a window), the command-line engine of Tarnvel.exe, xcopy /D /E /Y
# under the same Wine, and native rsync -a --delete; each as a ratio to rsync, and the first
# copies also to a bare CopyFileExW loop under the same Wine.
#   bench/run-bench.sh [BUILD_DIR]     (default build/win; build tarnvel-engine first)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build/win}" && pwd)
run=("$here/../tools/wine-run" --build "$build")
box="$build/sandbox/bench"
results="$build/bench-results.txt"

[ -x "$build/programs/tarnvel-engine.exe" ] || { echo "build tarnvel-engine first" >&2; exit 2; }
rm -rf "$box"; mkdir -p "$box"
python3 "$here/make_tree.py" create "$box/src"
[ "$(id -u)" = 0 ] && chown -R nobody "$box"
"${run[@]}" "$build/programs/tarnvel-engine.exe" >/dev/null 2>&1 || true  # prefix and wineserver up

declare -A secs
now() { date +%s.%N; }
timed() {  # timed KEY command...
  local t0 t1
  sync  # the previous tool's writes are flushed before, not billed to this one
  t0=$(now)
  "${@:2}" >"$box/$1.log" 2>&1 || echo "($1 exited $?)" >>"$box/$1.log"
  t1=$(now)
  secs[$1]=$(echo "$t1 - $t0" | bc -l)
}

engine() { "${run[@]}" "$build/programs/tarnvel-engine.exe" 'Z:\bench\src' "Z:\\bench\\$1" --clean "${@:2}"; }
cli() { "${run[@]}" "$build/programs/Tarnvel.exe" 'Z:\bench\src|Z:\bench\cli|1|Y:\tarnvel-engine.exe'; }
xc() { "${run[@]}" xcopy.exe /D /E /Y /I /Q 'Z:\bench\src' 'Z:\bench\xcopy\'; }
rs() { rsync -a --delete "$box/src/" "$box/rsync/"; }
loop() { "${run[@]}" "$build/programs/tarnvel-engine.exe" --copy-loop 'Z:\bench\src' 'Z:\bench\loop'; }
have_cli=0; [ -x "$build/programs/Tarnvel.exe" ] && have_cli=1

tools=(rsync engine engine-window xcopy)
[ $have_cli = 1 ] && tools+=(cli)
pass() {  # pass PHASE
  # The first pass starts with the floor, so that no tool finds its source warmer than the loop.
  [ "$1" = first ] && timed loop-first loop
  timed "rsync-$1" rs
  timed "engine-$1" engine engine
  timed "engine-window-$1" engine enginew --window
  timed "xcopy-$1" xc
  [ $have_cli = 1 ] && timed "cli-$1" cli
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

{
  echo "tree: $(find "$box/src" -type f | wc -l) files, $(find "$box/src" -mindepth 1 -type d | wc -l) directories, $(du -sh "$box/src" | cut -f1)"
  printf "%-14s %10s %10s %10s   %s\n" tool first noop change "(seconds; ×rsync)"
  for t in "${tools[@]}"; do
    line=$(printf "%-14s" "$t")
    for p in first noop change; do
      line+=$(printf " %5.2f ×%-5.2f" "${secs[$t-$p]}" "$(echo "${secs[$t-$p]} / ${secs[rsync-$p]}" | bc -l)")
    done
    echo "$line"
  done
  printf "bare CopyFileExW loop, first copy: %.2f s\n" "${secs[loop-first]}"
  for t in engine engine-window xcopy; do
    printf "%-14s first copy ×loop: %.2f\n" "$t" "$(echo "${secs[$t-first]} / ${secs[loop-first]}" | bc -l)"
  done
  [ $have_cli = 1 ] && printf "%-14s first copy ×loop: %.2f\n" cli "$(echo "${secs[cli-first]} / ${secs[loop-first]}" | bc -l)"
  echo "engine output:"; cat "$box"/engine-*.log
} | tee "$results"
diff -r -q "$box/src" "$box/engine" && echo "engine target equals the source"
rm -rf "$box"
