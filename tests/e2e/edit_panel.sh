#!/usr/bin/env bash
# Edits a panel as a user would: opens the example project through
# File -> Open, picks panel 19 in the panel list with the keyboard, opens it
# with "Edit panel...", then with real pointer and key events selects a
# placement by clicking, drags it with the right button, moves it with a
# cursor key, clones it, selects another and deletes it (answering Yes),
# inserts an object and a panel through the browser with double clicks,
# recolours the object through the colour override window's combo boxes,
# closes the editor, saves with Save As and checks the saved placements
# with `zembrix-cli load`. The browser's and the override window's widgets
# are found in the accessibility tree.
#   bash edit_panel.sh <zembrix> <zembrix-cli>
set -euo pipefail
source "$(dirname "$0")/../support/e2e.bash"
project="$root/resources/examples/quorvane-sampler.prg"

export GDK_NATIVE_WINDOWS=1

start_accessibility
start_zembrix
open_project "$project"
open_panel_editor 4

# Panel 19 places object 12 (24 x 40) at (0, 8), (24, 0), (48, 16), (72, 8).
# Select the first by a click, drag it 17 right and 9 down (two cells and
# one), then one more cell right with the cursor key.
click_at $(at 4 20)
xdotool mousemove --sync $(at 100 100) mousedown 3
xdotool mousemove --sync $(at 101 101)
sleep 0.2
xdotool mousemove --sync $(at 110 105)
sleep 0.2
xdotool mousemove --sync $(at 118 110)
sleep 0.2
xdotool mouseup 3
sleep 0.3
key Right
# Clone it: the clone lands on its centre (36, 36), snapped to (32, 32).
key alt+n
# Select the last placement and delete it, answering Yes.
click_at $(at 90 12)
key Delete
dialog="$(wait_window 'Confirm deletion' 100)"
[ -n "$dialog" ] || fail "no question after Delete"
sleep 0.3
xdotool windowfocus --sync "$dialog" || true
key Return
sleep 0.5

# Select the clone, then add object 5 from the browser: it lands on the
# clone's centre (40, 48), selected, and the cursor key moves it at once.
click_at $(at 52 68)
double_click() {
    xdotool mousemove --sync "$1" "$2" click --repeat 2 --delay 60 1
    sleep 0.5
}
click_at $(a11y center "push button" "Add new...")
browser="$(wait_window 'Zembrix - Object and panel browser' 100)"
[ -n "$browser" ] || fail "no browser after Add new..."
sleep 0.5
double_click $(a11y center icon "OBJECT 5")
[ -z "$(wait_window 'Zembrix - Object and panel browser' 1)" ] ||
    fail "the browser stayed open after inserting an object"
key Right

# Row 1 of its overrides: white (1) over red (2), picked in the combo
# boxes' own menus. The lists start with the colours the object shows
# (white, yellow, orange), then black (where both open) and the others.
click_at $(a11y center "push button" "Colour overrides...")
overrides="$(wait_window 'Colour override selection' 100)"
[ -n "$overrides" ] || fail "no colour override window after Colour overrides..."
sleep 0.3
click_at $(a11y center "combo box" "Colour 1")
key Up Up Up Return
click_at $(a11y center "combo box" "Replacement 1")
key Down Return
sleep 0.3
python3 "$root/tests/support/wm_close.py" "$overrides"
sleep 0.5

# Then panel 17 (the third in the list) after it, at (0, 0).
click_at $(a11y center "push button" "Add new...")
browser="$(wait_window 'Zembrix - Object and panel browser' 100)"
[ -n "$browser" ] || fail "no browser after Add new..."
click_at $(a11y center "page tab" "Panels" "Zembrix - Object and panel browser")
click_at $(a11y cell "Defined panels" 2)
sleep 0.3
double_click $(a11y cell "Defined panels" 2)
[ -z "$(wait_window 'Zembrix - Object and panel browser' 1)" ] ||
    fail "the browser stayed open after inserting a panel"

close_panel_editor

xdotool windowfocus --sync "$main"
# File -> Save As through the menu's mnemonics.
key alt+f
key a
save_in_chooser "$work/edited.prg"

placed="$("$cli" load "$work/edited.prg" | python3 -c '
import json, sys
panel = [p for p in json.load(sys.stdin)["panels"] if p["index"] == 19][0]
print(" ".join("%d@%d,%d%s" % (d["item"], d["x"], d["y"],
    "".join("/%X" % o for o in d["overrides"]) if d["overrides_on"] else "")
    for d in panel["definitions"]))')"
want="12@24,16 12@32,32 5@48,48/21 17@0,0 12@24,0 12@48,16"
[ "$placed" = "$want" ] || fail "panel 19 saved as \"$placed\", expected \"$want\""
echo "edit a panel, save and load it back: passed"
