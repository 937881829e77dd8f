# Shared by the scripts that kill a save in the middle of its write, sourced
# once $work, $old and $new are set: the target of each round (a plain file,
# a symbolic link to one, and a file with a second hard link, in turn) and
# the check that it holds the old project or the new one, whole.
# shellcheck shell=bash

ln -s real.prg "$work/link.prg"
kinds=(plain link hard)
kept_old=0
got_new=0

# Round $1's target, holding the old project: $kind, $target (the name
# saved to) and $content (the file that name leads to).
prepare_target() {
    kind="${kinds[$1 % 3]}"
    target="$work/$kind.prg"
    content="$target"
    case "$kind" in
    link)
        cp "$old" "$work/real.prg"
        content="$work/real.prg"
        ;;
    hard)
        rm -f "$target" "$work/other.prg"
        cp "$old" "$target"
        ln "$target" "$work/other.prg"
        ;;
    *) cp "$old" "$target" ;;
    esac
}

# After round $1: the target holds the old or the new project byte for
# byte, the link is still a link, and the second hard link the old project.
check_target() {
    if cmp -s "$content" "$old"; then
        kept_old=$((kept_old + 1))
    elif cmp -s "$content" "$new"; then
        got_new=$((got_new + 1))
    else
        fail "round $1 ($kind): the target is neither the old nor the new project" \
            "($(stat -c %s "$content") bytes)"
    fi
    [ "$kind" != link ] || [ -L "$target" ] || fail "round $1: the link was replaced"
    [ "$kind" != hard ] || cmp -s "$work/other.prg" "$old" ||
        fail "round $1: the second hard link does not hold the old project"
}
