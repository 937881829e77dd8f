#!/usr/bin/env bash
# Launches the editor as a user would, checks its window and options file,
# takes a screenshot, then quits through the confirmation: first answering
# No (it keeps running), then Yes (it exits cleanly).
#   bash startup_quit.sh <zembrix> <zembrix-cli>
set -euo pipefail
source "$(dirname "$0")/../support/e2e.bash"

# A fresh user: no configuration folder yet.
export NO_AT_BRIDGE=1
config="$XDG_CONFIG_HOME/zbx-decoder"

# The backdrop is not in the current folder: it is found beside the program.
start_zembrix

main="$(wait_window Zembrix 600)"
[ -n "$main" ] || fail "no window titled Zembrix"
sleep 1
[ -z "$(xdotool search --all --onlyvisible --pid "$pid" --name '^Error$' 2>/dev/null || true)" ] ||
    fail "an error dialog came up at start-up"

# The options file of a first run.
[ -d "$config" ] || fail "no folder $config"
[ "$(stat -c %a "$config")" = 700 ] || fail "$config has mode $(stat -c %a "$config")"
[ "$(head -n 1 "$config/user-qv.ini")" = "# Zembrix config file - do NOT edit" ] ||
    fail "user-qv.ini does not start with its header"
grep -q '^incremental_rendering=false$' "$config/user-qv.ini" || fail "no incremental_rendering"

# Asks to quit with the File menu's accelerator and answers with the given
# mnemonic key.
ask_to_quit() {
    xdotool windowfocus --sync "$main"
    xdotool key --clearmodifiers ctrl+q
    local dialog
    dialog="$(wait_window 'Confirmation request' 100)"
    [ -n "$dialog" ] || fail "no confirmation after Control+Q"
    sleep 0.3
    xdotool windowfocus --sync "$dialog"
    xdotool key --clearmodifiers "$1"
}

rm -f "$config/user-qv.ini"
ask_to_quit alt+n
sleep 1
kill -0 "$pid" 2>/dev/null || fail "zembrix ended although the answer was No"
[ -z "$(xdotool search --all --onlyvisible --pid "$pid" --name '^Confirmation request$' \
    2>/dev/null || true)" ] || fail "the confirmation stayed open"
[ ! -e "$config/user-qv.ini" ] || fail "options written although the answer was No"

ask_to_quit alt+y
for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "zembrix still running after Yes"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" -eq 0 ] || fail "zembrix exited with $status"
grep -q '^position=[0-9-]*;[0-9-]*;$' "$config/user-qv.ini" || fail "options not saved on quit"
echo "startup and quit: passed"
