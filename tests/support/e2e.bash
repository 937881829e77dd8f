# Shared by the end-to-end scripts, sourced first by each with the script's
# arguments <zembrix> <zembrix-cli> in place: the script runs again under
# Xvfb when there is no display; a scratch folder removed on exit holds the
# settings and recent files; the editor starts in it in the background,
# failures are reported with the editor's output, and its windows are
# waited for.
# shellcheck shell=bash

zembrix="$(realpath "$1")"
cli="${2:+$(realpath "$2")}"
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

support="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$support/../.." && pwd)"
work="$(mktemp -d)"
pid=""
export XDG_CONFIG_HOME="$work/config"
export XDG_DATA_HOME="$work/data"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
bus_pids=()
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null || true
    fi
    for p in "${bus_pids[@]}"; do
        kill "$p" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -f "$work/log" ] && sed 's/^/  zembrix: /' "$work/log" >&2
    exit 1
}

# Waits until the X server answers (a server just started may not yet).
wait_display() {
    for _ in $(seq 1 100); do
        xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    fail "the display $DISPLAY does not answer"
}

# Starts the editor from the scratch folder, its output in $work/log.
start_zembrix() {
    wait_display
    cd "$work"
    "$zembrix" >"$work/log" 2>&1 &
    pid=$!
}

# Waits up to $2 tenths of a second for a visible window titled $1.
wait_window() {
    local id=""
    for _ in $(seq 1 "$2"); do
        id="$(xdotool search --all --onlyvisible --pid "$pid" --name "^$1\$" 2>/dev/null |
            head -n 1 || true)"
        [ -n "$id" ] && break
        kill -0 "$pid" 2>/dev/null || fail "zembrix ended while waiting for \"$1\""
        sleep 0.1
    done
    echo "$id"
}

# A session bus with the accessibility bus on it, and the toolkit's
# accessibility modules loaded, so that a11y.py finds widgets by role and
# name as a screen reader does. Call before start_zembrix.
start_accessibility() {
    eval "$(dbus-launch --sh-syntax)"
    bus_pids+=("$DBUS_SESSION_BUS_PID")
    /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
    bus_pids+=($!)
    export GTK_MODULES=gail:atk-bridge
    unset NO_AT_BRIDGE
}

# a11y.py with the system's Python, which has the accessibility bindings.
a11y() {
    /usr/bin/python3 "$support/a11y.py" "$@"
}

# Clicks a point with a mouse button (1 by default).
click_at() {
    xdotool mousemove --sync "$1" "$2" click "${3:-1}"
    sleep 0.3
}
