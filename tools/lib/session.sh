# shellcheck shell=bash
# A headless or interactive session of the three programs on a fresh device root, for the
# scripts that drive them (tools/demo.sh, tools/screens.sh; sourced, not run). The caller sets:
#   me        its name in messages ("demo")
#   src       the source tree
#   builddir  the build folder (programs in bin/, the staged device in device/)
#   headless  1 without a display
#   keep      1 to leave the temporary folder
#   server_extra  (array, may be empty) more arguments for larkspin-simserver
# and then calls session_check_build, session_begin, session_start_servers and start_launcher.
# Everything started is stopped on every way out (stop_all, the EXIT trap); a failed step ends the
# session with a non-zero status and the step's name in $step_name.

: "${me:?}" "${src:?}" "${builddir:?}" "${headless:?}" "${keep:?}"
bin="$builddir/bin"
staged="$builddir/device"
work=""; root=""
server_pid=""; launcher_pid=""; step_name="preparing"
ctl() { "$bin/larkspin-ctl" --root "$root" "$@"; }
# The main program's side of the session; waits get a generous time so that a loaded machine
# passes too.
main() { ctl --program VXMain --timeout 30000 "$@"; }
fail() { echo "$me: $*" >&2; exit 1; }

session_check_build() {
  local f
  for f in "$bin/larkspin-simserver" "$bin/larkspin-ctl" "$bin/larkspin-demo-device" \
           "$staged/Program Files/Quorvan/Bin/Larkspin.exe" "$staged/Program Files/Quorvan/Bin/VXMain.exe" \
           "$staged/Program Files/Quorvan/Bin/ZRUpdate.exe" "$staged/Program Files/Quorvan/Bin/VXLogin.dll" \
           "$staged/Program Files/Quorvan/Bin/Pelvato.conf"; do
    [ -e "$f" ] || { echo "$me: $f is missing: build first (without --no-build)" >&2; exit 1; }
  done
}

