#!/usr/bin/env bash
# Installs the build tree into a temporary prefix and starts the INSTALLED program through its
# link PREFIX/bin/kestrune:
#  - a wrong option and the compare mode, with no display;
#  - on a virtual screen of its own (scripts/virtualscreen) with a remembered login to the test server (KESTRUNE_TEST_*,
#    set by scripts/test) in a temporary XDG_CONFIG_HOME, under strace. Seen from outside the
#    process: a window of the table selection page's size (7080 x 4680 twips = 472 x 312 pixels
#    at 96 DPI; the login page is 536 x 243) is mapped, so the program started, found its ODBC
#    driver and logged in; and it opened HAND-M.CUR in its own folder PREFIX/lib/kestrune, so it
#    found its files through the link. The program is killed at the end.
#   start.sh BUILD_DIR
set -euo pipefail

build=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
for name in SERVER PORT USER PASSWORD DATABASE; do
    var=KESTRUNE_TEST_$name
    if [ -z "${!var:-}" ]; then
        echo "FAIL: $var is not set; run the tests with scripts/test" >&2
        exit 1
    fi
done

work=$(mktemp -d)
cleanup() {
    if [ -s "$work/pid" ]; then
        kill -KILL "$(cat "$work/pid")" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
prefix=$work/prefix
program=$prefix/bin/kestrune
folder=$prefix/lib/kestrune

cmake --install "$build" --prefix "$prefix" >"$work/install.log" || {
    cat "$work/install.log" >&2
    echo "FAIL: cmake --install $build --prefix $prefix" >&2
    exit 1
}
[ -L "$program" ] || { echo "FAIL: $program is not a link" >&2; exit 1; }

echo "== a wrong option, with no display: status 2, what was wrong and where help is"
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
status=0
"${nodisplay[@]}" "$program" --no-such-option >"$work/out" 2>"$work/err" || status=$?
[ "$status" -eq 2 ] && [ ! -s "$work/out" ] && [ "$(wc -l <"$work/err")" -eq 2 ] &&
    grep -q "^Try 'kestrune --help' for more information.\$" "$work/err" ||
    { echo "FAIL: a wrong option ended with $status and printed:" >&2; cat "$work/err" >&2; exit 1; }

echo "== the installed program on a virtual screen, with a remembered login"
mkdir -m 700 "$work/config" "$work/runtime"
(
    umask 077
    cat >"$work/config/Vandrell.ini" <<INI
[Kestrune]
MyServer=$KESTRUNE_TEST_SERVER
MyPort=$KESTRUNE_TEST_PORT
MyUser=$KESTRUNE_TEST_USER
MyPassword=$KESTRUNE_TEST_PASSWORD
MyDatabase=$KESTRUNE_TEST_DATABASE
INI
)

echo "== the compare mode of the installed program, with no display"
status=0
XDG_CONFIG_HOME=$work/config "${nodisplay[@]}" "$program" --compare no_such_table_1 \
    no_such_table_2 >"$work/out" 2>"$work/err" || status=$?
[ "$status" -eq 2 ] && [ ! -s "$work/out" ] && grep -q "^Could not join this tables.$" "$work/err" &&
    grep -q "no_such_table_1' doesn't exist" "$work/err" ||
    { echo "FAIL: --compare of missing tables ended with $status and printed:" >&2; cat "$work/err" >&2; exit 1; }

export KESTRUNE_PROGRAM=$program KESTRUNE_WORK=$work
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
unset QT_QPA_PLATFORM
# A screen that turns every client away is the machine's fault, not the program's: one more try
# on a new screen, said out loud.
for attempt in 1 2; do
    rm -f "$work/trace" "$work/pid" "$work/found"
    # shellcheck disable=SC2016 # the inner script expands its variables itself, on the virtual screen
    bash "$root/scripts/virtualscreen" "-screen 0 1280x800x24 -dpi 96" bash -c '
set -uo pipefail
w=$KESTRUNE_WORK
# strace follows the program from its start; the shell records its own pid, which exec hands on
# to the program.
strace -f -qq -e trace=file -o "$w/trace" -- \
    bash -c "echo \$\$ >\"$w/pid\"; exec \"\$0\"" "$KESTRUNE_PROGRAM" >"$w/program.log" 2>&1 &
tracer=$!
found=""
for _ in $(seq 1 600); do
    if ! kill -0 "$tracer" 2>/dev/null; then
        break
    fi
    # A window of the program, 472x312, mapped.
    for id in $(xwininfo -root -tree 2>/dev/null |
        awk "/\\(\"kestrune\" / && / 472x312\\+/ { print \$1 }"); do
        if xwininfo -id "$id" 2>/dev/null | grep -q "Map State: IsViewable"; then
            found=$id
        fi
    done
    [ -n "$found" ] && break
    sleep 0.1
done
xwininfo -root -tree >"$w/windows" 2>&1 || true
if [ -s "$w/pid" ]; then
    kill -TERM "$(cat "$w/pid")" 2>/dev/null || true
fi
wait "$tracer" 2>/dev/null
[ -n "$found" ] && echo "$found" >"$w/found"
exit 0
'
    grep -q "could not connect to display" "$work/program.log" || break
    echo "the virtual screen turned the program away (try $attempt):" >&2
    cat "$work/program.log" >&2
done

failures=0
if [ -s "$work/found" ]; then
    echo "the table selection page is shown: window $(cat "$work/found"), 472x312"
else
    echo "FAIL: no mapped 472x312 window of kestrune (the table selection page) appeared" >&2
    echo "-- the program's output:" >&2
    cat "$work/program.log" >&2 || true
    echo "-- its windows:" >&2
    grep '"kestrune"' "$work/windows" >&2 || true
    failures=$((failures + 1))
fi
if grep -Eq "^[0-9]+ +execve\(\"$program\"" "$work/trace"; then
    echo "started as $program"
else
    echo "FAIL: the program was not started through $program" >&2
    failures=$((failures + 1))
fi
# An open of PREFIX/lib/kestrune/HAND-M.CUR that succeeded (a descriptor, not -1).
if grep -E "open(at)?\(.*\"$folder/HAND-M\.CUR\"" "$work/trace" | grep -Eq '\) = [0-9]+$'; then
    echo "HAND-M.CUR opened in $folder"
else
    echo "FAIL: the program did not open $folder/HAND-M.CUR; it looked for:" >&2
    grep -F 'HAND-M.CUR' "$work/trace" >&2 || echo "(nothing)" >&2
    failures=$((failures + 1))
fi
[ "$failures" -eq 0 ] || exit 1
echo "all checks passed"
