#!/usr/bin/env bash
# Builds the fuzz targets with clang into build-fuzz and runs each for a bounded time on top of
# its committed corpus.
#
#   fuzz/run.sh                 every target for 20 seconds (the CI run)
#   fuzz/run.sh 600             every target for ten minutes
#   fuzz/run.sh 60 fuzz_frame4  chosen targets only
#
# FUZZ_JOBS (default 4) targets run at once, one process each. New inputs go to
# build-fuzz/corpus/<target> (the committed corpus is only read); a crash is saved under
# fuzz/crashes/<target>/ and makes the script fail. The executions of each target are printed.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${1:-20}"
shift || true
jobs="${FUZZ_JOBS:-4}"

all=(fuzz_recv_packet fuzz_session_key fuzz_session_data fuzz_certificate fuzz_signature
     fuzz_frame4 fuzz_frame2 fuzz_config_file fuzz_menu_file fuzz_code_file fuzz_quickmove_file)
[ -f "$root/shell/updater/src/ver_protocol.cpp" ] && all+=(fuzz_updater_reply)
[ -f "$root/screens/skeleton/tests/test_screen.cpp" ] && all+=(fuzz_screen_reply fuzz_screen_plain)
[ -f "$root/login/src/login_dlg.cpp" ] && all+=(fuzz_login_reply)
[ -f "$root/screens/market_data/VX2001/vx2001.cpp" ] && all+=(fuzz_vx2001 fuzz_zr4105)
[ -f "$root/screens/market_data/ZR5002/zr5002.cpp" ] && all+=(fuzz_zr5002)
[ -f "$root/screens/market_data/ZR5500/zr5500.cpp" ] && all+=(fuzz_zr5500)
[ -f "$root/screens/market_data/ZR4150/zr4150.cpp" ] && all+=(fuzz_zr4150 fuzz_zr4130)
for s in VX4190 VX4180 VX4600 ZR4170 VX4610 VX4240 VX4140 VX4230; do
  [ -d "$root/screens/market_data/$s" ] && all+=("fuzz_${s,,}")
done
[ -f "$root/screens/futopt/options_common/option_codes.cpp" ] && all+=(fuzz_options_code_file)
[ -f "$root/screens/market_data/VX4110/vx4110.cpp" ] && all+=(fuzz_vx4110)
[ -f "$root/screens/market_data/VX4620/vx4620.cpp" ] && all+=(fuzz_vx4620 fuzz_vx4630 fuzz_vx4250)
[ -f "$root/screens/futopt/ZR5102/zr5102.cpp" ] && all+=(fuzz_zr5102 fuzz_zr5151 fuzz_zr5100 fuzz_zr5154 fuzz_zr5155)
[ -f "$root/screens/futopt/fo_list_common/fo_list.cpp" ] && all+=(fuzz_zr5103 fuzz_zr5152 fuzz_zr5104 fuzz_zr5153)
[ -f "$root/screens/futopt/ZR5101/zr5101.cpp" ] && all+=(fuzz_zr5101 fuzz_zr5150)
for s in ZR5300 ZR5302 ZR5304 ZR5401 ZR5400; do
  [ -d "$root/screens/futopt/$s" ] && all+=("fuzz_${s,,}")
done
[ -f "$root/screens/market_data/ZR4160/zr4160.cpp" ] && all+=(fuzz_zr4160 fuzz_vx0521 fuzz_zr4210 fuzz_zr4200 fuzz_zr4220)
[ -f "$root/screens/market_data/VX4112/vx4112.cpp" ] && all+=(fuzz_vx4112)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all[@]}")

if [ ! -f "$build/CMakeCache.txt" ]; then
  # The whole tree with the sanitizers, so that what a target calls in the product's libraries
  # is checked too; the targets add coverage to the sources they read.
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLARKSPIN_SANITIZE=ON >/dev/null
fi
cmake --build "$build" -j"${FUZZ_BUILD_JOBS:-4}" --target "${targets[@]}" >/dev/null

# The screens' replies: the packet dictionary and the one made from the screens' layouts.
cat "$here/dict/packet.dict" "$here/dict/screens.dict" >"$build/screens-packet.dict"

dict_of() {
  case "$1" in
    fuzz_recv_packet|fuzz_session_key|fuzz_session_data) echo packet.dict ;;
    fuzz_frame4|fuzz_frame2) echo frame.dict ;;
    fuzz_certificate|fuzz_signature) echo der.dict ;;
    fuzz_updater_reply) echo updater.dict ;;
    fuzz_screen_*|fuzz_vx2001|fuzz_zr4105|fuzz_zr51*|fuzz_zr5002|fuzz_zr5500|fuzz_zr4150|fuzz_zr4130|fuzz_vx4*|fuzz_zr4170|fuzz_zr53*|fuzz_zr54*) echo "$build/screens-packet.dict" ;;
    fuzz_login_reply) echo packet.dict ;;
    *) echo files.dict ;;
  esac
}

run_one() {
  local t="$1" extra=()
  local work="$build/corpus/$t" crashes="$here/crashes/$t" log="$build/fuzz-logs/$t.log"
  mkdir -p "$work" "$crashes" "$(dirname "$log")"
  # Frame targets: long streams; leak checks off, since a joined thread's thread-local list is
  # freed by the C library a moment after the join.
  case "$t" in
    fuzz_frame*) extra=(-max_len=12000 -timeout=30 -detect_leaks=0) ;;
    *) extra=(-timeout=10) ;;
  esac
  local status=0
  "$build/bin/$t" -max_total_time="$seconds" -print_final_stats=1 -dict="$(cd "$here/dict" && realpath "$(dict_of "$t")")" \
      -artifact_prefix="$crashes/" "${extra[@]}" "$work" "$here/corpus/$t" >"$log" 2>&1 || status=$?
  local execs
  execs="$(grep -m1 'stat::number_of_executed_units' "$log" | awk '{print $2}')"
  if [ "$status" -ne 0 ]; then
    echo "$t: FAILED after ${execs:-?} executions (log $log, input in $crashes)"
    grep -m1 -E 'ERROR|runtime error|deadly signal' "$log" || true
    return 1
  fi
  rmdir "$crashes" 2>/dev/null || true
  echo "$t: ${execs:-0} executions in ${seconds}s"
}
export -f run_one dict_of
export build here seconds

printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one {}'
