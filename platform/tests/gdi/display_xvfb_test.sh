#!/usr/bin/env bash
# Shows the test screen in the real window on a virtual X server of its own (tools/xvfb-run.sh),
# takes a screenshot of the whole X screen and checks it against the test screen.
# Usage: display_xvfb_test.sh <display_check>
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
# A black root window (-br) so that the window's extent shows.
bash "$(dirname "$0")/../../../tools/xvfb-run.sh" "-screen 0 800x900x24 -br -nolisten tcp" bash -c '
  prog=$1 work=$2
  "$prog" show "$work/ready" "$work/done" & pid=$!
  for _ in $(seq 1 300); do
    [ -e "$work/ready" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  if [ ! -e "$work/ready" ]; then
    echo "the window did not appear"
    touch "$work/done"; wait "$pid"; exit 1
  fi
  xwd -root -silent | convert xwd:- png:"$work/shot.png"; shot=$?
  touch "$work/done"
  wait "$pid"; shown=$?
  [ "$shot" -eq 0 ] && [ "$shown" -eq 0 ]
' bash "$prog" "$work"
rc=$?
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
