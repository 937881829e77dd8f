#!/usr/bin/env bash
# Replaces an object in place from a PNG image as a user would: with the
# first object selected in the main window, launches the grabber, opens a
# PNG through its File menu and the real chooser, drags a selection, presses
# "Replace selected object" by its key, saves with Control+S, and checks
# with zembrix-cli that the saved project holds the new bytes at the old
# index (what `zembrix-cli replace` writes) and every placement unchanged.
#   bash replace_object.sh <zembrix> <zembrix-cli>
set -euo pipefail
source "$(dirname "$0")/../support/e2e.bash"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
cp "$root/resources/examples/quorvane-sampler.prg" "$work/game.prg"
"$cli" picture "$root/tests/data/pictures/koala/Cyber30a-x.koa" -o "$work/art.png"

export NO_AT_BRIDGE=1
export GDK_NATIVE_WINDOWS=1
start_zembrix_on "$work/game.prg"

# The first object (0, placed 11 times) selected in the object list.
read -r ox oy < <(area_of "$main" 2)
[ -n "${ox:-}" ] || fail "no object preview in the main window"
click_at $((ox - 100)) $((oy + 60))
key Home
open_grabber_on "$main" "$work/art.png"
# Cells 5 to 7, rows 2 to 3, then Replace selected object (Alt+R).
select_grabber_cells
xdotool windowfocus --sync "$grabber"
key alt+r
sleep 0.5
[ -z "$(wait_window Error 1)" ] || fail "an error dialog came up on replacing"
key Escape

xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers ctrl+s
save_in_chooser "$work/saved.prg"

"$cli" replace "$work/game.prg" --item 0 "$work/art.png" --x 40 --y 16 --width 24 --height 16 \
    -o "$work/expected.prg"
"$cli" load "$work/game.prg" >"$work/before.json"
"$cli" load "$work/saved.prg" >"$work/saved.json"
"$cli" load "$work/expected.prg" >"$work/expected.json"
cmp -s "$work/saved.json" "$work/expected.json" ||
    fail "the saved project is not what zembrix-cli replace writes: $(diff "$work/saved.json" "$work/expected.json" | head -5)"
/usr/bin/python3 - "$work/before.json" "$work/saved.json" <<'PY' || fail "the replace changed more than object 0"
import json, sys
before, after = (json.load(open(p)) for p in sys.argv[1:3])
# Every placement as it was (the boxes follow the object's new size).
assert [p["definitions"] for p in before["panels"]] == [p["definitions"] for p in after["panels"]], \
    "placements changed"
assert before["locations"] == after["locations"], "locations changed"
old, new = before["objects"][0], after["objects"][0]
assert new["index"] == 0 and (new["width"], new["height"]) == (24, 16), new
assert new["data_sha1"] != old["data_sha1"], "object 0 is unchanged"
assert before["objects"][1:] == after["objects"][1:], "other objects changed"
PY
ask_to_quit "$main" alt+y
wait_exit
echo "replace an object in place from a PNG image: passed"
