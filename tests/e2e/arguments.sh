#!/usr/bin/env bash
# The command line: --help and --version stand alone, Qt's own options are
# taken, and anything else is refused with one line and status 2, with or
# without a display.
#   $1: the vantorel executable
set -uo pipefail
exe=${1:?usage: arguments.sh path/to/vantorel}
failed=0
headless=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)

# expect STATUS MESSAGE ARGS...: runs without a display.
expect() {
  local status=$1 message=$2
  shift 2
  local out got
  out=$("${headless[@]}" "$exe" "$@" 2>&1)
  got=$?
  if [ "$got" -ne "$status" ] || [ "$out" != "$message" ]; then
    echo "FAIL: vantorel $*: status $got, said: $out (wanted $status: $message)"
    failed=1
  fi
}
expect 2 "vantorel: --version takes no other arguments (see vantorel --help)" --version extra
expect 2 "vantorel: --help takes no other arguments (see vantorel --help)" -style fusion --help
expect 2 "vantorel: unexpected argument 'extra' (see vantorel --help)" extra
expect 2 "vantorel: unknown option '--frobnicate' (see vantorel --help)" -reverse --frobnicate
expect 2 "vantorel: -style needs a value (see vantorel --help)" -style
# Qt's options are fine; what is missing is the display.
expect 1 "Vantorel needs a graphical display; without one, try: xvfb-run $exe" -style fusion --reverse -stylesheet=none.qss

# With a display (Qt's offscreen one, named on the command line) the program
# takes Qt's options and runs until it is stopped...
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
"${headless[@]}" XDG_DATA_HOME="$data" timeout 3 "$exe" -platform offscreen -style fusion -reverse -qwindowtitle x \
  >/dev/null 2>&1
got=$?
[ "$got" -eq 124 ] || { echo "FAIL: with Qt's options the program ended with status $got instead of running"; failed=1; }
# ...and refuses an option that this platform does not take.
out=$("${headless[@]}" QT_QPA_PLATFORM=offscreen "$exe" -display :0 2>&1 | grep -v '^QStandardPaths')
got=${PIPESTATUS[0]}
if [ "$got" -ne 2 ] || [ "$out" != "vantorel: unknown option '-display' (see vantorel --help)" ]; then
  echo "FAIL: -display on the offscreen platform: status $got, said: $out"
  failed=1
fi
[ $failed -eq 0 ] && echo "ok: every argument is taken or refused as it should be"
exit $failed