# The pids of the programs registered on our device root, one a line.
registered_pids() {
  local f pid
  [ -d "$root/run/auto" ] || return 0
  for f in "$root"/run/auto/*; do
    [ -e "$f" ] || continue
    pid="$(cut -f1 "$f" 2>/dev/null || true)"
    case "$pid" in ''|*[!0-9]*) continue ;; esac
    echo "$pid"
  done
}

# True when process PID runs on our device root (it has our LARKSPIN_ROOT): a pid that has ended
# may already belong to some other process, which is never signalled.
ours() {
  { tr '\0' '\n' <"/proc/$1/environ"; } 2>/dev/null | grep -qxF "LARKSPIN_ROOT=$root"
}

# Ends the programs of our own device root (each registered program by its pid, the launcher by
# the pid it was started with): TERM, and KILL for what has not ended within two seconds.
stop_programs() {
  local pid left pids
  pids="$(registered_pids) $launcher_pid"
  for pid in $pids; do ours "$pid" && kill -TERM "$pid" 2>/dev/null; done
  for _ in $(seq 1 40); do
    left=0
    for pid in $pids; do ours "$pid" && left=1; done
    [ "$left" = 0 ] && break
    sleep 0.05
  done
  for pid in $pids; do ours "$pid" && kill -KILL "$pid" 2>/dev/null; done
  launcher_pid=""
  rm -f "$root"/run/auto/* 2>/dev/null || true
  return 0
}

stop_all() {
  local status=$?
  trap - EXIT
  trap '' INT TERM
  if [ "$status" = 130 ] && [ "$headless" = 0 ]; then
    echo "$me: stopped"   # Ctrl-C is the interactive session's ordinary end
    status=0
  fi
  if [ "$status" != 0 ] && [ -n "$root" ] && [ -n "$(ctl programs 2>/dev/null | grep -i vxmain || true)" ]; then
    # What the main program showed when the step failed, for the one who reads the report.
    ctl --program VXMain tree >"$work/failure-tree.txt" 2>&1 || true
    ctl --program VXMain box >>"$work/failure-tree.txt" 2>&1 || true
    ctl --program VXMain shot "$work/failure.png" >/dev/null 2>&1 || true
  fi
  if [ "$status" != 0 ] && [ "$status" != 130 ] && [ -n "$root" ]; then
    # A short account on stderr, for a run whose kept folder nobody can open (a CI machine): the
    # programs that run, their boxes and top windows, the last requests and events. Nothing here
    # may end the clean-up that follows (the caller runs with errexit and pipefail).
    local p name progs
    progs="$(ctl programs 2>/dev/null || true)"
    {
      echo "$me: programs running at the failure: $(printf '%s' "$progs" | tr '\n' ' ')"
      while read -r p name; do
        [ -n "$p" ] || continue
        echo "$me: $name ($p): box: $( (ctl --pid "$p" box 2>&1 || true) | sed -n '1,2p' | tr '\n' ' ')"
        (ctl --pid "$p" tree 2>&1 || true) | sed -n '1,12p' | sed 's/^/    /'
      done <<<"$progs"
      if [ -s "$work/requests.log" ]; then
        echo "$me: the last requests:"
        tail -n 6 "$work/requests.log" | sed 's/^/    /'
      fi
      if [ -s "$root/run/events.log" ]; then
        echo "$me: the last events:"
        tail -n 12 "$root/run/events.log" | sed 's/^/    /'
      fi
    } >&2 || true
  fi
  [ -n "$root" ] && stop_programs
  if [ -n "$server_pid" ]; then
    kill -TERM "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  if [ "$status" = 130 ]; then
    echo "$me: stopped during \"$step_name\"" >&2
  elif [ "$status" != 0 ]; then
    echo "$me: step \"$step_name\" failed" >&2
    [ -s "$work/server.err" ] && { echo "$me: the server said:" >&2; sed 's/^/  /' "$work/server.err" >&2; }
  fi
  if [ -n "$work" ]; then
    if [ "$keep" = 1 ] || [ "$status" != 0 ]; then
      echo "$me: the device root and logs are kept in $work"
    else
      rm -rf "$work"
    fi
  fi
  return "$status"
}

# A fresh device root in a new temporary folder: the staged files only, never a root that has
# been used.
session_begin() {
  trap stop_all EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  work="$(mktemp -d "${TMPDIR:-/tmp}/larkspin-$me.XXXXXX")"
  root="$work/device"
  step_name="staging the device root"
  mkdir -p "$root/Temp"
  cp -a "$staged/Program Files" "$root/"
  [ -f "$staged/pelvato.der" ] && cp "$staged/pelvato.der" "$root/"
  conf="$root/Program Files/Quorvan/Bin/Pelvato.conf"
  return 0
}

# The servers on free loopback ports, the configuration pointed at them and the Internet
# connection chosen.
session_start_servers() {
  step_name="starting the simulated servers"
  : >"$work/server.out"
  # shellcheck disable=SC2154  # server_extra is the caller's
  "$bin/larkspin-simserver" --root "$root" --port 0 --version-port 0 \
    --version-dir "$src/tools/device-data/version-server/current" \
    --log "$work/requests.log" ${server_extra[@]+"${server_extra[@]}"} >"$work/server.out" 2>"$work/server.err" &
  server_pid=$!
  main_port=""; version_port=""
  for _ in $(seq 1 400); do
    main_port="$(sed -n 's/^trading port \([0-9]*\)$/\1/p' "$work/server.out")"
    version_port="$(sed -n 's/^version port \([0-9]*\)$/\1/p' "$work/server.out")"
    [ -n "$main_port" ] && [ -n "$version_port" ] && break
    kill -0 "$server_pid" 2>/dev/null || fail "the simulated server ended at its start"
    sleep 0.05
  done
  if [ -z "$main_port" ] || [ -z "$version_port" ]; then fail "the simulated server printed no ports"; fi

  # The two port lines are plain ASCII; every other byte (code page 949 text, CR LF) stays as it is.
  step_name="pointing the configuration at the servers"
  LC_ALL=C sed -i -e "s/^MAIN PORT NUMBER=[0-9]*\(\r\{0,1\}\)\$/MAIN PORT NUMBER=$main_port\1/" \
                  -e "s/^VERMAN PORT NUMBER=[0-9]*\(\r\{0,1\}\)\$/VERMAN PORT NUMBER=$version_port\1/" "$conf"
  LC_ALL=C grep -q "^MAIN PORT NUMBER=$main_port"$'\r'"\$" "$conf" || fail "MAIN PORT NUMBER not rewritten"
  LC_ALL=C grep -q "^VERMAN PORT NUMBER=$version_port"$'\r'"\$" "$conf" || fail "VERMAN PORT NUMBER not rewritten"

  export LARKSPIN_ROOT="$root"
  step_name="choosing the Internet connection"
  "$bin/larkspin-demo-device" --root "$root" internet
}

# The programs' own output goes to the same file as the launcher's pid (they inherit it), so
# nothing waits on a pipe that they hold open.
start_launcher() {
  "$bin/larkspin-demo-device" --root "$root" start >>"$work/programs.log" 2>&1 ||
    fail "the launcher did not start: $(cat "$work/programs.log")"
  launcher_pid="$(sed -n 's/^launcher pid \([0-9][0-9]*\)$/\1/p' "$work/programs.log" | tail -n 1)"
  case "$launcher_pid" in ''|*[!0-9]*) fail "the launcher did not start" ;; esac
}

# Headless: logs in as the simulated server's user "demo" on the login screen. With an argument,
# calls it with "login" once the login screen stands and with "login-typed" before the tap.
login_headless() {
  local picture="${1:-:}"
  step_name="waiting for the login screen"
  ctl --timeout 30000 wait program VXMain >/dev/null
  main wait window 1002 >/dev/null
  "$picture" login
  step_name="typing the id and password"
  main type 1000 demo >/dev/null
  main type 1001 1234 >/dev/null
  "$picture" login-typed
  step_name="tapping the login button"
  main tap 1002 >/dev/null
}

# A programs' report of a sanitized build on their standard error fails the session.
check_reports() {
  step_name="checking the programs' reports"
  if LC_ALL=C grep -q -e "ERROR: AddressSanitizer" -e "runtime error:" "$work/programs.log" "$work/server.err"; then
    LC_ALL=C grep -h -A5 -e "ERROR: AddressSanitizer" -e "runtime error:" "$work/programs.log" "$work/server.err" >&2
    fail "a program reported a fault"
  fi
}
