#!/usr/bin/env bash
# zembrix-cli end to end: every command on the sample projects, its output,
# its files and its failures. Called as: bash cli.sh ZEMBRIX ZEMBRIX_CLI
set -uo pipefail
CLI="$2"
DATA=tests/data/files
KOALA=../shared/testdata/pictures/koala/abydos.koa
TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT

passed=0
failed=0
ok() { passed=$((passed + 1)); }
bad() { failed=$((failed + 1)); echo "FAIL: $*" >&2; }
check() { # check DESCRIPTION COMMAND...
    local what="$1"; shift
    if "$@"; then ok; else bad "$what"; fi
}

# run EXPECTED_STATUS ARGS...: runs the CLI, keeps stdout and stderr.
run() {
    local want="$1"; shift
    "$CLI" "$@" >"$TMP/out" 2>"$TMP/err"
    local got=$?
    if [ "$got" -ne "$want" ]; then
        bad "zembrix-cli $* exited $got, expected $want: $(cat "$TMP/err")"
        return 1
    fi
    ok
}

same_text() { # same_text FILE EXPECTED
    if [ "$(cat "$1")" == "$2" ]; then ok; else bad "$1: got [$(cat "$1")], expected [$2]"; fi
}

# PNG width, height and colour type from its header.
png_info() {
    od -An -tu1 -j16 -N10 "$1" | awk '{ printf "%d %d %d\n", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8, $10 }'
}

# --- help
run 0 --help && grep -q "Commands:" "$TMP/out" || bad "top-level help"
for command in load render resave picture grab refs delete import objfile check; do
    run 0 "$command" --help && grep -q "zembrix-cli $command" "$TMP/out" || bad "$command --help"
done
run 1 frobnicate && same_text "$TMP/err" 'Unknown command: frobnicate (run "zembrix-cli --help" for the list)'

# --- load
run 0 load "$DATA/sample.prg" && check "load JSON" cmp -s "$TMP/out" "$DATA/sample.json"
head -c 68 "$DATA/sample.prg" >"$TMP/short.prg"
run 1 load "$TMP/short.prg" &&
    same_text "$TMP/err" "File \"$TMP/short.prg\" doesn't appear to be a supported zembrix file. Error: 2"
run 1 load "$TMP/missing.prg" && check "missing file names the file" grep -q "missing.prg" "$TMP/err"

# --- render
run 0 render "$DATA/sample.prg" --location 0 -o "$TMP/l0.png" &&
    same_text <(png_info "$TMP/l0.png") "320 144 6"
run 0 render "$DATA/sample.prg" --panel 5 --background 6 -o "$TMP/p5.png" &&
    check "location 0 is panel 5 over colour 6" cmp -s "$TMP/l0.png" "$TMP/p5.png"
run 0 render "$DATA/sample.prg" --panel 5 -o "$TMP/p5-own.png" # its preview colour, 2
run 0 render "$DATA/sample.prg" --location 31 -o "$TMP/l31.png" &&
    check "panel 5 previews in location 31's colour" cmp -s "$TMP/l31.png" "$TMP/p5-own.png"
run 0 render "$DATA/sample.prg" --panel 3 --background 4 -o "$TMP/empty-item.png"
run 0 render "$DATA/sample.prg" --panel 7 --background 4 -o "$TMP/empty-panel.png" &&
    check "no panel draws the background alone" cmp -s "$TMP/empty-item.png" "$TMP/empty-panel.png"
run 0 render "$DATA/sample.prg" --object 6 -o "$TMP/o6.png" && same_text <(png_info "$TMP/o6.png") "120 16 6"
run 1 render "$DATA/sample.prg" --object 3 -o "$TMP/o3.png" && same_text "$TMP/err" "Invalid object"
check "no image for a failed render" test ! -e "$TMP/o3.png"
run 1 render "$DATA/sample.prg" --location 1 --panel 2 -o "$TMP/x.png"
run 1 render "$DATA/sample.prg" --location 32 -o "$TMP/x.png"

# --- resave: what the writer produced comes back byte for byte
run 0 resave "$DATA/sample.prg" -o "$TMP/resaved.prg" &&
    check "resave is byte-identical" cmp "$DATA/sample.prg" "$TMP/resaved.prg"
run 0 resave "$DATA/quirks.prg" -o "$TMP/quirks.prg" &&
    check "hand-made file resaves as expected" cmp "$DATA/quirks.resaved.prg" "$TMP/quirks.prg"

# --- picture and grab
run 0 picture "$KOALA" -o "$TMP/pic.png" --hires "$TMP/pic.bin" &&
    same_text <(png_info "$TMP/pic.png") "320 200 6" &&
    same_text <(stat -c %s "$TMP/pic.bin") "10000"
run 1 picture "$KOALA" --format 1 -o "$TMP/x.png" &&
    same_text "$TMP/err" "Wrong load address
