#!/usr/bin/env bash
# The screen gallery: opens every screen that the menu file names and that this build has, in one
# headless session against the simulated servers, each once as the first screen after the login
# and once after another screen, and writes a picture of each with a page that lists them.
#
#   bash tools/screens.sh                 pictures into docs/screens/ and the page docs/screens.md
#   bash tools/screens.sh --check         compares each screen's window tree (every control's id,
#                                         class and rectangle, both times it was opened) with its
#                                         expected layout in tests/layout/; a difference or a
#                                         screen without one fails, and so does a string that its
#                                         cell or control drew with glyphs cut off
#   bash tools/screens.sh --update-layout writes the expected layouts from this build
# Options: --no-build (use what is built), --build-dir DIR (default build), --out DIR (where the
# pictures and the page go; default docs), --keep (leave the temporary folder), --shard K/N (with
# --check: only the K-th of N equal runs of sessions; the N shards together check every screen
# both times it is opened, each in a run of its own that can be given its own time).
#
# A new screen needs nothing here: once its line is in the menu file and its plug-in is built,
# the gallery shows it; --update-layout writes its expected layout, which is committed with it.
set -euo pipefail
here="$PWD"
src="$(cd "$(dirname "$0")/.." && pwd)"
cd "$src"

# The server's market has been open a while: the trade lists show the day's last trades.
build=1; builddir="$src/build"; out="$src/docs"; keep=0; mode=pictures; server_extra=(--day-trades 9)
shard_k=1; shard_n=1
while [ $# -gt 0 ]; do
  case "$1" in
    --no-build) build=0 ;;
    --build-dir) builddir="${2:?--build-dir needs a folder}"; shift ;;
    --out) out="${2:?--out needs a folder}"; shift ;;
    --keep) keep=1 ;;
    --check) mode=check ;;
    --update-layout) mode=update ;;
    --shard)
      shard="${2:?--shard needs K/N}"; shift
      case "$shard" in
        [1-9]/[1-9] | [1-9]/[1-9][0-9] | [1-9][0-9]/[1-9][0-9]) ;;
        *) echo "screens: --shard takes K/N, 1 <= K <= N" >&2; exit 2 ;;
      esac
      shard_k="${shard%/*}"; shard_n="${shard#*/}"
      [ "$shard_k" -le "$shard_n" ] || { echo "screens: --shard takes K/N, 1 <= K <= N" >&2; exit 2; } ;;
    -h|--help) sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "screens: unknown option $1 (see --help)" >&2; exit 2 ;;
  esac
  shift
done
if [ "$shard_n" -gt 1 ] && [ "$mode" != check ]; then
  echo "screens: --shard goes with --check" >&2; exit 2
