#!/usr/bin/env bash
# Writes the manual pages zembrix(1) and zembrix-cli(1) from the programs'
# own --help, so that they never say other than the programs do: the
# command line's page holds the options of every command.
#   bash tools/man_pages.sh ZEMBRIX ZEMBRIX_CLI OUT_DIR
set -euo pipefail
zembrix="$1"
cli="$2"
out="$3"
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# help2man runs the program given; without a display, the editor still
# answers --help and --version.
date="$(date -u -d "@${SOURCE_DATE_EPOCH:-$(date +%s)}" +%Y-%m-%d)"
fix_date() { sed -i "1,5s/^\\(\\.TH [^ ]* [^ ]* \\)\"[^\"]*\"/\\1\"$date\"/" "$1"; }

{
    echo "[COMMANDS]"
    "$cli" --help | awk '/^Commands:/ { on = 1; next } on && /^  [a-z]/ { print $1 }' |
        while read -r command; do
            echo ".SS $command"
            echo ".nf"
            "$cli" "$command" --help | sed -e 's/\\/\\\\/g' -e 's/^\./\\\&./'
            echo ".fi"
        done
    echo "[SEE ALSO]"
    echo ".BR zembrix (1)"
} >"$work/cli.h2m"
help2man --no-info --no-discard-stderr --include "$work/cli.h2m" \
    --name "the Zembrix editor's core on the command line" "$cli" >"$out/zembrix-cli.1"
fix_date "$out/zembrix-cli.1"

printf '[SEE ALSO]\n.BR zembrix-cli (1)\n' >"$work/editor.h2m"
DISPLAY= help2man --no-info --no-discard-stderr --include "$work/editor.h2m" \
    --name "editor of the background graphics of the C64 game Quorvane" "$zembrix" \
    >"$out/zembrix.1"
fix_date "$out/zembrix.1"
