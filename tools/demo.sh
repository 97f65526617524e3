#!/usr/bin/env bash
# Installs what is needed, builds the system and stages the device root in build/device.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake -S . -B build >/dev/null
cmake --build build -j "$(nproc)"
echo "Device root staged in build/device:"
find build/device -type f | sed 's|^build/device/|  |' | sort
