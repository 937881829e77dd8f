#!/usr/bin/env bash
# Launches the editor as a user would, checks its window and options file,
# then quits through the confirmation: first answering
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
[ -z "$(wait_window Error 1)" ] || fail "an error dialog came up at start-up"

# The options file of a first run.
[ -d "$config" ] || fail "no folder $config"
[ "$(stat -c %a "$config")" = 700 ] || fail "$config has mode $(stat -c %a "$config")"
[ "$(head -n 1 "$config/user-qv.ini")" = "# Zembrix config file - do NOT edit" ] ||
    fail "user-qv.ini does not start with its header"
grep -q '^incremental_rendering=false$' "$config/user-qv.ini" || fail "no incremental_rendering"

rm -f "$config/user-qv.ini"
ask_to_quit "$main" alt+n
sleep 1
kill -0 "$pid" 2>/dev/null || fail "zembrix ended although the answer was No"
[ -z "$(wait_window 'Confirmation request' 1)" ] || fail "the confirmation stayed open"
[ ! -e "$config/user-qv.ini" ] || fail "options written although the answer was No"

ask_to_quit "$main" alt+y
wait_exit
grep -q '^position=[0-9-]*;[0-9-]*;$' "$config/user-qv.ini" || fail "options not saved on quit"
echo "startup and quit: passed"
