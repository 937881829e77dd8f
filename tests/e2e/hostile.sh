#!/usr/bin/env bash
# zembrix-cli over hostile inputs and outputs: endless devices, a FIFO, a
# sparse file of a terabyte, links to themselves, folders, numbers past the
# edges of int. Every case must end within the time limit with exit status
# 1 and a message, and write nothing. Called as: bash hostile.sh ZEMBRIX ZEMBRIX_CLI
set -uo pipefail
CLI="$2"
HOSTILE=tests/data/hostile
DATA=tests/data/files
TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT
OUT="$TMP/out"
mkdir "$OUT"
passed=0
failed=0
fail() {
    failed=$((failed + 1))
    echo "FAIL: $*" >&2
}

# Inputs made here: a FIFO nobody writes to, a sparse file of 1 TiB, a
# file one byte larger than any valid one.
mkfifo "$TMP/fifo.prg"
truncate -s 1T "$TMP/huge.prg"
head -c 65539 /dev/zero >"$TMP/over.prg"

# attempt LINE: runs one command line (placeholders filled in) and checks it.
attempt() {
    local line="$1"
    line="${line//@OUT@/$OUT}"
    line="${line//@DATA@/$DATA}"
    line="${line//@KOALA@/tests/data/pictures/koala/abydos.koa}"
    line="${line//@SAMPLE@/$DATA/sample.prg}"
    local -a args
    read -r -a args <<<"$line"
    timeout 20 "$CLI" "${args[@]}" >/dev/null 2>"$TMP/err" </dev/null
    local got=$?
    if [ "$got" -ne 1 ]; then
        fail "zembrix-cli $line: exit $got ($(head -c 200 "$TMP/err"))"
    elif [ ! -s "$TMP/err" ]; then
        fail "zembrix-cli $line: no message"
    elif [ -n "$(ls -A "$OUT")" ]; then
        fail "zembrix-cli $line: wrote $(ls -A "$OUT")"
    else
        passed=$((passed + 1))
    fi
    rm -rf "${OUT:?}"/*
}

while read -r line; do
    case "$line" in '' | '#'*) continue ;; esac
    for input in "$HOSTILE/zero.prg" "$HOSTILE/noise.koa" "$HOSTILE/self.prg" \
        "$HOSTILE/folder.prg" /dev/null /dev/zero "$TMP/fifo.prg" "$TMP/huge.prg" "$TMP/over.prg"; do
        attempt "${line//@INPUT@/$input}"
    done
done <"$HOSTILE/inputs.txt"

while read -r line; do
    case "$line" in '' | '#'*) continue ;; esac
    attempt "$line"
done <"$HOSTILE/numbers.txt"

# Outputs that exist and are not regular files are refused and left as they
# are: a FIFO (opening it to write would wait forever), a folder, and a
# device node of our own where the system allows making one.
outputs=("$TMP/fifo.prg" "$HOSTILE/folder.prg")
mknod "$TMP/null" c 1 3 2>/dev/null && outputs+=("$TMP/null")
for target in "${outputs[@]}"; do
    kind="$(stat -c %F "$target")"
    attempt "render @SAMPLE@ --location 0 -o $target"
    attempt "resave @SAMPLE@ -o $target"
    attempt "picture @KOALA@ -o @OUT@/o.png --hires $target"
    [ "$(stat -c %F "$target")" == "$kind" ] || fail "$target is no longer a $kind"
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
