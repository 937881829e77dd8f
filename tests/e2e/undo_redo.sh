#!/usr/bin/env bash
# Opens a project given on the command line, adds and deletes a panel and
# stores a location through real clicks on widgets found in the
# accessibility tree, takes the changes back and forth with Control+Z and
# Shift+Control+Z, and checks the lists, the title and the saved files.
#   bash undo_redo.sh <zembrix> <zembrix-cli>
set -euo pipefail
source "$(dirname "$0")/../support/e2e.bash"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
cp "$root/resources/examples/quorvane-sampler.prg" "$work/game.prg"
saved="$work/saved.prg"

start_accessibility
start_zembrix_on "$work/game.prg"

# Keys go to the main window (no window manager gives it the focus).
main_key() {
    xdotool windowfocus --sync "$main"
    key "$1"
    sleep 0.2
}
panels() { a11y rows "Panel ID"; }
location_panel() {
    "$cli" load "$1" | /usr/bin/python3 -c \
        'import json, sys; print(json.load(sys.stdin)["locations"][5]["panel"])'
}

# A new panel, deleted through its context menu: unused, so it goes.
click_at $(a11y center "page tab" "Panels")
[ "$(panels)" = 9 ] || fail "the example should list 9 panels, not $(panels)"
click_at $(a11y center "push button" "New panel")
[ "$(panels)" = 10 ] || fail "New panel did not add a panel"
# The new panel is selected: the context menu acts on it.
click_at $(a11y inside "Panel ID") 3
click_at $(a11y center "menu item" "Delete panel")
[ "$(panels)" = 9 ] || fail "Delete panel did not delete the new panel"

# The first panel stored as location 5, both chosen with the keyboard in
# their lists.
click_at $(a11y inside "Panel ID")
main_key Home
click_at $(a11y inside "Location ID")
main_key Home
for _ in 1 2 3 4 5; do
    main_key Down
done
click_at $(a11y center "push button" "Store as location")
[ "$(xdotool getwindowname "$main")" = "*Zembrix - game.prg" ] ||
    fail "the title does not show unsaved changes: $(xdotool getwindowname "$main")"

# Undo the store and the delete, redo the delete.
main_key ctrl+z
main_key ctrl+z
[ "$(panels)" = 10 ] || fail "Control+Z did not bring the deleted panel back"
main_key shift+ctrl+z
[ "$(panels)" = 9 ] || fail "Shift+Control+Z did not delete the panel again"

# Save: right after opening it asks where.
main_key ctrl+s
save_in_chooser "$saved"
[ "$("$cli" load "$saved" | /usr/bin/python3 -c 'import json,sys; print(json.load(sys.stdin)["items"])')" = 24 ] ||
    fail "the saved project should hold the example's 24 items"
[ "$(location_panel "$saved")" = 255 ] || fail "location 5 should be empty after the undo"
[ "$(xdotool getwindowname "$main")" = "Zembrix - saved.prg" ] ||
    fail "the title after saving: $(xdotool getwindowname "$main")"

# Redo the store; Save now writes to the named file.
main_key shift+ctrl+z
main_key ctrl+s
[ "$(location_panel "$saved")" = 15 ] || fail "location 5 should show panel 15 after the redo"

# No unsaved changes: Control+Q asks the quit question; Yes ends it.
ask_to_quit "$main" alt+y
wait_exit
echo "undo and redo with real keys: passed"
