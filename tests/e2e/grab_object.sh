#!/usr/bin/env bash
# Cuts an object out of a real Koala picture as a user would: opens the
# example project (File -> Open), launches the object grabber, opens the
# picture through the grabber's File menu and the real file chooser, drags a
# selection with the left button and grabs it with the right. Then checks
# that the main window lists the new object and previews it as
# `zembrix-cli render` draws it, and that a saved project holds exactly the
# bytes `zembrix-cli grab` cuts from the same rectangle.
#   bash grab_object.sh <zembrix> <zembrix-cli>
set -euo pipefail
source "$(dirname "$0")/../support/e2e.bash"
project="$root/resources/examples/quorvane-sampler.prg"
picture="$root/tests/data/pictures/koala/Cyber30a-x.koa"

export NO_AT_BRIDGE=1
export GDK_NATIVE_WINDOWS=1
shots="$(dirname "$zembrix")"

start_zembrix
main="$(wait_window Zembrix 600)"
[ -n "$main" ] || fail "no window titled Zembrix"
xdotool windowmove --sync "$main" 0 0 || true
sleep 0.5
xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers ctrl+o
open_in_chooser 'Select a zembrix file' "$project"
"$cli" load "$project" >"$work/project.json"
items="$(awk '/"items":/ { gsub(/[^0-9]/, ""); print; exit }' "$work/project.json")"

open_grabber_on "$main" "$picture"
select_grabber_cells
xdotool click 3
sleep 1
[ -z "$(wait_window Error 1)" ] || fail "an error dialog came up on grabbing"

# What the command line cuts from that rectangle: cells 5 to 7, rows 2 to 3.
"$cli" grab "$picture" --x 40 --y 16 --width 24 --height 16 -o "$work/expected.zbxobject"

# Escape closes the grabber; the object list's last row is the new object.
xdotool windowfocus --sync "$grabber"
key Escape
[ -z "$(wait_window 'Zembrix - Object grabber' 1)" ] || fail "Escape did not close the grabber"
read -r ox oy < <(area_of "$main" 2)
[ -n "${ox:-}" ] || fail "no object preview in the main window"
click_at $((ox - 100)) $((oy + 60))
key End
sleep 0.7
import -window root "$work/screen.png"
# The 24 x 16 object stands centred in the location area: (144, 120).
convert "$work/screen.png" -crop "24x16+$((ox + 144))+$((oy + 120))" +repage -alpha off \
    "rgb:$work/shown.rgb"

# File -> Save goes through Save As for a project opened, not saved.
xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers ctrl+s
save_in_chooser "$work/saved.prg"

"$cli" load "$work/saved.prg" >"$work/saved.json"
saved_items="$(awk '/"items":/ { gsub(/[^0-9]/, ""); print; exit }' "$work/saved.json")"
[ "$saved_items" -eq $((items + 1)) ] || fail "the saved project has $saved_items items, not $((items + 1))"
want="$(sha1sum "$work/expected.zbxobject" | cut -d' ' -f1)"
grep -A4 "\"index\": $items," "$work/saved.json" | grep -q "\"data_sha1\": \"$want\"" ||
    fail "the saved object $items is not what zembrix-cli grab cuts"

# The preview of the selected (last) object shows it as the renderer draws it.
"$cli" render "$work/saved.prg" --object "$items" -o "$work/object.png"
convert -size 24x16 xc:'#70A4B2' "$work/object.png" -composite -alpha off -depth 8 \
    "rgb:$work/expected.rgb"
cmp -s "$work/shown.rgb" "$work/expected.rgb" || {
    convert "$work/screen.png" -crop "320x200+${ox}+${oy}" +repage "$shots/e2e_grab_preview.png"
    fail "the main window does not preview the new object (see $shots/e2e_grab_preview.png)"
}
echo "grab an object from a Koala picture and save it: passed"
