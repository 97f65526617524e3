#!/usr/bin/env bash
# Runs the receive-thread benchmark in interleaved rounds and prints, as medians over the rounds,
# the delivery rate through the receive thread against the buffered reader of the same socket
# (the ratio is taken within each round), where a batch's time goes (until its first packet is
# handled, then the rest) and the processor time of the window's thread per packet, and the delay
# from the server's write to the screen handler's return beside the buffered reader's. The
# machine's load is printed with the figures.
# Usage: run.sh <path to larkspin_recv_bench> [rounds (default 7)] [extra benchmark flags]
set -euo pipefail
bin="$1"; shift
rounds="${1:-7}"; shift || true
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
echo "load before: $(uptime)"
for r in $(seq "$rounds"); do
  "$bin" --benchmark_format=json --benchmark_min_time=0.3 \
    --benchmark_filter='^(Delivered|BufferedRead)/' "$@" > "$tmp/rate$r.json"
  "$bin" --benchmark_format=json --benchmark_filter='Delay/' "$@" > "$tmp/delay$r.json"
done
echo "load after:  $(uptime)"
python3 - "$tmp" "$rounds" <<'PY'
import json, statistics, sys
tmp, rounds = sys.argv[1], int(sys.argv[2])
def load(p):
    return {b["run_name"]: b for b in json.load(open(p))["benchmarks"]}
rates = [load(f"{tmp}/rate{r}.json") for r in range(1, rounds + 1)]
delays = [load(f"{tmp}/delay{r}.json") for r in range(1, rounds + 1)]
med = statistics.median
print(f"delivery rate (median of {rounds} rounds; ratio taken within each round)")
for size in (64, 1024):
    d = [r[f"Delivered/{size}/real_time"]["items_per_second"] for r in rates]
    a = [r[f"BufferedRead/{size}/real_time"]["items_per_second"] for r in rates]
    ratio = [x / y for x, y in zip(d, a)]
    print(f"  {size:5d} B: delivered {med(d)/1e6:7.3f} M/s  buffered reader {med(a)/1e6:7.3f} M/s  "
          f"ratio {med(ratio):.3f} (min {min(ratio):.3f}, max {max(ratio):.3f})")
    k = f"Delivered/{size}/real_time"
    g = lambda name, key=k: med(r[key][name] for r in rates)
    print(f"          a batch: first packet handled after {g('first_us'):7.1f} us, the rest in {g('span_us'):7.1f} us; "
          f"window's thread {g('main_cpu_us')*1000:6.1f} ns a packet "
          f"(buffered reader {g('main_cpu_us', f'BufferedRead/{size}/real_time')*1000:6.1f} ns)")
print(f"delay from the write to the handler's return, us (median of {rounds} rounds)")
for rate in (1000, 10000, 50000):
    row = []
    for name in ("Delay", "BufferedDelay"):
        k = f"{name}/{rate}/iterations:1/real_time"
        row.append((med(r[k]["p50_us"] for r in delays), med(r[k]["p99_us"] for r in delays)))
    print(f"  {rate:6d}/s: receive thread p50 {row[0][0]:8.1f} p99 {row[0][1]:8.1f}   "
          f"buffered reader p50 {row[1][0]:8.1f} p99 {row[1][1]:8.1f}")
PY