fi
case "$builddir" in /*) ;; *) builddir="$here/$builddir" ;; esac
case "$out" in /*) ;; *) out="$here/$out" ;; esac
layouts="$src/tests/layout"

if [ "$build" = 1 ]; then
  { cmake -S . -B "$builddir" >/dev/null && cmake --build "$builddir" -j "$(nproc)"; } ||
    { echo "screens: step \"building\" failed" >&2; exit 1; }
fi

me=screens; headless=1
# shellcheck source=tools/lib/session.sh
. "$src/tools/lib/session.sh"
session_check_build
export LARKSPIN_AUTOMATION=1
unset LARKSPIN_DISPLAY
session_begin
session_start_servers

# --- The screens: each plug-in the menu file names once, in the file's order, when it is built. --
menu="$root/Program Files/Quorvan/Bin/menu.conf"
cp "$menu" "$work/menu.conf"
ids=(); names=(); files=()
while IFS=: read -r group name id file; do
  file="${file%$'\r'}"
  case "$group" in ''|'#'*) continue ;; esac
  [ -n "$file" ] || continue
  case "$file" in VXLogin.dll|ZR1022.dll) continue ;; esac  # the login, pictured on the way in
  [ "$id" != 90100 ] || continue  # the start screen's id names each session's first screen
  [ -e "$root/Program Files/Quorvan/Bin/$file" ] || continue
  for f in ${files[@]+"${files[@]}"}; do [ "$f" = "$file" ] && continue 2; done
  ids+=("$id"); names+=("$name"); files+=("$file")
done < <(iconv -f CP949 -t UTF-8 "$work/menu.conf" | tr -d '\t')
n=${#files[@]}
[ "$n" -gt 0 ] || fail "the menu file names no built screen"
echo "screens: ${n} screens: ${files[*]}"
# The sessions of this shard: a run of them, so that each screen of the run but its first is
# opened both as the first screen (its own session) and after another (the session before).
from=$(((shard_k - 1) * n / shard_n)); to=$((shard_k * n / shard_n))
[ "$shard_n" = 1 ] || echo "screens: shard $shard_k of $shard_n: sessions $((from + 1)) to $to"

# The window tree of a screen as its layout: one line per window, indented by depth, with its
# class, control id and screen rectangle.
layout_of() {
  main tree "@$1" | sed -n -E 's/^( *)[0-9]+ ([^ ]+) id=(-?[0-9]+) text=".*" rect=([-0-9]+,[-0-9]+,[-0-9]+,[-0-9]+) .*$/\1\2 id=\3 rect=\4/p'
}

# Waits for screen ID of plug-in FILE to open (an event after line MARK of the event log) and for
# its base quote; prints its dialog window.
wait_screen() {
  local line hwnd limit=5 expected="$layouts/${3%.dll}.txt"
  line="$(ctl --timeout 30000 wait event screen "$1" '*' '*' --from "$2")" || fail "screen $1 did not open"
  hwnd="$(printf '%s\n' "$line" | awk -F'\t' '{ print $NF }')"
  # The strip's windows are made by the reply to the screen's first request. A screen whose
  # expected layout has them is given the time a loaded machine needs; one whose layout has none
  # is not waited for; a screen not laid out yet is looked at after five seconds at most.
  if [ -e "$expected" ]; then
    limit=0
    grep -q -E ' id=30(01|13) ' "$expected" && limit=60
  fi
  local end=$((SECONDS + limit))
  while [ "$SECONDS" -lt "$end" ]; do
    main tree "@$hwnd" | grep -q -E ' id=30(01|13) ' && break
    sleep 0.05
  done
  main settle >/dev/null
  echo "$hwnd"
}
events_now() { ctl events 2>/dev/null | wc -l; }

# The strings the main program drew with glyphs cut off by their cell or control (a text taller or
# wider than the rectangle it is drawn in) since it was last asked, for screen FILE at WHEN.
take_clipped() {
  main clipped-texts >"$work/clipped/${1%.dll}.$2" || fail "could not ask for the clipped strings of $1"
}

mkdir -p "$work/layouts" "$work/shots" "$work/clipped"
# shellcheck disable=SC2317  # called by login_headless
picture_login() { if [ "$1" = login ]; then main shot "$work/shots/login.png" >/dev/null; fi; }
# Session i opens screen i as the start screen (the menu file's 90100 names it for the session)
# and then screen i+1, so each screen is opened once first and once after another.
for ((i = from; i < to; i++)); do
  first="${files[$i]}"; j=$(((i + 1) % n)); next="${files[$j]}"
  step_name="session $((i + 1)) of $n: $first first"
  LC_ALL=C sed -e "s/^\(1000:[^:]*:90100:\).*\$/\1$first"$'\r'"/" "$work/menu.conf" >"$menu"
  mark="$(events_now)"
  start_launcher
  if [ "$i" = 0 ]; then
    login_headless picture_login
  else
    login_headless
  fi
  hwnd="$(wait_screen 90100 "$mark" "$first")"
  step_name="version check of session $((i + 1))"
  ctl --program ZRUpdate --timeout 30000 wait exit >/dev/null 2>&1 || true
  ctl --program Larkspin --timeout 30000 wait exit >/dev/null 2>&1 || true
  main settle >/dev/null
  [ "$(main box | head -n 1)" = "none" ] || fail "a box is up over $first: $(main box | sed -n 's/^text //p')"
  layout_of "$hwnd" >"$work/layouts/${first%.dll}.first"
  main shot "$work/shots/${first%.dll}-first.png" >/dev/null
  take_clipped "$first" first  # the login's strings too: it was shown just before

  step_name="session $((i + 1)) of $n: $next after $first"
  mark="$(events_now)"
  "$bin/larkspin-demo-device" --root "$root" open-screen "${ids[$j]}"
  hwnd="$(wait_screen "${ids[$j]}" "$mark" "$next")"
  [ "$(main box | head -n 1)" = "none" ] || fail "a box is up over $next: $(main box | sed -n 's/^text //p')"
  layout_of "$hwnd" >"$work/layouts/${next%.dll}.after"
  main shot "$work/shots/${next%.dll}.png" >/dev/null
  take_clipped "$next" after
  stop_programs
done
cp "$work/menu.conf" "$menu"
check_reports

# --- Layouts: the same both times, and as expected. ---------------------------------------------
step_name="comparing the layouts"
bad=0
for file in "${files[@]}"; do
  s="${file%.dll}"
  got=()
  for when in first after; do [ -e "$work/layouts/$s.$when" ] && got+=("$when"); done
  [ ${#got[@]} -gt 0 ] || continue  # a screen of another shard
  if [ ${#got[@]} = 2 ] && ! diff -u "$work/layouts/$s.first" "$work/layouts/$s.after" >"$work/$s.diff"; then
    echo "screens: $s stands differently as the first screen and after another:" >&2
    cat "$work/$s.diff" >&2; bad=1
  fi
  for when in "${got[@]}"; do
    [ -s "$work/layouts/$s.$when" ] || { echo "screens: $s has no windows" >&2; bad=1; }
    if [ -s "$work/clipped/$s.$when" ]; then
      echo "screens: $s ($when) drew strings that their cell or control cuts off (clip rectangle, ink pixels lost):" >&2
      cat "$work/clipped/$s.$when" >&2
      [ "$mode" != check ] || bad=1
    fi
  done
  case "$mode" in
    update) mkdir -p "$layouts"; cp "$work/layouts/$s.after" "$layouts/$s.txt" ;;
    check)
      if [ ! -e "$layouts/$s.txt" ]; then
        echo "screens: $s has no expected layout: run bash tools/screens.sh --update-layout and commit tests/layout/$s.txt" >&2
        bad=1
        continue
      fi
      for when in "${got[@]}"; do
        if ! diff -u "$layouts/$s.txt" "$work/layouts/$s.$when" >"$work/$s.diff"; then
          echo "screens: $s ($when) differs from tests/layout/$s.txt (- expected, + this build):" >&2
          cat "$work/$s.diff" >&2; bad=1
        fi
      done ;;
  esac
done
[ "$bad" = 0 ] || fail "the screens' layouts differ or their strings are cut off"

# --- Pictures and the page. ----------------------------------------------------------------------
if [ "$mode" = pictures ]; then
  step_name="writing the pictures and the page"
  mkdir -p "$out/screens"
  cp "$work/shots/login.png" "$out/screens/VXLogin.png"
  page="$out/screens.md"
  {
    echo "# Screens"
    echo
    echo "Every screen of the menu file that is built, as \`tools/screens.sh\` shows it against the simulated"
    echo "server after the login as user \`demo\` (the strip's quote is the simulated server's). Each"
    echo "screen is opened once as the first screen of a session and once after another; both stand"
    echo "alike (the layout test, \`tests/layout/\`, holds every control's place)."
    echo
    echo "| Screen | Plug-in | Title | Picture |"
    echo "|---|---|---|---|"
    echo "| 90101 | VXLogin | 로그인 | ![VXLogin](screens/VXLogin.png) |"
    for k in $(seq 0 $((n - 1))); do
      s="${files[$k]%.dll}"
      cp "$work/shots/$s.png" "$out/screens/$s.png"
      echo "| ${ids[$k]} | $s | ${names[$k]} | ![$s](screens/$s.png) |"
    done
  } >"$page"
  echo "screens: ${n} pictures in $out/screens, the page $page"
fi
[ "$mode" = check ] && echo "screens: the layouts of the screens of sessions $((from + 1)) to $to of ${n} are as expected"
[ "$mode" = update ] && echo "screens: the layouts of ${n} screens written to $layouts"
exit 0
