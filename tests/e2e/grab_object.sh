#!/usr/bin/env bash
# Starts the editor as a new user would (its options file made on the first
# run) and works on objects from a real Koala picture: opens the example
# project (File -> Open), selects its first object, launches the object
# grabber, opens the picture through the grabber's File menu and the real
# file chooser, drags a selection with the left button, replaces the
# selected object with it by "Replace selected object" and grabs it as a new
# object with the right button. Then checks that the main window previews
# the new object as `zembrix-cli render` draws it, and that a saved project
# is what `zembrix-cli replace` and `zembrix-cli grab` make of the same
# rectangle. Quits through the confirmation: No keeps it running, Yes ends
# it and saves the options.
#   bash grab_object.sh <zembrix> <zembrix-cli>
set -euo pipefail
source "$(dirname "$0")/../support/e2e.bash"
project="$root/resources/examples/quorvane-sampler.prg"
picture="$root/tests/data/pictures/koala/Cyber30a-x.koa"

export NO_AT_BRIDGE=1
export GDK_NATIVE_WINDOWS=1
shots="$(dirname "$zembrix")"

# A fresh user: no configuration folder yet. The backdrop is not in the
# current folder: it is found beside the program.
config="$XDG_CONFIG_HOME/zbx-decoder"
start_zembrix
sleep 0.5
[ -z "$(wait_window Error 1)" ] || fail "an error dialog came up at start-up"
# The options file of a first run.
[ "$(stat -c %a "$config")" = 700 ] || fail "no folder $config of mode 700"
[ "$(head -n 1 "$config/user-qv.ini")" = "# Zembrix config file - do NOT edit" ] ||
    fail "user-qv.ini does not start with its header"
grep -q '^incremental_rendering=false$' "$config/user-qv.ini" || fail "no incremental_rendering"
open_project "$project"
items="$("$cli" load "$project" | python3 -c 'import json, sys; print(json.load(sys.stdin)["items"])')"

# The first object (0, placed 11 times) selected in the object list; in
# the grabber cells 5 to 7, rows 2 to 3 replace it (Alt+R) and are grabbed
# as a new object (the right button).
read -r ox oy < <(area_of "$main" 2)
[ -n "${ox:-}" ] || fail "no object preview in the main window"
click_at $((ox - 100)) $((oy + 60))
key Home
open_grabber_on "$main" "$picture"
select_grabber_cells
xdotool windowfocus --sync "$grabber"
key alt+r
xdotool click 3
sleep 1
[ -z "$(wait_window Error 1)" ] || fail "an error dialog came up on replacing or grabbing"

# Escape closes the grabber; the object list's last row is the new object.
xdotool windowfocus --sync "$grabber"
key Escape
[ -z "$(wait_window 'Zembrix - Object grabber' 1)" ] || fail "Escape did not close the grabber"
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

# What the command line writes: object 0 replaced in place, every placement
# kept, and the grab of the same rectangle appended.
"$cli" grab "$picture" --x 40 --y 16 --width 24 --height 16 -o "$work/grabbed.zbxobject"
"$cli" replace "$project" --item 0 "$picture" --x 40 --y 16 --width 24 --height 16 \
    -o "$work/replaced.prg"
"$cli" import "$work/replaced.prg" --object "$work/grabbed.zbxobject" -o "$work/expected.prg"
"$cli" load "$work/saved.prg" >"$work/saved.json"
"$cli" load "$work/expected.prg" >"$work/expected.json"
cmp -s "$work/saved.json" "$work/expected.json" ||
    fail "the saved project is not what zembrix-cli replace and grab write: $(diff "$work/saved.json" "$work/expected.json" | head -5)"

# The preview of the selected (last) object shows it as the renderer draws it.
"$cli" render "$work/saved.prg" --object "$items" -o "$work/object.png"
convert -size 24x16 xc:'#70A4B2' "$work/object.png" -composite -alpha off -depth 8 \
    "rgb:$work/expected.rgb"
cmp -s "$work/shown.rgb" "$work/expected.rgb" || {
    convert "$work/screen.png" -crop "320x200+${ox}+${oy}" +repage "$shots/e2e_grab_preview.png"
    fail "the main window does not preview the new object (see $shots/e2e_grab_preview.png)"
}
# Control+Q asks first: No keeps the editor running and writes nothing,
# Yes ends it and saves the options.
rm -f "$config/user-qv.ini"
ask_to_quit "$main" alt+n
sleep 1
kill -0 "$pid" 2>/dev/null || fail "zembrix ended although the answer was No"
[ -z "$(wait_window 'Confirmation request' 1)" ] || fail "the confirmation stayed open"
[ ! -e "$config/user-qv.ini" ] || fail "options written although the answer was No"
ask_to_quit "$main" alt+y
wait_exit
grep -q '^position=[0-9-]*;[0-9-]*;$' "$config/user-qv.ini" || fail "options not saved on quit"
echo "start, replace and grab an object from a Koala picture, save and quit: passed"
