#!/usr/bin/env bash
# Shows the test screen in the real window on a virtual X server, takes a screenshot of the whole
# X screen and checks it against the test screen. Usage: display_xvfb_test.sh <display_check>
# The X server picks a free display number itself (-displayfd), so that several runs of the
# suite on one machine never take the same display.
set -u
prog=$1
if ! command -v Xvfb >/dev/null 2>&1; then
  echo "SKIPPED: Xvfb is not installed (tools/setup.sh installs xvfb)"
  exit 77
fi
for tool in xwd convert; do
  command -v "$tool" >/dev/null 2>&1 || { echo "FAILED: $tool is missing (tools/setup.sh installs it)"; exit 1; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/larkspin-display-XXXXXX")
export LARKSPIN_DISPLAY=sdl LARKSPIN_SCALE=2
# SDL and the X and D-Bus libraries it loads keep some memory until the process ends; in a
# sanitizer build the leak check is left to the unit tests of the drawing code.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
# A black root window (-br) so that the window's extent shows. The server writes its display
# number into the pipe once it takes connections.
mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 800x900x24 -br -nolisten tcp 3>"$work/displayfd" >"$work/xvfb.log" 2>&1 &
xvfb=$!
number=""
read -r -t 30 number <"$work/displayfd"
if [ -z "$number" ]; then
  echo "FAILED: the X server did not start:"; cat "$work/xvfb.log"
  kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null
  exit 1
fi
export DISPLAY=":$number"
"$prog" show "$work/ready" "$work/done" & pid=$!
for _ in $(seq 1 300); do
  [ -e "$work/ready" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.05
done
rc=0
if [ ! -e "$work/ready" ]; then
  echo "the window did not appear"
  rc=1
else
  xwd -root -silent | convert xwd:- png:"$work/shot.png" || rc=1
fi
touch "$work/done"
wait "$pid" || rc=1
kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null
if [ $rc -eq 0 ]; then
  "$prog" check "$work/shot.png"
  rc=$?
fi
if [ $rc -eq 0 ]; then
  rm -rf "$work"
else
  echo "FAILED: screenshot and files kept in $work"
fi
exit $rc
