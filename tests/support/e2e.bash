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
export XDG_STATE_HOME="$work/state"
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

# Starts the editor from the scratch folder on project $1 and waits for its
# main window, which is moved to the top left: its id in $main.
start_zembrix_on() {
    wait_display
    cd "$work"
    "$zembrix" "$1" >"$work/log" 2>&1 &
    pid=$!
    main="$(wait_window "Zembrix - $(basename "$1")" 600)"
    [ -n "$main" ] || fail "no window titled \"Zembrix - $(basename "$1")\""
    xdotool windowmove --sync "$main" 0 0 || true
    sleep 0.5
}

# Starts the editor from the scratch folder with no project and waits for
# its main window, which is moved to the top left: its id in $main.
start_zembrix() {
    wait_display
    cd "$work"
    "$zembrix" >"$work/log" 2>&1 &
    pid=$!
    main="$(wait_window Zembrix 600)"
    [ -n "$main" ] || fail "no window titled Zembrix"
    xdotool windowmove --sync "$main" 0 0 || true
    sleep 0.5
}

# File -> Open in the main window, with the real chooser on project $1.
open_project() {
    xdotool windowfocus --sync "$main"
    key ctrl+o
    open_in_chooser 'Select a zembrix file' "$1"
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

# Presses keys in the window that has the focus.
key() {
    xdotool key --clearmodifiers "$@"
    sleep 0.3
}

# Answers the open chooser titled $1 with the path $2 typed into its
# location field, and waits for it to close without an error dialog.
open_in_chooser() {
    local chooser
    chooser="$(wait_window "$1" 200)"
    [ -n "$chooser" ] || fail "no chooser titled \"$1\""
    sleep 0.5
    xdotool windowfocus --sync "$chooser"
    # Into the chooser's file list, as a user's click would.
    eval "$(xdotool getwindowgeometry --shell "$chooser")"
    click_at $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
    # A chooser with no folder to start in shows its recently used files,
    # which take no typed path: to the home folder first.
    key alt+Home
    sleep 0.2
    key ctrl+l
    xdotool key --clearmodifiers ctrl+a
    xdotool type --delay 5 "$2"
    sleep 0.3
    # Return, again while the entry's completion takes the first.
    local open=1
    for _ in $(seq 1 5); do
        xdotool key --clearmodifiers Return
        for _ in $(seq 1 20); do
            [ -z "$(wait_window "$1" 1)" ] && open=0 && break
            sleep 0.1
        done
        [ "$open" -eq 0 ] && break
    done
    [ "$open" -eq 0 ] || fail "the chooser \"$1\" stayed open"
    sleep 1
    [ -z "$(wait_window Error 1)" ] || fail "an error dialog came up after choosing $2"
}

# Types the path $1 into the save chooser titled "Save to a zembrix file"
# and presses Return.
type_in_saver() {
    local saver
    saver="$(wait_window 'Save to a zembrix file' 200)"
    [ -n "$saver" ] || fail "no save chooser"
    sleep 0.5
    xdotool windowfocus --sync "$saver"
    xdotool key --clearmodifiers ctrl+a
    xdotool type --delay 5 "$1"
    xdotool key --clearmodifiers Return
}

# Answers the save chooser with the path $1 and waits until the file is
# written.
save_in_chooser() {
    type_in_saver "$1"
    for _ in $(seq 1 100); do
        [ -s "$1" ] && break
        sleep 0.1
    done
    sleep 0.5
    [ -s "$1" ] || fail "nothing saved to $1"
}

# The top-left corner on the screen of the n-th ($2, from the top) 320 x
# 200 drawing area of window $1 (with GDK_NATIVE_WINDOWS=1).
area_of() {
    # A preview in a scrolled window comes with the viewport's windows of the
    # same size at the same place: each place counts once.
    xwininfo -id "$1" -tree | awk '/ 320x200\+/ { split($NF, a, "+"); print a[2], a[3] }' |
        sort -n -k2,2 -k1,1 -u | sed -n "${2}p"
}

# Control+Q in window $1, answered with the mnemonic key $2.
ask_to_quit() {
    xdotool windowfocus --sync "$1"
    xdotool key --clearmodifiers ctrl+q
    local dialog
    dialog="$(wait_window 'Confirmation request' 100)"
    [ -n "$dialog" ] || fail "no quit question after Control+Q"
    sleep 0.3
    xdotool windowfocus --sync "$dialog"
    xdotool key --clearmodifiers "$2"
}

# Waits for the editor to end, which it must do with status 0.
wait_exit() {
    for _ in $(seq 1 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && fail "zembrix still running after Yes"
    local status=0
    wait "$pid" || status=$?
    pid=""
    [ "$status" -eq 0 ] || fail "zembrix exited with $status"
}

# "Launch object grabber..." in main window $1, by its mnemonic, then File ->
# Open picture with the real chooser on picture $2: the grabber's id in
# $grabber (with GDK_NATIVE_WINDOWS=1).
open_grabber_on() {
    xdotool windowfocus --sync "$1"
    key alt+o
    grabber="$(wait_window 'Zembrix - Object grabber' 100)"
    [ -n "$grabber" ] || fail "the object grabber did not open"
    xdotool windowmove --sync "$grabber" 0 0 || true
    sleep 0.5
    xdotool windowfocus --sync "$grabber"
    key alt+f
    key Return
    open_in_chooser 'Select a picture file' "$2"
}

# In the grabber, a left drag from cell (5, 2) three cells right and two
# down: cells 5 to 7, rows 2 to 3 (x 40, y 16, 24 x 16 pixels) selected.
select_grabber_cells() {
    local gx gy
    read -r gx gy < <(area_of "$grabber" 1)
    [ -n "${gx:-}" ] || fail "no picture area in the grabber"
    xdotool mousemove --sync $((gx + 43)) $((gy + 19))
    xdotool mousedown 1
    for step in 1 2 3 4 5 6; do
        xdotool mousemove --sync $((gx + 43 + 4 * step)) $((gy + 19 + 3 * step))
        sleep 0.05
    done
    xdotool mousemove --sync $((gx + 43 + 26)) $((gy + 19 + 17))
    sleep 0.2
    xdotool mouseup 1
    sleep 0.2
}

# Opens the panel $1 rows below the first of the panel list of main window
# (in the example project, panels 15 to 23) in the panel editor: its id in
# $editor, the top-left corner of its canvas in $cx, $cy (with
# GDK_NATIVE_WINDOWS=1).
open_panel_editor() {
    xdotool windowfocus --sync "$main"
    # The Panels tab sits above the object list, left of the object preview.
    read -r ox oy < <(area_of "$main" 2)
    [ -n "${ox:-}" ] || fail "no object preview in the main window"
    click_at $((ox - 235)) $((oy - 36))
    click_at $((ox - 270)) $((oy + 40))
    key Home
    local i
    for ((i = 0; i < $1; i++)); do key Down; done
    key alt+e
    editor="$(wait_window 'Zembrix - Panel editor' 100)"
    [ -n "$editor" ] || fail "no panel editor after Edit panel..."
    xdotool windowmove --sync "$editor" 0 0 || true
    sleep 0.5
    read -r cx cy < <(area_of "$editor" 1)
    [ -n "${cx:-}" ] || fail "no canvas in the panel editor"
}

# The screen position of location pixel ($1, $2) of the panel editor's canvas.
at() {
    echo $((cx + $1)) $((cy + 56 + $2))
}

# Closes the panel editor as the window manager's close button does.
close_panel_editor() {
    python3 "$root/tests/support/wm_close.py" "$editor"
    sleep 1
    [ -z "$(wait_window 'Zembrix - Panel editor' 1)" ] || fail "the panel editor stayed open"
}
