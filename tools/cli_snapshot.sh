#!/usr/bin/env bash
# Runs every zembrix-cli command over the test data and writes what each
# printed, its exit status and the files it wrote (as SHA-1 sums) into one
# text file, so that two builds can be compared with diff:
#
#   tools/cli_snapshot.sh OLD/zembrix-cli > old.txt
#   tools/cli_snapshot.sh NEW/zembrix-cli > new.txt
#   diff old.txt new.txt
set -uo pipefail
CLI="$(realpath "$1")"
cd "$(dirname "$0")/.."
TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT

# run ARGS...: prints the call, its exit status, its output and the files
# left in the scratch folder (removed afterwards).
run() {
    echo "=== $*" | sed "s|$TMP|TMP|g"
    "$CLI" "$@" >"$TMP/.out" 2>"$TMP/.err"
    echo "exit $?"
    sed "s|$TMP|TMP|g" "$TMP/.out"
    sed "s|$TMP|TMP|g" "$TMP/.err" | sed 's/^/err: /'
    for f in "$TMP"/*; do
        [ -e "$f" ] || continue
        echo "file $(basename "$f") $(sha1sum <"$f" | cut -c1-40)"
        rm -rf "$f"
    done
}

projects=(tests/data/files/*.prg tests/data/reader/*.prg tests/data/hostile/*.prg
          resources/examples/*.prg)
for p in "${projects[@]}"; do
    [ -f "$p" ] || continue
    run load "$p"
    run check "$p"
    run check --json "$p"
    run resave "$p" -o "$TMP/out.prg"
    for s in 0 1 5 17 31; do
        run render "$p" --location "$s" -o "$TMP/l.png"
        run render "$p" --location "$s" --clashes --screen -o "$TMP/l.png"
    done
    for i in 0 1 2 3 5 9 12 40 254; do
        run render "$p" --panel "$i" --background 6 --clashes -o "$TMP/p.png"
        run render "$p" --object "$i" --background 3 -o "$TMP/o.png"
        run refs "$p" --item "$i"
        run delete "$p" --item "$i" -o "$TMP/d.prg"
    done
    run import "$p" --object tests/data/files/object_2.zbxobject -o "$TMP/i.prg"
done
for pic in tests/data/pictures/*/* tests/data/hostile/noise.koa; do
    [ -f "$pic" ] || continue
    run picture "$pic" -o "$TMP/pic.png" --hires "$TMP/pic.bin"
    run grab "$pic" --x 80 --y 64 --width 24 --height 16 -o "$TMP/g.zbxobject"
    run grab "$pic" --x 0 --y 0 --width 120 --height 120 --transparent 0 -o "$TMP/g.zbxobject"
done
for o in tests/data/files/*.zbxobject; do
    run objfile "$o" -o "$TMP/o.png"
done
run --help
run frobnicate
