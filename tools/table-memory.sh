#!/usr/bin/env bash
# The real program's resident memory at a dealt table against the computer, and its time to the
# shown table, as a player meets it: started from the build tree in a throwaway working and data
# folder (settings and records already there, so no start-up box), under a running X server with
# a window manager; "I", a name and Enter in the game-kind dialog ("Contra PC"), then VmRSS.
#   tools/table-memory.sh <display> [program] [runs]
# e.g. Xvfb :18 -screen 0 1280x1024x24 & DISPLAY=:18 openbox & tools/table-memory.sh :18
# start_ms includes the splash's three seconds.
set -euo pipefail
export DISPLAY="${1:?display, e.g. :18}"
program=$(realpath "${2:-build/app/truco-zanforte}")
runs="${3:-3}"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/cwd" "$root/data" "$root/config"
cd "$root/cwd"
export XDG_DATA_HOME="$root/data" XDG_CONFIG_HOME="$root/config"
printf '111\000\017\000\000\377' >Conf.dll  # the default settings
head -c 144 /dev/zero >Recordes.qdx      # six empty records

for run in $(seq "$runs"); do
  t0=$(date +%s%N)
  "$program" >/dev/null 2>&1 &
  pid=$!
  wid=""
  for _ in $(seq 2000); do
    wid=$(xdotool search --onlyvisible --name '^Truco Zanforte$' 2>/dev/null | head -1 || true)
    [ -n "$wid" ] && break
    sleep 0.005
  done
  t1=$(date +%s%N)
  [ -n "$wid" ] || { kill "$pid"; echo "no table shown" >&2; exit 1; }
  sleep 0.3
  xdotool windowactivate --sync "$wid" 2>/dev/null || true
  sleep 0.5
  xdotool key i
  sleep 1
  xdotool type TESTE
  xdotool key Return
  sleep 3
  rss=$(awk '/^VmRSS/{print $2}' "/proc/$pid/status")
  echo "run $run: start_ms=$(((t1 - t0) / 1000000)) VmRSS_kB=$rss"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
done
