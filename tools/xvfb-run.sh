#!/usr/bin/env bash
# Runs a command with DISPLAY set to a virtual X server of its own and stops the server after it:
#   bash tools/xvfb-run.sh "-screen 0 640x480x24 -br -nolisten tcp" COMMAND [ARGS...]
# The server picks a free display number itself (-displayfd), so that several runs of the test
# suite on one machine never race for the same display as xvfb-run -a can. Exits with the
# command's status, or 1 when the server does not start.
set -u
server_args=$1
shift
work=$(mktemp -d "${TMPDIR:-/tmp}/larkspin-xvfb-XXXXXX")
mkfifo "$work/displayfd"
# shellcheck disable=SC2086  # the server's arguments are words
Xvfb -displayfd 3 $server_args 3>"$work/displayfd" >"$work/xvfb.log" 2>&1 &
xvfb=$!
number=""
# The server writes its display number into the pipe once it takes connections.
read -r -t 30 number <"$work/displayfd"
if [ -z "$number" ]; then
  echo "xvfb-run.sh: the X server did not start:" >&2
  cat "$work/xvfb.log" >&2
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
  rm -rf "$work"
  exit 1
fi
DISPLAY=":$number" "$@"
rc=$?
kill "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null
rm -rf "$work"
exit $rc
