#!/usr/bin/env bash
# Installs the build tree into a temporary prefix and checks the installed layout, the hand
# pointer, the icons, the desktop entry (desktop-file-validate), the AppStream metadata
# (appstreamcli validate --no-net) and the manual page (man --warnings).
#   files.sh BUILD_DIR VERSION
set -euo pipefail

build=$1
version=$2
id=example.vandrell.Kestrune

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

cmake --install "$build" --prefix "$prefix" >"$work/install.log" || {
    cat "$work/install.log" >&2
    echo "FAIL: cmake --install $build --prefix $prefix" >&2
    exit 1
}

echo "== the installed files"
(cd "$prefix" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort) >"$work/found"
LC_ALL=C sort >"$work/expected" <<LIST
bin/kestrune
lib/kestrune/HAND-M.CUR
lib/kestrune/kestrune
share/applications/$id.desktop
share/doc/kestrune/README.md
share/doc/kestrune/changelog.gz
share/doc/kestrune/copyright
share/icons/hicolor/128x128/apps/$id.png
share/icons/hicolor/256x256/apps/$id.png
share/icons/hicolor/32x32/apps/$id.png
share/icons/hicolor/48x48/apps/$id.png
share/man/man1/kestrune.1.gz
share/metainfo/$id.metainfo.xml
LIST
diff -u "$work/expected" "$work/found" || fail "the installed files differ from the layout"

echo "== bin/kestrune, a relative link to the program"
link=$(readlink "$prefix/bin/kestrune" || true)
[ "$link" = ../lib/kestrune/kestrune ] && [ -x "$prefix/lib/kestrune/kestrune" ] ||
    fail "bin/kestrune links to '$link', not to the executable ../lib/kestrune/kestrune"

echo "== HAND-M.CUR, a 32x32 Windows cursor with its hot spot on the fingertip"
cursor=$prefix/lib/kestrune/HAND-M.CUR
# The icon directory: reserved 0, type 2 (cursor), 1 image; its entry: 32x32, hot spot x, y.
read -r reserved type count <<<"$(od -An -tu2 -j0 -N6 --endian=little "$cursor")"
read -r width height <<<"$(od -An -tu1 -j6 -N2 "$cursor")"
read -r hot_x hot_y <<<"$(od -An -tu2 -j10 -N4 --endian=little "$cursor")"
[ "$reserved $type $count" = "0 2 1" ] || fail "HAND-M.CUR header is '$reserved $type $count'"
[ "$width $height" = "32 32" ] || fail "HAND-M.CUR is ${width}x$height"
# The hot spot is an opaque black pixel with transparency right above it or at the top row.
convert "$cursor" -alpha on txt:- >"$work/cursor.txt"
pixel() { awk -v at="$1,$2:" '$1 == at { print $NF }' "$work/cursor.txt"; }
[ "$(pixel "$hot_x" "$hot_y")" = black ] ||
    fail "the hot spot ($hot_x, $hot_y) is not on the black outline: $(pixel "$hot_x" "$hot_y")"
[ "$hot_y" -le 1 ] || fail "the hot spot ($hot_x, $hot_y) is not at the top of the fingertip"
cmp -s "$cursor" "$build/HAND-M.CUR" || fail "build/HAND-M.CUR (beside build/kestrune) differs"

echo "== icons at every size drawn"
for size in 32 48 128 256; do
    icon=$prefix/share/icons/hicolor/${size}x$size/apps/$id.png
    got=$(identify -format '%wx%h' "$icon" 2>&1 || true)
    [ "$got" = "${size}x$size" ] || fail "$icon is $got"
done

echo "== desktop-file-validate"
desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop-file-validate"
grep -qx "Exec=kestrune" "$prefix/share/applications/$id.desktop" || fail "Exec is not kestrune"
grep -qx "Icon=$id" "$prefix/share/applications/$id.desktop" || fail "Icon is not $id"

echo "== appstreamcli validate --no-net"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" ||
    fail "appstreamcli validate"
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/$id.metainfo.xml" ||
    fail "the metainfo has no release $version"

echo "== the manual page"
warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
    man --warnings -E UTF-8 -l -Tutf8 -Z "$prefix/share/man/man1/kestrune.1.gz" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "man --warnings: $warnings"
page=$(MANWIDTH=80 man -l "$prefix/share/man/man1/kestrune.1.gz" 2>/dev/null | col -b)
for option in --help --version; do
    grep -q -- "$option" <<<"$page" || fail "the manual page does not describe $option"
done

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all checks passed"
