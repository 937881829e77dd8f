#!/usr/bin/env bash
# Works on several placements at once as a user would, with real pointer and
# key events: in panel 19 of the example project draws a rubber band round
# two placements, moves them with a left drag and copies them; in panel 17
# pastes them where they were, takes the paste back and does it again, then
# drags an object from the browser onto a cell of the canvas. Saves with
# Save As and checks both panels with `zembrix-cli load`.
#   bash select_paste_drop.sh <zembrix> <zembrix-cli>
set -euo pipefail
source "$(dirname "$0")/../support/e2e.bash"
project="$root/resources/examples/quorvane-sampler.prg"

export GDK_NATIVE_WINDOWS=1

start_accessibility
start_zembrix
open_project "$project"

# A left-button drag through the points given as location pixels.
drag() {
    xdotool mousemove --sync $(at "$1" "$2") mousedown 1
    shift 2
    while [ $# -gt 0 ]; do
        sleep 0.2
        xdotool mousemove --sync $(at "$1" "$2")
        shift 2
    done
    sleep 0.2
    xdotool mouseup 1
    sleep 0.3
}
# Panel 19 places object 12 (24 x 40) at (0, 8), (24, 0), (48, 16) and
# (72, 8). The band from (30, 120) to (4, 4) touches the first two; a drag
# from the first moves both two cells right and one down.
open_panel_editor 4
drag 30 120 20 60 4 4
drag 10 30 14 32 20 36 26 38
key ctrl+c
close_panel_editor

# Panel 17 places object 1 eight times along the top row. Nothing selected,
# the copy goes in where it was, at the end; undo takes it back and redo
# brings it again.
open_panel_editor 2
click_at $(at 300 130)
key ctrl+shift+v
key ctrl+z
key ctrl+shift+z

# Object 5 from the browser, dropped with its top-left on the cell at
# (200, 96), after the pasted placements.
click_at $(a11y center "push button" "Add new...")
browser="$(wait_window 'Zembrix - Object and panel browser' 100)"
[ -n "$browser" ] || fail "no browser after Add new..."
xdotool windowmove --sync "$browser" 700 0 || true
sleep 0.5
read -r ix iy < <(a11y center icon "OBJECT 5")
xdotool mousemove --sync "$ix" "$iy" mousedown 1
for step in 20 40 60; do
    sleep 0.2
    xdotool mousemove --sync $((ix - step)) $((iy + step))
done
read -r dx dy < <(at 202 98)
xdotool mousemove --sync "$dx" "$dy"
sleep 0.3
xdotool mousemove --sync $((dx + 1)) "$dy"
sleep 0.3
xdotool mouseup 1
sleep 0.5
python3 "$root/tests/support/wm_close.py" "$browser" 2>/dev/null || true
sleep 0.5
close_panel_editor

xdotool windowfocus --sync "$main"
key alt+f
key a
save_in_chooser "$work/edited.prg"

placed() { # the placements of panel $1 of the saved file
    "$cli" load "$work/edited.prg" | python3 -c '
import json, sys
panel = [p for p in json.load(sys.stdin)["panels"] if p["index"] == int(sys.argv[1])][0]
print(" ".join("%d@%d,%d" % (d["item"], d["x"], d["y"]) for d in panel["definitions"]))' "$1"
}
want="12@16,16 12@40,8 12@48,16 12@72,8"
[ "$(placed 19)" = "$want" ] || fail "panel 19 saved as \"$(placed 19)\", expected \"$want\""
want="1@0,0 1@40,0 1@80,0 1@120,0 1@160,0 1@200,0 1@240,0 1@280,0 12@16,16 12@40,8 5@200,96"
[ "$(placed 17)" = "$want" ] || fail "panel 17 saved as \"$(placed 17)\", expected \"$want\""
echo "band, drag, copy, paste, undo, redo and drop, saved and loaded back: passed"
