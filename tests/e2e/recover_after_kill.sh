#!/usr/bin/env bash
# Disables a placement in the panel editor and adds a panel, waits for the
# recovery copy, kills the editor with SIGKILL, starts it again on the same
# project, answers "Recover" with a real click, and saves: the saved file
# holds the new panel, and the save asks about the disabled placement that
# came back with it.
#   bash recover_after_kill.sh <zembrix> <zembrix-cli>
set -euo pipefail
source "$(dirname "$0")/../support/e2e.bash"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
cp "$root/resources/examples/quorvane-sampler.prg" "$work/game.prg"
saved="$work/saved.prg"
copies="$XDG_STATE_HOME/zembrix/recovery"

export GDK_NATIVE_WINDOWS=1
start_accessibility
start_zembrix_on "$work/game.prg"
panels() { a11y rows "Panel ID"; }

# The first panel's first placement disabled in the editor's list.
click_at $(a11y center "page tab" "Panels")
click_at $(a11y inside "Panel ID")
xdotool windowfocus --sync "$main"
key Home
key alt+e
editor="$(wait_window 'Zembrix - Panel editor' 100)"
[ -n "$editor" ] || fail "no panel editor after Edit panel..."
click_at $(a11y cell "Placements" 0)
xdotool windowfocus --sync "$editor"
key Escape
for _ in $(seq 1 50); do
    [ -z "$(wait_window 'Zembrix - Panel editor' 1)" ] && break
    sleep 0.1
done
[ -z "$(wait_window 'Zembrix - Panel editor' 1)" ] || fail "Escape did not close the panel editor"
# And a new panel (once the previews, drawn again after the edit, let the
# commands work again).
for _ in 1 2 3 4 5; do
    click_at $(a11y center "push button" "New panel")
    [ "$(panels)" = 10 ] && break
    sleep 0.5
done
[ "$(panels)" = 10 ] || fail "New panel did not add a panel: $(panels) panels"

# The copy is written a few seconds after a change, and at most every 30
# seconds: wait until it holds both changes.
holds_both() {
    /usr/bin/python3 - "$copies" <<'PY'
import glob, json, sys
for path in glob.glob(sys.argv[1] + "/*.json"):
    try:
        copy = json.load(open(path))
    except ValueError:
        continue
    # A placement's second byte holds its flags; bit 1 is "enabled".
    disabled = any(int(item["defs"][k + 2:k + 4], 16) & 2 == 0
                   for item in copy["items"] if item["kind"] == "panel"
                   for k in range(0, len(item["defs"]), 20))
    if len(copy["items"]) == 25 and disabled:
        sys.exit(0)
sys.exit(1)
PY
}
for _ in $(seq 1 450); do
    holds_both && break
    sleep 0.1
done
holds_both || fail "no recovery copy with both changes 45 seconds after them"
kill -9 "$pid"
wait "$pid" 2>/dev/null || true
pid=""

# The next start on the project offers the work back.
"$zembrix" "$work/game.prg" >"$work/log" 2>&1 &
pid=$!
question="$(wait_window 'Recover unsaved changes' 600)"
[ -n "$question" ] || fail "no recovery question after the kill"
click_at $(a11y center "push button" "Recover")
main="$(wait_window '\*Zembrix - game.prg' 100)"
[ -n "$main" ] || fail "the recovered project is not shown as unsaved"
click_at $(a11y center "page tab" "Panels")
[ "$(panels)" = 10 ] || fail "the new panel did not come back: $(panels) panels"

# Saved where the user says: the disabled placement is asked about.
xdotool windowfocus --sync "$main"
key ctrl+s
type_in_saver "$saved"
disabled="$(wait_window 'Disabled placements' 100)"
[ -n "$disabled" ] || fail "the disabled placement did not come back (no question when saving)"
xdotool windowfocus --sync "$disabled"
key alt+e
for _ in $(seq 1 100); do
    [ -s "$saved" ] && break
    sleep 0.1
done
[ "$("$cli" load "$saved" | /usr/bin/python3 -c 'import json,sys; print(json.load(sys.stdin)["items"])')" = 25 ] ||
    fail "the saved project should hold the example's 24 items and the new panel"
# Saved: nothing left to recover.
sleep 0.5
! ls "$copies"/*.json >/dev/null 2>&1 || fail "a recovery copy outlived the save: $(ls "$copies")"

ask_to_quit "$main" alt+y
wait_exit
echo "recovery after a kill: passed"
