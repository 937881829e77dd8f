#!/usr/bin/env bash
# The editor killed while it saves: each round starts Zembrix on one
# near-limit project, saves it with Save As over another (a plain file, a
# symbolic link to one, and a file with a second hard link), confirming the
# replacement with real keys, and kills the editor with SIGKILL a random
# moment later. After every round the target holds the old project or the
# new one, byte for byte, the link is still a link, the second hard link
# keeps the old project, and every backup kept is the old project, whole.
# (The command line's writer, which the editor shares, is killed in the
# middle of its writes many more times by kill_save.sh.)
#   bash kill_editor_save.sh <zembrix> <zembrix-cli>
# ZBX_EDITOR_KILL_ROUNDS sets the number of rounds (9 by default).
set -euo pipefail
source "$(dirname "$0")/../support/e2e.bash"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
rounds="${ZBX_EDITOR_KILL_ROUNDS:-9}"
old="$root/tests/data/files/near_limit.prg"
new="$work/new.prg"
cp "$root/tests/data/files/near_limit_nested.prg" "$new"
cmp -s "$old" "$new" && fail "the two projects are the same"
backups="$XDG_STATE_HOME/zembrix/backups"
wait_display
cd "$work"

source "$(dirname "$0")/../support/kill_targets.bash"
for ((round = 0; round < rounds; round++)); do
    prepare_target "$round"
    "$zembrix" "$new" >"$work/log" 2>&1 &
    pid=$!
    main="$(wait_window 'Zembrix - new.prg' 600)"
    [ -n "$main" ] || fail "round $round: no main window"
    xdotool windowfocus --sync "$main"
    xdotool key --clearmodifiers shift+ctrl+s
    type_in_saver "$target"
    # The chooser asks before replacing the file: Replace, then the kill.
    sleep 0.5
    # The kill is timed from before the key is sent, so that it falls
    # before, during or after the save.
    (
        sleep "0.0$(printf "%02d" $((RANDOM % 40)))"
        kill -KILL "$pid" 2>/dev/null || true
    ) &
    killer=$!
    xdotool key --clearmodifiers alt+r
    wait "$killer"
    { wait "$pid"; } 2>/dev/null || true
    pid=""
    check_target "$round"
    # Every backup is the old project, whole (a temporary file of a killed
    # backup is no backup, and a later save clears it).
    if [ -d "$backups" ]; then
        while IFS= read -r -d '' backup; do
            cmp -s "$backup" "$old" || fail "round $round: the backup $backup is not the old project"
        done < <(find "$backups" -type f ! -name '.zbx-*.tmp' -print0)
    fi
done
left="$(find "$work" "$XDG_STATE_HOME" -name '.zbx-??????.tmp' | wc -l)"
echo "editor kill test: $rounds rounds; the old project $kept_old times, the new one" \
    "$got_new times, never anything else; every backup whole ($left temporary files" \
    "left by kills in the middle of a write)"
