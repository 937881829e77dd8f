#!/usr/bin/env bash
# The Debian package holds both programs and all that goes beside them, its
# metadata names its section and dependencies, and unpacked anywhere its
# programs run and find their data there.
#   bash package_check.sh PACKAGE.deb
set -uo pipefail
package="$(realpath "$1")"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}

contents="$(dpkg-deb --contents "$package" | awk '{ print $NF }')"
for file in ./usr/bin/zembrix ./usr/bin/zembrix-cli ./usr/share/zembrix/background.png \
    ./usr/share/zembrix/examples/quorvane-sampler.prg ./usr/share/applications/zembrix.desktop \
    ./usr/share/icons/hicolor/32x32/apps/zembrix.png \
    ./usr/share/metainfo/org.zembrix.Zembrix.metainfo.xml ./usr/share/man/man1/zembrix.1 \
    ./usr/share/man/man1/zembrix-cli.1 ./usr/share/bash-completion/completions/zembrix-cli; do
    echo "$contents" | grep -qx -- "$file" || fail "the package lacks $file"
done
info="$(dpkg-deb --info "$package")"
echo "$info" | grep -q "^ Section: graphics" || fail "no section graphics"
echo "$info" | grep -q "^ Depends: .*libgtk2.0-0" || fail "no dependency on GTK+ 2: $info"
echo "$info" | grep -q "^ Maintainer: " || fail "no maintainer"

dpkg-deb -x "$package" "$scratch"
"$scratch/usr/bin/zembrix-cli" --version | grep -qE "^zembrix-cli [0-9]" || fail "zembrix-cli --version"
"$scratch/usr/bin/zembrix-cli" render "$scratch/usr/share/zembrix/examples/quorvane-sampler.prg" \
    --location 0 --screen -o "$scratch/location.png" || fail "render from the unpacked package"
[ -s "$scratch/location.png" ] || fail "no picture rendered"
# The backdrop came from the package's own data: without it the picture
# differs.
mv "$scratch/usr/share/zembrix" "$scratch/usr/share/zembrix.away"
"$scratch/usr/bin/zembrix-cli" render "$scratch/usr/share/zembrix.away/examples/quorvane-sampler.prg" \
    --location 0 --screen -o "$scratch/without.png" 2>/dev/null
cmp -s "$scratch/location.png" "$scratch/without.png" &&
    fail "the unpacked programs do not find their data beside them"
mv "$scratch/usr/share/zembrix.away" "$scratch/usr/share/zembrix"
env -u DISPLAY "$scratch/usr/bin/zembrix" --help | grep -q "Usage" || fail "zembrix --help without a display"
mandoc -T lint -W warning "$scratch"/usr/share/man/man1/*.1* || fail "the installed manual pages' lint"
desktop-file-validate "$scratch/usr/share/applications/zembrix.desktop" ||
    fail "the installed desktop entry"
appstreamcli validate --no-net "$scratch/usr/share/metainfo/org.zembrix.Zembrix.metainfo.xml" \
    >/dev/null || fail "the installed AppStream metadata"
[ "$failed" -eq 0 ] && echo "the package: passed"
exit "$failed"
