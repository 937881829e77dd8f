#!/usr/bin/env bash
# Opens the example project as a user would (File -> Open with Control+O,
# the path typed into the real file chooser), selects a location in the
# list, and checks that the location preview shows, pixel for pixel, what
# `zembrix-cli render` draws for that location. (Quitting after a load:
# undo_redo.sh.)
#   bash open_location.sh <zembrix> <zembrix-cli>
set -euo pipefail
source "$(dirname "$0")/../support/e2e.bash"
project="$root/resources/examples/quorvane-sampler.prg"
location=1

export NO_AT_BRIDGE=1
# Every GDK window a real X window, so that the previews can be found.
export GDK_NATIVE_WINDOWS=1
shots="$(dirname "$zembrix")"

start_zembrix

main="$(wait_window Zembrix 600)"
[ -n "$main" ] || fail "no window titled Zembrix"
xdotool windowmove --sync "$main" 0 0 || true
sleep 0.5

# File -> Open through its accelerator; the path typed into the chooser.
xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers ctrl+o
chooser="$(wait_window 'Select a zembrix file' 200)"
[ -n "$chooser" ] || fail "no file chooser after Control+O"
sleep 0.5
xdotool windowfocus --sync "$chooser"
xdotool key --clearmodifiers ctrl+l
sleep 0.3
xdotool type --delay 5 "$project"
sleep 0.3
xdotool key --clearmodifiers Return
for _ in $(seq 1 100); do
    [ -z "$(xdotool search --all --onlyvisible --pid "$pid" --name '^Select a zembrix file$' \
        2>/dev/null || true)" ] && break
    sleep 0.1
done
sleep 1
[ -z "$(xdotool search --all --onlyvisible --pid "$pid" --name '^Error$' 2>/dev/null || true)" ] ||
    fail "an error dialog came up after opening $project"

# The location preview is the topmost 320 x 200 drawing area of the window
# (the object preview below it has the same size).
read -r px py < <(xwininfo -id "$main" -tree | awk '
    / 320x200\+/ { split($NF, a, "+"); print a[2], a[3] }' | sort -n -k2 | head -n 1)
[ -n "${px:-}" ] || fail "no 320 x 200 preview in the main window"

# Click into the location list (left of the preview), then go to the
# first location and down to the one we want, as with the keyboard.
xdotool mousemove --sync $((px - 100)) $((py + 60)) click 1
sleep 0.3
xdotool key --clearmodifiers Home
for _ in $(seq 1 "$location"); do
    xdotool key --clearmodifiers Down
done
sleep 1.5

import -window root "$work/screen.png"
convert "$work/screen.png" -crop "320x144+${px}+$((py + 56))" +repage -alpha off \
    "rgb:$work/shown.rgb"
"$cli" render "$project" --location "$location" -o "$work/expected.png"
convert "$work/expected.png" -alpha off "rgb:$work/expected.rgb"
if ! cmp -s "$work/shown.rgb" "$work/expected.rgb"; then
    convert "$work/screen.png" -crop "320x144+${px}+$((py + 56))" +repage "$shots/e2e_location_shown.png"
    cp "$work/expected.png" "$shots/e2e_location_expected.png"
    fail "the location preview differs from zembrix-cli render (see $shots/e2e_location_*.png)"
fi
# The backdrop stays above the location area.
convert "$work/screen.png" -crop "320x56+${px}+${py}" +repage -alpha off "rgb:$work/top.rgb"
convert "$(dirname "$zembrix")/background.png" -crop 320x56+0+0 +repage -alpha off \
    "rgb:$work/backdrop.rgb"
cmp -s "$work/top.rgb" "$work/backdrop.rgb" || fail "the backdrop above the location differs"

echo "open and show a location: passed"
