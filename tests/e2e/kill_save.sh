#!/usr/bin/env bash
# Saves killed at random moments: zembrix-cli import rewrites a project onto
# itself (a plain file, a symbolic link to one, and a file with a second hard
# link) and is killed with SIGKILL after a random delay, often in the middle
# of the write. After every round the target holds the old project or the
# new one, byte for byte, the link is still a link, and the second hard link
# holds the old project.
#   bash kill_save.sh <zembrix> <zembrix-cli>
# ZBX_KILL_ROUNDS sets the number of rounds (300 by default; 1000 for a
# longer run by hand).
set -uo pipefail
cli="$(realpath "$2")"
rounds="${ZBX_KILL_ROUNDS:-300}"
data=tests/data/files
object="$data/object_3.zbxobject"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

old="$work/old.prg"
new="$work/new.prg"
cp "$data/sample.prg" "$old"
"$cli" import "$old" --object "$object" -o "$new" || fail "the import does not run"
cmp -s "$old" "$new" && fail "the import changed nothing"

# How long a whole import takes, in microseconds. The project is written
# at its very end, so the kills aim there: each falls at a random moment
# between half and one and a half times "aim", which follows the rounds
# (shorter after an import that finished, longer after one killed) so that
# about half of the imports are killed, close to their end.
now_us() { echo $(($(date +%s%N) / 1000)); }
took=0
for _ in 1 2 3; do
    cp "$old" "$work/timing.prg"
    start="$(now_us)"
    "$cli" import "$work/timing.prg" --object "$object" -o "$work/timing.prg"
    took=$((took + $(now_us) - start))
done
aim=$((took / 3))
[ "$aim" -gt 100 ] || aim=100

# Waiting without starting a process: a read that times out on a pipe no
# one writes to.
mkfifo "$work/never"
exec 9<>"$work/never"
pause_us() {
    read -r -t "$(printf '%d.%06d' $(($1 / 1000000)) $(($1 % 1000000)))" -u 9 || true
}

source "$(dirname "$0")/../support/kill_targets.bash"
killed=0
finished=0
for ((round = 0; round < rounds; round++)); do
    prepare_target "$round"
    "$cli" import "$target" --object "$object" -o "$target" 2>/dev/null &
    pid=$!
    pause_us $((aim / 2 + (RANDOM * 32768 + RANDOM) % (aim + 1)))
    kill -KILL "$pid" 2>/dev/null
    status=0
    { wait "$pid"; } 2>/dev/null || status=$?
    case "$status" in
    0) finished=$((finished + 1)) aim=$((aim * 9 / 10 + 1)) ;;
    137) killed=$((killed + 1)) aim=$((aim * 11 / 10)) ;;
    *) fail "round $round ($kind): zembrix-cli exited with $status" ;;
    esac
    check_target "$round"
done
# A kill between making the temporary file and renaming it leaves the
# file behind (a later save clears it once it is old): those kills fell in
# the middle of the write.
left="$(find "$work" -maxdepth 1 -name '.zbx-??????.tmp' | wc -l)"
echo "kill test: $rounds rounds (an import takes about $((took / 3000)) ms), $killed killed" \
    "($left of them while the new file was being written), $finished finished;" \
    "the old project $kept_old times, the new one $got_new times, never anything else"
