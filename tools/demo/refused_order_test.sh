#!/usr/bin/env bash
# The demo against a server whose demo account has no cash: the order is refused with the server's
# message, so the demo must not report a bought order. It ends with a non-zero status naming the
# step, and nothing it started (servers, programs) runs on.
#   refused_order_test.sh BUILD_DIR
set -u
builddir="${1:?usage: refused_order_test.sh BUILD_DIR}"
demo="$(cd "$(dirname "$0")/.." && pwd)/demo.sh"
tmp="$(mktemp -d "${TMPDIR:-/tmp}/larkspin-demo-test.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT
failures=0
check() {  # check DESCRIPTION COMMAND...
  local what="$1"; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

printf 'account 1234567801 0000 0\n' >"$tmp/no-cash.txt"
TMPDIR="$tmp" bash "$demo" --headless --no-build --build-dir "$builddir" --shots "$tmp/shots" \
  --server-option --users --server-option "$tmp/no-cash.txt" >"$tmp/out.txt" 2>&1
status=$?
sed 's/^/  | /' "$tmp/out.txt"

check "non-zero status" [ "$status" -ne 0 ]
check "the failed step is named" grep -q 'step "reading the result box" failed' "$tmp/out.txt"
check "the server's message is shown" grep -q '주문가능금액이 부족합니다.' "$tmp/out.txt"
check "no order reported as bought" bash -c '! grep -q "demo: bought" "$1"' _ "$tmp/out.txt"
check "the order went out once" [ "$(cat "$tmp"/larkspin-demo.*/requests.log | grep -c ' code=2310 ')" = 1 ]

# Everything it started has ended (killed processes may take a moment to go).
left=""
for _ in $(seq 1 100); do
  left="$(pgrep -f "$tmp/larkspin-demo" || true)"
  [ -z "$left" ] && break
  sleep 0.05
done
check "nothing it started runs on" [ -z "$left" ]
[ -z "$left" ] || ps -o pid,args -p "$(echo $left | tr ' ' ',')"

echo "$(( 6 - failures )) passed, $failures failed"
[ "$failures" = 0 ]
