#!/usr/bin/env bash
# The demo: installs what is missing, builds, stages a fresh device root in a new temporary folder,
# starts the simulated trading and version servers on free loopback ports with the device's
# configuration pointing at them and the Internet connection chosen, and starts the launcher.
#
#   bash tools/demo.sh                with a display: the programs open their windows and you log in
#   bash tools/demo.sh --headless     without one (or when DISPLAY is unset): a scripted session logs
#                                     in with auto-receive on, watches the start screen's live prices,
#                                     opens the buy screen, buys 10 shares of 005930 at a limit
#                                     price and takes a picture of every step
# Options: --no-build (use what is built), --build-dir DIR (default build), --shots DIR (where the
# pictures go; default <build>/demo/shots), --keep (leave the temporary folder), --server-option ARG
# (one more argument for larkspin-simserver, e.g. twice for "--users FILE"; see docs/simserver.md),
# --x-check (the scripted session in the desktop window of the X server in DISPLAY: after every
# picture, the X server's screen must show exactly the device's screen that `shot` gives; the
# window is covered and uncovered once, a screen is switched under a box, and the window is
# closed at the end, which must end every program).
#
# Everything it started is stopped on every way out. A failed step ends it with a non-zero status
# and the step's name.
set -euo pipefail
here="$PWD"
src="$(cd "$(dirname "$0")/.." && pwd)"
cd "$src"

headless=0; build=1; builddir="$src/build"; shots=""; keep=0; server_extra=(); xcheck=0
while [ $# -gt 0 ]; do
  case "$1" in
    --headless) headless=1 ;;
    --x-check) headless=1; xcheck=1 ;;
    --no-build) build=0 ;;
    --build-dir) builddir="${2:?--build-dir needs a folder}"; shift ;;
    --shots) shots="${2:?--shots needs a folder}"; shift ;;
    --keep) keep=1 ;;
    --server-option) server_extra+=("${2:?--server-option needs a value}"); shift ;;
    -h|--help) sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "demo: unknown option $1 (see --help)" >&2; exit 2 ;;
  esac
  shift
