#!/bin/bash
# Idle CPU of the program over a measuring window (default 30 s), offscreen:
#   not-connected  the program binary, just started, no window, not connected;
#   connected      connected over Modbus TCP to the demo slave on loopback,
#                  one data window (the default poll), ScanRate 1000.
# Each case runs RUNS times (default 3); the median is printed.
#
#   bench/idle_cpu.sh [build dir] [seconds]      e.g. bench/idle_cpu.sh build 30
#   PIN=0 bench/idle_cpu.sh build                 pinned to CPU 0 (taskset -c 0)
#
# The settings file comes from MMS_SETTINGS_DIR, so nothing beside the binary
# changes; Transmission.log goes to a temporary directory.
set -euo pipefail

build=$(realpath "${1:-build}")
seconds=${2:-30}
runs=${RUNS:-3}
program="$build/src/ModbusMasterSimulator"
# The binary cannot be clicked offscreen; the driver is the same program
# (main.cpp's Program) that presses Connect and New after the splash.
driver="$build/bench/ProgramDriver"
slave="$build/tools/demo_slave"
for f in "$program" "$driver" "$slave"; do
  [[ -x $f ]] || { echo "missing $f: build the targets first" >&2; exit 1; }
done

pin=()
[[ -n ${PIN:-} ]] && pin=(taskset -c "$PIN")

work=$(mktemp -d)
slave_pid=""
app_pid=""
cleanup() {
  [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null || true
  [[ -n $slave_pid ]] && kill -INT "$slave_pid" 2>/dev/null && wait "$slave_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
"$slave" "$port" --no-rtu >"$work/slave.txt" 2>&1 &
slave_pid=$!

cat >"$work/ZeKvadro.ini" <<INI
[Protocol]
Protocol=ModbusTCP
[TCPPortSettings]
IPAddress=127.0.0.1
TCPPort=$port
[General]
Timeout=1000
DelayBetweenPolls=10
ScanRate=1000
INI

ticks_per_second=$(getconf CLK_TCK)

# utime + stime of every thread of the process, in clock ticks.
cpu_ticks() { sed 's/^.*) //' "/proc/$1/stat" | awk '{print $12 + $13}'; }

# measure <label> <command...>: prints the CPU percentage of one run.
measure() {
  local label=$1
  shift
  (cd "$work" && exec env QT_QPA_PLATFORM=offscreen MMS_SETTINGS_DIR="$work" \
     "${pin[@]}" "$@" >"$work/app.txt" 2>&1) &
  app_pid=$!
  sleep 7  # start-up, splash (3 s), Connect at 4 s, first polls
  local lines0=0
  [[ -f $work/Transmission.log ]] && lines0=$(grep -c '^<rx>' "$work/Transmission.log" || true)
  local t0 c0 t1 c1
  t0=$(date +%s.%N)
  c0=$(cpu_ticks "$app_pid")
  sleep "$seconds"
  c1=$(cpu_ticks "$app_pid")
  t1=$(date +%s.%N)
  local lines1=0
  [[ -f $work/Transmission.log ]] && lines1=$(grep -c '^<rx>' "$work/Transmission.log" || true)
  kill "$app_pid" 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
  app_pid=""
  rm -f "$work/Transmission.log"
  awk -v c=$((c1 - c0)) -v hz="$ticks_per_second" -v t0="$t0" -v t1="$t1" \
      -v label="$label" -v frames=$((lines1 - lines0)) \
      'BEGIN { printf "%s %.3f %d\n", label, 100 * c / hz / (t1 - t0), frames }'
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

placement="unpinned"
[[ -n ${PIN:-} ]] && placement="pinned to CPU $PIN"
echo "window ${seconds} s, ${runs} runs, $placement"
for case in not-connected connected; do
  results=()
  for ((i = 0; i < runs; i++)); do
    if [[ $case == not-connected ]]; then
      line=$(measure "$case" "$program")
    else
      line=$(measure "$case" "$driver" --connect-one-window)
    fi
    read -r _ pct frames <<<"$line"
    echo "  $case run $((i + 1)): ${pct}% CPU, $frames replies logged in the window"
    results+=("$pct")
  done
  printf '%s\n' "${results[@]}" | median | xargs printf "%-14s median %s%% CPU\n" "$case"
done
