#!/usr/bin/env bash
# Builds the Debian package with scripts/package, checks it with lintian, and installs, removes
# and purges it twice with apt-get, checking /usr/bin/kestrune --version and the ODBC driver
# registration each time and that the ODBC configuration is byte for byte what it was after each
# purge. Then the same with the driver name not registered before (unregistered for the while,
# restored exactly afterwards), so the maintainer scripts register it and unregister it again.
# Root only: it changes the system. Otherwise, or when a kestrune package is already installed,
# it is skipped with status 77.
#   package.sh SOURCE_DIR VERSION
set -euo pipefail

root=$1
version=$2
driver="MySQL ODBC 5.1 Driver"
marker=/var/lib/kestrune/registered-odbc-driver

if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: the package test installs a package system-wide and runs as root only"
    exit 77
fi
if dpkg-query -W -f='${Status}' kestrune 2>/dev/null | grep -q 'ok installed'; then
    echo "SKIP: a kestrune package is installed on this machine; the test leaves it alone"
    exit 77
fi

echo "== scripts/package"
"$root/scripts/package"
deb=$(ls "$root"/dist/kestrune_"$version"_*.deb)
[ -f "$deb" ] || { echo "FAIL: no dist/kestrune_${version}_*.deb" >&2; exit 1; }
dpkg-deb -I "$deb"
dpkg-deb -c "$deb"

echo "== lintian"
lintian --fail-on error "$deb" || { echo "FAIL: lintian found errors" >&2; exit 1; }

ini=$(odbcinst -j | awk -F': *' '/^DRIVERS/ { print $2 }')
[ -f "$ini" ] || { echo "FAIL: no ODBC driver configuration '$ini'" >&2; exit 1; }
work=$(mktemp -d)
cp -p "$ini" "$work/original"
apt=(env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 -y -qq)
restore() {
    if dpkg-query -W -f='${Status}' kestrune 2>/dev/null | grep -q 'installed'; then
        "${apt[@]}" purge kestrune >/dev/null 2>&1 || true
    fi
    # In place, so the file keeps its owner, mode and inode.
    cat "$work/original" >"$ini"
    rm -rf "$work"
}
trap restore EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

registered() { odbcinst -q -d -n "$driver" >/dev/null 2>&1; }

# install, check, remove, check, purge, check. $1: whether the package is to register the driver.
cycle() {
    local registers=$1 before=$work/before
    cp "$ini" "$before"
    "${apt[@]}" install "$deb" >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; fail "apt-get install"; }
    local out
    out=$(env -u DISPLAY /usr/bin/kestrune --version) || fail "/usr/bin/kestrune --version failed"
    [ "$out" = "kestrune $version" ] || fail "/usr/bin/kestrune --version printed '$out'"
    registered || fail "\"$driver\" is not registered after install"
    local lib
    lib=$(odbcinst -q -d -n "$driver" | awk -F= '$1 == "Driver" { print $2 }')
    [ -f "$lib" ] || fail "\"$driver\" names the library '$lib', which does not exist"
    if [ "$registers" = yes ]; then
        [ -f "$marker" ] || fail "the package registered the driver but left no marker"
        [ "$(basename "$lib")" = libmaodbc.so ] || fail "the package registered '$lib'"
    else
        [ ! -e "$marker" ] || fail "the package left a marker for a driver it did not register"
        cmp -s "$before" "$ini" || fail "installing changed $ini although the driver was there"
    fi
    "${apt[@]}" remove kestrune >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; fail "apt-get remove"; }
    [ ! -e /usr/bin/kestrune ] || fail "/usr/bin/kestrune is left after remove"
    registered || fail "\"$driver\" is gone after a remove (only a purge removes it)"
    "${apt[@]}" purge kestrune >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; fail "apt-get purge"; }
    [ ! -e /var/lib/kestrune ] || fail "/var/lib/kestrune is left after purge"
    [ ! -e /usr/lib/kestrune ] || fail "/usr/lib/kestrune is left after purge"
    cmp "$before" "$ini" || { diff "$before" "$ini" >&2 || true; fail "$ini changed"; }
}

echo "== with \"$driver\" registered before: install, remove, purge, twice"
registered || fail "\"$driver\" is not registered; run scripts/bootstrap"
cycle no
cycle no
echo "ok"

echo "== with \"$driver\" not registered before: install, remove, purge, twice"
# Down to no registration at all, whatever its usage count.
for _ in $(seq 1 20); do
    registered || break
    odbcinst -u -d -n "$driver" >/dev/null
done
registered && fail "could not unregister \"$driver\" for the test"
cycle yes
cycle yes
cat "$work/original" >"$ini"
cmp "$work/original" "$ini" || fail "$ini was not restored"
registered || fail "\"$driver\" is not registered again"
echo "ok"
echo "all checks passed"