done
[ -n "${DISPLAY:-}" ] || headless=1
# Folders given on the command line are taken from where the demo was started.
case "$builddir" in /*) ;; *) builddir="$here/$builddir" ;; esac
case "$shots" in /*|'') ;; *) shots="$here/$shots" ;; esac

if [ "$build" = 1 ]; then
  bash tools/setup.sh || { echo "demo: step \"installing what is missing\" failed" >&2; exit 1; }
  { cmake -S . -B "$builddir" >/dev/null && cmake --build "$builddir" -j "$(nproc)"; } ||
    { echo "demo: step \"building\" failed" >&2; exit 1; }
fi

me=demo
# shellcheck source=tools/lib/session.sh
. "$src/tools/lib/session.sh"
session_check_build
[ "$xcheck" = 0 ] || [ -x "$bin/larkspin-x-desktop" ] || { echo "demo: $bin/larkspin-x-desktop is missing" >&2; exit 1; }
# The pictures of the last headless session, unless asked for elsewhere.
[ -n "$shots" ] || shots="$builddir/demo/shots"

session_begin
# The server trades 005930 every 150 ms, more often than a push's grey lasts.
server_extra=(--ticker "150:005930" ${server_extra[@]+"${server_extra[@]}"})
# With --x-check the version server holds its replies until the updater's progress form has been
# looked at, however long that takes, and is then told to answer on its control port.
[ "$xcheck" = 0 ] || server_extra+=(--control 0 --version-hold)
session_start_servers
if [ "$xcheck" = 1 ]; then
  control_port="$(sed -n 's/^control port \([0-9]*\)$/\1/p' "$work/server.out")"
  [ -n "$control_port" ] || fail "the simulated server printed no control port"
fi
# One command line to the simulated server's control port; its answer must start with "ok".
server_control() {
  local answer=""
  exec 9<>"/dev/tcp/127.0.0.1/$control_port" || fail "no connection to the server's control port"
  printf '%s\n' "$1" >&9
  IFS= read -r answer <&9 || true
  exec 9>&-
  [ "${answer#ok}" != "$answer" ] || fail "the server's control port answered \"$answer\" to \"$1\""
}
echo "demo: device root $root"
echo "demo: trading server on 127.0.0.1:$main_port, version server on port $version_port"

# ================================================================================================
if [ "$headless" = 0 ]; then
  export LARKSPIN_DISPLAY=sdl
  unset LARKSPIN_AUTOMATION
  step_name="starting the launcher"
  start_launcher
  cat <<EOF

  Larkspin is starting in its own windows.
    Log in with user id:  demo      password:  1234   (tick 자동수신 for live prices)
    Account password for orders:  0000   (accounts 12345678-01, -02, -06, -09)
  Close the programs (or press Ctrl-C here) to end the demo.

EOF
  step_name="waiting for the launcher"
  ctl --timeout 30000 wait program Larkspin >/dev/null
  # The launcher ends once the start-up is over (logged in and checked, or given up).
  step_name="waiting for the login"
  until ctl --program Larkspin --timeout 3600000 wait exit >/dev/null 2>&1; do
    [ -n "$(ctl programs 2>/dev/null | grep -i larkspin || true)" ] || break
  done
  # Until every program of this device root has ended.
  step_name="waiting for the programs to end"
  while :; do
    first="$(ctl programs 2>/dev/null | awk 'NR == 1 { print $1 }')"
    [ -n "$first" ] || break
    ctl --pid "$first" --timeout 3600000 wait exit >/dev/null 2>&1 || sleep 0.2
  done
  echo "demo: the programs have ended"
  exit 0
fi

# ================================================================================================
# Headless: every box waits for its answer, as a person at the handheld answers it.
export LARKSPIN_AUTOMATION=1
unset LARKSPIN_DISPLAY
if [ "$xcheck" = 1 ]; then
  [ -n "${DISPLAY:-}" ] || fail "--x-check needs an X server in DISPLAY"
  export LARKSPIN_DISPLAY=sdl LARKSPIN_SCALE=1
fi
mkdir -p "$shots"
rm -f "$shots"/[0-9][0-9]-*.png "$shots"/x-*.png
shot_no=0
# With --x-check: waits (up to 30 seconds) until the X server shows the device's screen as the
# program asked (PROGRAM) composes it; both are kept beside the picture when they never agree.
on_x() {
  local name=$1 end=$((SECONDS + 30)); shift
  while [ "$SECONDS" -lt "$end" ]; do
    ctl "$@" shot "$work/x-shot.png" >/dev/null &&
      xwd -root -silent | convert xwd:- png:"$work/x-root.png" &&
      "$bin/larkspin-demo-device" same-picture "$work/x-root.png" "$work/x-shot.png" 1 >/dev/null 2>&1 &&
      { [[ "$name" == [0-9][0-9]-* ]] || cp "$work/x-shot.png" "$shots/x-$name.png"; return 0; }
    sleep 0.1
  done
  cp "$work/x-shot.png" "$shots/$name-shot.png"; cp "$work/x-root.png" "$shots/$name-x.png"
  fail "the X server does not show the device's screen at \"$name\" (pictures in $shots)"
}
shot() {
  shot_no=$((shot_no + 1))
  local file
  file="$shots/$(printf '%02d' "$shot_no")-$1.png"
  main shot "$file" >/dev/null
  [ "$xcheck" = 0 ] || on_x "$(printf '%02d' "$shot_no")-$1" --program VXMain --timeout 30000
}
# Waits (up to 30 seconds) until the item name shown in WINDOW is NAME. The name comes from the
# server's 12-byte field, which a server may fill up with blanks: they are not compared.
wait_item_name() {
  local got=""
  for _ in $(seq 1 300); do
    got="$(main text "$1" | sed -n 's/^"\(.*\)"$/\1/p' | sed 's/ *$//')"
    [ "$got" = "$2" ] && return 0
    sleep 0.1
  done
  fail "the item name shown is \"$got\", not \"$2\""
}
# The box that is up: its text line ("text \"...\"").
box_text() { main wait box | sed -n 's/^text "\(.*\)"$/\1/p'; }

step_name="starting the launcher"
start_launcher
if [ "$xcheck" = 0 ]; then :; else
  step_name="the launcher in the desktop window"
  ctl --timeout 30000 wait program Larkspin >/dev/null
  on_x launcher --program Larkspin --timeout 30000
fi

step_name="waiting for the login screen"
ctl --timeout 30000 wait program VXMain >/dev/null
main wait window 1002 >/dev/null
shot login

step_name="typing the id and password"
main type 1000 demo >/dev/null
main type 1001 1234 >/dev/null
# Auto-receive: the start screen registers for the server's pushes. The login warns of the
# traffic and asks once more.
main tap 1006 >/dev/null
main wait window text:예 >/dev/null
main tap text:예 >/dev/null
main wait gone text:예 >/dev/null
shot login-typed
step_name="tapping the login button"
if [ "$xcheck" = 1 ]; then
  # Tapped in the desktop window: the program showing it hands the tap to the login's program.
  "$bin/larkspin-x-desktop" tap 50 203 1 || fail "no desktop window to tap"
  # The updater's progress form comes over the login while the versions are checked (the version
  # server holds its replies); whichever program is asked, the device's screen shows it.
  step_name="the updater's progress over the login"
  ctl --program ZRUpdate --timeout 30000 wait window text:전체진행률 >/dev/null
  # The main program sees the form once the updater has published its new picture.
  seen=0
  for _ in $(seq 1 100); do
    main screen-text | grep -q '"전체진행률"' && { seen=1; break; }
    sleep 0.1
  done
  [ "$seen" = 1 ] || fail "the main program's picture lacks the updater's progress form"
  on_x updater-progress --program ZRUpdate --timeout 30000
  server_control version-release
else
  main tap 1002 >/dev/null
fi

# The login runs the key exchange and the login with the server, the updater checks the versions
# (nothing new on the served list) and the launcher asks the main program for the start screen;
# then the updater and the launcher end and only the main program runs on.
step_name="waiting for the start screen"
[ -e "$root/Program Files/Quorvan/Bin/VX2001.dll" ] || fail "this build has no start screen (VX2001.dll)"
step_name="waiting for the version check to finish"
ctl --program ZRUpdate --timeout 30000 wait exit >/dev/null
ctl --program Larkspin --timeout 30000 wait exit >/dev/null
[ "$(ctl programs | awk '{print $2}')" = "VXMain.exe" ] || fail "programs other than VXMain.exe run on: $(ctl programs)"
main settle >/dev/null
pending="$(main box | head -n 1)"
[ "$pending" = "none" ] || fail "a box is up after the start-up: $(main box | sed -n 's/^text //p')"
# The server trades 005930 one tick up or down every 150 ms (71,600, 71,700, 71,600, ...), more
# often than a push's grey lasts (200 ms): the picture shows the board flashing.
step_name="watching the start screen's live prices"
main wait window 1357 >/dev/null
main wait text 3001 "71,700" >/dev/null
main wait text 3001 "71,600" >/dev/null
# The X server's picture is compared with the device's: the trades stop first, since a board
# that changes every 150 ms is never the same in two pictures taken one after the other.
[ "$xcheck" = 0 ] || server_control ticker-stop
shot start-screen
regs="$(LC_ALL=C grep -c ' code=9000 ' "$work/requests.log" || true)"
[ "$regs" -ge 3 ] || fail "the start screen registered $regs push types, not 3"
if [ "$xcheck" = 1 ]; then
  # Another window covers the desktop window and goes: the device's screen is painted again.
  step_name="uncovering the desktop window"
  "$bin/larkspin-x-desktop" cover || fail "the X server's screen could not be covered"
  on_x uncovered --program VXMain --timeout 30000
fi

buy_dll="$root/Program Files/Quorvan/Bin/ZR4310.dll"
if [ ! -e "$buy_dll" ]; then
  echo "demo: no buy screen in this build (ZR4310.dll): the session ends after the start screen"
  echo "demo: pictures of each step in $shots"
  exit 0
fi

# --- The buy screen (navigation id 93001 in menu.conf). ------------------------------------------
step_name="opening the buy screen"
"$bin/larkspin-demo-device" --root "$root" open-screen 93001
main wait window 9705 >/dev/null
main settle >/dev/null
shot buy-screen

step_name="choosing the account"
main pick 1006 "text:12345678 - 01" >/dev/null
step_name="typing the account password"
main type 1014 0000 >/dev/null
shot account
# The item edit holds the code without its leading digit; whatever is there is erased first.
step_name="typing the item code"
main tap 9909 >/dev/null
main key END BACK BACK BACK BACK BACK BACK >/dev/null
main type 9909 05930 >/dev/null
wait_item_name 1002 "삼성전자"
shot item
step_name="choosing a limit order"
main pick 1008 text:"보 통" >/dev/null
step_name="typing the quantity and the price"
main type 1009 10 >/dev/null
main type 1010 70000 >/dev/null
main wait text 1010 "70,000" >/dev/null
shot order-typed

step_name="tapping the order button"
main tap 9705 >/dev/null
text="$(box_text)"
for want in "계좌번호: 12345678-01" "종목코드: 05930" "종 목  명: 삼성전자" "매매유형: 보 통" \
            "주문단가: 70,000 원" "주문수량: 10 주"; do
  case "$text" in *"$want"*) ;; *) fail "the confirmation lacks \"$want\": $text" ;; esac
done
echo "demo: confirmation: $text"
shot confirmation
main answer ok >/dev/null

step_name="reading the result box"
text="$(box_text)"
number="$(printf '%s' "$text" | sed -n 's/.*주문번호: *\([0-9][0-9]*\).*/\1/p')"
[ -n "$number" ] || fail "the result box has no order number: $text"
case "$text" in *"주문수량: 10 주"*) ;; *) fail "the result box shows another quantity: $text" ;; esac
echo "demo: result: $text"
shot result
main answer ok >/dev/null
# The screen is ready for the next order: quantity, price and password are empty again.
main wait text 1009 "" >/dev/null
main wait text 1010 "" >/dev/null
main wait text 1014 "" >/dev/null
shot after-order
if [ "$xcheck" = 1 ]; then
  # Another screen opens while the buy screen's handler shows the box of a refused item code:
  # the buy screen's box ends with its answer, then the screen itself ends, and the program runs
  # on with the order inquiry.
  step_name="switching screens under a box"
  main tap 9909 >/dev/null
  main key END BACK BACK BACK BACK BACK BACK >/dev/null
  main type 9909 999999 >/dev/null
  text="$(box_text)"
  [ "$text" = "종목코드를 확인하세요." ] || fail "unexpected box: $text"
  box="$(main box | sed -n 's/^box \([0-9]*\)$/\1/p')"
  "$bin/larkspin-demo-device" --root "$root" open-screen 93103
  # Half a second after the switch the main program ends the buy screen's box (nobody else
  # answers it here: OK, its only button), then the screen.
  answer="$(main wait event msgbox-answer "$box" | cut -f6)"
  [ "$answer" = 1 ] || fail "the buy screen's box was answered $answer"
  # A reply still on its way when the screens switched reaches the order inquiry, which shows
  # the server's message in turn: answered as a person would.
  for _ in $(seq 1 20); do
    main settle >/dev/null
    [ "$(main box | head -n 1)" = "none" ] && break
    main answer ok >/dev/null
  done
  if main tree | grep -q 'id=9705 '; then fail "the buy screen did not end"; fi
  shot switched-under-a-box
