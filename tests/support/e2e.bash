# Shared by the end-to-end scripts (source it after setting $zembrix): a
# scratch folder removed on exit, the editor started in it in the background,
# failures reported with the editor's output, and waiting for its windows.
# shellcheck shell=bash

work="$(mktemp -d)"
pid=""
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -f "$work/log" ] && sed 's/^/  zembrix: /' "$work/log" >&2
    exit 1
}

# Starts the editor from the scratch folder, its output in $work/log.
start_zembrix() {
    cd "$work"
    "$zembrix" >"$work/log" 2>&1 &
    pid=$!
}

# Waits up to $2 tenths of a second for a visible window titled $1.
wait_window() {
    local id=""
    for _ in $(seq 1 "$2"); do
        id="$(xdotool search --all --onlyvisible --pid "$pid" --name "^$1\$" 2>/dev/null |
            head -n 1 || true)"
        [ -n "$id" ] && break
        kill -0 "$pid" 2>/dev/null || fail "zembrix ended while waiting for \"$1\""
        sleep 0.1
    done
    echo "$id"
}
