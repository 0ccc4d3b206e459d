#!/usr/bin/env bash
# Starts the real program under Xvfb on a D-Bus session of its own, with Qt's
# accessibility bridge on, and runs tree_check.py against it through the
# accessibility bus (AT-SPI).
#   $1: the vantorel executable; further arguments go to tree_check.py
set -uo pipefail
exe=${1:?usage: tree_check.sh path/to/vantorel [--print]}
shift
here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${VANTOREL_A11Y_INSIDE:-}" ]; then
  for tool in xvfb-run dbus-run-session; do
    command -v "$tool" >/dev/null || { echo "$tool is missing" >&2; exit 1; }
  done
  /usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "python3-pyatspi is missing" >&2; exit 1; }
  export VANTOREL_A11Y_INSIDE=1
  exec xvfb-run -a -s "-screen 0 1600x1200x24" dbus-run-session -- bash "$here/tree_check.sh" "$exe" "$@"
fi

scratch=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$scratch"' EXIT
export XDG_RUNTIME_DIR=$scratch XDG_DATA_HOME=$scratch/data XDG_CONFIG_HOME=$scratch/config
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
# The same font at any test machine's settings.
unset QT_SCALE_FACTOR QT_FONT_DPI QT_QPA_PLATFORM
"$exe" 2>"$scratch/stderr" &
pid=$!
/usr/bin/python3 "$here/tree_check.py" "$@"
status=$?
kill -0 "$pid" 2>/dev/null || { echo "FAIL: the program ended by itself:"; cat "$scratch/stderr"; status=1; }
exit $status