fi
if [ "$xcheck" = 1 ]; then
  # Closing the desktop window is the handheld's power-off: every program of the device root is
  # told to close and ends.
  step_name="closing the desktop window"
  "$bin/larkspin-x-desktop" close >/dev/null || fail "no desktop window to close"
  for _ in $(seq 1 200); do
    [ -z "$(ctl programs 2>/dev/null)" ] && break
    sleep 0.1
  done
  [ -z "$(ctl programs 2>/dev/null)" ] || fail "programs run on after the desktop window closed: $(ctl programs)"
fi

# Sent once, and byte for byte the order confirmed: account, password (masked in the server's log),
# item, quantity 10, price 70000, type 1 (limit).
step_name="checking the order at the server"
orders="$(LC_ALL=C grep -c ' code=2310 ' "$work/requests.log" || true)"
[ "$orders" = 1 ] || fail "the server took $orders buy orders, not 1"
body="$(LC_ALL=C sed -n 's/.* code=2310 .* plain=\([0-9a-f]*\).*/\1/p' "$work/requests.log")"
want="313233343536373830312a2a2a2a00000000303035393330313000000000003730303030000000""31"
[ "$body" = "$want" ] || fail "the order body differs: $body"

# A sanitized build's programs report what they found on their standard error.
check_reports

echo "demo: bought 10 x 005930 at 70,000 won, order number ${number:-?}"
echo "demo: pictures of each step in $shots"
exit 0
