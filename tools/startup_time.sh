#!/usr/bin/env bash
# Start-up time of the editor: from launch until its main window is mapped,
# under Xvfb, as the median of N runs (default 5).
#   bash tools/startup_time.sh [zembrix] [runs]
set -euo pipefail
zembrix="$(realpath "${1:-build/zembrix}")"
runs="${2:-5}"
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$zembrix" "$runs"
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" NO_AT_BRIDGE=1
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"

# Xvfb may still be starting: wait until the display answers before timing.
for _ in $(seq 1 200); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.05
done
xdpyinfo >/dev/null 2>&1 || { echo "the display $DISPLAY does not answer" >&2; exit 1; }

times=()
for _ in $(seq 1 "$runs"); do
    start="$(date +%s%N)"
    "$zembrix" >"$work/log" 2>&1 &
    pid=$!
    until xdotool search --onlyvisible --name '^Zembrix$' >/dev/null 2>&1; do
        if ! kill -0 "$pid" 2>/dev/null; then
            echo "zembrix ended before its window appeared:" >&2
            cat "$work/log" >&2
            exit 1
        fi
        sleep 0.005
    done
    end="$(date +%s%N)"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    times+=($(((end - start) / 1000000)))
done
sorted="$(printf '%s\n' "${times[@]}" | sort -n | tr '\n' ' ')"
median="$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")"
echo "runs (ms): $sorted"
echo "median: $median ms"
