#!/usr/bin/env bash
# What an installation adds beside the programs: the desktop entry and the
# AppStream metadata pass their validators, the manual pages pass the lint
# and hold every command with its options as --help gives them, and the
# bash completion completes commands and options from the program itself.
#   bash desktop_files.sh <zembrix-cli> <folder of the manual pages>
set -uo pipefail
cli="$(realpath "$1")"
man="$2"
failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}

desktop-file-validate resources/zembrix.desktop || fail "the desktop entry"
appstreamcli validate --no-net resources/zembrix.metainfo.xml >/dev/null ||
    fail "the AppStream metadata: $(appstreamcli validate --no-net resources/zembrix.metainfo.xml)"
mandoc -T lint -W warning "$man/zembrix.1" "$man/zembrix-cli.1" || fail "the manual pages' lint"

# Each command's options are in the page, as its --help says them.
page="$(MANWIDTH=200 mandoc -T utf8 "$man/zembrix-cli.1" | col -b)"
commands="$("$cli" --help | awk '/^Commands:/ { on = 1; next } on && /^  [a-z]/ { print $1 }')"
[ "$(echo "$commands" | wc -l)" -ge 10 ] || fail "too few commands: $commands"
for command in $commands; do
    for option in $("$cli" "$command" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
        echo "$page" | grep -q -- "$option" || fail "zembrix-cli(1) lacks $command $option"
    done
    echo "$page" | grep -q "zembrix-cli $command \[OPTION" || fail "zembrix-cli(1) lacks $command"
done
MANWIDTH=200 mandoc -T utf8 "$man/zembrix.1" | col -b | grep -q -- "--version" ||
    fail "zembrix(1) lacks --version"

# The completion, with the program found on the path.
bash -n resources/zembrix-cli.bash-completion || fail "the completion does not parse"
completions() { # completions WORD...
    PATH="$(dirname "$cli"):$PATH" bash -c '
        source resources/zembrix-cli.bash-completion
        COMP_WORDS=(zembrix-cli "$@")
        COMP_CWORD=$#
        _zembrix_cli
        echo "${COMPREPLY[*]}"' completion "$@"
}
[ "$(completions ren)" = "render" ] || fail "\"ren\" completes to \"$(completions ren)\""
[ "$(completions help exp)" = "export-json" ] || fail "\"help exp\" completes to \"$(completions help exp)\""
[ "$(completions render --al)" = "--all --allow-incomplete" ] ||
    fail "\"render --al\" completes to \"$(completions render --al)\""
completions render resources/examples/quorvane | grep -q "quorvane-sampler.prg" ||
    fail "file names are not completed"
[ "$failed" -eq 0 ] && echo "desktop entry, metadata, manual pages and completion: passed"
exit "$failed"
