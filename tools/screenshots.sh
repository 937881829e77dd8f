#!/usr/bin/env bash
# Takes the pictures of docs/ as a user sees them on a 1,280 x 800 screen:
# the main window at 2X, the panel editor at 1X and 4X and the object
# grabber at 4X, each window whole with every button on the screen.
#   bash tools/screenshots.sh build-dev/zembrix
set -euo pipefail
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x800x24" bash "$0" "$@"
fi
source "$(dirname "$0")/../tests/support/e2e.bash"
project="$root/resources/examples/quorvane-sampler.prg"
docs="$root/docs"
export GDK_NATIVE_WINDOWS=1

shot() { # window, file: the window where it stands on the screen
    sleep 1
    eval "$(xdotool getwindowgeometry --shell "$1")"
    [ $((X + WIDTH)) -le 1280 ] && [ $((Y + HEIGHT)) -le 800 ] ||
        fail "$2: the window ($WIDTH x $HEIGHT at $X, $Y) does not fit the screen"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$docs/$2"
    echo "$2: $WIDTH x $HEIGHT"
}

start_zembrix
main="$(wait_window Zembrix 600)"
[ -n "$main" ] || fail "no window titled Zembrix"
xdotool windowmove --sync "$main" 0 0 || true
xdotool windowfocus --sync "$main"
key ctrl+o
open_in_chooser 'Select a zembrix file' "$project"

read -r ox oy < <(area_of "$main" 2)

# Panel 19 from the panel list, into the editor.
click_at $((ox - 235)) $((oy - 36))
click_at $((ox - 270)) $((oy + 40))
key Home Down Down Down Down
key alt+e
editor="$(wait_window 'Zembrix - Panel editor' 100)"
[ -n "$editor" ] || fail "no panel editor"
xdotool windowmove --sync "$editor" 0 0 || true
read -r cx cy < <(area_of "$editor" 1)
click_at $((cx + 30)) $((cy + 56 + 20))
key alt+g
shot "$editor" editor-1x.png
key ctrl+plus ctrl+plus
shot "$editor" editor-4x.png
key Escape
sleep 0.5

# The grabber with a test picture and a selection, at 4X: from the
# Objects page, left of the Panels tab.
xdotool windowfocus --sync "$main"
click_at $((ox - 300)) $((oy - 36))
open_grabber_on "$main" "$root/tests/data/pictures/koala/NINJA3.KOA"
read -r gx gy < <(area_of "$grabber" 1)
xdotool mousemove --sync $((gx + 43)) $((gy + 19)) mousedown 1
for step in 1 2 3 4 5 6; do
    xdotool mousemove --sync $((gx + 43 + 4 * step)) $((gy + 19 + 3 * step))
    sleep 0.05
done
xdotool mouseup 1
# (The grid switched on in the editor shows here too.)
key ctrl+plus ctrl+plus
shot "$grabber" grabber-4x.png

# The main window at 2X, its largest zoom, on the autumn landscape.
key Escape
xdotool windowfocus --sync "$main"
read -r lx ly < <(area_of "$main" 1)
click_at $((lx - 150)) $((ly + 58))
key ctrl+plus
shot "$main" main-2x.png
