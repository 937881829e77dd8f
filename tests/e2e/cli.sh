#!/usr/bin/env bash
# zembrix-cli end to end: each command once on the sample projects, plus
# the edges a build pipeline relies on (exit codes, messages, no output
# file after a failure). Called as: bash cli.sh ZEMBRIX ZEMBRIX_CLI
set -uo pipefail
CLI="$2"
DATA=tests/data/files
KOALA=tests/data/pictures/koala/abydos.koa
EXAMPLE_FILE=resources/examples/quorvane-sampler.prg
TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT
passed=0
failed=0
check() { # check DESCRIPTION COMMAND...
    local what="$1"
    shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)) && echo "FAIL: $what" >&2; fi
}
# run STATUS ARGS...: runs the command line, keeps its output and errors.
run() {
    local want="$1"
    shift
    "$CLI" "$@" >"$TMP/out" 2>"$TMP/err"
    local got=$?
    check "zembrix-cli $* exits $want, not $got ($(head -c 200 "$TMP/err"))" test "$got" -eq "$want"
}
out_is() { check "output: $(cat "$TMP/out")" test "$(cat "$TMP/out")" == "$1"; }
err_is() { check "message: $(cat "$TMP/err")" test "$(cat "$TMP/err")" == "$1"; }
# A PNG's width, height and colour type from its header.
png_is() {
    check "$1 is $2" test "$(od -An -tu1 -j16 -N10 "$1" |
        awk '{ print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8, $10 }')" == "$2"
}

run 0 --help && check "top-level help" grep -q "Commands:" "$TMP/out" &&
    check "exit status in the help" grep -q "^Exit status: 0 done; 1 failed" "$TMP/out"
run 0 --version && check "version: $(cat "$TMP/out")" grep -qE "^zembrix-cli [0-9]+\.[0-9]+" "$TMP/out"
run 0 help render && cp "$TMP/out" "$TMP/help1" && run 0 render --help &&
    check "help COMMAND is COMMAND --help" cmp -s "$TMP/help1" "$TMP/out"
run 1 help frobnicate && err_is 'Unknown command: frobnicate (run "zembrix-cli --help" for the list)'
run 1 render "$EXAMPLE_FILE" --location 4 -o "$TMP/empty4.png" && err_is "Location 4 is empty"
check "nothing written for an empty location" test ! -e "$TMP/empty4.png"
run 1 render "$DATA/sample.prg" --panel 5 --background 20 -o "$TMP/x.png" &&
    err_is "Option --background must lie between 0 and 15"
run 1 frobnicate && err_is 'Unknown command: frobnicate (run "zembrix-cli --help" for the list)'

# What a load puts in every table, in full.
run 0 load "$DATA/sample.prg" && check "load JSON" cmp -s "$TMP/out" "$DATA/sample.json"
# The size load reports is the file's own, against the limit of $0800 to $7FFF.
run 0 load "$EXAMPLE_FILE" && check "load JSON size" test "$(python3 -c '
import json, sys; s = json.load(sys.stdin)["size"]; print(s["bytes"], s["limit"], s["free"])' <"$TMP/out")" == \
    "$(stat -c %s "$EXAMPLE_FILE") 30722 $((30722 - $(stat -c %s "$EXAMPLE_FILE")))"
# Printed piece by piece, empty lists included, it is still JSON.
run 0 load tests/data/reader/smallest-file.prg && check "load JSON of an empty project" python3 -m json.tool "$TMP/out" /dev/null
head -c 68 "$DATA/sample.prg" >"$TMP/short.prg"
run 1 load "$TMP/short.prg" &&
    err_is "File \"$TMP/short.prg\" doesn't appear to be a supported zembrix file. Error: 2"

run 0 render "$DATA/sample.prg" --location 0 -o "$TMP/l0.png" && png_is "$TMP/l0.png" "320 144 6"
run 0 render "$DATA/sample.prg" --panel 5 --background 6 -o "$TMP/p5.png" &&
    check "location 0 is panel 5 over colour 6" cmp -s "$TMP/l0.png" "$TMP/p5.png"