Expected: \$5800
Actual: \$6000"
run 0 grab "$KOALA" --x 80 --y 64 --width 24 --height 16 -o "$TMP/grab.zbxobject" &&
    check "grabbed object" cmp "$TMP/grab.zbxobject" "$DATA/object_0.zbxobject"
run 1 grab "$KOALA" --x 84 --y 64 --width 24 --height 16 -o "$TMP/x.zbxobject" &&
    same_text "$TMP/err" "Invalid region"
run 1 grab "$KOALA" --x 0 --y 0 --width 128 --height 8 -o "$TMP/x.zbxobject" &&
    same_text "$TMP/err" "Invalid region"
run 1 grab "$KOALA" --x 312 --y 192 --width 16 --height 8 -o "$TMP/x.zbxobject" &&
    same_text "$TMP/err" "Invalid region"
check "no object file for a refused region" test ! -e "$TMP/x.zbxobject"

# --- object files
run 0 objfile "$DATA/object_0.zbxobject" -o "$TMP/obj.png" && same_text <(png_info "$TMP/obj.png") "24 16 6"
head -c 60 "$DATA/object_0.zbxobject" >"$TMP/cut.zbxobject"
run 1 objfile "$TMP/cut.zbxobject" -o "$TMP/x.png" && same_text "$TMP/err" "Unrecognized format"
printf '\x10' >"$TMP/zero.zbxobject"
run 1 objfile "$TMP/zero.zbxobject" -o "$TMP/x.png" && same_text "$TMP/err" "Could not create pixbuf"

# --- refs
run 0 refs "$DATA/sample.prg" --item 1 && same_text "$TMP/out" "Panel 2 (\$2): found 2 occurrences"
run 0 refs "$DATA/sample.prg" --item 5 && same_text "$TMP/out" "Panel 9 (\$9): found 1 occurrence
Panel was elected as location 0 (\$0)
Panel was elected as location 31 (\$1F)"
run 0 refs "$DATA/sample.prg" --item 3 && same_text "$TMP/out" "None found among other panels
and not elected as a location"
run 1 refs "$DATA/sample.prg" --item 10 && same_text "$TMP/err" "Invalid item"

# --- import, then delete what was imported
run 0 import "$DATA/sample.prg" --object "$DATA/object_2.zbxobject" -o "$TMP/imported.prg"
run 0 refs "$TMP/imported.prg" --item 10 && same_text "$TMP/out" "None found among panels"
run 0 load "$TMP/imported.prg" &&
    check "imported object's data" grep -q "\"data_sha1\": \"$(sha1sum "$DATA/object_2.zbxobject" | cut -c1-40)\"" "$TMP/out"
run 0 delete "$TMP/imported.prg" --item 10 -o "$TMP/deleted.prg" &&
    check "import then delete gives the file back" cmp "$DATA/sample.prg" "$TMP/deleted.prg"
run 1 import "$DATA/sample.prg" --object "$TMP/cut.zbxobject" -o "$TMP/x.prg" &&
    same_text "$TMP/err" "Unrecognized format"

# --- delete
run 1 delete "$DATA/sample.prg" --item 1 -o "$TMP/x.prg" && same_text "$TMP/err" "Object in use. Please check where it
is referenced and delete each occurrence
if you are happy to do so."
run 1 delete "$DATA/sample.prg" --item 7 -o "$TMP/x.prg" && same_text "$TMP/err" "Panel in use. Please check where it
is referenced and delete each occurrence
if you are happy to do so."
check "nothing written when refused" test ! -e "$TMP/x.prg"
run 0 delete "$DATA/sample.prg" --item 3 -o "$TMP/no-empty.prg" &&
    run 0 load "$TMP/no-empty.prg" && check "delete shrinks the items" grep -q '"items": 9' "$TMP/out"

# --- check
run 0 check "$DATA/sample.prg" && same_text "$TMP/out" ""
run 1 check "$DATA/quirks.prg" && same_text "$TMP/out" "Panel 4, definition 0: places item 3, which is empty
Panel 5, definition 1: places item 3, which is empty
Location 0: background colour 46 is above 15 (drawn as 14)
Location 1: elects item 1, which is not a panel
Location 4: elects item 3, which is not a panel"

# --- panels that contain each other load, draw and are reported
run 0 load "$DATA/loop.prg" && check "loops reported" grep -q '"loops": true' "$TMP/out"
run 0 render "$DATA/loop.prg" --location 0 -o "$TMP/loop.png" && same_text <(png_info "$TMP/loop.png") "320 144 6"
run 1 check "$DATA/loop.prg" && same_text "$TMP/out" "Panel loop: panels 0 and 1 contain each other"
run 0 load "$DATA/sample.prg" && check "no loops in the sample" grep -q '"loops": false' "$TMP/out"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
