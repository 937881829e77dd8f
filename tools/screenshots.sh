#!/usr/bin/env bash
# Takes the pictures of docs/ as a user sees them on a 1,280 x 800 screen:
# the panel editor at 1X and 4X and the object grabber at 4X, each window
# whole with every button on the screen.
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

# Panel 19 from the panel list, into the editor.
read -r ox oy < <(area_of "$main" 2)
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

# The grabber, with the first test picture, at 4X.
xdotool windowfocus --sync "$main"
key alt+o
grabber="$(wait_window 'Zembrix - Object grabber' 100)"
if [ -n "$grabber" ]; then
    xdotool windowmove --sync "$grabber" 0 0 || true
    key ctrl+plus ctrl+plus
    shot "$grabber" grabber-4x.png
fi
