#!/usr/bin/env bash
# The editor under a file-size limit (as on a full disk, with `ulimit -f`):
# it is not ended by the signal such a write raises. The settings that cannot
# be written are said once, a save fails with its error shown, and the
# editor goes on.
#   bash file_size_limit.sh <zembrix> <zembrix-cli>
set -euo pipefail
source "$(dirname "$0")/../support/e2e.bash"
export NO_AT_BRIDGE=1
cp "$root/tests/data/files/sample.prg" "$work/game.prg"

wait_display
cd "$work"
# The output goes through a pipe: the log file itself is not limited.
(ulimit -f 0 && exec "$zembrix" "$work/game.prg") > >(cat >"$work/log") 2>&1 &
pid=$!

main="$(wait_window 'Zembrix - game.prg' 600)"
[ -n "$main" ] || fail "no window titled \"Zembrix - game.prg\""
sleep 1
kill -0 "$pid" 2>/dev/null || fail "zembrix ended under the file-size limit"

# Save As to a new file: the write fails and says why.
xdotool windowfocus --sync "$main"
key shift+ctrl+s
type_in_saver "$work/saved.prg"
error="$(wait_window Error 100)"
[ -n "$error" ] || fail "no error dialog after a save past the limit"
kill -0 "$pid" 2>/dev/null || fail "zembrix ended on the save"
[ ! -e "$work/saved.prg" ] || fail "a file was left by the failed save"
[ -z "$(find "$work" -maxdepth 1 -name '.zbx-*')" ] || fail "temporary files were left"
cmp -s "$work/game.prg" "$root/tests/data/files/sample.prg" || fail "the project changed"
xdotool windowfocus --sync "$error"
key Return

ask_to_quit "$main" alt+y
wait_exit
told="$(grep -c '^The settings cannot be saved: .*File too large$' "$work/log" || true)"
[ "$told" = 1 ] || fail "the unsaved settings were said $told times, not once"
echo "file-size limit: passed"