run 1 render "$DATA/sample.prg" --object 3 -o "$TMP/o3.png" && err_is "Invalid object"
check "no image for a failed render" test ! -e "$TMP/o3.png"
run 1 render "$DATA/sample.prg" --location 32 -o "$TMP/x.png"

# Everything in one call: the names expected, each file the single
# command's picture, and what was written listed.
run 0 render "$EXAMPLE_FILE" --all --objects --clashes -o "$TMP/all" &&
    check "render --all lists what it wrote" test "$(wc -l <"$TMP/out")" -eq "$(ls "$TMP/all" | wc -l)"
expected_names="$("$CLI" load "$EXAMPLE_FILE" | python3 -c '
import json, sys
d = json.load(sys.stdin)
names = ["location_%02d.png" % n for n, l in enumerate(d["locations"]) if l["panel"] != 255]
names += ["panel_%03d.png" % p["index"] for p in d["panels"]]
names += ["object_%03d.png" % o["index"] for o in d["objects"]]
print(" ".join(sorted(names)))')"
check "render --all writes every location, panel and object" \
    test "$(ls "$TMP/all" | sort | tr '\n' ' ' | sed 's/ $//')" == "$expected_names"
same=0
for f in "$TMP"/all/*.png; do
    name="$(basename "$f" .png)"
    case "$name" in
    location_*) "$CLI" render "$EXAMPLE_FILE" --location "$((10#${name#location_}))" --clashes -o "$TMP/one.png" ;;
    panel_*) "$CLI" render "$EXAMPLE_FILE" --panel "$((10#${name#panel_}))" --clashes -o "$TMP/one.png" ;;
    object_*) "$CLI" render "$EXAMPLE_FILE" --object "$((10#${name#object_}))" -o "$TMP/one.png" ;;
    esac
    cmp -s "$f" "$TMP/one.png" && same=$((same + 1))
done
check "every picture of render --all is the single command's ($same of $(ls "$TMP/all" | wc -l))" \
    test "$same" -eq "$(ls "$TMP/all" | wc -l)"
run 1 render "$EXAMPLE_FILE" --all --location 0 -o "$TMP/all2" &&
    err_is "--all draws everything: no --location, --panel, --object, --background or --scale with it"
run 1 render "$DATA/deep.prg" --all -o "$TMP/all3" &&
    check "an incomplete picture stops render --all: $(cat "$TMP/err")" grep -q "nothing written" "$TMP/err"
check "nothing written by a failed render --all" test -z "$(ls -A "$TMP/all3")"

# The project as text: back to the same bytes, valid by its schema, and a
# broken value refused by its path with nothing written.
run 0 export-json "$EXAMPLE_FILE" -o "$TMP/project.json" &&
    run 0 import-json "$TMP/project.json" -o "$TMP/from-json.prg" &&
    check "JSON round trip" cmp -s "$EXAMPLE_FILE" "$TMP/from-json.prg"
check "the JSON is valid by docs/project.schema.json" /usr/bin/python3 -c '
import json, sys, jsonschema
jsonschema.validate(json.load(open(sys.argv[1])), json.load(open(sys.argv[2])))' \
    "$TMP/project.json" docs/project.schema.json
sed 's/"x": 0,/"x": 500,/' "$TMP/project.json" >"$TMP/broken.json"
run 1 import-json "$TMP/broken.json" -o "$TMP/broken.prg" &&
    check "refused by path: $(cat "$TMP/err")" grep -q '^panels\[[0-9]*\]\.placements\[[0-9]*\]\.x: 500 is outside -112..392$' "$TMP/err"
check "nothing written from broken JSON" test ! -e "$TMP/broken.prg"

run 0 resave "$DATA/sample.prg" -o "$TMP/resaved.prg" &&
    check "resave is byte-identical" cmp "$DATA/sample.prg" "$TMP/resaved.prg"

run 0 picture "$KOALA" -o "$TMP/pic.png" --hires "$TMP/pic.bin" && png_is "$TMP/pic.png" "320 200 6" &&
    check "hires data" test "$(stat -c %s "$TMP/pic.bin")" -eq 10000
run 1 picture "$KOALA" --format 1 -o "$TMP/x.png" &&
    err_is "Wrong load address
Expected: \$5800
Actual: \$6000"

run 0 grab "$KOALA" --x 80 --y 64 --width 24 --height 16 -o "$TMP/grab.zbxobject" &&
    check "grabbed object" cmp "$TMP/grab.zbxobject" "$DATA/object_0.zbxobject"
run 1 grab "$KOALA" --x 312 --y 192 --width 16 --height 8 -o "$TMP/x.zbxobject" && err_is "Invalid region"
check "no object file for a refused region" test ! -e "$TMP/x.zbxobject"

# Images: the PNG picture writes reads back as the same hires data; a grab
# from it is the grab from the C64 file; clashes are listed.
run 0 picture "$TMP/pic.png" -o "$TMP/pic2.png" --hires "$TMP/pic2.bin" --json &&
    out_is '{"image": true, "background": 0, "clashes": []}' &&
    check "an image picture writes reads back" cmp -s "$TMP/pic.bin" "$TMP/pic2.bin"
run 0 grab "$TMP/pic.png" --x 80 --y 64 --width 24 --height 16 -o "$TMP/grab2.zbxobject" &&
    check "grabbed from the image" cmp "$TMP/grab2.zbxobject" "$DATA/object_0.zbxobject"
run 1 picture "$DATA/object_0.zbxobject" -o "$TMP/x.png" && err_is "Undetected picture format"
run 1 picture "$KOALA" --background 16 -o "$TMP/x.png"
# Objects out to images and back, and replaced in place.
run 0 render "$DATA/sample.prg" --object 0 -o "$TMP/obj0.png" && png_is "$TMP/obj0.png" "24 16 6"
run 0 render "$DATA/sample.prg" --object 0 --scale 1 -o "$TMP/obj0s.png" &&
    png_is "$TMP/obj0s.png" "12 16 6"
run 1 render "$DATA/sample.prg" --location 0 --scale 1 -o "$TMP/x.png" &&
    err_is "--scale goes with --object alone"
run 0 replace "$DATA/sample.prg" --item 0 "$TMP/obj0.png" --x 0 --y 0 --width 24 --height 16 \
    -o "$TMP/same.prg" && check "an object replaced by its own image" cmp "$DATA/sample.prg" "$TMP/same.prg"
run 0 replace "$DATA/sample.prg" --item 0 "$KOALA" --x 80 --y 64 --width 8 --height 8 \
    -o "$TMP/replaced.prg" &&
    run 0 load "$TMP/replaced.prg" &&
    check "object 0 is 8 x 8, placed as often" test "$(python3 -c '
import json, sys; o = json.load(sys.stdin)["objects"][0]; print(o["index"], o["width"], o["height"], o["placements"])' <"$TMP/out")" == "0 8 8 2"
run 1 replace "$DATA/sample.prg" --item 5 "$KOALA" --x 0 --y 0 --width 8 --height 8 -o "$TMP/x.prg" &&
    err_is "Invalid object"
check "no project for a refused replace" test ! -e "$TMP/x.prg"

run 0 objfile "$DATA/object_0.zbxobject" -o "$TMP/obj.png" && png_is "$TMP/obj.png" "24 16 6"
head -c 60 "$DATA/object_0.zbxobject" >"$TMP/cut.zbxobject"
run 1 objfile "$TMP/cut.zbxobject" -o "$TMP/x.png" && err_is "Unrecognized format"

run 0 refs "$DATA/sample.prg" --item 5 && out_is "Panel 9 (\$9): found 1 occurrence
Panel was elected as location 0 (\$0)
Panel was elected as location 31 (\$1F)"

# An imported object, deleted again, gives the file back.
run 0 import "$DATA/sample.prg" --object "$DATA/object_2.zbxobject" -o "$TMP/imported.prg"
run 0 delete "$TMP/imported.prg" --item 10 -o "$TMP/deleted.prg" &&
    check "import then delete gives the file back" cmp "$DATA/sample.prg" "$TMP/deleted.prg"
# (Which deletes are refused, and why: zembrix_load_test.)
run 1 import "$DATA/sample.prg" --object "$TMP/cut.zbxobject" -o "$TMP/x.prg"
run 1 delete "$DATA/sample.prg" --item 7 -o "$TMP/x.prg"
check "nothing written when refused" test ! -e "$TMP/x.prg"

# No findings: the clashes, one line per location and panel; exit 0, or 3
# with --fail-on-clash.
run 0 check "$DATA/sample.prg" &&
    check "clashes listed: $(head -1 "$TMP/out")" test "$(head -1 "$TMP/out")" == \
    "Location 0 (panel 5 over colour 6): 2 clashing cells: (15, 5) (16, 5)" &&
    check "a line for each" test "$(wc -l <"$TMP/out")" -eq 7
run 3 check --fail-on-clash "$DATA/sample.prg"
# An empty project: load address, no items, 32 empty locations, the end.
python3 -c 'import sys; sys.stdout.buffer.write(bytes([0, 8, 0, 0, 8] + [255, 0] * 32 + [0x45, 8, 255]))' \
    >"$TMP/empty.prg"
run 0 check --fail-on-clash "$TMP/empty.prg" && out_is "No findings and no clashes."
# (Each kind of finding: zembrix_check_test.)
run 1 check "$DATA/quirks.prg" && check "findings listed" test "$(wc -l <"$TMP/out")" -eq 5

# Panels that contain each other load, draw and are reported.
run 0 load "$DATA/loop.prg" && check "loops reported" grep -q '"loops": true' "$TMP/out"
run 0 render "$DATA/loop.prg" --location 0 -o "$TMP/loop.png" && png_is "$TMP/loop.png" "320 144 6"
run 1 check "$DATA/loop.prg" && out_is "Panel loop: panels 0 and 1 contain each other"

# Panels nested so deep that location 0 (panel 1) takes more placement
# visits than drawing allows: never written as if whole unless asked for;
# location 1 (panel 2) is whole.
CUT="Location 0: the picture is incomplete, cut short after 1,000,000 placement visits"
run 1 render "$DATA/deep.prg" --location 0 -o "$TMP/deep.png" &&
    err_is "$CUT; nothing written (--allow-incomplete writes it anyway)"
check "no image for an incomplete picture" test ! -e "$TMP/deep.png"
run 1 render "$DATA/deep.prg" --panel 1 -o "$TMP/deep.png" &&
    err_is "Panel 1: the picture is incomplete, cut short after 1,000,000 placement visits; nothing written (--allow-incomplete writes it anyway)"
run 0 render "$DATA/deep.prg" --location 0 --allow-incomplete -o "$TMP/deep.png" &&
    png_is "$TMP/deep.png" "320 144 6"
run 0 render "$DATA/deep.prg" --location 1 -o "$TMP/deep1.png"
run 1 check "$DATA/deep.prg" && out_is "$CUT
Panel 1: the picture is incomplete, cut short after 1,000,000 placement visits"
run 1 check --json "$DATA/deep.prg" && check "cut short in JSON" test "$(python3 -c '
import json, sys; c = json.load(sys.stdin); s = c["cut_short"]
print(s["locations"], s["panels"], len(c["findings"]))' <"$TMP/out")" == "[0] [1] 2"

# Inputs and outputs: nothing lost, nothing half done, every failure told.
EXAMPLE=resources/examples/quorvane-sampler.prg

# Colour clashes of the example: the room (location 0, panel 18) and the
# autumn landscape (location 2, panel 23); framed only when asked for.
run 0 check --json "$EXAMPLE" && check "clashing locations and panels" test "$(python3 -c '
import json, sys; c = json.load(sys.stdin)["clashes"]
print([l["slot"] for l in c["locations"]], [p["index"] for p in c["panels"]])' <"$TMP/out")" == "[0, 2] [18, 23]"
run 0 render "$EXAMPLE" --location 1 -o "$TMP/l1.png" &&
    run 0 render "$EXAMPLE" --location 1 --clashes -o "$TMP/l1c.png" &&
    check "no frames where nothing clashes" cmp -s "$TMP/l1.png" "$TMP/l1c.png"
run 0 render "$EXAMPLE" --location 0 -o "$TMP/l0.png" &&
    run 0 render "$EXAMPLE" --location 0 --clashes -o "$TMP/l0c.png" &&
    check "frames where cells clash" test "$(cmp -s "$TMP/l0.png" "$TMP/l0c.png"; echo $?)" = 1
run 0 render "$EXAMPLE" --location 0 --screen -o "$TMP/s0.png" && png_is "$TMP/s0.png" "320 200 6"
# limited STATUS ARGS...: as run, with files limited to 1 KiB as on a full disk.
limited() {
    local want="$1"
    shift
    (ulimit -f 1 && exec "$CLI" "$@") >"$TMP/out" 2>"$TMP/err"
    local got=$?
    check "limited zembrix-cli $* exits $want, not $got ($(head -c 200 "$TMP/err"))" test "$got" -eq "$want"
}
# The names in the folder of the outputs, as one line.
listing() { (cd "$TMP/out-dir" && ls -A | tr '\n' ' '); }
mkdir "$TMP/out-dir"
OUT="$TMP/out-dir"


# A failing command writes none of its outputs, not even those before the failure.
run 1 picture "$KOALA" -o "$OUT/p.png" --hires "$OUT/none/h.bin" &&
    err_is "Could not write \"$OUT/none/h.bin\": No such file or directory"
check "no PNG left by a failed picture" test -z "$(listing)"

# Output that never arrives is a failure.
for args in "load $DATA/sample.prg" "refs $DATA/sample.prg --item 5" "--help"; do
    # shellcheck disable=SC2086
    "$CLI" $args >/dev/full 2>"$TMP/err"
    check "$args > /dev/full exits 1" test $? -eq 1
    err_is "Could not write the output: No space left on device"
done
limited 1 load "$EXAMPLE" && err_is "Could not write the output: File too large"

# Outputs replaced in one step: a full disk keeps the old file and leaves no
# temporary behind; the message names the file given.
cp "$EXAMPLE" "$OUT/project.prg"
cp "$TMP/l0.png" "$OUT/image.png"
limited 1 resave "$EXAMPLE" -o "$OUT/project.prg" &&
    err_is "Could not write \"$OUT/project.prg\": File too large"
limited 1 render "$EXAMPLE" --location 0 -o "$OUT/image.png" &&
    err_is "Could not write \"$OUT/image.png\": File too large"
check "project kept" cmp -s "$EXAMPLE" "$OUT/project.prg"
check "image kept" cmp -s "$TMP/l0.png" "$OUT/image.png"
check "no temporary files: $(listing)" test "$(listing)" == "image.png project.prg "

# Two outputs that are one file (here through a hard link; each way of
# being one: fileio_test) are refused and nothing is written. A file with a
# second hard link is replaced whole: the other link keeps the old content,
# which is said.
cp "$TMP/l0.png" "$OUT/same.bin" && ln "$OUT/same.bin" "$OUT/hard.bin"
run 1 picture "$KOALA" -o "$OUT/same.bin" --hires "$OUT/hard.bin" &&
    err_is "Cannot write \"$OUT/same.bin\" and \"$OUT/hard.bin\": they are the same file, and each output needs a file of its own"
check "the hard-linked file kept" cmp -s "$TMP/l0.png" "$OUT/same.bin"
run 0 resave "$EXAMPLE" -o "$OUT/same.bin" &&
    err_is "\"$OUT/same.bin\" had 1 other hard link: it keeps the old content"
check "the new project" cmp -s "$EXAMPLE" "$OUT/same.bin"
check "the other link" cmp -s "$TMP/l0.png" "$OUT/hard.bin"
rm -f "$OUT/same.bin" "$OUT/hard.bin"

# Option strings belong to the command: argument errors leak nothing.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=1"
run 1 render --location 0 -o "$OUT/x.png" && err_is "Missing argument: FILE"
run 1 render "$DATA/sample.prg" extra --location 0 -o "$OUT/x.png" &&
    err_is "Unexpected argument: extra"
run 1 picture "$KOALA" "$KOALA" -o "$OUT/x.png" --hires "$OUT/x.bin"
run 1 import "$DATA/sample.prg" --object "$DATA/object_0.zbxobject" -o "$OUT/x.prg" extra

run 1 render "$DATA/sample.prg" --panel 1 -o "$OUT/x.png" && err_is "Invalid panel"
check "nothing written by the refused commands: $(listing)" \
    test "$(listing)" == "image.png project.prg "

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
