#!/usr/bin/env bash
# Runs the crypto benchmark twice (OpenSSL as it is, then with its SHA instructions masked) and
# prints VXBase's speed as a ratio of OpenSSL's for each case (medians of five runs).
# Usage: run.sh <path to vxbase_crypto_bench> [extra benchmark flags]
set -euo pipefail
bin="$1"; shift || true
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
flags=(--benchmark_format=json --benchmark_min_time=0.2 --benchmark_repetitions=5 --benchmark_report_aggregates_only=true)
"$bin" "${flags[@]}" "$@" > "$tmp/plain.json"
OPENSSL_ia32cap=":~0x20000000" "$bin" --benchmark_filter='Sha1' "${flags[@]}" "$@" > "$tmp/masked.json"
python3 - "$tmp/plain.json" "$tmp/masked.json" <<'PY'
import json, sys
def load(p):
    # Medians of the repetitions, under the plain benchmark names.
    return {b["run_name"]: b for b in json.load(open(p))["benchmarks"] if b.get("aggregate_name") == "median"}
for label, path in (("OpenSSL as it is", sys.argv[1]), ("OpenSSL SHA instructions masked", sys.argv[2])):
    rows = load(path)
    print(f"== {label}")
    for name, b in rows.items():
        if "_VXBase" not in name: continue
        other = rows.get(name.replace("_VXBase", "_OpenSSL"))
        if not other: continue
        if "bytes_per_second" in b:
            ours, theirs = b["bytes_per_second"] / 1e6, other["bytes_per_second"] / 1e6
            print(f"{name:38s} {ours:9.1f} MB/s  OpenSSL {theirs:9.1f} MB/s  ratio {ours / theirs:5.2f}")
        else:
            ours, theirs = b["real_time"], other["real_time"]
            print(f"{name:38s} {ours:9.2f} {b['time_unit']}  OpenSSL {theirs:9.2f} {other['time_unit']}  speed ratio {theirs / ours:5.2f}")
PY
